// A surface that measures with real fonts (FontCatalog) and draws nothing: measuring with real
// fonts needs no picture. The cairo surface builds on it.
#pragma once

#include <utility>
#include <vector>

#include "render/font_catalog.h"
#include "typeset/fixed_metrics_surface.h"
#include "typeset/surface.h"

namespace kv {

// Where the measurements of a real font come from.
enum class MetricsSource {
  kFace,
  // The rule of FixedMetricsSurface, the same for every face: a picture is then laid out exactly
  // as `measure --metrics fixed` reports, whatever fonts the system has, and its glyphs stand in
  // cells of the fixed average width.
  kFixed,
};

// A font of a real face at a character height.
class RealFont final : public SurfaceFont {
 public:
  RealFont(const FontFace& face, const KVLogFont& description, int characterHeight,
           MetricsSource source = MetricsSource::kFace)
      : SurfaceFont(description, characterHeight,
                    source == MetricsSource::kFixed
                        ? FixedMetricsSurface::MetricsFor(characterHeight)
                        : face.MetricsAt(characterHeight)),
        face_(face),
        source_(source) {}

  const FontFace& Face() const { return face_; }
  int ExtentWidth(std::string_view text) const override {
    if (source_ == MetricsSource::kFixed) return FixedMetricsSurface::TextWidth(text, Metrics());
    return face_.ExtentWidth(text, CharacterHeight());
  }
  // Fixed metrics know no ink: a picture laid out by them is laid out as the fixed surface does.
  std::optional<int> InkTop(std::string_view text) const override {
    if (source_ == MetricsSource::kFixed) return std::nullopt;
    return face_.InkTop(text, CharacterHeight());
  }
  // Calls fill(left, bottom, width, height) for the underline and the strike-out that the
  // description asks for, of a text whose box is `box`.
  template <typename Fill>
  void ForEachDecoration(const TextBox& box, Fill fill) const {
    const KVLogFont& description = Description();
    const int size = CharacterHeight();
    for (const auto& [wanted, line] : {std::pair{description.lfUnderline, face_.Underline(size)},
                                       std::pair{description.lfStrikeOut, face_.StrikeOut(size)}}) {
      if (wanted)
        fill(box.left, box.baseline + line.centre - line.thickness / 2.0, box.width,
             line.thickness);
    }
  }
  // The glyphs of `text` and their offsets from the text's origin, one per byte.
  void PlaceGlyphs(std::string_view text, std::vector<PlacedGlyph>& out) const {
    face_.PlaceGlyphs(text, CharacterHeight(), out);
    if (source_ != MetricsSource::kFixed) return;
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i].offset = FixedMetricsSurface::TextWidth(text.substr(0, i), Metrics());
  }

 private:
  const FontFace& face_;
  MetricsSource source_;
};

class FontMetricsSurface : public Surface {
 public:
  // The catalog must outlive the surface.
  explicit FontMetricsSurface(FontCatalog& catalog, MetricsSource source = MetricsSource::kFace)
      : catalog_(catalog), source_(source) {}

  SurfaceMapping Mapping() const override { return SurfaceMapping::kTrueSize; }
  int HimetricToDevice(int himetric) const override { return himetric; }

 protected:
  std::unique_ptr<SurfaceFont> MakeFont(const KVLogFont& description,
                                        int characterHeight) override {
    return std::make_unique<RealFont>(catalog_.Resolve(description), description, characterHeight,
                                      source_);
  }
  void DrawText(const SurfaceFont&, const TextBox&, std::string_view) override {}
  void DrawLine(Point, Point) override {}
  void DrawPolygon(std::span<const Point>) override {}

 private:
  FontCatalog& catalog_;
  MetricsSource source_;
};

}  // namespace kv
