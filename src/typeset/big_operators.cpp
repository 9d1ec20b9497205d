// Big operators: integrals, sums, products and limits, with their limits below and above the
// sign (row1 and row2). An integral's sign stretches with its limits or is two font heights
// tall, and integrals side by side in a row match the tallest; sums and products are a Symbol
// sign three times the text size; "lim" is a word with its limit below.
#include <algorithm>
#include <string_view>

#include "base/clamping.h"
#include "reader/node_rows.h"
#include "settings/equation_settings.h"
#include "typeset/brackets.h"
#include "typeset/construct.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

// Signs drawn in place of the names (Symbol codes).
constexpr std::string_view kIntegralSign = "\xF2";
constexpr std::string_view kSumSign = "S";      // capital sigma
constexpr std::string_view kProductSign = "P";  // capital pi
constexpr std::string_view kLimitWord = "lim";

// Sums and products are drawn from a sign in the Symbol face at this many times the text size.
constexpr int kBigOperatorSizeFactor = 3;
// A sum or product sign overlaps its upper limit by this many descents.
constexpr double kBigOperatorOverlap = 2.5;

// An integral sign is at least this many font heights tall; limits at its side stretch it to
// this multiple of their heights together.
constexpr int kIntegralFontHeights = 2;
constexpr double kIntegralLimitSpread = 1.2;
// Limits at the side: the sign's width share, and the shares of the limits' heights that stand
// out below and above it. Drawn, the lower limit starts at the first share of the sign's width
// and the upper at the second.
constexpr double kIntegralSideWidth = 1.22;
constexpr double kIntegralLowerLimitShare = 0.5;
constexpr double kIntegralUpperLimitShare = 0.33333;
constexpr double kIntegralLowerLimitShift = 0.7;
constexpr double kIntegralUpperLimitShift = 0.95;
// The baseline of an integral lies this share of the sign's height above the sign's bottom.
constexpr double kIntegralBaselineShare = 0.3333;

bool LimitsAboveBelow(EquationSettings& settings) {
  return settings.IntegralStyle.Get() == kIntegralLimitsAboveBelow;
}

std::string_view SignOf(BigOperator op) {
  switch (op) {
    case BigOperator::kIntegral:
      return kIntegralSign;
    case BigOperator::kSum:
      return kSumSign;
    case BigOperator::kProduct:
      return kProductSign;
    default:
      return kLimitWord;
  }
}

// How far above the node's bottom the upper limit of a sum or product begins, with the node's
// font selected on `surface`; `signHeight` is the height of the sign's text box and
// `lowerHeight` the lower limit's height. The limit overlaps the top of the sign's text box by
// kBigOperatorOverlap descents less one, which suits a symbol font whose ascent leaves that much
// room above the sign; in a font with a lower ascent it would stand on the sign itself, so the
// limit never begins below the top of the sign's ink (the sign's baseline is lowerHeight above
// the bottom).
double UpperLimitBottom(const Surface& surface, std::string_view sign, int signHeight,
                        int lowerHeight, int descent) {
  const double byOverlap =
      static_cast<double>(lowerHeight) + signHeight - descent * kBigOperatorOverlap;
  const std::optional<int> inkTop = surface.GetTextInkTop(sign);
  if (!inkTop) return byOverlap;
  return std::max(byOverlap, static_cast<double>(lowerHeight) + *inkTop);
}

RowsRead LimitRows(const EquationNode& node) {
  switch (BigOperatorOf(node.Text())) {
    case BigOperator::kLimit:
      return {.row1 = true};  // a limit's upper row is never measured
    case BigOperator::kUnknown:
      return {};
    default:
      return {.row1 = true, .row2 = true};
  }
}

// ------------------------------------------------------------------------------------------------
// Integrals

NodeBox IntegralBox(const NodeMeasure& measuring) {
  const NodeBox lower = measuring.RowBox(LowerLimit(measuring.node));
  const NodeBox upper = measuring.RowBox(UpperLimit(measuring.node));
  const int fontHeight = measuring.metrics.height;
  LineLayout& layout = measuring.context.layout;
  Surface& surface = measuring.GetSurface();
  if (LimitsAboveBelow(measuring.Settings())) {
    const int signHeight = ClampLength(std::int64_t{kIntegralFontHeights} * fontHeight);
    layout.SetSignHeight(measuring.node, signHeight);
    const StretchGlyphSize sign =
        MeasureStretchGlyph(surface, kIntegralSign, signHeight, fontHeight);
    return {.width = std::max({sign.width, lower.width, upper.width}),
            .height = ClampLength(std::int64_t{sign.height} + upper.height + lower.height),
            .align = TruncateLength(sign.height * kIntegralBaselineShare + lower.height)};
  }
  const double tall =
      std::max(static_cast<double>(kIntegralFontHeights) * fontHeight,
               (static_cast<double>(lower.height) + upper.height) * kIntegralLimitSpread);
  const int signHeight = TruncateLength(tall);
  layout.SetSignHeight(measuring.node, signHeight);
  const StretchGlyphSize sign = MeasureStretchGlyph(surface, kIntegralSign, signHeight, fontHeight);
  return {.width = AddLengths(TruncateLength(sign.width * kIntegralSideWidth),
                              std::max(upper.width, lower.width)),
          .height = TruncateLength(sign.height + (lower.height * kIntegralLowerLimitShare +
                                                  upper.height * kIntegralUpperLimitShare)),
          .align = TruncateLength(lower.height * kIntegralLowerLimitShare +
                                  sign.height * kIntegralBaselineShare)};
}

void DrawIntegralSign(const NodeDrawing& drawing, int x, int y, int height, int base) {
  const std::optional<std::string_view> asText =
      DrawStretchGlyph(drawing.surface, x, y, kIntegralSign, height, base, drawing.colour);
  if (asText) drawing.Text(x, y, *asText);
}

void DrawIntegral(const NodeDrawing& drawing, int x, int yb) {
  const NodeRow& lowerRow = LowerLimit(drawing.node);
  const NodeRow& upperRow = UpperLimit(drawing.node);
  const NodeBox lower = drawing.RowBox(lowerRow);
  const NodeBox upper = drawing.RowBox(upperRow);
  const int base = std::max(drawing.metrics.height, 1);
  const int height = drawing.layout.SignHeight(drawing.node);
  const StretchGlyphSize sign = MeasureStretchGlyph(drawing.surface, kIntegralSign, height, base);
  const int halfDescent = drawing.metrics.descent / 2;
  if (LimitsAboveBelow(drawing.settings)) {
    const int widest = std::max({sign.width, lower.width, upper.width});
    const auto centred = [&](int width) {
      return AddLengths(x, SubtractLengths(widest, width) / 2);
    };
    const int signY = ClampLength(std::int64_t{yb} + lower.height - halfDescent);
    DrawIntegralSign(drawing, centred(sign.width), signY, height, base);
    drawing.DrawRow(lowerRow, centred(lower.width), yb);
    drawing.DrawRow(upperRow, centred(upper.width),
                    ClampLength(std::int64_t{yb} + lower.height + sign.height));
    return;
  }
  const int signY = ClampLength(std::int64_t{yb} + lower.height / 2 - halfDescent);
  DrawIntegralSign(drawing, x, signY, height, base);
  drawing.DrawRow(lowerRow, AddLengths(x, TruncateLength(sign.width * kIntegralLowerLimitShift)),
                  yb);
  drawing.DrawRow(upperRow, AddLengths(x, TruncateLength(sign.width * kIntegralUpperLimitShift)),
                  ClampLength(std::int64_t{yb} + lower.height / 2 + sign.height -
                              (2 * std::int64_t{upper.height}) / 3));
}

// ------------------------------------------------------------------------------------------------
// Sums, products and limits

NodeBox SumBox(const NodeMeasure& measuring, std::string_view sign) {
  const NodeBox lower = measuring.RowBox(LowerLimit(measuring.node));
  const NodeBox upper = measuring.RowBox(UpperLimit(measuring.node));
  const TextExtent extent = measuring.GetSurface().GetTextExtent(sign);
  const int descent = measuring.metrics.descent;
  const double upperBottom =
      UpperLimitBottom(measuring.GetSurface(), sign, extent.height, lower.height, descent);
  return {.width = std::max({extent.width, upper.width, lower.width}),
          .height = TruncateLength(upperBottom + upper.height),
          .align = AddLengths(lower.height, descent)};
}

NodeBox LimitBox(const NodeMeasure& measuring) {
  const NodeBox lower = measuring.RowBox(LowerLimit(measuring.node));
  const TextExtent extent = measuring.GetSurface().GetTextExtent(kLimitWord);
  return {
      .width = std::max(extent.width, lower.width),
      .height = ClampLength(std::int64_t{extent.height} + lower.height - measuring.metrics.descent),
      .align = lower.height};
}

// The sign or word centred over the lower limit, which stands at the bottom; a sum's upper
// limit above the sign.
void DrawSumOrLimit(const NodeDrawing& drawing, BigOperator op, int x, int yb) {
  const int width = drawing.box.width;
  const NodeRow& lowerRow = LowerLimit(drawing.node);
  const NodeBox lower = drawing.RowBox(lowerRow);
  const int descent = drawing.metrics.descent;
  const auto centred = [&](int w) { return AddLengths(x, SubtractLengths(width, w) / 2); };
  const std::string_view sign = SignOf(op);
  const TextExtent extent = drawing.surface.GetTextExtent(sign);
  drawing.Text(centred(extent.width), ClampLength(std::int64_t{yb} + lower.height - descent), sign);
  drawing.DrawRow(lowerRow, centred(lower.width), yb);
  if (op == BigOperator::kLimit) return;
  const NodeRow& upperRow = UpperLimit(drawing.node);
  drawing.DrawRow(upperRow, centred(drawing.RowBox(upperRow).width),
                  TruncateLength(yb + UpperLimitBottom(drawing.surface, sign, extent.height,
                                                       lower.height, descent)));
}

// ------------------------------------------------------------------------------------------------
// The rules by operator

NodeBox BigOperatorBox(const NodeMeasure& measuring) {
  const BigOperator op = BigOperatorOf(measuring.node.Text());
  switch (op) {
    case BigOperator::kIntegral:
      return IntegralBox(measuring);
    case BigOperator::kSum:
    case BigOperator::kProduct:
      return SumBox(measuring, SignOf(op));
    case BigOperator::kLimit:
      return LimitBox(measuring);
    case BigOperator::kUnknown:
      break;
  }
  return {};
}

void DrawBigOperator(const NodeDrawing& drawing, int x, int yb) {
  const BigOperator op = BigOperatorOf(drawing.node.Text());
  if (op == BigOperator::kIntegral) {
    DrawIntegral(drawing, x, yb);
  } else if (op != BigOperator::kUnknown) {
    DrawSumOrLimit(drawing, op, x, yb);
  }
}

// Signs are the Symbol face's; sums and products are three times the text size.
void BigOperatorStyle(const EquationNode& node, EquationSettings&, KVLogFont& font,
                      std::int64_t& size) {
  const BigOperator op = BigOperatorOf(node.Text());
  if (op != BigOperator::kLimit) font.SetFaceName(kSymbolFace);
  if (op == BigOperator::kSum || op == BigOperator::kProduct) size *= kBigOperatorSizeFactor;
}

bool IsIntegral(const EquationNode& node) {
  return node.Kind() == TK_CODEDRAW2 && BigOperatorOf(node.Text()) == BigOperator::kIntegral;
}

}  // namespace

BigOperator BigOperatorOf(std::string_view text) {
  if (text == "int") return BigOperator::kIntegral;
  if (text == "sigma" || text == "sum") return BigOperator::kSum;
  if (text == "product") return BigOperator::kProduct;
  if (text == "lim") return BigOperator::kLimit;
  return BigOperator::kUnknown;
}

void MatchIntegralsOfRow(const NodeRow& row, LineLayout& layout) {
  const EquationNode* tallest = nullptr;
  for (int i = 0; i < row.Size(); ++i) {
    const EquationNode& node = row.At(i);
    if (IsIntegral(node) &&
        (tallest == nullptr || layout.SignHeight(node) > layout.SignHeight(*tallest))) {
      tallest = &node;
    }
  }
  if (tallest == nullptr) return;
  const NodeBox box = layout.Box(*tallest);
  const int signHeight = layout.SignHeight(*tallest);
  for (int i = 0; i < row.Size(); ++i) {
    const EquationNode& node = row.At(i);
    if (!IsIntegral(node)) continue;
    layout.SetBox(node, box);
    layout.SetSignHeight(node, signHeight);
  }
}

const ConstructRules& BigOperatorRules() {
  static const ConstructRules rules{LimitRows, BigOperatorBox, DrawBigOperator, BigOperatorStyle};
  return rules;
}

}  // namespace kv
