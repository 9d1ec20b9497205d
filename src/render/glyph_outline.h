// A glyph's outline as the path data of an SVG <path> ("M", "L", "Q", "C", "Z"), in the face's
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

// The outline of glyph `index` of `face`; empty for a glyph without one (a space) or one that
// cannot be loaded.
std::string GlyphOutlinePath(FT_Face face, std::uint32_t index, bool bold, bool italic);

}  // namespace kv
