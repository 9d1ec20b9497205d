// Signs that grow with what they enclose: brackets, bars and the integral sign. A short sign is
// one glyph of the node's font; a taller one is a column of Symbol-font pieces (top, extension,
// a middle for braces, bottom), as many as its height needs at the node's size, at most
// kMaximumStretchPieces.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "reader/equation_node.h"
#include "typeset/surface.h"

namespace kv {

// The double bars, which are always built from pieces and measured by the average width.
inline constexpr std::string_view kDoubleBarLeft = "[|";
inline constexpr std::string_view kDoubleBarRight = "|]";
// The most pieces a stretched sign is built of; taller signs get taller pieces, so a huge sign
// over a tiny base size cannot ask for millions of text outputs.
inline constexpr std::int64_t kMaximumStretchPieces = 1024;

// A bracket node's two glyphs, read from its text "OPEN,CLOSE" (either may be empty; a text
// without a comma is an opening bracket that was never closed).
struct BracketGlyphs {
  std::string_view open;
  std::string_view close;
};
BracketGlyphs BracketGlyphsOf(const EquationNode& brackets);

// How a sign of `height` is built at `base` size (a base of 0 or less is taken as 1): `steps`
// + 1 pieces (an odd count) of `pieceSize`.
struct PiecePlan {
  std::int64_t steps = 0;
  int pieceSize = 0;
  bool operator==(const PiecePlan&) const = default;
};
PiecePlan PlanStretchPieces(int height, int base);

struct StretchGlyphSize {
  int width = 0;
  int height = 0;
  bool operator==(const StretchGlyphSize&) const = default;
};

// The size of `glyph` (a Symbol code or a bracket string) stretched to `height` from a font of
// `base` size, measured in the Symbol face on `surface`.
StretchGlyphSize MeasureStretchGlyph(Surface& surface, std::string_view glyph, int height,
                                     int base);

// Draws `glyph` stretched to `height` from Symbol-font pieces with its bottom at y. When the
// height does not call for pieces, or the glyph has none, draws nothing and returns the text to
// draw in its place (the bar halves "]|" and "|[" are then one bar).
std::optional<std::string_view> DrawStretchGlyph(Surface& surface, int x, int y,
                                                 std::string_view glyph, int height, int base,
                                                 ColorRef colour);

}  // namespace kv
