// A surface that draws on a QPainter at true size, as vectors: glyphs as filled outlines, lines
// and polygons as paths, so a printer or a PDF file gets sharp shapes at any resolution. It
// measures exactly as FontMetricsSurface does, so what it draws agrees with the measured boxes to
// the unit, and it draws lines, dashes and hatches by CairoSurface's rules for vector pictures
// (see cairo_surface.h), so a printed page looks like the exported picture.
#pragma once

#include <QPainterPath>
#include <QPointF>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "render/font_surface.h"

class QColor;
class QPaintDevice;
class QPainter;
class QPen;

namespace kv {

// How the logical plane (0.01 mm, y upward) reaches the painter's coordinates (y downward):
// a logical point (x, y) lands at (origin.x + x * unitsPerLogicalX, origin.y - y *
// unitsPerLogicalY).
struct PainterMapping {
  double unitsPerLogicalX = 1.0;
  double unitsPerLogicalY = 1.0;
  QPointF origin;
};

// The mapping that draws at true size on `device`, whatever its resolution, with logical (0, 0)
// at `origin` in device units.
PainterMapping TrueSizeMapping(const QPaintDevice& device, QPointF origin = {});

class PainterSurface final : public FontMetricsSurface {
 public:
  // The catalog and the painter (active) must outlive the surface. The mapping applies on top of
  // the painter's transform when the surface is made; the painter's state comes back when the
  // surface is destroyed.
  PainterSurface(FontCatalog& catalog, QPainter& painter, const PainterMapping& mapping);
  ~PainterSurface() override;

  SurfaceMapping Mapping() const override { return SurfaceMapping::kTrueSize; }
  // Horizontal device units of the painter's device, rounded to nearest.
  int HimetricToDevice(int himetric) const override;

 protected:
  void DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) override;
  void DrawLine(Point from, Point to) override;
  void DrawPolygon(std::span<const Point> points) override;

 private:
  // The outline of a glyph in design units, made on first use and kept for the surface's life.
  const QPainterPath& GlyphPath(const FontFace& face, std::uint32_t glyph);
  // The selected pen as a QPen in logical units; false for a pen that draws nothing.
  bool MakePen(QPen& pen) const;
  void FillWithBrush(const QPainterPath& polygon);
  void DrawHatch(const QPainterPath& polygon, int hatch, const QColor& colour);

  QPainter& painter_;
  PainterMapping mapping_;
  std::map<std::pair<const FontFace*, std::uint32_t>, QPainterPath> glyphPaths_;
  // Kept between texts, so drawing a text allocates nothing once it has grown.
  std::vector<PlacedGlyph> placed_;
};

}  // namespace kv
