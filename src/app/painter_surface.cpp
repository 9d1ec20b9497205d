#include "app/painter_surface.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>

#include "app/qt_colour.h"
#include "base/clamping.h"
#include "render/cairo_surface.h"
#include "render/glyph_outline.h"
#include "render/hatch_lines.h"

namespace kv {
namespace {

QPointF PointOf(OutlinePoint point) {
  return {static_cast<double>(point.x), static_cast<double>(point.y)};
}

// Builds a glyph's outline as a painter path in design units.
class PainterPathSink final : public OutlineSink {
 public:
  explicit PainterPathSink(QPainterPath& path) : path_(path) {}

  void MoveTo(OutlinePoint to) override { path_.moveTo(PointOf(to)); }
  void LineTo(OutlinePoint to) override { path_.lineTo(PointOf(to)); }
  void QuadraticTo(OutlinePoint control, OutlinePoint to) override {
    path_.quadTo(PointOf(control), PointOf(to));
  }
  void CubicTo(OutlinePoint control1, OutlinePoint control2, OutlinePoint to) override {
    path_.cubicTo(PointOf(control1), PointOf(control2), PointOf(to));
  }
  void Close() override { path_.closeSubpath(); }

 private:
  QPainterPath& path_;
};

QPainterPath PolygonPath(std::span<const Point> points) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);  // alternate filling
  path.moveTo(points.front().x, points.front().y);
  for (const Point& p : points.subspan(1))
    path.lineTo(p.x, p.y);
  path.closeSubpath();
  return path;
}

}  // namespace

PainterMapping TrueSizeMapping(const QPaintDevice& device, QPointF origin) {
  return {device.logicalDpiX() / kUnitsPerInch, device.logicalDpiY() / kUnitsPerInch, origin};
}

PainterSurface::PainterSurface(FontCatalog& catalog, QPainter& painter,
                               const PainterMapping& mapping)
    : FontMetricsSurface(catalog), painter_(painter), mapping_(mapping) {
  painter_.save();
  // Everything is drawn in logical units, y upward; the painter turns it the right way up.
  painter_.setWorldTransform(QTransform(mapping.unitsPerLogicalX, 0, 0, -mapping.unitsPerLogicalY,
                                        mapping.origin.x(), mapping.origin.y()),
                             true);
  painter_.setRenderHint(QPainter::Antialiasing);
}

PainterSurface::~PainterSurface() {
  painter_.restore();
}

int PainterSurface::HimetricToDevice(int himetric) const {
  return ClampLength(std::llround(himetric * mapping_.unitsPerLogicalX));
}

// ---------------------------------------------------------------------------------------------
// Text

const QPainterPath& PainterSurface::GlyphPath(const FontFace& face, std::uint32_t glyph) {
  const auto [entry, added] = glyphPaths_.try_emplace({&face, glyph});
  if (!added) return entry->second;
  QPainterPath& path = entry->second;
  path.setFillRule(Qt::WindingFill);  // as fonts fill their outlines
  PainterPathSink sink(path);
  if (!DecomposeGlyphOutline(face.FreeTypeFace(), glyph, face.SyntheticBold(),
                             face.SyntheticItalic(), sink))
    path.clear();  // a glyph that cannot be read draws nothing rather than a part of itself
  return path;
}

void PainterSurface::DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) {
  // Every font selected here was made by MakeFont of FontMetricsSurface.
  const auto& realFont = static_cast<const RealFont&>(font);
  const FontFace& face = realFont.Face();
  if (!face.Found()) return;
  if (GetBackgroundMode() == BackgroundMode::kOpaque)
    painter_.fillRect(QRectF(box.left, box.bottom, box.width, box.height),
                      QColorFromColorRef(kOpaqueTextBackground));

  const double scale = static_cast<double>(font.CharacterHeight()) / face.UnitsPerEm();
  const QColor colour = QColorFromColorRef(TextColor());
  realFont.PlaceGlyphs(text, placed_);
  for (const PlacedGlyph& glyph : placed_) {
    const QPainterPath& outline = GlyphPath(face, glyph.index);
    if (outline.isEmpty()) continue;
    // Outlines are y-up in design units like the logical plane: only scaled and moved.
    const QTransform placement(scale, 0, 0, scale, static_cast<double>(box.left) + glyph.offset,
                               box.baseline);
    painter_.fillPath(placement.map(outline), colour);
  }

  realFont.ForEachDecoration(box, [&](double left, double bottom, double width, double height) {
    painter_.fillRect(QRectF(left, bottom, width, height), colour);
  });
}

// ---------------------------------------------------------------------------------------------
// Lines and polygons

bool PainterSurface::MakePen(QPen& pen) const {
  const PenAttributes& selected = SelectedPen();
  const std::int32_t style = selected.style & kPenStyleMask;
  if (style == kPsNull) return false;
  const double width = std::max(selected.width, CairoSurface::kThinnestVectorLine);
  pen = QPen(QColorFromColorRef(selected.colour), width);
  pen.setJoinStyle(Qt::RoundJoin);
  const std::span<const double> pattern = PenDashPattern(style);
  if (pattern.empty()) {
    pen.setCapStyle(Qt::RoundCap);
    return true;
  }
  // Qt counts dashes in line widths; the pattern's step is the width, but never below
  // kDashStep, so a thin dashed line stays visibly dashed.
  const double step = std::max<double>(width, CairoSurface::kDashStep);
  QList<qreal> dashes;
  for (double length : pattern)
    dashes.append(length * step / width);
  pen.setDashPattern(dashes);
  pen.setCapStyle(Qt::FlatCap);
  return true;
}

void PainterSurface::DrawLine(Point from, Point to) {
  QPen pen;
  if (from == to || !MakePen(pen)) return;
  painter_.setPen(pen);
  painter_.drawLine(QPointF(from.x, from.y), QPointF(to.x, to.y));
}

void PainterSurface::DrawPolygon(std::span<const Point> points) {
  const QPainterPath polygon = PolygonPath(points);
  FillWithBrush(polygon);
  QPen pen;
  if (MakePen(pen)) painter_.strokePath(polygon, pen);
}

void PainterSurface::FillWithBrush(const QPainterPath& polygon) {
  const BrushAttributes& brush = SelectedBrush();
  if (brush.style == kBsNull) return;
  if (brush.style != kBsHatched) {
    painter_.fillPath(polygon, QColorFromColorRef(brush.colour));
    return;
  }
  painter_.save();
  painter_.setClipPath(polygon, Qt::IntersectClip);
  DrawHatch(polygon, brush.hatch, QColorFromColorRef(brush.colour));
  painter_.restore();
}

// The hatch's lines across the polygon's bounds; the clip keeps them inside the polygon.
void PainterSurface::DrawHatch(const QPainterPath& polygon, int hatch, const QColor& colour) {
  const QRectF bounds = polygon.boundingRect();
  QPainterPath lines;
  ForEachHatchLine(hatch, bounds.left(), bounds.top(), bounds.right(), bounds.bottom(),
                   CairoSurface::kHatchSpacing,
                   [&lines](double xFrom, double yFrom, double xTo, double yTo) {
                     lines.moveTo(xFrom, yFrom);
                     lines.lineTo(xTo, yTo);
                   });
  QPen pen(colour, CairoSurface::kThinnestVectorLine);
  pen.setCapStyle(Qt::FlatCap);
  painter_.strokePath(lines, pen);
}

}  // namespace kv
