// Glyph outlines read from FreeType: a visitor that receives an outline's contours, and the
// outline as the path data of an SVG <path> ("M", "L", "Q", "C", "Z"). Both are in the face's
// design units with y growing upward, as the font draws it. Synthetic bold and italic are applied
// as the cairo backend applies them, so an outline drawn from here matches a glyph drawn by cairo.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>

namespace kv {

// The share of the em by which synthetic bold thickens an outline (FreeType's emboldening).
inline constexpr int kSyntheticBoldShare = 24;
// The shear of synthetic italic: x grows by this much of y (FreeType's and cairo's slant).
inline constexpr double kSyntheticObliqueShear = 0x0366A / 65536.0;

// A point of an outline in design units (integers: outlines are read unscaled).
struct OutlinePoint {
  std::int64_t x = 0;
  std::int64_t y = 0;
};

// Receives the contours of an outline in order: each contour is a MoveTo, its segments, and a
// Close.
class OutlineSink {
 public:
  virtual ~OutlineSink() = default;
  virtual void MoveTo(OutlinePoint to) = 0;
  virtual void LineTo(OutlinePoint to) = 0;
  virtual void QuadraticTo(OutlinePoint control, OutlinePoint to) = 0;
  virtual void CubicTo(OutlinePoint control1, OutlinePoint control2, OutlinePoint to) = 0;
  virtual void Close() = 0;
};

// Passes the outline of glyph `index` of `face` to `sink`. False, with nothing or part of the
// outline passed, for a glyph that cannot be loaded or read as an outline; a glyph without
// contours (a space) passes nothing and gives true.
bool DecomposeGlyphOutline(FT_Face face, std::uint32_t index, bool bold, bool italic,
                           OutlineSink& sink);

// The outline of glyph `index` of `face`; empty for a glyph without one (a space) or one that
// cannot be loaded.
std::string GlyphOutlinePath(FT_Face face, std::uint32_t index, bool bold, bool italic);

}  // namespace kv
