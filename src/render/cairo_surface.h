// A surface that draws a picture with cairo: PNG at a chosen resolution, SVG or PDF, always at
// true size (one logical unit is 0.01 mm on paper), on a transparent or coloured background.
// Text is drawn with the FontCatalog's faces, each glyph where the face's metrics place it, so a
// picture never disagrees with the boxes measured on it.
//
// Lines use round caps and joins; dashed lines use flat caps and repeat their pattern in steps
// of the line width (at least kDashStep), so a thin dashed line stays visibly dashed. No line is
// thinner than one pixel in a PNG or kThinnestVectorLine in SVG and PDF. An inside-frame pen
// draws lines and polygons like a solid one. Hatched brushes draw their lines kHatchSpacing
// apart, anchored to the logical origin.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/font_surface.h"
#include "render/picture_format.h"

namespace kv {

// The bits of a pen's style that say how its lines are broken (the rest are pen-type flags), and
// the style of a pen that sets every other pixel.
inline constexpr std::int32_t kPenStyleMask = 0x0F;
inline constexpr std::int32_t kPsAlternate = 8;

// The dash pattern of a pen style (its bits under kPenStyleMask) as lengths in steps, alternately
// drawn and left out; empty for unbroken lines (solid, inside-frame and user styles).
std::span<const double> PenDashPattern(std::int32_t style);

// The part of the logical plane a picture shows: the logical point at its top-left corner and
// its size in logical units. With y growing upward the picture spans x from left to left +
// width and y from top - height to top. A size below 1 is taken as 1.
struct PictureFrame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct PictureOptions {
  PictureFormat format = PictureFormat::kPng;
  double dpi = 96.0;                   // PNG only: pixels per inch
  std::optional<ColorRef> background;  // none: transparent
  // How fonts measure; the picture must be laid out (measured) with the same.
  MetricsSource metrics = MetricsSource::kFace;
};

class CairoSurface final : public FontMetricsSurface {
 public:
  static constexpr double kMinimumDpi = 1.0;
  static constexpr double kMaximumDpi = 10000.0;
  static constexpr int kMaximumPixelsPerSide = 32767;
  static constexpr double kMaximumPixels = 64.0 * 1024 * 1024;
  static constexpr double kMaximumPoints = 1.0e6;  // SVG and PDF, per side
  static constexpr int kThinnestVectorLine = 10;
  static constexpr int kDashStep = 25;
  static constexpr int kHatchSpacing = 200;

  // The catalog must outlive the surface. Throws PictureError.
  CairoSurface(FontCatalog& catalog, const PictureFrame& frame, const PictureOptions& options);
  ~CairoSurface() override;

  // The picture's size in pixels (PNG) or points (SVG, PDF).
  double DeviceWidth() const { return deviceWidth_; }
  double DeviceHeight() const { return deviceHeight_; }
  int HimetricToDevice(int himetric) const override;

  // The pixels of a PNG picture as drawn so far, for showing it on the screen without encoding
  // it: premultiplied ARGB, 32 bits a pixel in the machine's byte order, `stride` bytes a row.
  // Valid while the surface lives; empty for SVG and PDF.
  struct Pixels {
    const unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
  };
  Pixels ImagePixels();

  // Ends the picture and returns it encoded; drawing afterwards is ignored. Throws PictureError
  // when cairo failed.
  const std::string& Encode();

 protected:
  void DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) override;
  void DrawLine(Point from, Point to) override;
  void DrawPolygon(std::span<const Point> points) override;

 private:
  struct CairoDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  };

  void SetSourceColour(ColorRef colour);
  void FillRectangle(double left, double bottom, double width, double height, ColorRef colour);
  bool ApplyPen();
  void FillWithBrush(std::span<const Point> points);
  void DrawHatch(int hatch);
  void TracePolygon(std::span<const Point> points);

  PictureOptions options_;
  double scale_ = 1.0;  // device units per logical unit
  double deviceWidth_ = 0.0;
  double deviceHeight_ = 0.0;
  double thinnestLine_ = 1.0;  // logical units
  std::string encoded_;
  bool finished_ = false;
  std::unique_ptr<cairo_surface_t, CairoDeleter> target_;
  std::unique_ptr<cairo_t, CairoDeleter> cr_;
  std::vector<PlacedGlyph> placed_;
  std::vector<cairo_glyph_t> glyphs_;
};

}  // namespace kv
