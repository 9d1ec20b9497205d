#include "document/equation_list.h"

namespace kv {
namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr std::string_view kLineBreak = "\r\n";

// The length of the line break that starts at `at`, which holds a CR: two for CR LF, one for a
// CR on its own. A lone CR is a break in its own right, so the character after it is kept.
std::size_t BreakLength(std::string_view text, std::size_t at) {
  return at + 1 < text.size() && text[at + 1] == kLineFeed ? 2 : 1;
}

bool HoldsOnlyLineBreaks(std::string_view text) {
  return text.find_first_not_of(kLineBreak) == std::string_view::npos;
}

}  // namespace

void KVEquationList::Split(std::string_view text) {
  std::string_view rest = text;
  for (std::size_t i = 0; i + 1 < kLineCount; ++i) {
    const std::size_t lineEnd = rest.find(kCarriageReturn);
    if (lineEnd == std::string_view::npos) {
      lines_[i] = rest;
      rest = {};
    } else {
      lines_[i] = rest.substr(0, lineEnd);
      rest.remove_prefix(lineEnd + BreakLength(rest, lineEnd));
    }
  }
  lines_[kLineCount - 1] = HoldsOnlyLineBreaks(rest) ? std::string_view{} : rest;
}

std::string KVEquationList::Join() const {
  std::string text = lines_[0];
  for (std::size_t i = 1; i < kLineCount; ++i) {
    text += kLineBreak;
    text += lines_[i];
  }
  return text;
}

void KVEquationList::Clear() {
  for (std::string& line : lines_)
    line.clear();
  MarkAllForRebuild();
}

void KVEquationList::MarkAllForRebuild() {
  for (EquationLine& line : equationLines_)
    line.MarkForRebuild();
}

}  // namespace kv
