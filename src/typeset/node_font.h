// The font, pen and brush a node is measured and drawn with: the main font shrunk by the node's
// fraction and script levels, then given the face and style of the node's kind (each construct
// says which: ConstructRules::style).
#pragma once

#include <cstdint>
#include <string_view>

#include "settings/option_values.h"
#include "typeset/surface.h"

namespace kv {

class EquationNode;
class EquationSettings;

inline constexpr std::string_view kSymbolFace = "Symbol";
inline constexpr std::uint8_t kSymbolCharset = 2;
inline constexpr std::int32_t kWeightBold = 700;
inline constexpr std::int32_t kWeightHeavy = 900;

struct NodeFont {
  KVLogFont font;           // face, weight, italic and colour
  int characterHeight = 0;  // 0 or more
  PenAttributes pen;
  BrushAttributes brush;
};

// The character height of text at these levels: the main size shrunk by FracLevelRatio for each
// fraction level up to FracLevelMax, then by PowerLevelRatio for each script level up to
// PowerLevelMax. A size that comes out negative (extreme ratios) is 0.
int ShrunkFontSize(int mainSize, int fractionLevel, double scriptLevel, EquationSettings& settings);

NodeFont SelectNodeFont(const EquationNode& node, EquationSettings& settings);

// For the kinds' styles: bold and italic as a class's settings ask.
void SetBoldItalic(KVLogFont& font, bool bold, bool italic);
// Unless every class shares the main font: the class's own face (when one is set) and colour.
void SetClassFace(KVLogFont& font, EquationSettings& settings, StringOption* face,
                  const ColorOption& colour);

// Whether text set in a face of this name is read as Symbol codes: the name "Symbol", in any
// case.
bool IsSymbolFaceName(std::string_view name);
// Whether text in this font is read as Symbol codes (a Symbol face, or the symbol character
// set) rather than as Windows-1252.
bool TakesSymbolCodes(const KVLogFont& font);

// A font of the Symbol face at a character height, for signs built from its pieces.
KVLogFont SymbolFont(int size, ColorRef colour);

// Selects a node's font, pen and brush on a surface for one measure or draw, and puts back what
// was selected before when it ends.
class NodeFontScope {
 public:
  NodeFontScope(Surface& surface, const NodeFont& choice);
  const TextMetrics& Metrics() const { return font_.Metrics(); }
  int CharacterHeight() const { return font_.CharacterHeight(); }

 private:
  FontScope font_;
  PenScope pen_;
  BrushScope brush_;
};

}  // namespace kv
