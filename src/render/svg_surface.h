// A surface that writes an SVG picture directly, for pictures made by the thousand: the same
// frame, options and drawing as CairoSurface's SVG, at a fraction of the cost.
//
// The picture is at true size: its width and height are in millimetres and its viewBox is in
// logical units (0.01 mm), with the frame's top-left corner at the view's top-left. Logical y
// grows upward and SVG's downward, so a logical point (x, y) is written as (x, -y): coordinates
// stay integers and no transform is needed.
//
// Text is drawn as glyph outlines, never as <text>, so the picture looks the same where its fonts
// are not installed. Each glyph's outline comes from its face (FontFace::OutlinePath, made once
// per run); a picture defines each glyph it uses once in <defs> and places it with <use> at the
// position FontFace::PlaceGlyphs gives, so a picture never disagrees with the boxes measured on
// it. Lines, pens, brushes and hatches follow CairoSurface (see its header). The output depends
// only on the drawing calls: the same calls give the same bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "render/cairo_surface.h"

namespace kv {

class SvgSurface final : public FontMetricsSurface {
 public:
  static constexpr int kThinnestLine = CairoSurface::kThinnestVectorLine;
  static constexpr int kDashStep = CairoSurface::kDashStep;
  static constexpr int kHatchSpacing = CairoSurface::kHatchSpacing;

  // The catalog must outlive the surface. Of the options only the background is used (the
  // picture is SVG whatever the format says). Throws PictureError for a picture too large.
  SvgSurface(FontCatalog& catalog, const PictureFrame& frame, const PictureOptions& options);

  // Points, as CairoSurface's SVG pictures count device units.
  int HimetricToDevice(int himetric) const override;

  // Ends the picture and returns it; drawing afterwards is ignored.
  const std::string& Encode();

 protected:
  void DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) override;
  void DrawLine(Point from, Point to) override;
  void DrawPolygon(std::span<const Point> points) override;

 private:
  // The id number of a glyph's definition in this picture (defining it on first use), or -1 for a
  // glyph without outline.
  int GlyphId(const FontFace& face, std::uint32_t glyph);
  // The id of a hatch pattern in this picture, defined on first use.
  const std::string& HatchId(int hatch, ColorRef colour);
  void AppendRectangle(double left, double bottom, double width, double height, ColorRef colour);
  // The stroke attributes of the selected pen; false for a pen that draws nothing.
  bool AppendPen();
  void AppendFill();

  PictureFrame frame_;
  std::string header_;
  std::string defs_;
  std::string body_;
  std::string encoded_;
  bool finished_ = false;
  // The glyphs met so far, sorted by face and glyph, with their ids (-1: no outline). A picture
  // uses a few dozen glyphs, so a sorted vector beats a tree of allocated nodes.
  struct GlyphEntry {
    std::pair<const FontFace*, std::uint32_t> key;
    int id = -1;
  };
  std::vector<GlyphEntry> glyphIds_;
  std::map<std::pair<int, ColorRef>, std::string> hatchIds_;
  // Kept between texts, so drawing a text allocates nothing once they have grown.
  std::vector<PlacedGlyph> placed_;
  std::string glyphScaling_;
};

}  // namespace kv
