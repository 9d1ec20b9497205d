#include "typeset/stretch_glyph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/clamping.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

KVLogFont SymbolFont(int size) {
  KVLogFont font;
  font.SetFaceName(kSymbolFace);
  font.size = size;
  font.lfHeight = -size;
  return font;
}

bool IsDoubleBar(std::string_view glyph) {
  return glyph == kDoubleBarLeft || glyph == kDoubleBarRight;
}

}  // namespace

std::int64_t StretchPieceCount(int height, int base) {
  const std::int64_t n = std::max<std::int64_t>(height / std::max(base, 1), 2) - 2;
  return 2 * (static_cast<std::int64_t>(std::floor(static_cast<double>(n) * 0.5)) + 1) + 1;
}

int StretchPieceSize(int height, std::int64_t pieceCount) {
  return TruncateLength(height / (static_cast<double>(pieceCount) * kPieceHeightShare));
}

StretchGlyphSize MeasureStretchGlyph(Surface& surface, std::string_view glyph, int height,
                                     int base) {
  base = std::max(base, 1);
  if (height <= kSingleGlyphReach * base && !IsDoubleBar(glyph)) {
    // The single bar halves of the two-character bar keys stand as one bar.
    if (glyph == "]|" || glyph == "|[") glyph = "|";
    const FontScope font(surface, SymbolFont(base), base);
    return {font.Font().ExtentWidth(glyph), height};
  }
  const int pieceSize = StretchPieceSize(height, StretchPieceCount(height, base));
  const FontScope piece(surface, SymbolFont(pieceSize), pieceSize);
  const int glyphWidth =
      IsDoubleBar(glyph) ? piece.Metrics().averageWidth : piece.Font().ExtentWidth(glyph);
  return {TruncateLength(kPieceWidthFactor * glyphWidth),
          TruncateLength(height * kPieceHeightFactor)};
}

}  // namespace kv
