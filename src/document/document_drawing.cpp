// The document's lines stacked into one picture: measuring the stack and drawing it.
#include <algorithm>
#include <array>
#include <cstdint>

#include "base/clamping.h"
#include "document/document.h"
#include "typeset/draw.h"
#include "typeset/measure.h"

namespace kv {
namespace {

// What an empty document measures as, so that it never shrinks to nothing.
constexpr std::string_view kEmptyDocumentStandIn = "3";

}  // namespace

EquationLine& KLV300Doc::ReadLine(std::size_t index) {
  EquationLine& line = equationList_.ParsedLine(index);
  line.Parse(equationList_.Line(index), settings_);
  return line;
}

std::vector<const NodeRow*> KLV300Doc::ReadLines() {
  std::vector<const NodeRow*> rows(KVEquationList::kLineCount, nullptr);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!equationList_.Line(i).empty()) rows[i] = &ReadLine(i).TopRow();
  }
  return rows;
}

NodeBox KLV300Doc::GetDocumentExtent(Surface& surface) {
  constexpr std::size_t kLines = KVEquationList::kLineCount;
  auto& offsets = equationList_.LineOffsets();
  std::fill(offsets.begin(), offsets.begin() + kLines, 0);
  std::array<int, kLines> heights{};
  NodeBox first;
  std::int64_t total = 0;
  int width = 0;
  int count = 0;
  int last = -1;
  for (std::size_t i = 0; i < kLines; ++i) {
    if (equationList_.Line(i).empty()) continue;
    EquationLine& line = ReadLine(i);
    const NodeBox box = GetExtent(line, equationList_.Layout(i), surface, settings_);
    if (i == 0) first = box;
    heights[i] = box.height;
    total += std::int64_t{box.height} + settings_.VerticalSpacing.Get();
    width = std::max(width, box.width);
    ++count;
    last = static_cast<int>(i);
  }
  if (count == 0) {
    EquationLine& line = equationList_.ParsedLine(0);
    line.Parse(kEmptyDocumentStandIn, settings_);
    return GetExtent(line, equationList_.Layout(0), surface, settings_);
  }
  // One spacing for each empty line above the last non-empty one.
  total += std::int64_t{last - count + 1} * settings_.VerticalSpacing.Get();
  for (int i = last - 1; i >= 0; --i) {
    const auto at = static_cast<std::size_t>(i);
    offsets[at] = ClampLength(std::int64_t{offsets[at + 1]} + heights[at + 1] +
                              settings_.VerticalSpacing.Get());
  }
  if (count == 1 && last == 0) return first;
  const int height = ClampLength(total - settings_.VerticalSpacing.Get());
  return {.width = width, .height = height, .align = SubtractLengths(height, first.align)};
}

void KLV300Doc::DrawDocument(Surface& surface, int x, int y) {
  const NodeBox box = GetDocumentExtent(surface);
  surface.SetTextAlign(kTaLeft | kTaBottom);
  const auto& offsets = equationList_.LineOffsets();
  const int bottom = SubtractLengths(y, box.height);
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i) {
    if (equationList_.Line(i).empty()) continue;
    EquationLine& line = ReadLine(i);
    DrawEquation(line, equationList_.Layout(i), surface, x, AddLengths(bottom, offsets[i]),
                 settings_);
  }
}

}  // namespace kv
