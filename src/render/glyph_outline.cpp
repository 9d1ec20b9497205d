#include "render/glyph_outline.h"

#include FT_OUTLINE_H

#include "render/svg_numbers.h"

namespace kv {
namespace {

constexpr FT_Fixed kFixedOne = 1 << 16;

// Coordinates are integers in design units for every unscaled outline.
void AppendPoint(std::string& out, const FT_Vector* point) {
  AppendInteger(out, point->x);
  out += ' ';
  AppendInteger(out, point->y);
}

std::string& PathOf(void* user) {
  return *static_cast<std::string*>(user);
}

int MoveTo(const FT_Vector* to, void* user) {
  std::string& path = PathOf(user);
  if (!path.empty()) path += 'Z';
  path += 'M';
  AppendPoint(path, to);
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  std::string& path = PathOf(user);
  path += 'L';
  AppendPoint(path, to);
  return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  std::string& path = PathOf(user);
  path += 'Q';
  AppendPoint(path, control);
  path += ' ';
  AppendPoint(path, to);
  return 0;
}

int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  std::string& path = PathOf(user);
  path += 'C';
  AppendPoint(path, control1);
  path += ' ';
  AppendPoint(path, control2);
  path += ' ';
  AppendPoint(path, to);
  return 0;
}

}  // namespace

std::string GlyphOutlinePath(FT_Face face, std::uint32_t index, bool bold, bool italic) {
  std::string path;
  if (!face) return path;
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
    return path;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return path;
  FT_Outline& outline = slot->outline;
  if (bold) {
    const FT_Pos strength = (face->units_per_EM + kSyntheticBoldShare / 2) / kSyntheticBoldShare;
    FT_Outline_EmboldenXY(&outline, strength, strength);
  }
  if (italic) {
    FT_Matrix shear{kFixedOne, static_cast<FT_Fixed>(kSyntheticObliqueShear * kFixedOne), 0,
                    kFixedOne};
    FT_Outline_Transform(&outline, &shear);
  }
  static constexpr FT_Outline_Funcs kFunctions{MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
  if (FT_Outline_Decompose(&outline, &kFunctions, &path) != 0) return {};
  if (!path.empty()) path += 'Z';
  return path;
}

}  // namespace kv
