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
//
// How the drawing maps onto records (all coordinates rounded to the picture's unit):
//  - The frame: META_SETMAPMODE anisotropic, META_SETWINDOWORG (0, 0) and META_SETWINDOWEXT the
//    bounding box, so readers scale the window to the box; a background is a META_POLYGON of
//    the frame with a null pen.
//  - Glyphs: one META_POLYPOLYGON per glyph (all its contours), filled with the text colour under
//    winding filling and a null pen. Curves are flattened to within kFlatness of the outline.
//  - Lines: META_MOVETO and META_LINETO with a solid pen at least kThinnestLine wide. Pens are
//    made with META_CREATEPENINDIRECT, whose pens have round caps and joins, as cairo's lines
//    (geometric pens, which would say so, cannot be made by that record).
//  - Dashed lines: each dash is a META_POLYLINE of a solid pen with flat caps (PS_ENDCAP_FLAT),
//    the pattern measured along the line and on round its corners as cairo does; readers draw
//    wide dashed pens solid.
//  - Polygons: META_POLYGON under alternate filling, the pen outlining it in the same record; an
//    outline alone is a closed META_POLYLINE. Hatched brushes are drawn as lines
//    (ForEachHatchLine) cut to the polygon here: the format's own hatch brushes are a few device
//    pixels apart whatever the picture's size.
// Pens and brushes stay in the object table while the picture uses them (at most kLiveObjects
// at once; the one used longest ago is deleted to make room) and all are deleted before the end
// record. The background mode, which matters to none of these records, is set opaque: libwmf
// fills every shape half transparent under the other mode.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "render/cairo_surface.h"

namespace kv {

class WmfSurface final : public FontMetricsSurface {
 public:
  static constexpr int kThinnestLine = CairoSurface::kThinnestVectorLine;
  static constexpr int kDashStep = CairoSurface::kDashStep;
  static constexpr int kHatchSpacing = CairoSurface::kHatchSpacing;
  // How far a flattened glyph outline may stray from the curves, in the picture's units.
  static constexpr double kFlatness = 1.0;
  // The largest coordinate of the format; a larger picture uses a coarser unit.
  static constexpr int kLargestCoordinate = 32767;
  // The coarser units, as divisors of 0.01 mm that divide the 2540 units of an inch evenly.
  static constexpr int kUnitDivisors[] = {1, 2, 4, 5, 10, 20};
  static constexpr int kLiveObjects = 16;

  // The catalog must outlive the surface. Of the options the background and the metrics are
  // used. Throws PictureError for a picture too large for the format.
  WmfSurface(FontCatalog& catalog, const PictureFrame& frame, const PictureOptions& options);
  ~WmfSurface() override;

  // Units of the picture: 0.01 mm, or the coarser unit of a large picture.
  int HimetricToDevice(int himetric) const override;

  // Ends the picture and returns it; drawing afterwards is ignored.
  const std::string& Encode();

 protected:
  void DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) override;
  void DrawLine(Point from, Point to) override;
  void DrawPolygon(std::span<const Point> points) override;

 private:
  // A point in the picture's units, y downward.
  struct DevicePoint {
    std::int16_t x = 0;
    std::int16_t y = 0;
    bool operator==(const DevicePoint&) const = default;
  };
  // A logical point that need not fall on the grid (a dash's end, a glyph's point).
  struct RealPoint {
    double x = 0;
    double y = 0;
  };
  // A pen or brush as its record describes it.
  struct ObjectKey {
    bool pen = false;
    std::uint16_t style = 0;
    std::int16_t width = 0;  // pens
    std::uint32_t colour = 0;
    std::uint16_t hatch = 0;  // brushes
    bool operator==(const ObjectKey&) const = default;
  };
  struct LiveObject {
    ObjectKey key;
    int index = 0;
    std::uint64_t lastUse = 0;
  };
  // A glyph's outline flattened at one size: its contours' points (x, y pairs) in logical units
  // from the glyph's origin, y upward, each contour without its closing point.
  struct FlatGlyph {
    std::vector<double> xy;
    std::vector<std::size_t> contourSizes;
  };

  DevicePoint ToDevice(double x, double y) const;
  std::int16_t DeviceWidth(int width) const;

  void AppendWord(std::uint16_t word);
  void AppendPoint(DevicePoint point);
  std::size_t BeginRecord(std::uint16_t function);
  void EndRecord(std::size_t start);
  void AppendOneWordRecord(std::uint16_t function, std::uint16_t value);

  void Select(const ObjectKey& key);
  void SelectPen(std::uint16_t style, int width, ColorRef colour);
  void SelectNullPen();
  void SelectSolidBrush(ColorRef colour);
  void SetFillMode(std::uint16_t mode);

  void FillRectangle(double left, double bottom, double width, double height, ColorRef colour);
  void AppendPolygon(std::uint16_t function, std::span<const DevicePoint> points);
  void AppendLine(DevicePoint from, DevicePoint to);
  // The selected pen's lines along `path` (closed back to its start when `closed`).
  void StrokePath(std::span<const Point> path, bool closed);
  void StrokeDashes(std::span<const Point> path, bool closed, std::span<const double> pattern,
                    double step);
  void FillHatched(std::span<const Point> points, const BrushAttributes& brush);
  void AppendRealPolyline(std::span<const RealPoint> points);
  const FlatGlyph& Flattened(const FontFace& face, std::uint32_t glyph, int size);

  PictureFrame frame_;
  int divisor_ = 1;  // logical units per unit of the picture
  int deviceWidth_ = 1;
  int deviceHeight_ = 1;
  std::string body_;  // the records after the header
  std::string encoded_;
  bool finished_ = false;
  std::uint32_t largestRecord_ = 0;  // in 16-bit words

  std::vector<bool> slots_;  // the object table: which indices hold an object
  std::vector<LiveObject> live_;
  std::optional<ObjectKey> selectedPen_;
  std::optional<ObjectKey> selectedBrush_;
  std::uint64_t uses_ = 0;
  std::uint16_t fillMode_ = 0;           // 0 until first set
  std::optional<DevicePoint> position_;  // where the last line ended

  std::map<std::tuple<const FontFace*, std::uint32_t, int>, FlatGlyph> glyphs_;
  // Kept between calls, so drawing allocates little once they have grown.
  std::vector<PlacedGlyph> placed_;
  std::vector<DevicePoint> devicePoints_;
  std::vector<std::uint16_t> contourCounts_;
  std::vector<RealPoint> piece_;
};

}  // namespace kv
