// The one table from a node's kind to the construct that typesets it.
#include "base/clamping.h"
#include "typeset/construct.h"

namespace kv {

const ConstructRules& RulesFor(TokenKind kind) {
  switch (kind) {
    case TK_FUNCTION:
    case TK_SEPARATOR:
    case TK_UNIT:
    case TK_SYMBOL:
    case TK_GREEK:
    case TK_RAW:
    case TK_SPACE:
    case TK_CLOSE:
    case TK_VARIABLE:
      return TextRules();
    case TK_QUOTED:
      return QuotedTextRules();
    case TK_SPACEDSYMBOL:
    case TK_ADD:
    case TK_EQUAL:
    case TK_GREATER:
    case TK_LESS:
      return SpacedOperatorRules();
    case TK_SUBTRACT:
      return SubtractRules();
    case TK_MULTIPLY:
      return MultiplyRules();
    case TK_DEGREE:
      return DegreeRules();
    case TK_NUMBER:
      return NumberRules();
    case TK_TAB:
      return TabRules();
    case TK_ROOTBASE:
    case TK_DIVIDE:
    case TK_OPEN:
    case TK_OPENLOGICAL:
    case TK_CLOSELOGICAL:
    case TK_PARAMETER:
      return InvisibleRules();
    case TK_POWER:
      return PowerRules();
    case TK_SUBSCRIPT:
      return SubscriptRules();
    case TK_ARCSINCOSTAN:
      return InverseFunctionRules();
    case TK_SQRT:
      return SquareRootRules();
    case TK_ROOT:
      return RootRules();
    case TK_FRACTION:
    case TK_COLUMN:
      return FractionRules();
    case TK_BRACKETS:
      return BracketRules();
    case TK_CODEDRAW2:
      return BigOperatorRules();
    case TK_MATRIX:
      return MatrixRules();
    case TK_MODIFIER:
      return AccentRules();
    case TK_ABVECTOR:
    case TK_LCVECTOR:
      return VectorRules();
    case TK_IVRIGHT:
    case TK_IVLEFT:
    case TK_IVBOTH:
      return IntervalRules();
    case TK_ERROR:
    case TK_ABS:
      break;
  }
  return UnclaimedRules();
}

NodeBox NodeMeasure::TextBox(std::string_view text) const {
  const TextExtent extent = context.surface.GetTextExtent(text);
  return {.width = extent.width,
          .height = extent.height,
          .align = SubtractLengths(extent.height, metrics.ascent)};
}

}  // namespace kv
