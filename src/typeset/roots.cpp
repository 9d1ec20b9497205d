// Roots: the radical sign over its radicand, with the index of an nth root tucked into the
// sign's stroke.
#include "typeset/roots.h"

#include <array>

#include "base/clamping.h"
#include "reader/node_rows.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"

namespace kv {
namespace {

// The sign's slanted stroke takes this share of the radicand's height in width.
constexpr double kRootSlope = 0.46799365;
// A root's index sits beside this share of the sign's slanted stroke.
constexpr double kRootIndexOverlap = 0.75;

RowsRead RadicandOnly(const EquationNode&) {
  return {.row1 = true};
}

RowsRead RadicandAndIndex(const EquationNode&) {
  return {.row1 = true, .row2 = true};
}

// The box of a root sign over content w wide and h high: the slanted stroke, the gap, the
// content; the bar stands the gap above the content.
NodeBox RootSignBox(const NodeMeasure& measuring, int w, int h, int align) {
  const int gap = measuring.Settings().SqrtGap.Get();
  return {.width = TruncateLength(h * kRootSlope + gap + w),
          .height = AddLengths(h, gap),
          .align = align};
}

// ------------------------------------------------------------------------------------------------
// Square roots: an empty radicand counts as one average character.

NodeBox SquareRootBox(const NodeMeasure& measuring) {
  const NodeBox radicand = measuring.RowBox(Radicand(measuring.node));
  const NodeBox content = AtLeastOneCharacter(radicand, measuring.metrics);
  return RootSignBox(measuring, content.width, content.height, radicand.align);
}

void DrawSquareRoot(const NodeDrawing& drawing, int x, int yb) {
  const NodeBox content =
      AtLeastOneCharacter(drawing.RowBox(Radicand(drawing.node)), drawing.metrics);
  const int toRadicand = DrawRootSign(drawing.surface, x, yb, content.width, content.height);
  drawing.DrawRow(Radicand(drawing.node), AddLengths(x, toRadicand), yb);
}

// ------------------------------------------------------------------------------------------------
// Roots with an index: the index stands left of the sign, a third of the radicand's height up.

NodeBox RootBox(const NodeMeasure& measuring) {
  const NodeBox radicand = measuring.RowBox(Radicand(measuring.node));
  const NodeBox index = measuring.RowBox(RootIndex(measuring.node));
  NodeBox box = RootSignBox(measuring, radicand.width, radicand.height, radicand.align);
  box.width = AddLengths(box.width, index.width);
  box.height = std::max(box.height, AddLengths(box.height / 3, index.height));
  return box;
}

void DrawRoot(const NodeDrawing& drawing, int x, int yb) {
  const NodeBox radicand = drawing.RowBox(Radicand(drawing.node));
  const NodeBox index = drawing.RowBox(RootIndex(drawing.node));
  drawing.DrawRow(RootIndex(drawing.node), x, AddLengths(yb, radicand.height / 3));
  const int indexStroke = TruncateLength(index.height * kRootSlope);
  const int signX = TruncateLength(index.width - indexStroke * kRootIndexOverlap);
  const int toRadicand =
      DrawRootSign(drawing.surface, AddLengths(x, signX), yb, radicand.width, radicand.height);
  drawing.DrawRow(Radicand(drawing.node), ClampLength(std::int64_t{x} + signX + toRadicand), yb);
}

}  // namespace

int DrawRootSign(Surface& surface, int x, int y, int w, int h) {
  const auto along = [](int origin, int height, double share) {
    return TruncateLength(origin + height * share);
  };
  // The hook and the thick downstroke as one polygon, then the thin upstroke and the bar.
  const std::array<Point, 5> sign{
      Point{x, along(y, h, 0.25)},
      Point{along(x, h, 0.04166667), along(y, h, 0.29166667)},
      Point{along(x, h, 0.29166667), along(y, h, 0.04166667)},
      Point{along(x, h, 0.304158019), along(y, h, 0.112508647)},
      Point{along(x, h, 0.08333333), along(y, h, 0.33333333)},
  };
  surface.Polygon(sign);
  const int strokeTop = along(x, h, kRootSlope);
  const int top = AddLengths(y, h);
  surface.MoveTo(sign[3]);
  surface.LineTo({strokeTop, top});
  surface.LineTo({AddLengths(strokeTop, w), top});
  return SubtractLengths(strokeTop, x);
}

const ConstructRules& SquareRootRules() {
  static const ConstructRules rules{RadicandOnly, SquareRootBox, DrawSquareRoot, nullptr};
  return rules;
}

const ConstructRules& RootRules() {
  static const ConstructRules rules{RadicandAndIndex, RootBox, DrawRoot, nullptr};
  return rules;
}

}  // namespace kv
