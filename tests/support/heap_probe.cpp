#include "support/heap_probe.h"

#include <atomic>
#include <cerrno>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define KALVANE_HEAP_PROBE_HOOK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KALVANE_HEAP_PROBE_HOOK 1
#endif
#endif

namespace {

std::atomic<bool> gProbing{false};
std::atomic<std::size_t> gLargest{0};

void Record(std::size_t size) {
  if (!gProbing.load(std::memory_order_relaxed)) return;
  std::size_t seen = gLargest.load(std::memory_order_relaxed);
  while (size > seen && !gLargest.compare_exchange_weak(seen, size)) {
  }
}

}  // namespace

#ifdef KALVANE_HEAP_PROBE_HOOK

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocate)(const volatile void*,
                                                                            std::size_t),
                                                         void (*onFree)(const volatile void*));

namespace {

void OnAllocate(const volatile void*, std::size_t size) {
  Record(size);
}
void OnFree(const volatile void*) {}

void Install() {
  static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnAllocate, OnFree) != 0;
  (void)installed;
}

}  // namespace

#else

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);

void* malloc(std::size_t size) noexcept {
  Record(size);
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
  const bool overflows = size != 0 && count > SIZE_MAX / size;
  Record(overflows ? SIZE_MAX : count * size);
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) noexcept {
  Record(size);
  return __libc_realloc(pointer, size);
}
void* memalign(std::size_t alignment, std::size_t size) noexcept {
  Record(size);
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  Record(size);
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
  Record(size);
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* block = __libc_memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *out = block;
  return 0;
}
}

namespace {
void Install() {}
}  // namespace

#endif

namespace kv::test {

HeapProbe::HeapProbe() {
  Install();
  gLargest = 0;
  gProbing = true;
}

HeapProbe::~HeapProbe() {
  gProbing = false;
}

std::size_t HeapProbe::LargestAllocation() const {
  return gLargest;
}

}  // namespace kv::test
