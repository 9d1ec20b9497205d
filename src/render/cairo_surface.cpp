#include "render/cairo_surface.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "base/clamping.h"
#include "render/hatch_lines.h"
#include "render/picture_metadata.h"

namespace kv {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMetresPerInch = 0.0254;

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void AppendBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}

// Records the resolution in a PNG (a pHYs chunk after the header chunk), so viewers and word
// processors show the picture at its true size.
void AddPhysicalSize(std::string& png, double dpi) {
  constexpr std::size_t kAfterHeader = 8 + 4 + 4 + 13 + 4;  // signature and the IHDR chunk
  if (png.size() < kAfterHeader) return;
  const auto pixelsPerMetre = static_cast<std::uint32_t>(std::lround(dpi / kMetresPerInch));
  std::string data;
  AppendBigEndian(data, pixelsPerMetre);
  AppendBigEndian(data, pixelsPerMetre);
  data += '\x01';  // the unit is the metre
  std::string chunk;
  AppendPngChunk(chunk, "pHYs", data);
  png.insert(kAfterHeader, chunk);
}

}  // namespace

// Dash patterns of the pen styles, in steps; solid, inside-frame and user styles (which come
// without a style array) have none.
std::span<const double> PenDashPattern(std::int32_t style) {
  static constexpr std::array<double, 2> kDash = {3, 1};
  static constexpr std::array<double, 2> kDot = {1, 1};
  static constexpr std::array<double, 4> kDashDot = {3, 1, 1, 1};
  static constexpr std::array<double, 6> kDashDotDot = {3, 1, 1, 1, 1, 1};
  switch (style) {
    case kPsDash:
      return kDash;
    case kPsDot:
    case kPsAlternate:
      return kDot;
    case kPsDashDot:
      return kDashDot;
    case kPsDashDotDot:
      return kDashDotDot;
    default:
      return {};
  }
}

CairoSurface::CairoSurface(FontCatalog& catalog, const PictureFrame& frame,
                           const PictureOptions& options)
    : FontMetricsSurface(catalog, options.metrics), options_(options) {
  const double width = std::max(frame.width, 1);
  const double height = std::max(frame.height, 1);
  if (options.format == PictureFormat::kPng) {
    if (!(options.dpi >= kMinimumDpi && options.dpi <= kMaximumDpi))
      throw PictureError("the resolution must be between 1 and 10000 dpi");
    scale_ = options.dpi / kUnitsPerInch;
    deviceWidth_ = std::ceil(width * scale_);
    deviceHeight_ = std::ceil(height * scale_);
    if (deviceWidth_ > kMaximumPixelsPerSide || deviceHeight_ > kMaximumPixelsPerSide ||
        deviceWidth_ * deviceHeight_ > kMaximumPixels)
      throw PictureError("the picture would be " + std::to_string(std::lround(deviceWidth_)) +
                         " x " + std::to_string(std::lround(deviceHeight_)) +
                         " pixels, too large to make");
    target_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(deviceWidth_),
                                             static_cast<int>(deviceHeight_)));
    thinnestLine_ = 1.0 / scale_;
  } else {
    scale_ = kPointsPerInch / kUnitsPerInch;
    deviceWidth_ = width * scale_;
    deviceHeight_ = height * scale_;
    if (deviceWidth_ > kMaximumPoints || deviceHeight_ > kMaximumPoints)
      throw PictureError("the picture is too large to make");
    if (options.format == PictureFormat::kSvg) {
      target_.reset(
          cairo_svg_surface_create_for_stream(AppendBytes, &encoded_, deviceWidth_, deviceHeight_));
      cairo_svg_surface_set_document_unit(target_.get(), CAIRO_SVG_UNIT_PT);
    } else {
      target_.reset(
          cairo_pdf_surface_create_for_stream(AppendBytes, &encoded_, deviceWidth_, deviceHeight_));
    }
    thinnestLine_ = kThinnestVectorLine;
  }
  cr_.reset(cairo_create(target_.get()));
  if (cairo_status(cr_.get()) != CAIRO_STATUS_SUCCESS)
    throw PictureError(std::string("cairo cannot make the picture: ") +
                       cairo_status_to_string(cairo_status(cr_.get())));

  if (options.background) {
    SetSourceColour(*options.background);
    cairo_paint(cr_.get());
  }
  // Logical units, y upward, the frame's top-left corner at the device origin.
  cairo_matrix_t toDevice;
  cairo_matrix_init(&toDevice, scale_, 0, 0, -scale_, -frame.left * scale_, frame.top * scale_);
  cairo_set_matrix(cr_.get(), &toDevice);
  // Outlines exactly as measured: no hinting of glyphs or of their metrics.
  cairo_font_options_t* fontOptions = cairo_font_options_create();
  cairo_font_options_set_hint_style(fontOptions, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(fontOptions, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr_.get(), fontOptions);
  cairo_font_options_destroy(fontOptions);
}

CairoSurface::~CairoSurface() = default;

int CairoSurface::HimetricToDevice(int himetric) const {
  return ClampLength(std::llround(himetric * scale_));
}

CairoSurface::Pixels CairoSurface::ImagePixels() {
  if (options_.format != PictureFormat::kPng) return {};
  cairo_surface_flush(target_.get());
  cairo_surface_t* image = target_.get();
  return {cairo_image_surface_get_data(image), cairo_image_surface_get_width(image),
          cairo_image_surface_get_height(image), cairo_image_surface_get_stride(image)};
}

const std::string& CairoSurface::Encode() {
  if (finished_) return encoded_;
  finished_ = true;
  cairo_status_t status = cairo_status(cr_.get());
  if (status == CAIRO_STATUS_SUCCESS) {
    if (options_.format == PictureFormat::kPng) {
      cairo_surface_flush(target_.get());
      status = cairo_surface_write_to_png_stream(target_.get(), AppendBytes, &encoded_);
      if (status == CAIRO_STATUS_SUCCESS) AddPhysicalSize(encoded_, options_.dpi);
    } else {
      cairo_surface_finish(target_.get());
      status = cairo_surface_status(target_.get());
    }
  }
  if (status != CAIRO_STATUS_SUCCESS) {
    encoded_.clear();
    throw PictureError(std::string("cairo could not make the picture: ") +
                       cairo_status_to_string(status));
  }
  return encoded_;
}

// ---------------------------------------------------------------------------------------------
// Drawing

void CairoSurface::SetSourceColour(ColorRef colour) {
  const auto channel = [colour](int shift) { return ((colour >> shift) & 0xFF) / 255.0; };
  cairo_set_source_rgb(cr_.get(), channel(0), channel(8), channel(16));
}

void CairoSurface::FillRectangle(double left, double bottom, double width, double height,
                                 ColorRef colour) {
  SetSourceColour(colour);
  cairo_rectangle(cr_.get(), left, bottom, width, height);
  cairo_fill(cr_.get());
}

void CairoSurface::DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) {
  if (finished_) return;
  // Every font selected here was made by MakeFont of FontMetricsSurface.
  const auto& realFont = static_cast<const RealFont&>(font);
  const FontFace& face = realFont.Face();
  cairo_font_face_t* cairoFace = face.CairoFace();
  if (!cairoFace) return;
  if (GetBackgroundMode() == BackgroundMode::kOpaque)
    FillRectangle(box.left, box.bottom, box.width, box.height, kOpaqueTextBackground);

  const int size = font.CharacterHeight();
  realFont.PlaceGlyphs(text, placed_);
  glyphs_.resize(placed_.size());
  for (std::size_t i = 0; i < placed_.size(); ++i)
    glyphs_[i] = {placed_[i].index, static_cast<double>(box.left) + placed_[i].offset,
                  static_cast<double>(box.baseline)};
  cairo_set_font_face(cr_.get(), cairoFace);
  cairo_matrix_t fontMatrix;  // glyph outlines are y-down; the logical plane is y-up
  cairo_matrix_init_scale(&fontMatrix, size, -size);
  cairo_set_font_matrix(cr_.get(), &fontMatrix);
  SetSourceColour(TextColor());
  cairo_show_glyphs(cr_.get(), glyphs_.data(), static_cast<int>(glyphs_.size()));

  realFont.ForEachDecoration(box, [this](double left, double bottom, double width, double height) {
    FillRectangle(left, bottom, width, height, TextColor());
  });
}

bool CairoSurface::ApplyPen() {
  const PenAttributes& pen = SelectedPen();
  const std::int32_t style = pen.style & kPenStyleMask;
  if (style == kPsNull) return false;
  const double width = std::max<double>(pen.width, thinnestLine_);
  cairo_set_line_width(cr_.get(), width);
  cairo_set_line_join(cr_.get(), CAIRO_LINE_JOIN_ROUND);
  const std::span<const double> pattern = PenDashPattern(style);
  std::array<double, 6> dashes{};
  const double step = std::max<double>(width, kDashStep);
  for (std::size_t i = 0; i < pattern.size(); ++i)
    dashes[i] = pattern[i] * step;
  cairo_set_dash(cr_.get(), dashes.data(), static_cast<int>(pattern.size()), 0);
  cairo_set_line_cap(cr_.get(), pattern.empty() ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  SetSourceColour(pen.colour);
  return true;
}

void CairoSurface::DrawLine(Point from, Point to) {
  if (finished_ || from == to || !ApplyPen()) return;
  cairo_move_to(cr_.get(), from.x, from.y);
  cairo_line_to(cr_.get(), to.x, to.y);
  cairo_stroke(cr_.get());
}

void CairoSurface::TracePolygon(std::span<const Point> points) {
  cairo_new_path(cr_.get());
  for (const Point& p : points)
    cairo_line_to(cr_.get(), p.x, p.y);
  cairo_close_path(cr_.get());
}

void CairoSurface::DrawPolygon(std::span<const Point> points) {
  if (finished_) return;
  FillWithBrush(points);
  if (!ApplyPen()) return;
  TracePolygon(points);
  cairo_stroke(cr_.get());
}

void CairoSurface::FillWithBrush(std::span<const Point> points) {
  const BrushAttributes& brush = SelectedBrush();
  if (brush.style == kBsNull) return;
  TracePolygon(points);
  cairo_set_fill_rule(cr_.get(), CAIRO_FILL_RULE_EVEN_ODD);  // alternate filling
  SetSourceColour(brush.colour);
  if (brush.style != kBsHatched) {
    cairo_fill(cr_.get());
    return;
  }
  cairo_save(cr_.get());
  cairo_clip(cr_.get());
  DrawHatch(brush.hatch);
  cairo_restore(cr_.get());
}

// The hatch's lines across the clip region; the clip keeps them inside the polygon.
void CairoSurface::DrawHatch(int hatch) {
  double x0, y0, x1, y1;
  cairo_clip_extents(cr_.get(), &x0, &y0, &x1, &y1);
  cairo_t* cr = cr_.get();
  ForEachHatchLine(hatch, x0, y0, x1, y1, kHatchSpacing,
                   [cr](double xFrom, double yFrom, double xTo, double yTo) {
                     cairo_move_to(cr, xFrom, yFrom);
                     cairo_line_to(cr, xTo, yTo);
                   });
  cairo_set_line_width(cr, thinnestLine_);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_stroke(cr);
}

}  // namespace kv
