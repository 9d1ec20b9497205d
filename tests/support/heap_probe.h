// Watches every heap allocation of the process while a probe is alive: C's malloc family as
// well as operator new. glib and libgsf allocate with malloc, where AllocationProbe (which sees
// operator new only) is blind.
//
// In a plain build the test program defines malloc, calloc, realloc and the aligned forms itself
// and passes them on to the C library's own entry points; the dynamic linker binds every library's
// calls to these definitions. Under AddressSanitizer, which owns the allocator, the probe
// installs the sanitizer's allocation hook instead. Link it only into programs that need it.
#pragma once

#include <cstddef>

namespace kv::test {

class HeapProbe {
 public:
  HeapProbe();
  ~HeapProbe();
  HeapProbe(const HeapProbe&) = delete;
  HeapProbe& operator=(const HeapProbe&) = delete;

  // The largest single allocation made while the probe was alive.
  std::size_t LargestAllocation() const;
};

}  // namespace kv::test
