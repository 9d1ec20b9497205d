// Signs, setting values and proportions that measuring and drawing share: both read them from
// here, so a measured box and its picture never disagree about them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kv {

// Signs drawn in place of what was typed (Windows-1252 or Symbol codes).
inline constexpr std::string_view kLongDash = "\x96";
inline constexpr std::string_view kIntegralSign = "\xF2";  // Symbol
inline constexpr std::string_view kSumSign = "S";          // Symbol capital sigma
inline constexpr std::string_view kProductSign = "P";      // Symbol capital pi
inline constexpr std::string_view kLimitWord = "lim";

inline constexpr std::int32_t kNegativeAsLongDash = 1;        // NegativeNumberStyle
inline constexpr std::int32_t kIntegralLimitsAboveBelow = 1;  // IntegralStyle
inline constexpr std::int32_t kMultiplyDot = 1;               // MultiplyStyle
inline constexpr std::int32_t kMultiplyAsterisk = 2;          // MultiplyStyle
inline constexpr std::int32_t kDisplayVectBold = 0;           // DisplayVect
inline constexpr std::int32_t kDisplayVectUnderline = 1;      // DisplayVect
inline constexpr std::int32_t kDisplayVectTilde = 2;          // DisplayVect
inline constexpr std::int32_t kDisplayVectArrow = 3;          // DisplayVect

// The root sign's slanted stroke takes this share of the radicand's height in width.
inline constexpr double kRootSlope = 0.46799365;
// The characters of an inverse function's name ("sin" of "sin-1").
inline constexpr std::size_t kInverseNameLength = 3;
// A sum or product sign overlaps its upper limit by this many descents.
inline constexpr double kBigOperatorOverlap = 2.5;

}  // namespace kv
