#include "typeset/node_font.h"

#include <algorithm>

#include "base/clamping.h"
#include "reader/equation_node.h"
#include "settings/equation_settings.h"
#include "typeset/typeset_constants.h"

namespace kv {
namespace {

// Big operators drawn from a sign in the Symbol face at three times the text size.
constexpr int kBigOperatorSizeFactor = 3;

bool IsTripledOperator(std::string_view text) {
  const BigOperator op = BigOperatorOf(text);
  return op == BigOperator::kSum || op == BigOperator::kProduct;
}

void SetStyle(KVLogFont& font, bool bold, bool italic) {
  if (bold) font.lfWeight = kWeightBold;
  if (italic) font.lfItalic = 1;
}

// Unless every class shares the main font: the class's own face (when one is set) and colour.
void SetClassFace(KVLogFont& font, EquationSettings& settings, StringOption* face,
                  const ColorOption& colour) {
  if (settings.UseOneFont.Get()) return;
  if (face != nullptr && !face->Get().empty()) font.SetFaceName(face->Get());
  font.colour = colour.Get();
}

// The face and style the node's kind asks for; may scale `size` for the tripled operators.
void ApplyKindStyle(const EquationNode& node, EquationSettings& s, KVLogFont& font,
                    std::int64_t& size) {
  switch (node.Kind()) {
    case TK_FUNCTION:
      SetStyle(font, s.FunctionsBold.Get(), s.FunctionsItalic.Get());
      SetClassFace(font, s, &s.FunctionFont, s.FunctionColor);
      break;
    case TK_UNIT:
      SetStyle(font, s.UnitsBold.Get(), s.UnitsItalic.Get());
      SetClassFace(font, s, &s.UnitsFont, s.UnitColor);
      break;
    case TK_QUOTED:
      SetStyle(font, s.QuoteBold.Get(), s.QuoteItalic.Get());
      SetClassFace(font, s, &s.QuoteFont, s.QuoteColor);
      break;
    case TK_VARIABLE:
      SetStyle(font, s.VariablesBold.Get(), s.VariablesItalic.Get());
      SetClassFace(font, s, nullptr, s.VariableColor);
      break;
    case TK_GREEK:
      font.SetFaceName(kSymbolFace);
      SetStyle(font, s.GreekBold.Get(), s.GreekItalic.Get());
      SetClassFace(font, s, nullptr, s.GreekColor);
      break;
    case TK_SYMBOL:
    case TK_SPACEDSYMBOL:
      font.SetFaceName(kSymbolFace);
      font.lfWeight = kWeightBold;
      break;
    case TK_MODIFIER:
    case TK_SUBSCRIPT:
      font.lfWeight = kWeightBold;
      break;
    case TK_MULTIPLY: {
      const std::int32_t style = s.MultiplyStyle.Get();
      if (style != kMultiplyAsterisk) font.SetFaceName(kSymbolFace);
      if (style == kMultiplyDot) font.lfWeight = kWeightBold;
      break;
    }
    case TK_CODEDRAW2:
      if (BigOperatorOf(node.Text()) != BigOperator::kLimit) font.SetFaceName(kSymbolFace);
      if (IsTripledOperator(node.Text())) size *= kBigOperatorSizeFactor;
      break;
    case TK_LCVECTOR:
      if (s.DisplayVect.Get() == kDisplayVectBold) font.lfWeight = kWeightHeavy;
      break;
    default:
      break;
  }
}

}  // namespace

BigOperator BigOperatorOf(std::string_view text) {
  if (text == "int") return BigOperator::kIntegral;
  if (text == "sigma" || text == "sum") return BigOperator::kSum;
  if (text == "product") return BigOperator::kProduct;
  if (text == "lim") return BigOperator::kLimit;
  return BigOperator::kUnknown;
}

double SumUpperLimitBottom(const Surface& surface, std::string_view sign, int signHeight,
                           int lowerHeight, int descent) {
  const double byOverlap =
      static_cast<double>(lowerHeight) + signHeight - descent * kBigOperatorOverlap;
  const std::optional<int> inkTop = surface.GetTextInkTop(sign);
  if (!inkTop) return byOverlap;
  return std::max(byOverlap, static_cast<double>(lowerHeight) + *inkTop);
}

int ShrunkFontSize(int mainSize, int fractionLevel, double scriptLevel,
                   EquationSettings& settings) {
  const int fractionSteps = std::min(fractionLevel, settings.FracLevelMax.Get());
  const int s1 = TruncateLength((1 - fractionSteps * settings.FracLevelRatio.Get()) * mainSize);
  const int powerLevelMax = settings.PowerLevelMax.Get();
  const double scriptSteps = powerLevelMax > scriptLevel ? scriptLevel : powerLevelMax;
  const int s2 = TruncateLength((1 - scriptSteps * settings.PowerLevelRatio.Get()) * s1);
  return std::max(s2, 0);
}

NodeFont SelectNodeFont(const EquationNode& node, EquationSettings& settings) {
  const KVLogFont& main = settings.Font.Current();
  NodeFont choice;
  choice.font = main;
  std::int64_t size = ShrunkFontSize(main.size, node.fractionLevel, node.scriptLevel, settings);
  ApplyKindStyle(node, settings, choice.font, size);
  choice.characterHeight = ClampLength(size);
  choice.font.size = choice.characterHeight;
  choice.font.lfHeight = -choice.characterHeight;

  KVLogPen pen = settings.GeneralPen.Current();
  pen.colour = main.colour;
  choice.pen = PenFromDescription(pen);
  choice.brush = BrushAttributes{kBsSolid, main.colour, 0};
  return choice;
}

NodeFontScope::NodeFontScope(Surface& surface, const NodeFont& choice)
    : font_(surface, choice.font, choice.characterHeight),
      pen_(surface, choice.pen),
      brush_(surface, choice.brush) {}

}  // namespace kv
