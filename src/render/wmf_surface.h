// A surface that writes a classic Windows metafile with a placeable header (a ".wmf" picture):
// the format word processors keep best. LibreOffice places such a picture at exactly its
// bounding box, keeps it as vectors in PDF export, and keeps it in .docx files.
//
// The picture is at true size: the placeable header's bounding box is the frame in logical units
// of 0.01 mm (or a coarser unit that divides the inch evenly, for a picture too large for 16-bit
// coordinates), with the frame's top-left corner at (0, 0) and y growing downward as the format
// has it. Text is drawn as glyph outlines (polygon records flattened from the outlines the SVG
// surface uses), so the picture looks the same wherever it is opened. Pens, brushes and hatches
// follow CairoSurface. The output depends only on the drawing calls.
#pragma once

#include <string>
#include <string_view>

#include "render/cairo_surface.h"

namespace kv {

class WmfSurface final : public FontMetricsSurface {
 public:
  // The catalog must outlive the surface. Of the options only the background is used. Throws
  // PictureError for a picture too large for the format.
  WmfSurface(FontCatalog& catalog, const PictureFrame& frame, const PictureOptions& options);
  ~WmfSurface() override;

  int HimetricToDevice(int himetric) const override;

  // Ends the picture and returns it; drawing afterwards is ignored.
  const std::string& Encode();

 protected:
  void DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) override;
  void DrawLine(Point from, Point to) override;
  void DrawPolygon(std::span<const Point> points) override;

 private:
  PictureFrame frame_;
  std::string encoded_;
  bool finished_ = false;
};

}  // namespace kv
