#include "render/glyph_outline.h"

#include FT_OUTLINE_H

#include "render/svg_numbers.h"

namespace kv {
namespace {

constexpr FT_Fixed kFixedOne = 1 << 16;

// FreeType's callbacks know nothing of contour ends: a contour ends where the next one moves or
// the outline ends, so the walk closes them itself.
struct Walk {
  OutlineSink& sink;
  bool contourOpen = false;
};

Walk& WalkOf(void* user) {
  return *static_cast<Walk*>(user);
}

OutlinePoint PointOf(const FT_Vector* vector) {
  return {vector->x, vector->y};
}

int MoveTo(const FT_Vector* to, void* user) {
  Walk& walk = WalkOf(user);
  if (walk.contourOpen) walk.sink.Close();
  walk.contourOpen = true;
  walk.sink.MoveTo(PointOf(to));
  return 0;
}

int LineTo(const FT_Vector* to, void* user) {
  WalkOf(user).sink.LineTo(PointOf(to));
  return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  WalkOf(user).sink.QuadraticTo(PointOf(control), PointOf(to));
  return 0;
}

int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  WalkOf(user).sink.CubicTo(PointOf(control1), PointOf(control2), PointOf(to));
  return 0;
}

// Writes the contours as SVG path data.
class SvgPathSink final : public OutlineSink {
 public:
  explicit SvgPathSink(std::string& path) : path_(path) {}

  void MoveTo(OutlinePoint to) override {
    path_ += 'M';
    AppendPoint(to);
  }
  void LineTo(OutlinePoint to) override {
    path_ += 'L';
    AppendPoint(to);
  }
  void QuadraticTo(OutlinePoint control, OutlinePoint to) override {
    path_ += 'Q';
    AppendPoint(control);
    path_ += ' ';
    AppendPoint(to);
  }
  void CubicTo(OutlinePoint control1, OutlinePoint control2, OutlinePoint to) override {
    path_ += 'C';
    AppendPoint(control1);
    path_ += ' ';
    AppendPoint(control2);
    path_ += ' ';
    AppendPoint(to);
  }
  void Close() override { path_ += 'Z'; }

 private:
  void AppendPoint(OutlinePoint point) {
    AppendInteger(path_, point.x);
    path_ += ' ';
    AppendInteger(path_, point.y);
  }

  std::string& path_;
};

}  // namespace

bool DecomposeGlyphOutline(FT_Face face, std::uint32_t index, bool bold, bool italic,
                           OutlineSink& sink) {
  if (!face) return false;
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
    return false;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
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
  Walk walk{sink};
  if (FT_Outline_Decompose(&outline, &kFunctions, &walk) != 0) return false;
  if (walk.contourOpen) sink.Close();
  return true;
}

std::string GlyphOutlinePath(FT_Face face, std::uint32_t index, bool bold, bool italic) {
  std::string path;
  SvgPathSink sink(path);
  if (!DecomposeGlyphOutline(face, index, bold, italic, sink)) return {};
  return path;
}

}  // namespace kv
