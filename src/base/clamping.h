// Layout arithmetic that cannot overflow. Settings and font sizes can be extreme (a main font of
// two thousand million units, a row of thousands of nodes), so sums and products of lengths are
// formed in 64 bits or in double and clamped to the range of int, and real results truncate
// toward zero as every conversion of a real length does.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kv {

// A 64-bit length clamped to the range of int.
constexpr int ClampLength(std::int64_t value) {
  constexpr std::int64_t kMin = std::numeric_limits<int>::min();
  constexpr std::int64_t kMax = std::numeric_limits<int>::max();
  return static_cast<int>(value < kMin ? kMin : (value > kMax ? kMax : value));
}

constexpr int AddLengths(int a, int b) {
  return ClampLength(std::int64_t{a} + b);
}

constexpr int SubtractLengths(int a, int b) {
  return ClampLength(std::int64_t{a} - b);
}

// A real length truncated toward zero and clamped to the range of int; not-a-number gives 0.
inline int TruncateLength(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(value);
}

}  // namespace kv
