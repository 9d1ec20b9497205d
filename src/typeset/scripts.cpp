// Scripts: exponents (raised and shrunk, sitting on the row's baseline), subscripts (lowered),
// and inverse functions, whose name carries a raised "-1".
#include <optional>
#include <string>

#include "base/clamping.h"
#include "reader/node_rows.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

// A script box is raised above its base by PowerRaise times the font's ascent (exponents) or
// descent (subscripts), but an exponent is drawn only this share of that raise above the base.
constexpr double kPowerDrawnRaise = 0.7;
// An inverse function's "-1" raises the name's box by this share of its height, and stands this
// many ascents (times PowerRaise) above the name.
constexpr double kInverseRaiseShare = 0.3;
constexpr double kInverseDrawnRaise = 1.1;
// A power after a taller bracket sits with its bottom at the bracket's height less this share of
// its own height.
constexpr double kPowerOverBracketShare = 0.8;

RowsRead FirstRow(const EquationNode&) {
  return {.row1 = true};
}

NodeBox ScriptBox(const NodeMeasure& measuring, const NodeRow& script, int raisedBy) {
  const NodeBox content = measuring.RowBox(script);
  return {
      .width = content.width,
      .height = TruncateLength(measuring.Settings().PowerRaise.Get() * raisedBy + content.height),
      .align = content.align};
}

// ------------------------------------------------------------------------------------------------
// Powers

NodeBox PowerBox(const NodeMeasure& measuring) {
  NodeBox box = ScriptBox(measuring, Exponent(measuring.node), measuring.metrics.ascent);
  box.raised = true;
  return box;
}

void DrawPower(const NodeDrawing& drawing, int x, int yb) {
  const double raise = drawing.settings.PowerRaise.Get() * drawing.metrics.ascent;
  drawing.DrawRow(Exponent(drawing.node), x, TruncateLength(raise * kPowerDrawnRaise + yb));
}

// ------------------------------------------------------------------------------------------------
// Subscripts

NodeBox SubscriptBox(const NodeMeasure& measuring) {
  return ScriptBox(measuring, Subscript(measuring.node), measuring.metrics.descent);
}

void DrawSubscript(const NodeDrawing& drawing, int x, int yb) {
  const double drop = drawing.settings.PowerRaise.Get() * drawing.metrics.descent;
  drawing.DrawRow(Subscript(drawing.node), x, TruncateLength(yb - drop));
}

void SubscriptStyle(const EquationNode&, EquationSettings&, KVLogFont& font, std::int64_t&) {
  font.lfWeight = kWeightBold;
}

// ------------------------------------------------------------------------------------------------
// Inverse functions: "sin" and its "-1"

NodeBox InverseFunctionBox(const NodeMeasure& measuring) {
  const std::string name = ShownText(measuring.node, measuring.Settings());
  const TextExtent extent = measuring.GetSurface().GetTextExtent(name);
  const NodeBox exponent = measuring.RowBox(InverseExponent(measuring.node));
  return {.width = AddLengths(extent.width, exponent.width),
          .height = AddLengths(extent.height, TruncateLength(extent.height * kInverseRaiseShare)),
          .align = SubtractLengths(extent.height, measuring.metrics.ascent)};
}

void DrawInverseFunction(const NodeDrawing& drawing, int x, int yb) {
  const std::string name = ShownText(drawing.node, drawing.settings);
  drawing.Text(x, yb, name);
  const double raise = drawing.settings.PowerRaise.Get() * drawing.metrics.ascent;
  drawing.DrawRow(InverseExponent(drawing.node), AddLengths(x, drawing.Width(name)),
                  TruncateLength(raise * kInverseDrawnRaise + yb));
}

}  // namespace

std::optional<int> ShoulderHeight(const NodeRow& row, int index, const LineLayout& layout) {
  if (index == 0 || row.KindAt(index - 1) != TK_BRACKETS || row.KindAt(index) != TK_POWER) {
    return std::nullopt;
  }
  const int bracketHeight = layout.Box(row.At(index - 1)).height;
  const int powerHeight = layout.Box(row.At(index)).height;
  if (powerHeight >= bracketHeight) return std::nullopt;
  return TruncateLength(bracketHeight - powerHeight * kPowerOverBracketShare);
}

const ConstructRules& PowerRules() {
  static const ConstructRules rules{FirstRow, PowerBox, DrawPower, nullptr};
  return rules;
}

const ConstructRules& SubscriptRules() {
  static const ConstructRules rules{FirstRow, SubscriptBox, DrawSubscript, SubscriptStyle};
  return rules;
}

const ConstructRules& InverseFunctionRules() {
  static const ConstructRules rules{FirstRow, InverseFunctionBox, DrawInverseFunction, nullptr};
  return rules;
}

}  // namespace kv
