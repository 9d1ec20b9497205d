#include "reader/recycling_allocator.h"

#include <bit>

#ifdef KALVANE_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

namespace kv::recycling {
namespace {

// Classes two per doubling: 16, 24, 32, 48, 64, ..., 4096 bytes.
constexpr std::size_t kClassCount =
    2 * (std::bit_width(kLargestKeptBytes) - std::bit_width(kSmallestClassBytes)) + 1;

// The class of a request of up to kLargestKeptBytes: 0 for up to kSmallestClassBytes, then one
// per half doubling.
std::size_t ClassOf(std::size_t bytes) {
  if (bytes <= kSmallestClassBytes) return 0;
  // 2^(width - 1) < bytes <= 2^width; the class between them is three quarters of 2^width.
  const std::size_t width = std::bit_width(bytes - 1);
  const std::size_t power = 2 * (width - (std::bit_width(kSmallestClassBytes) - 1));
  return bytes <= (std::size_t{3} << (width - 2)) ? power - 1 : power;
}

constexpr std::size_t ClassBytes(std::size_t sizeClass) {
  return (sizeClass % 2 == 0 ? kSmallestClassBytes : kSmallestClassBytes * 3 / 2)
         << (sizeClass / 2);
}

// A kept block holds the link to the next kept block of its class.
struct KeptBlock {
  KeptBlock* next;
};

// Under the address sanitizer a kept block is poisoned, so that a vector that still used its
// storage after dropping it is reported as it would be after a real free. The link to the next
// block stays readable: the leak checker does not look into poisoned memory, and would take
// every kept block but the first of its list for a leak.
void Poison([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) {
#ifdef KALVANE_ADDRESS_SANITIZER
  ASAN_POISON_MEMORY_REGION(static_cast<char*>(block) + sizeof(KeptBlock),
                            bytes - sizeof(KeptBlock));
#endif
}

void Unpoison([[maybe_unused]] void* block, [[maybe_unused]] std::size_t bytes) {
#ifdef KALVANE_ADDRESS_SANITIZER
  ASAN_UNPOISON_MEMORY_REGION(static_cast<char*>(block) + sizeof(KeptBlock),
                              bytes - sizeof(KeptBlock));
#endif
}

// Takes the first kept block of a class off its list.
KeptBlock* PopBlock(KeptBlock*& first, std::size_t bytes) {
  KeptBlock* block = first;
  Unpoison(block, bytes);
  first = block->next;
  return block;
}

// Puts a block at the front of its class's list.
void PushBlock(KeptBlock*& first, void* block, std::size_t bytes) {
  auto* kept = static_cast<KeptBlock*>(block);
  kept->next = first;
  first = kept;
  Poison(kept, bytes);
}

// The blocks one thread keeps, one list per class. Plain data, so reaching it costs no
// initialisation check: this is on the path of every row the reader makes.
struct KeptLists {
  KeptBlock* first[kClassCount];
  std::size_t bytes[kClassCount];
  bool releaseAtExitArranged;
  bool ended;  // the thread is ending: blocks go straight back to the heap
};
constinit thread_local KeptLists lists{};

// Gives the kept blocks back to the heap when the thread ends. Made on the thread's first kept
// block, so that threads which never keep one pay nothing.
struct ReleaseAtThreadExit {
  ~ReleaseAtThreadExit() {
    lists.ended = true;
    for (std::size_t c = 0; c < kClassCount; ++c) {
      while (lists.first[c] != nullptr)
        ::operator delete(PopBlock(lists.first[c], ClassBytes(c)));
      lists.bytes[c] = 0;
    }
  }
};

void ArrangeReleaseAtExit() {
  thread_local ReleaseAtThreadExit release;
  (void)release;
  lists.releaseAtExitArranged = true;
}

}  // namespace

std::size_t ClassBytesFor(std::size_t bytes) noexcept {
  if (bytes <= kLargestKeptBytes) return ClassBytes(ClassOf(bytes));
  const std::size_t width = std::bit_width(bytes - 1);
  const std::size_t threeQuarters = std::size_t{3} << (width - 2);
  return bytes <= threeQuarters ? threeQuarters : std::size_t{1} << width;
}

void* Allocate(std::size_t bytes) {
  if (bytes > kLargestKeptBytes) return ::operator new(bytes);
  const std::size_t c = ClassOf(bytes);
  if (lists.first[c] == nullptr) return ::operator new(ClassBytes(c));
  lists.bytes[c] -= ClassBytes(c);
  return PopBlock(lists.first[c], ClassBytes(c));
}

void Release(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (bytes > kLargestKeptBytes || lists.ended) {
    ::operator delete(block);
    return;
  }
  const std::size_t c = ClassOf(bytes);
  if (lists.bytes[c] + ClassBytes(c) > kKeptBytesPerClass) {
    ::operator delete(block);
    return;
  }
  if (!lists.releaseAtExitArranged) ArrangeReleaseAtExit();
  PushBlock(lists.first[c], block, ClassBytes(c));
  lists.bytes[c] += ClassBytes(c);
}

std::size_t KeptBytes() noexcept {
  std::size_t total = 0;
  for (std::size_t bytes : lists.bytes)
    total += bytes;
  return total;
}

}  // namespace kv::recycling
