// Watches the program's heap allocations while a probe is alive, so a test can show that a
// length read from a damaged file was refused before any memory was asked for.
#pragma once

#include <cstddef>

namespace kv::test {

class AllocationProbe {
 public:
  AllocationProbe();
  ~AllocationProbe();
  AllocationProbe(const AllocationProbe&) = delete;
  AllocationProbe& operator=(const AllocationProbe&) = delete;

  // The largest single allocation made while the probe was alive.
  std::size_t LargestAllocation() const;
};

// The bytes allocated with operator new and not yet freed, in the whole program.
std::size_t LiveHeapBytes();
// The most LiveHeapBytes has been since the last ResetPeakHeapBytes (which sets it to the bytes
// live then), so a test can bound what a piece of work needed at its worst moment.
std::size_t PeakHeapBytes();
void ResetPeakHeapBytes();

}  // namespace kv::test
