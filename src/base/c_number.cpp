#include "base/c_number.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>

namespace kv {
namespace {

// The "C" locale, created once; strtod_l reads with it regardless of the global locale.
locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

double CStrtod(std::string_view text, std::size_t* consumed) {
  const std::string terminated(text);  // strtod needs a terminated string
  char* end = nullptr;
  const double value = strtod_l(terminated.c_str(), &end, CLocale());
  if (consumed != nullptr) *consumed = static_cast<std::size_t>(end - terminated.c_str());
  return value;
}

std::int32_t CAtoi(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulated with saturation: a value beyond the 32-bit range gives the nearest limit.
  constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit);
  }
  const std::int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
  return static_cast<std::int32_t>(value);
}

std::string FormatInt(std::int32_t value) {
  return std::to_string(value);
}

std::string FormatFixed6(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[400];  // the longest double in fixed notation needs 309 digits and 7 more
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return std::string(buffer, result.ptr);
}

}  // namespace kv
