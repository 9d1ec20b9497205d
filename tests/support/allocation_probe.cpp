#include "support/allocation_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> gProbing{false};
std::atomic<std::size_t> gLargest{0};

void Record(std::size_t size) {
  if (!gProbing.load(std::memory_order_relaxed)) return;
  std::size_t seen = gLargest.load(std::memory_order_relaxed);
  while (size > seen && !gLargest.compare_exchange_weak(seen, size)) {
  }
}

void* Allocate(std::size_t size) {
  Record(size);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
// The non-throwing forms too (std::stable_sort asks for its buffer so): every form this file
// does not define would come from the C++ library's own allocator and be freed here.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  Record(size);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  Record(size);
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
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

}  // namespace kv::test
