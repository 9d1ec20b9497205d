#include "typeset/node_font.h"

#include <algorithm>

#include "base/clamping.h"
#include "reader/equation_node.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"

namespace kv {

void SetBoldItalic(KVLogFont& font, bool bold, bool italic) {
  if (bold) font.lfWeight = kWeightBold;
  if (italic) font.lfItalic = 1;
}

void SetClassFace(KVLogFont& font, EquationSettings& settings, StringOption* face,
                  const ColorOption& colour) {
  if (settings.UseOneFont.Get()) return;
  if (face != nullptr && !face->Get().empty()) font.SetFaceName(face->Get());
  font.colour = colour.Get();
}

bool IsSymbolFaceName(std::string_view name) {
  constexpr std::string_view kLowerName = "symbol";
  return name.size() == kLowerName.size() &&
         std::equal(name.begin(), name.end(), kLowerName.begin(), [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
         });
}

bool TakesSymbolCodes(const KVLogFont& font) {
  return font.lfCharSet == kSymbolCharset || IsSymbolFaceName(font.FaceName());
}

KVLogFont SymbolFont(int size, ColorRef colour) {
  KVLogFont font;
  font.SetFaceName(kSymbolFace);
  font.size = size;
  font.lfHeight = -size;
  font.colour = colour;
  return font;
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
  std::int64_t size = ShrunkFontSize(main.size, node.FractionLevel(), node.ScriptLevel(), settings);
  if (const auto style = RulesFor(node.Kind()).style) style(node, settings, choice.font, size);
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
