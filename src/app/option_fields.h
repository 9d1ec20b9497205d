// How the options pages show setting values in their controls and read back what the user
// typed: lengths as millimetres, font sizes as points, pen widths as quarter points, and the
// unit and shortcut lists one entry per line. Texts here are Windows-1252, lines end with "\n".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Empty lines put after a list so that the user has room to add entries.
inline constexpr int kSpareLines = 22;
// The character that stands between a shortcut's name and its expansion on the page: ».
inline constexpr char kShortcutMark = '\xBB';

// A number with up to six decimals, trailing zeros dropped, and `decimalSeparator` for the point.
std::string FormatPageNumber(double value, std::string_view decimalSeparator);
// A number the user typed: an optional sign, digits, and at most one decimal separator (the
// full stop, the comma or `decimalSeparator`) followed by digits; blanks around it are allowed.
// Nothing for any other text.
std::optional<double> ReadPageNumber(std::string_view text, std::string_view decimalSeparator);

// Lengths are kept in hundredths of a millimetre and shown in millimetres.
inline constexpr double kLargestMillimetres = 100.0;
double MillimetresOfLength(std::int32_t length);
// Truncated toward zero; a product that lies within rounding of a whole number above it (0.29
// mm is 28.999999999999996 hundredths in binary) counts as that number.
std::int32_t LengthOfMillimetres(double millimetres);

// A character height in hundredths of a millimetre, in whole points (halves up), and back
// (truncated).
std::int32_t PointsOfCharacterSize(std::int32_t size);
std::int32_t CharacterSizeOfPoints(double points);

// A pen width in hundredths of a millimetre as quarter points followed by "pt" ("0.75pt").
std::string PenWidthText(double width, std::string_view decimalSeparator);
// A pen text without its unit: the trailing run of letters (a-z, A-Z) removed.
std::string_view PenWidthNumber(std::string_view text);
// The width of a pen text: its number (PenWidthNumber) read as points.
double PenWidthOfText(std::string_view text);

// The unit list ("cm,km") one unit per line, with the spare lines after it; and back, with the
// separators that end the list removed.
std::string UnitListLines(std::string_view list);
std::string UnitListOfLines(std::string_view lines);

// The shortcut list ("name%expansion%name%expansion") one shortcut per line as name»expansion,
// with the spare lines after it; and back, with the separators that end the list removed.
std::string ShortcutListLines(std::string_view list);
std::string ShortcutListOfLines(std::string_view lines);

}  // namespace kv
