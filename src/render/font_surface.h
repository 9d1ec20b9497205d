// A surface that measures with real fonts (FontCatalog) and draws nothing: measuring with real
// fonts needs no picture. The cairo surface builds on it.
#pragma once

#include "render/font_catalog.h"
#include "typeset/surface.h"

namespace kv {

// A font of a real face at a character height.
class RealFont final : public SurfaceFont {
 public:
  RealFont(const FontFace& face, const KVLogFont& description, int characterHeight)
      : SurfaceFont(description, characterHeight, face.MetricsAt(characterHeight)), face_(face) {}

  const FontFace& Face() const { return face_; }
  int ExtentWidth(std::string_view text) const override {
    return face_.ExtentWidth(text, CharacterHeight());
  }

 private:
  const FontFace& face_;
};

class FontMetricsSurface : public Surface {
 public:
  // The catalog must outlive the surface.
  explicit FontMetricsSurface(FontCatalog& catalog) : catalog_(catalog) {}

  SurfaceMapping Mapping() const override { return SurfaceMapping::kTrueSize; }
  int HimetricToDevice(int himetric) const override { return himetric; }

 protected:
  std::unique_ptr<SurfaceFont> MakeFont(const KVLogFont& description,
                                        int characterHeight) override {
    return std::make_unique<RealFont>(catalog_.Resolve(description), description, characterHeight);
  }
  void DrawText(const SurfaceFont&, const TextBox&, std::string_view) override {}
  void DrawLine(Point, Point) override {}
  void DrawPolygon(std::span<const Point>) override {}

 private:
  FontCatalog& catalog_;
};

}  // namespace kv
