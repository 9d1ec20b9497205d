// Number conversions with the C library's rules in the "C" locale, whatever locale the process
// runs in: documents, configuration files and recognition lists always use the full stop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// strtod: leading white space, an optional sign, the longest number prefix (decimal, hexadecimal,
// "inf", "nan"); 0.0 when the text starts with no number. `consumed`, when given, receives the
// length of the part read (0 when there is no number).
double CStrtod(std::string_view text, std::size_t* consumed = nullptr);

// atoi/atol: leading white space, an optional sign and the decimal digits that follow; 0 when
// there are none. A value beyond the 32-bit range gives the nearest limit.
std::int32_t CAtoi(std::string_view text);

// "%d"
std::string FormatInt(std::int32_t value);

// "%f": fixed notation with six decimals.
std::string FormatFixed6(double value);

}  // namespace kv
