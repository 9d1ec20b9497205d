// The font, pen and brush a node is measured and drawn with: the main font shrunk by the node's
// fraction and script levels, then given the face and style of the node's kind.
#pragma once

#include <string_view>

#include "settings/option_values.h"
#include "typeset/surface.h"

namespace kv {

class EquationNode;
class EquationSettings;

inline constexpr std::string_view kSymbolFace = "Symbol";
inline constexpr std::int32_t kWeightBold = 700;
inline constexpr std::int32_t kWeightHeavy = 900;

// The big operators a TK_CODEDRAW2 node can stand for, by its text.
enum class BigOperator { kIntegral, kSum, kProduct, kLimit, kUnknown };
// "int", "sigma" or "sum", "product", "lim"; anything else is unknown.
BigOperator BigOperatorOf(std::string_view text);

// How far above the node's bottom the upper limit of a sum or product begins, with the node's
// font selected on `surface`; `sign` is the sign's text and `signHeight` the height of its text
// box, `lowerHeight` the lower limit's height and `descent` the font's. The limit overlaps the top
// of the sign's text box by kBigOperatorOverlap descents less one, which suits a symbol font whose
// ascent leaves that much room above the sign; in a font with a lower ascent it would stand on the
// sign itself, so the limit never begins below the top of the sign's ink (the sign's baseline is
// lowerHeight above the bottom).
double SumUpperLimitBottom(const Surface& surface, std::string_view sign, int signHeight,
                           int lowerHeight, int descent);

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
