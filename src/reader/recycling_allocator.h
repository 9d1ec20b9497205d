// An allocator for the short-lived vectors of the reader. Every keystroke runs some twenty
// building passes over every row of the line, and each pass makes and drops a few small vectors
// per row (the rebuilt row, its bracket partners, the stack of the part already passed). The
// general allocator's per-thread cache holds too few blocks of a size for that pattern, so most
// of them went back to the heap and were fetched again, which cost more than the passes' own
// work. This allocator keeps dropped blocks of up to kLargestKeptBytes on the thread that dropped
// them, in size classes of two per doubling (16, 24, 32, 48, 64, ... bytes: a block is at most a
// third larger than asked), and gives them to the next vector of the thread that asks for that
// class. Each class keeps at most kKeptBytesPerClass, so a huge text does not leave its
// memory behind.
#pragma once

#include <cstddef>
#include <deque>
#include <new>
#include <vector>

// Set when the address sanitizer is on: kept blocks are then poisoned until they are used again.
#if defined(__SANITIZE_ADDRESS__)
#define KALVANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KALVANE_ADDRESS_SANITIZER 1
#endif
#endif

namespace kv {

namespace recycling {

inline constexpr std::size_t kSmallestClassBytes = 16;
inline constexpr std::size_t kLargestKeptBytes = 4096;
inline constexpr std::size_t kKeptBytesPerClass = 64 * 1024;

// The size of the class that serves a request of `bytes`; beyond kLargestKeptBytes the same steps
// go on (for storage that grows by them), though such blocks are never kept.
std::size_t ClassBytesFor(std::size_t bytes) noexcept;
// A block of at least `bytes` bytes, from the thread's kept blocks when one of its class is there.
void* Allocate(std::size_t bytes);
// Ends the use of a block that Allocate(bytes) gave, with the same `bytes`.
void Release(void* block, std::size_t bytes) noexcept;
// The bytes the thread keeps for reuse now (for tests).
std::size_t KeptBytes() noexcept;

}  // namespace recycling

template <typename T>
class RecyclingAllocator {
 public:
  using value_type = T;

  RecyclingAllocator() noexcept = default;
  template <typename U>
  RecyclingAllocator(const RecyclingAllocator<U>&) noexcept {}  // NOLINT: conversion by design

  T* allocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(recycling::Allocate(count * sizeof(T)));
  }
  void deallocate(T* block, std::size_t count) noexcept {
    recycling::Release(block, count * sizeof(T));
  }

  template <typename U>
  bool operator==(const RecyclingAllocator<U>&) const noexcept {
    return true;
  }
};

template <typename T>
using RecycledVector = std::vector<T, RecyclingAllocator<T>>;
// For stacks and queues that can grow as long as a text: a deque grows by blocks without
// copying what it holds, and gives blocks back as it shrinks.
template <typename T>
using RecycledDeque = std::deque<T, RecyclingAllocator<T>>;

}  // namespace kv
