#include "support/allocation_probe.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> gProbing{false};
std::atomic<std::size_t> gLargest{0};
// Bytes held by operator new at this moment, counted by the allocator's usable sizes so that
// unsized deletes subtract exactly what was added.
std::atomic<std::size_t> gLiveBytes{0};
std::atomic<std::size_t> gPeakBytes{0};

void Record(std::size_t size) {
  if (!gProbing.load(std::memory_order_relaxed)) return;
  std::size_t seen = gLargest.load(std::memory_order_relaxed);
  while (size > seen && !gLargest.compare_exchange_weak(seen, size)) {
  }
}

void* Allocate(std::size_t size) {
  Record(size);
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    const std::size_t bytes = malloc_usable_size(p);
    const std::size_t live = gLiveBytes.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    std::size_t peak = gPeakBytes.load(std::memory_order_relaxed);
    while (live > peak && !gPeakBytes.compare_exchange_weak(peak, live)) {
    }
    return p;
  }
  throw std::bad_alloc();
}

void Release(void* p) {
  if (p == nullptr) return;
  gLiveBytes.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
  std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
// The nothrow forms too (the standard library's temporary buffers use them): every form that
// pairs with the deletes below must allocate the same way.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  Release(p);
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Release(p);
}

namespace kv::test {

AllocationProbe::AllocationProbe() {
  gLargest = 0;
  gProbing = true;
}

AllocationProbe::~AllocationProbe() {
  gProbing = false;
}

std::size_t AllocationProbe::LargestAllocation() const {
  return gLargest;
}

std::size_t LiveHeapBytes() {
  return gLiveBytes.load(std::memory_order_relaxed);
}

std::size_t PeakHeapBytes() {
  return gPeakBytes.load(std::memory_order_relaxed);
}

void ResetPeakHeapBytes() {
  gPeakBytes.store(gLiveBytes.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace kv::test
