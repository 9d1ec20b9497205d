#include "render/svg_surface.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "base/clamping.h"
#include "render/svg_numbers.h"

namespace kv {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr int kUnitsPerMillimetre = 100;
constexpr std::size_t kBodyReserve = 4096;

// The shortest form that reads back as the same double: exact for the halves and the
// design-unit scales written here, and always the same text for the same value.
void AppendNumber(std::string& out, double value) {
  if (value == 0) value = 0;  // no "-0"
  char buffer[32];
  out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// A length in logical units as millimetres with two decimals, exactly.
void AppendMillimetres(std::string& out, int units) {
  AppendInteger(out, units / kUnitsPerMillimetre);
  const int hundredths = units % kUnitsPerMillimetre;
  out += '.';
  out += static_cast<char>('0' + hundredths / 10);
  out += static_cast<char>('0' + hundredths % 10);
  out += "mm";
}

// A colour 0x00BBGGRR as "#rrggbb".
void AppendColour(std::string& out, ColorRef colour) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '#';
  for (int shift : {0, 8, 16}) {
    const unsigned channel = (colour >> shift) & 0xFF;
    out += kHex[channel >> 4];
    out += kHex[channel & 0xF];
  }
}

// A logical point in SVG coordinates, which grow downward.
void AppendPoint(std::string& out, Point p) {
  AppendInteger(out, p.x);
  out += ',';
  AppendInteger(out, -static_cast<std::int64_t>(p.y));
}

// The lines of a hatch within one tile of the pattern, in SVG coordinates: each line is drawn
// again beyond the tile's edges so that thick lines continue across tiles.
const char* HatchLines(int hatch) {
  switch (hatch) {
    case kHsHorizontal:
      return "M-10 0H210M-10 200H210";
    case kHsVertical:
      return "M0 -10V210M200 -10V210";
    case kHsCross:
      return "M-10 0H210M-10 200H210M0 -10V210M200 -10V210";
    case kHsFDiagonal:  // down from left to right on the page
      return "M-100 -100L300 300M-100 100L100 300M100 -100L300 100";
    case kHsBDiagonal:  // up from left to right
      return "M-100 300L300 -100M-100 100L100 -100M100 300L300 100";
    case kHsDiagCross:
      return "M-100 -100L300 300M-100 100L100 300M100 -100L300 100"
             "M-100 300L300 -100M-100 100L100 -100M100 300L300 100";
    default:  // a style of no known hatch draws no lines, as with cairo
      return "";
  }
}

}  // namespace

SvgSurface::SvgSurface(FontCatalog& catalog, const PictureFrame& frame,
                       const PictureOptions& options)
    : FontMetricsSurface(catalog, options.metrics), frame_(frame) {
  frame_.width = std::max(frame.width, 1);
  frame_.height = std::max(frame.height, 1);
  const double pointsPerUnit = kPointsPerInch / kUnitsPerInch;
  if (frame_.width * pointsPerUnit > CairoSurface::kMaximumPoints ||
      frame_.height * pointsPerUnit > CairoSurface::kMaximumPoints)
    throw PictureError("the picture is too large to make");

  header_ =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "width=\"";
  AppendMillimetres(header_, frame_.width);
  header_ += "\" height=\"";
  AppendMillimetres(header_, frame_.height);
  header_ += "\" viewBox=\"";
  AppendInteger(header_, frame_.left);
  header_ += ' ';
  AppendInteger(header_, -static_cast<std::int64_t>(frame_.top));
  header_ += ' ';
  AppendInteger(header_, frame_.width);
  header_ += ' ';
  AppendInteger(header_, frame_.height);
  header_ += "\">\n";

  body_.reserve(kBodyReserve);
  if (options.background)
    AppendRectangle(frame_.left, static_cast<double>(frame_.top) - frame_.height, frame_.width,
                    frame_.height, *options.background);
}

int SvgSurface::HimetricToDevice(int himetric) const {
  return ClampLength(std::llround(himetric * kPointsPerInch / kUnitsPerInch));
}

const std::string& SvgSurface::Encode() {
  if (finished_) return encoded_;
  finished_ = true;
  encoded_.reserve(header_.size() + defs_.size() + body_.size() + 32);
  encoded_ = header_;
  if (!defs_.empty()) {
    encoded_ += "<defs>\n";
    encoded_ += defs_;
    encoded_ += "</defs>\n";
  }
  encoded_ += body_;
  encoded_ += "</svg>\n";
  std::string().swap(defs_);
  std::string().swap(body_);
  return encoded_;
}

// ---------------------------------------------------------------------------------------------
// Drawing

void SvgSurface::AppendRectangle(double left, double bottom, double width, double height,
                                 ColorRef colour) {
  body_ += "<rect x=\"";
  AppendNumber(body_, left);
  body_ += "\" y=\"";
  AppendNumber(body_, -(bottom + height));
  body_ += "\" width=\"";
  AppendNumber(body_, width);
  body_ += "\" height=\"";
  AppendNumber(body_, height);
  body_ += "\" fill=\"";
  AppendColour(body_, colour);
  body_ += "\"/>\n";
}

int SvgSurface::GlyphId(const FontFace& face, std::uint32_t glyph) {
  const std::pair<const FontFace*, std::uint32_t> key{&face, glyph};
  auto entry = std::lower_bound(
      glyphIds_.begin(), glyphIds_.end(), key,
      [](const GlyphEntry& known, const auto& wanted) { return known.key < wanted; });
  if (entry != glyphIds_.end() && entry->key == key) return entry->id;
  entry = glyphIds_.insert(entry, {key, -1});
  const std::string& outline = face.OutlinePath(glyph);
  if (outline.empty()) return -1;
  entry->id = static_cast<int>(glyphIds_.size());
  defs_ += "<path id=\"g";
  AppendInteger(defs_, entry->id);
  defs_ += "\" d=\"";
  defs_ += outline;
  defs_ += "\"/>\n";
  return entry->id;
}

void SvgSurface::DrawText(const SurfaceFont& font, const TextBox& box, std::string_view text) {
  if (finished_) return;
  // Every font selected here was made by MakeFont of FontMetricsSurface.
  const auto& realFont = static_cast<const RealFont&>(font);
  const FontFace& face = realFont.Face();
  if (!face.Found()) return;
  if (GetBackgroundMode() == BackgroundMode::kOpaque)
    AppendRectangle(box.left, box.bottom, box.width, box.height, kOpaqueTextBackground);

  const int size = font.CharacterHeight();
  const double scale = static_cast<double>(size) / face.UnitsPerEm();
  realFont.PlaceGlyphs(text, placed_);
  body_ += "<g fill=\"";
  AppendColour(body_, TextColor());
  body_ += "\">\n";
  // Outlines are y-up in design units: every glyph is scaled and turned the right way up alike.
  glyphScaling_ = "\" transform=\"matrix(";
  AppendNumber(glyphScaling_, scale);
  glyphScaling_ += " 0 0 ";
  AppendNumber(glyphScaling_, -scale);
  glyphScaling_ += ' ';
  for (const PlacedGlyph& glyph : placed_) {
    const int id = GlyphId(face, glyph.index);
    if (id < 0) continue;
    body_ += "<use xlink:href=\"#g";
    AppendInteger(body_, id);
    body_ += glyphScaling_;
    AppendInteger(body_, static_cast<std::int64_t>(box.left) + glyph.offset);
    body_ += ' ';
    AppendInteger(body_, -static_cast<std::int64_t>(box.baseline));
    body_ += ")\"/>\n";
  }
  body_ += "</g>\n";

  realFont.ForEachDecoration(box, [this](double left, double bottom, double width, double height) {
    AppendRectangle(left, bottom, width, height, TextColor());
  });
}

bool SvgSurface::AppendPen() {
  const PenAttributes& pen = SelectedPen();
  const std::int32_t style = pen.style & kPenStyleMask;
  if (style == kPsNull) return false;
  const int width = std::max(pen.width, kThinnestLine);
  body_ += " stroke=\"";
  AppendColour(body_, pen.colour);
  body_ += "\" stroke-width=\"";
  AppendInteger(body_, width);
  body_ += "\" stroke-linejoin=\"round\"";
  const std::span<const double> pattern = PenDashPattern(style);
  if (pattern.empty()) {
    body_ += " stroke-linecap=\"round\"";
    return true;
  }
  const int step = std::max(width, kDashStep);
  body_ += " stroke-dasharray=\"";
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (i > 0) body_ += ' ';
    AppendInteger(body_, static_cast<std::int64_t>(pattern[i] * step));
  }
  body_ += '"';
  return true;
}

void SvgSurface::DrawLine(Point from, Point to) {
  if (finished_ || from == to) return;
  const std::size_t start = body_.size();
  body_ += "<line x1=\"";
  AppendInteger(body_, from.x);
  body_ += "\" y1=\"";
  AppendInteger(body_, -static_cast<std::int64_t>(from.y));
  body_ += "\" x2=\"";
  AppendInteger(body_, to.x);
  body_ += "\" y2=\"";
  AppendInteger(body_, -static_cast<std::int64_t>(to.y));
  body_ += '"';
  if (!AppendPen()) {
    body_.resize(start);
    return;
  }
  body_ += "/>\n";
}

const std::string& SvgSurface::HatchId(int hatch, ColorRef colour) {
  const auto [entry, added] = hatchIds_.try_emplace({hatch, colour});
  if (!added) return entry->second;
  entry->second = "h" + std::to_string(hatchIds_.size());
  // Anchored to the logical origin, as the lines of CairoSurface's hatches are.
  defs_ += "<pattern id=\"" + entry->second +
           "\" patternUnits=\"userSpaceOnUse\" x=\"0\" y=\"0\" width=\"";
  AppendInteger(defs_, kHatchSpacing);
  defs_ += "\" height=\"";
  AppendInteger(defs_, kHatchSpacing);
  defs_ += "\"><path d=\"";
  defs_ += HatchLines(hatch);
  defs_ += "\" fill=\"none\" stroke=\"";
  AppendColour(defs_, colour);
  defs_ += "\" stroke-width=\"";
  AppendInteger(defs_, kThinnestLine);
  defs_ += "\"/></pattern>\n";
  return entry->second;
}

void SvgSurface::AppendFill() {
  const BrushAttributes& brush = SelectedBrush();
  if (brush.style == kBsNull) {
    body_ += " fill=\"none\"";
    return;
  }
  body_ += " fill=\"";
  if (brush.style == kBsHatched) {
    body_ += "url(#" + HatchId(brush.hatch, brush.colour) + ")";
  } else {
    AppendColour(body_, brush.colour);
  }
  body_ += "\" fill-rule=\"evenodd\"";
}

void SvgSurface::DrawPolygon(std::span<const Point> points) {
  if (finished_) return;
  const bool filled = SelectedBrush().style != kBsNull;
  const bool outlined = (SelectedPen().style & kPenStyleMask) != kPsNull;
  if (!filled && !outlined) return;
  body_ += "<polygon points=\"";
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (i > 0) body_ += ' ';
    AppendPoint(body_, points[i]);
  }
  body_ += '"';
  AppendFill();
  AppendPen();
  body_ += "/>\n";
}

}  // namespace kv
