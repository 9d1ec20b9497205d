// Fractions and columns: one row over the other, the rows centred on the wider one. A fraction
// draws its bar between them; a column (a vector or a matrix column, made by the separator) is
// the same stack without the bar and with its baseline lower.
#include <algorithm>

#include "base/clamping.h"
#include "reader/node_rows.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"

namespace kv {
namespace {

// The baseline of a fraction lies this share of the denominator's height above its bottom.
constexpr double kFractionBaselineShare = 0.8;
// ... and of a column, this share of the lower items' height (plus the font's descent).
constexpr double kColumnBaselineShare = 0.5;

RowsRead BothRows(const EquationNode&) {
  return {.row1 = true, .row2 = true};
}

// The lower row's box; an empty one counts as one average character.
NodeBox LowerBox(const NodeBox& lower, const TextMetrics& metrics) {
  if (lower.height != 0) return lower;
  NodeBox substituted = lower;
  substituted.width = metrics.averageWidth;
  substituted.height = metrics.height;
  return substituted;
}

NodeBox StackBox(const NodeMeasure& measuring) {
  const NodeBox upper = measuring.RowBox(Numerator(measuring.node));
  const NodeBox lower = LowerBox(measuring.RowBox(Denominator(measuring.node)), measuring.metrics);
  const int gap = measuring.Settings().FractionGap.Get();
  NodeBox box{.width = std::max(lower.width, upper.width),
              .height = ClampLength(std::int64_t{lower.height} + 2 * gap + upper.height)};
  if (measuring.node.Kind() == TK_FRACTION) {
    box.align = TruncateLength(lower.height * kFractionBaselineShare);
  } else {
    box.align = TruncateLength(lower.height * kColumnBaselineShare + measuring.metrics.descent);
  }
  return box;
}

void DrawStack(const NodeDrawing& drawing, int x, int yb) {
  const int width = drawing.box.width;
  const NodeRow& upper = Numerator(drawing.node);
  const NodeRow& lower = Denominator(drawing.node);
  const int lowerHeight = LowerBox(drawing.RowBox(lower), drawing.metrics).height;
  // The bar, and the upper row on it, stand two gaps above the lower row.
  const int gap = drawing.settings.FractionGap.Get();
  const int barHeight = ClampLength(std::int64_t{yb} + gap + AddLengths(gap, lowerHeight));
  drawing.DrawRow(upper, AddLengths(x, SubtractLengths(width, drawing.RowBox(upper).width) / 2),
                  barHeight);
  drawing.DrawRow(lower, AddLengths(x, SubtractLengths(width, drawing.RowBox(lower).width) / 2),
                  yb);
  if (drawing.node.Kind() == TK_FRACTION) {
    drawing.Line({x, barHeight}, {AddLengths(x, width), barHeight});
  }
}

}  // namespace

const ConstructRules& FractionRules() {
  static const ConstructRules rules{BothRows, StackBox, DrawStack, nullptr};
  return rules;
}

}  // namespace kv
