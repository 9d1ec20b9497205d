// The twenty lines of an equation's text and one parsed line for each. The list always has
// exactly twenty lines; a line counts as non-empty when its text is not the empty string (a line
// of blanks is non-empty).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "typeset/line_layout.h"

namespace kv {

class KVEquationList {
 public:
  static constexpr std::string_view kClassName = "KVEquationList";
  static constexpr int kSchema = 0;
  static constexpr std::size_t kLineCount = 20;

  // Line `index` (0 to 19) without its line break. Throws std::out_of_range for another index.
  const std::string& Line(std::size_t index) const { return lines_.at(index); }
  void SetLine(std::size_t index, std::string text) { lines_.at(index) = std::move(text); }
  EquationLine& ParsedLine(std::size_t index) { return equationLines_.at(index); }
  // The boxes measuring found for line `index`'s tree.
  LineLayout& Layout(std::size_t index) { return layouts_.at(index); }

  // Splits a text at its line breaks into the twenty lines. A break is CR LF, or a CR on its
  // own. Text after the nineteenth break stays in the last line, breaks included, so nothing
  // typed is lost; when that remainder holds nothing but line breaks the last line is empty.
  void Split(std::string_view text);
  // The twenty lines joined by CR LF: always nineteen pairs, also after empty lines.
  std::string Join() const;

  void Clear();

  // For each line, the height of its bottom above the bottom of the last non-empty line, in
  // 0.01 mm (filled by KLV300Doc::GetDocumentExtent); the entry after the last line stays 0.
  std::array<int, kLineCount + 1>& LineOffsets() { return lineOffsets_; }
  const std::array<int, kLineCount + 1>& LineOffsets() const { return lineOffsets_; }
  // Asks every parsed line to read its text again at the next parse (after a change of
  // settings).
  void MarkAllForRebuild();

 private:
  std::array<std::string, kLineCount> lines_;
  std::array<EquationLine, kLineCount> equationLines_;
  std::array<LineLayout, kLineCount> layouts_;
  std::array<int, kLineCount + 1> lineOffsets_{};
};

}  // namespace kv
