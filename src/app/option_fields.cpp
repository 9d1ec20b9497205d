#include "app/option_fields.h"

#include <cctype>
#include <cmath>

#include "base/c_number.h"
#include "reader/recognition_table.h"

namespace kv {
namespace {

// Hundredths of a millimetre per point, as the options pages convert them.
constexpr double kPointsPerLength = 0.02834645669353835;
constexpr double kLengthPerPoint = 35.2777777777;
// A pen's width is shown in quarter points and read back with the typesetter's point.
constexpr double kQuarterPointsPerWidth = 0.11338583409262867;
constexpr double kQuarterPoint = 0.25;
constexpr double kWidthPerPoint = 35.2777755;
constexpr std::string_view kPointUnit = "pt";
// How close below a whole number a product of a typed length may lie and still be that number.
constexpr double kRoundingSlack = 1e-9;

constexpr char kUnitSeparator = ',';
constexpr char kShortcutSeparator = '%';

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

std::string AppendSpareLines(std::string lines) {
  lines.append(kSpareLines, '\n');
  return lines;
}

void RemoveTrailing(std::string& text, char separator) {
  while (!text.empty() && text.back() == separator)
    text.pop_back();
}

// The page's lines joined by `separator`; a CR before a line break goes with it.
std::string JoinLines(std::string_view lines, char separator) {
  std::string joined;
  joined.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == '\r' && i + 1 < lines.size() && lines[i + 1] == '\n') continue;
    joined += lines[i] == '\n' ? separator : lines[i];
  }
  return joined;
}

}  // namespace

std::string FormatPageNumber(double value, std::string_view decimalSeparator) {
  std::string text = FormatFixed6(value);
  const std::size_t point = text.find('.');
  if (point == std::string::npos) return text;
  while (text.back() == '0')
    text.pop_back();
  if (text.back() == '.') {
    text.pop_back();
  } else {
    text.replace(point, 1, decimalSeparator);
  }
  if (text == "-0") text = "0";
  return text;
}

std::optional<double> ReadPageNumber(std::string_view text, std::string_view decimalSeparator) {
  text = Trimmed(text);
  std::string number;
  std::size_t i = 0;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) number += text[i++];
  bool digits = false;
  bool point = false;
  while (i < text.size()) {
    if (IsDigit(text[i])) {
      number += text[i++];
      digits = true;
    } else if (!point && (text[i] == '.' || text[i] == ',')) {
      number += '.';
      point = true;
      ++i;
    } else if (!point && !decimalSeparator.empty() &&
               text.substr(i).starts_with(decimalSeparator)) {
      number += '.';
      point = true;
      i += decimalSeparator.size();
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  return ParseNumberValue(number);
}

double MillimetresOfLength(std::int32_t length) {
  return length / 100.0;
}

std::int32_t LengthOfMillimetres(double millimetres) {
  return static_cast<std::int32_t>(std::trunc(millimetres * 100.0 + kRoundingSlack));
}

std::int32_t PointsOfCharacterSize(std::int32_t size) {
  return static_cast<std::int32_t>(std::floor(size * kPointsPerLength + 0.5));
}

std::int32_t CharacterSizeOfPoints(double points) {
  return static_cast<std::int32_t>(std::trunc(points * kLengthPerPoint));
}

std::string PenWidthText(double width, std::string_view decimalSeparator) {
  const double quarterPoints = std::floor(width * kQuarterPointsPerWidth + 0.5);
  return FormatPageNumber(quarterPoints * kQuarterPoint, decimalSeparator) +
         std::string(kPointUnit);
}

std::string_view PenWidthNumber(std::string_view text) {
  while (!text.empty() && IsLetter(text.back()))
    text.remove_suffix(1);
  return text;
}

double PenWidthOfText(std::string_view text) {
  return ParseNumberValue(PenWidthNumber(text)) * kWidthPerPoint;
}

std::string UnitListLines(std::string_view list) {
  std::string lines(list);
  for (char& c : lines)
    if (c == kUnitSeparator) c = '\n';
  return AppendSpareLines(std::move(lines));
}

std::string UnitListOfLines(std::string_view lines) {
  std::string list = JoinLines(lines, kUnitSeparator);
  RemoveTrailing(list, kUnitSeparator);
  return list;
}

std::string ShortcutListLines(std::string_view list) {
  std::string lines(list);
  bool nameEnds = true;
  for (char& c : lines) {
    if (c != kShortcutSeparator) continue;
    c = nameEnds ? kShortcutMark : '\n';
    nameEnds = !nameEnds;
  }
  return AppendSpareLines(std::move(lines));
}

std::string ShortcutListOfLines(std::string_view lines) {
  std::string list = JoinLines(lines, kShortcutSeparator);
  for (char& c : list)
    if (c == kShortcutMark) c = kShortcutSeparator;
  RemoveTrailing(list, kShortcutSeparator);
  return list;
}

}  // namespace kv
