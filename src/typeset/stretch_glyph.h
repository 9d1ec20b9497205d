// Signs that grow with what they enclose: brackets and the integral sign.
#pragma once

#include <string_view>

#include "typeset/surface.h"

namespace kv {

class EquationSettings;

// The double bars, which are always built from pieces and measured by the average width.
inline constexpr std::string_view kDoubleBarLeft = "[|";
inline constexpr std::string_view kDoubleBarRight = "|]";

// Up to this multiple of the base size a sign is one glyph of the base size; taller ones are
// built from pieces.
inline constexpr double kSingleGlyphReach = 1.5;
// A piece's font size is the asked height divided by this share of the piece count.
inline constexpr double kPieceHeightShare = 0.75;
// Pieces are drawn half as wide again as the glyph, and overlap to 105 % of the asked height.
inline constexpr double kPieceWidthFactor = 1.5;
inline constexpr double kPieceHeightFactor = 1.05;

struct StretchGlyphSize {
  int width = 0;
  int height = 0;
  bool operator==(const StretchGlyphSize&) const = default;
};

// The odd number of pieces a sign of `height` is built from at `base` size.
std::int64_t StretchPieceCount(int height, int base);
// The Symbol font size of each piece.
int StretchPieceSize(int height, std::int64_t pieceCount);

// The size of `glyph` (a Symbol code or a bracket string) stretched to `height` from a font of
// `base` size, measured in the Symbol face on `surface`. A base of 0 or less is taken as 1.
StretchGlyphSize MeasureStretchGlyph(Surface& surface, std::string_view glyph, int height,
                                     int base);

}  // namespace kv
