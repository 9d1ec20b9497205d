#include "typeset/measure_kinds.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "base/clamping.h"
#include "settings/equation_settings.h"
#include "typeset/matrix_layout.h"
#include "typeset/node_font.h"
#include "typeset/stretch_glyph.h"
#include "typeset/typeset_constants.h"

namespace kv {
namespace {

// Signs drawn in place of what was typed (Windows-1252 or Symbol codes).
constexpr std::string_view kCrossSign = "\xB4";  // Symbol
constexpr std::string_view kDotSign = "\xD7";    // Symbol
constexpr std::string_view kAsteriskSign = "*";
constexpr std::string_view kDegreeSign = "\xB0";

// The baseline of a fraction lies this share of the denominator's height above its bottom.
constexpr double kFractionBaselineShare = 0.8;
// ... and of a column, this share of the lower items' height (plus the font's descent).
constexpr double kColumnBaselineShare = 0.5;
// An inverse function's "-1" raises the name's box by this share of its height.
constexpr double kInverseRaiseShare = 0.3;
// An integral sign is at least this many font heights tall.
constexpr int kIntegralFontHeights = 2;
// Limits at the side of an integral stretch it to this multiple of their heights together.
constexpr double kIntegralLimitSpread = 1.2;
// The sign's width share with limits at its side, and the shares of the limits' heights that
// stand out below and above it.
constexpr double kIntegralSideWidth = 1.22;
constexpr double kIntegralLowerLimitShare = 0.5;
constexpr double kIntegralUpperLimitShare = 0.33333;
// The baseline of an integral lies this share of the sign's height above the sign's bottom.
constexpr double kIntegralBaselineShare = 0.3333;
// Limits written after a bracket take this multiple of their width.
constexpr double kBracketLimitWidth = 1.5;
// A matrix's baseline is halfway up.
constexpr double kMatrixBaselineShare = 0.5;

const TextMetrics& Metrics(const EquationNode& node) {
  return node.layout.metrics;
}

// The box of a string in the node's font: its extent, with the baseline at the font's ascent
// below the top.
NodeBox TextBoxOf(const MeasureContext& context, const EquationNode& node, std::string_view text) {
  const TextExtent extent = context.surface.GetTextExtent(text);
  return {.width = extent.width,
          .height = extent.height,
          .align = SubtractLengths(extent.height, Metrics(node).ascent)};
}

NodeBox DoubleWidth(NodeBox box) {
  box.width = AddLengths(box.width, box.width);
  return box;
}

// An empty content counts as one average character of the font.
NodeBox AtLeastOneCharacter(NodeBox box, const EquationNode& node) {
  if (box.width == 0) {
    box.width = Metrics(node).averageWidth;
    box.height = Metrics(node).height;
  }
  return box;
}

int Max3(int a, int b, int c) {
  return std::max({a, b, c});
}

NodeBox SpacedOperatorBox(const MeasureContext& context, const EquationNode& node) {
  const NodeBox box = TextBoxOf(context, node, node.Text());
  return context.settings.switches.SpacedOperators ? DoubleWidth(box) : box;
}

NodeBox SubtractBox(const MeasureContext& context, const EquationNode& node) {
  const bool longDash = context.settings.ExpandSubtract.Get();
  return DoubleWidth(TextBoxOf(context, node, longDash ? kLongDash : node.Text()));
}

NodeBox MultiplyBox(MeasureContext& context, EquationNode& node) {
  const std::int32_t style = context.settings.MultiplyStyle.Get();
  const std::string_view sign =
      style == kMultiplyAsterisk ? kAsteriskSign : (style == kMultiplyDot ? kDotSign : kCrossSign);
  node.SetText(std::string(sign));
  return DoubleWidth(TextBoxOf(context, node, node.Text()));
}

NodeBox DegreeBox(const MeasureContext& context, EquationNode& node) {
  node.SetText(std::string(kDegreeSign));
  const TextExtent extent = context.surface.GetTextExtent(node.Text());
  const TextMetrics& m = Metrics(node);
  return {.width = extent.width,
          .height = extent.height,
          .align = ClampLength(std::int64_t{extent.height} - m.descent - m.ascent)};
}

NodeBox NumberBox(MeasureContext& context, const EquationNode& node) {
  const std::string& text = node.Text();
  if (!text.empty() && text.front() == '-' &&
      context.settings.NegativeNumberStyle.Get() == kNegativeAsLongDash) {
    return TextBoxOf(context, node, std::string(kLongDash) + text.substr(1));
  }
  return TextBoxOf(context, node, text);
}

NodeBox QuotedBox(const MeasureContext& context, const EquationNode& node) {
  std::string text = node.Text();
  std::erase(text, '"');
  return TextBoxOf(context, node, text);
}

NodeBox ScriptBox(MeasureContext& context, EquationNode& node, int raisedBy) {
  const NodeBox q = Measure(node.row1, context);
  return {.width = q.width,
          .height = TruncateLength(context.settings.PowerRaise.Get() * raisedBy + q.height),
          .align = q.align};
}

NodeBox InverseFunctionBox(MeasureContext& context, EquationNode& node) {
  const TextExtent name =
      context.surface.GetTextExtent(std::string_view(node.Text()).substr(0, kInverseNameLength));
  node.row1.Clear();
  if (context.makeNode) {
    EquationNode& minusOne = context.makeNode(TK_NUMBER);
    minusOne.SetText("-1");
    minusOne.scriptLevel = node.scriptLevel + 1;
    minusOne.fractionLevel = node.fractionLevel;
    node.row1.Append(minusOne);
  }
  node.row1.needsMeasure = true;
  const NodeBox q = Measure(node.row1, context);
  return {.width = AddLengths(name.width, q.width),
          .height = AddLengths(name.height, TruncateLength(name.height * kInverseRaiseShare)),
          .align = SubtractLengths(name.height, Metrics(node).ascent)};
}

// The box of a root sign over content w wide and h high.
NodeBox RootSignBox(const MeasureContext& context, int w, int h, int align) {
  const int gap = context.settings.SqrtGap.Get();
  return {.width = TruncateLength(h * kRootSlope + gap + w),
          .height = AddLengths(h, gap),
          .align = align};
}

NodeBox SqrtBox(MeasureContext& context, EquationNode& node) {
  const NodeBox q = Measure(node.row1, context);
  const NodeBox content = AtLeastOneCharacter(q, node);
  return RootSignBox(context, content.width, content.height, q.align);
}

NodeBox RootBox(MeasureContext& context, EquationNode& node) {
  const NodeBox q = Measure(node.row1, context);
  const NodeBox index = Measure(node.row2, context);
  NodeBox box = RootSignBox(context, q.width, q.height, q.align);
  box.width = AddLengths(box.width, index.width);
  box.height = std::max(box.height, AddLengths(box.height / 3, index.height));
  return box;
}

// Fractions and columns: row1 over row2, 2 x FractionGap apart.
NodeBox StackBox(MeasureContext& context, EquationNode& node) {
  const NodeBox q = Measure(node.row1, context);
  NodeBox below = Measure(node.row2, context);
  if (below.height == 0) {
    below.width = Metrics(node).averageWidth;
    below.height = Metrics(node).height;
  }
  const int gap = context.settings.FractionGap.Get();
  node.layout.operatorHeight = AddLengths(gap, below.height);
  NodeBox box{.width = std::max(below.width, q.width),
              .height = ClampLength(std::int64_t{below.height} + 2 * gap + q.height)};
  if (node.Kind() == TK_FRACTION) {
    box.align = TruncateLength(below.height * kFractionBaselineShare);
  } else {
    box.align = TruncateLength(below.height * kColumnBaselineShare + Metrics(node).descent);
  }
  return box;
}

NodeBox BracketsBox(MeasureContext& context, EquationNode& node) {
  const NodeBox q = Measure(node.row1, context);
  NodeBox box = q;
  const std::string& text = node.Text();
  if (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view all(text);
    const std::string_view left = all.substr(0, comma);
    const std::string_view right =
        comma == std::string_view::npos ? std::string_view() : all.substr(comma + 1);
    const int base = Metrics(node).height;
    const StretchGlyphSize l = MeasureStretchGlyph(context.surface, left, q.height, base);
    const StretchGlyphSize r = MeasureStretchGlyph(context.surface, right, q.height, base);
    box = {.width = ClampLength(std::int64_t{l.width} + q.width + r.width),
           .height = r.height,
           .align = q.align};
  }
  if (node.row2.Size() == 2) {
    const int lower = Measure(node.row2.At(0), 0, context).width;
    const int upper = Measure(node.row2.At(1), 0, context).width;
    box.width = TruncateLength(std::max(lower, upper) * kBracketLimitWidth + box.width);
  }
  return box;
}

NodeBox IntegralBox(MeasureContext& context, EquationNode& node) {
  const NodeBox q = Measure(node.row1, context);
  const NodeBox r = Measure(node.row2, context);
  const int fontHeight = Metrics(node).height;
  const int signHeight = ClampLength(std::int64_t{kIntegralFontHeights} * fontHeight);
  if (context.settings.IntegralStyle.Get() == kIntegralLimitsAboveBelow) {
    node.layout.operatorHeight = signHeight;
    const StretchGlyphSize g =
        MeasureStretchGlyph(context.surface, kIntegralSign, signHeight, fontHeight);
    return {.width = Max3(g.width, q.width, r.width),
            .height = ClampLength(std::int64_t{g.height} + r.height + q.height),
            .align = TruncateLength(g.height * kIntegralBaselineShare + q.height)};
  }
  const double tall = std::max(static_cast<double>(kIntegralFontHeights) * fontHeight,
                               (static_cast<double>(q.height) + r.height) * kIntegralLimitSpread);
  node.layout.operatorHeight = TruncateLength(tall);
  const StretchGlyphSize g =
      MeasureStretchGlyph(context.surface, kIntegralSign, node.layout.operatorHeight, fontHeight);
  return {
      .width = AddLengths(TruncateLength(g.width * kIntegralSideWidth), std::max(r.width, q.width)),
      .height = TruncateLength(
          g.height + (q.height * kIntegralLowerLimitShare + r.height * kIntegralUpperLimitShare)),
      .align =
          TruncateLength(q.height * kIntegralLowerLimitShare + g.height * kIntegralBaselineShare)};
}

NodeBox SumBox(MeasureContext& context, EquationNode& node, std::string_view sign) {
  const NodeBox q = Measure(node.row1, context);
  const NodeBox r = Measure(node.row2, context);
  const TextExtent extent = context.surface.GetTextExtent(sign);
  const int descent = Metrics(node).descent;
  const double upperBottom =
      SumUpperLimitBottom(context.surface, sign, extent.height, q.height, descent);
  return {.width = Max3(extent.width, r.width, q.width),
          .height = TruncateLength(upperBottom + r.height),
          .align = AddLengths(q.height, descent)};
}

NodeBox LimitBox(MeasureContext& context, EquationNode& node) {
  const NodeBox q = Measure(node.row1, context);
  const TextExtent extent = context.surface.GetTextExtent(kLimitWord);
  return {.width = std::max(extent.width, q.width),
          .height = ClampLength(std::int64_t{extent.height} + q.height - Metrics(node).descent),
          .align = q.height};
}

NodeBox BigOperatorBox(MeasureContext& context, EquationNode& node) {
  switch (BigOperatorOf(node.Text())) {
    case BigOperator::kIntegral:
      return IntegralBox(context, node);
    case BigOperator::kSum:
      return SumBox(context, node, kSumSign);
    case BigOperator::kProduct:
      return SumBox(context, node, kProductSign);
    case BigOperator::kLimit:
      return LimitBox(context, node);
    case BigOperator::kUnknown:
      break;
  }
  return {};
}

// The mark a decorated box leaves room for: its own text for accents, a name for the vectors and
// intervals.
std::string_view DecorationMark(const EquationNode& node) {
  switch (node.Kind()) {
    case TK_MODIFIER:
      return node.Text();
    case TK_ABVECTOR:
      return "AB";
    case TK_LCVECTOR:
      return "LC";
    default:
      return "IVLEFT";  // the three interval kinds measure alike
  }
}

// The room above the content that the mark takes.
int DecorationRoom(const MeasureContext& context, const EquationNode& node) {
  const TextMetrics& m = Metrics(node);
  const std::string_view mark = DecorationMark(node);
  int room = m.descent;
  if (mark == "^^") room = AddLengths(room, m.ascent / 2);
  const std::int32_t display = context.settings.DisplayVect.Get();
  const bool arrow = mark == "AB" || mark == "IVRIGHT" || mark == "IVLEFT" || mark == "IVBOTH" ||
                     (mark == "LC" && display == kDisplayVectArrow);
  if (arrow) room = std::max(room, static_cast<int>(context.settings.VectorArrowSize.Get()));
  if (mark == "LC" && display >= 0 && display <= kDisplayVectTilde) room = 0;
  return room;
}

NodeBox DecoratedBox(MeasureContext& context, EquationNode& node) {
  NodeBox content;
  const bool ownText = node.Kind() == TK_ABVECTOR || node.Kind() == TK_LCVECTOR;
  if (ownText) {
    const TextExtent extent = context.surface.GetTextExtent(node.Text());
    content = AtLeastOneCharacter({.width = extent.width, .height = extent.height}, node);
    content.align = SubtractLengths(content.height, Metrics(node).ascent);
  } else {
    content = AtLeastOneCharacter(Measure(node.row1, context), node);
  }
  return {.width = std::max(Metrics(node).averageWidth, content.width),
          .height = AddLengths(content.height, DecorationRoom(context, node)),
          .align = content.align};
}

NodeBox MatrixBox(MeasureContext& context, EquationNode& node) {
  Measure(node.row1, context);
  const MatrixSpacing spacing{context.settings.MatrixHorizontalSpacing.Get(),
                              context.settings.MatrixVerticalSpacing.Get()};
  if (!node.layout.matrix) node.layout.matrix = std::make_unique<MatrixPlacement>();
  const MatrixSize size = LayOutMatrix(SplitMatrixColumns(node.row1), spacing, *node.layout.matrix);
  return {.width = size.width,
          .height = size.height,
          .align = TruncateLength(size.height * kMatrixBaselineShare)};
}

// From x to the next tab stop; a tab width of 0 or less gives no stops and no width.
NodeBox TabBox(MeasureContext& context, int x) {
  const int tabWidth = context.settings.TabWidth.Get();
  if (tabWidth <= 0) return {};
  const int intoStop = ((x % tabWidth) + tabWidth) % tabWidth;
  return {.width = tabWidth - intoStop};
}

}  // namespace

RowsRead RowsReadBy(const EquationNode& node) {
  switch (node.Kind()) {
    case TK_POWER:
    case TK_SUBSCRIPT:
    case TK_ARCSINCOSTAN:
    case TK_SQRT:
    case TK_MODIFIER:
    case TK_IVRIGHT:
    case TK_IVLEFT:
    case TK_IVBOTH:
    case TK_MATRIX:
      return {.row1 = true};
    case TK_ROOT:
    case TK_FRACTION:
    case TK_COLUMN:
      return {.row1 = true, .row2 = true};
    case TK_BRACKETS:
      return {.row1 = true, .limitNodes = node.row2.Size() == 2};
    case TK_CODEDRAW2:
      switch (BigOperatorOf(node.Text())) {
        case BigOperator::kLimit:
          return {.row1 = true};  // a limit's upper row is never measured
        case BigOperator::kUnknown:
          return {};
        default:
          return {.row1 = true, .row2 = true};
      }
    default:
      return {};
  }
}

bool IsIntegral(const EquationNode& node) {
  return node.Kind() == TK_CODEDRAW2 && BigOperatorOf(node.Text()) == BigOperator::kIntegral;
}

NodeBox MeasureKind(EquationNode& node, int x, MeasureContext& context) {
  switch (node.Kind()) {
    case TK_FUNCTION:
    case TK_SEPARATOR:
    case TK_UNIT:
    case TK_SYMBOL:
    case TK_GREEK:
    case TK_RAW:
    case TK_SPACE:
    case TK_CLOSE:
    case TK_VARIABLE:
      return TextBoxOf(context, node, node.Text());
    case TK_QUOTED:
      return QuotedBox(context, node);
    case TK_SPACEDSYMBOL:
    case TK_ADD:
    case TK_EQUAL:
    case TK_GREATER:
    case TK_LESS:
      return SpacedOperatorBox(context, node);
    case TK_SUBTRACT:
      return SubtractBox(context, node);
    case TK_MULTIPLY:
      return MultiplyBox(context, node);
    case TK_DEGREE:
      return DegreeBox(context, node);
    case TK_NUMBER:
      return NumberBox(context, node);
    case TK_POWER: {
      NodeBox box = ScriptBox(context, node, Metrics(node).ascent);
      box.raised = true;
      return box;
    }
    case TK_SUBSCRIPT:
      return ScriptBox(context, node, Metrics(node).descent);
    case TK_ARCSINCOSTAN:
      return InverseFunctionBox(context, node);
    case TK_SQRT:
      return SqrtBox(context, node);
    case TK_ROOT:
      return RootBox(context, node);
    case TK_FRACTION:
    case TK_COLUMN:
      return StackBox(context, node);
    case TK_BRACKETS:
      return BracketsBox(context, node);
    case TK_CODEDRAW2:
      return BigOperatorBox(context, node);
    case TK_MODIFIER:
    case TK_ABVECTOR:
    case TK_LCVECTOR:
    case TK_IVRIGHT:
    case TK_IVLEFT:
    case TK_IVBOTH:
      return DecoratedBox(context, node);
    case TK_MATRIX:
      return MatrixBox(context, node);
    case TK_TAB:
      return TabBox(context, x);
    default:
      return {};
  }
}

}  // namespace kv
