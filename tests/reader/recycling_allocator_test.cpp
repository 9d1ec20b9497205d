// The reader's recycling allocator: dropped blocks serve the next vector of their size class on
// the same thread, within a bound per class.
#include "reader/recycling_allocator.h"

#include <gtest/gtest.h>

#ifdef KALVANE_ADDRESS_SANITIZER
#include <sanitizer/lsan_interface.h>
#endif

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace kv {
namespace {

using recycling::KeptBytes;
using recycling::kKeptBytesPerClass;
using recycling::kLargestKeptBytes;

// Runs `check` on a new thread, whose kept blocks start empty whatever other tests left behind.
template <typename Check>
void OnFreshThread(Check check) {
  std::thread thread(check);
  thread.join();
}

TEST(RecyclingAllocator, ADroppedBlockServesTheNextVectorOfItsClass) {
  OnFreshThread([] {
    const std::size_t before = KeptBytes();
    const std::int64_t* first = nullptr;
    {
      RecycledVector<std::int64_t> v(5);  // 40 bytes: the 48-byte class
      first = v.data();
    }
    EXPECT_EQ(KeptBytes(), before + 48);
    RecycledVector<std::int64_t> same(6);  // 48 bytes: the same class
    EXPECT_EQ(same.data(), first);
    EXPECT_EQ(KeptBytes(), before);
    RecycledVector<std::int64_t> other(7);  // 56 bytes: the next class, a block of its own
    EXPECT_NE(other.data(), first);
  });
}

TEST(RecyclingAllocator, KeepsAtMostItsBoundAndNoLargeBlocks) {
  OnFreshThread([] {
    const std::size_t before = KeptBytes();
    {
      std::vector<RecycledVector<char>> many;
      for (int i = 0; i < 10000; ++i)
        many.emplace_back(100);  // the 128-byte class
    }
    EXPECT_LE(KeptBytes() - before, kKeptBytesPerClass);
    EXPECT_GE(KeptBytes() - before, kKeptBytesPerClass - 128);
    const std::size_t full = KeptBytes();
    { RecycledVector<char> large(kLargestKeptBytes + 1); }
    EXPECT_EQ(KeptBytes(), full);
  });
}

// Each thread keeps its own blocks and gives them back when it ends (the sanitizer build reports
// them otherwise); a block dropped on another thread than the one that made it is kept there.
TEST(RecyclingAllocator, ThreadsKeepTheirOwnBlocks) {
  auto made = std::make_unique<RecycledVector<int>>(10);
  // Counted after the vector took its block, which may have been one this thread kept.
  const std::size_t mainBefore = KeptBytes();
  std::size_t threadKept = 0;
  std::thread worker([&] {
    { RecycledVector<int> local(100); }
    made.reset();
    threadKept = KeptBytes();
  });
  worker.join();
  EXPECT_EQ(threadKept, 512u + 48u);  // 400 and 40 bytes
  EXPECT_EQ(KeptBytes(), mainBefore);
}

#ifdef KALVANE_ADDRESS_SANITIZER
// A kept block is poisoned but for its first word, the link to the next kept block: storage
// used after its vector dropped it is reported as it would be after a real free.
TEST(RecyclingAllocatorDeathTest, StorageUsedAfterItWasDroppedIsReported) {
  EXPECT_DEATH(
      {
        const int* stale = nullptr;
        {
          RecycledVector<int> dropped(4, 1);
          stale = dropped.data();
        }
        volatile int read = stale[3];
        (void)read;
      },
      "use-after-poison");
}

// Kept blocks are not leaks: the leak checker must find every one of them through its list.
// The blocks are made in a function of their own, whose stack is then overwritten, so that no
// stale copy of a pointer on the stack hides a block the lists do not reach.
[[gnu::noinline]] void KeepThreeBlocksOfOneClass() {
  void* blocks[3];
  for (auto*& block : blocks)
    block = recycling::Allocate(40);
  for (auto*& block : blocks) {
    recycling::Release(block, 40);
    block = nullptr;
  }
}
[[gnu::noinline]] void OverwriteTheStack() {
  volatile char bytes[4096];
  for (auto& byte : bytes)
    byte = 0;
}

TEST(RecyclingAllocator, KeptBlocksAreNoLeaks) {
  OnFreshThread([] {
    KeepThreeBlocksOfOneClass();
    OverwriteTheStack();
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
  });
}
#endif

}  // namespace
}  // namespace kv
