#include "typeset/surface.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/clamping.h"

namespace kv {

TextBox PlaceTextBox(unsigned align, int x, int y, TextExtent extent, int descent) {
  std::int64_t left = x;
  switch (align & kTaHorizontalMask) {
    case kTaCenter:
      left -= extent.width / 2;
      break;
    case kTaRight:
      left -= extent.width;
      break;
    default:
      break;
  }
  std::int64_t bottom = y;
  switch (align & kTaVerticalMask) {
    case kTaBaseline:
      bottom -= descent;
      break;
    case kTaBottom:
      break;
    default:  // top: y grows upward, so the box hangs below the point
      bottom -= extent.height;
      break;
  }
  const int clampedBottom = ClampLength(bottom);
  return {ClampLength(left), clampedBottom, extent.width, extent.height,
          ClampLength(std::int64_t{clampedBottom} + descent)};
}

SurfaceFont::SurfaceFont(const KVLogFont& description, int characterHeight, TextMetrics metrics)
    : description_(description),
      characterHeight_(std::max(characterHeight, 0)),
      metrics_(characterHeight > 0 ? metrics : TextMetrics{}) {}

TextMetrics Surface::GetTextMetrics() const {
  return font_ ? font_->Metrics() : TextMetrics{};
}

TextExtent Surface::GetTextExtent(std::string_view text) const {
  return font_ ? font_->Extent(text) : TextExtent{};
}

std::optional<int> Surface::GetTextInkTop(std::string_view text) const {
  return font_ ? font_->InkTop(text) : std::nullopt;
}

ColorRef Surface::SetTextColor(ColorRef colour) {
  return std::exchange(textColour_, colour);
}

unsigned Surface::SetTextAlign(unsigned align) {
  return std::exchange(textAlign_, align);
}

BackgroundMode Surface::SetBackgroundMode(BackgroundMode mode) {
  return std::exchange(backgroundMode_, mode);
}

void Surface::TextOut(int x, int y, std::string_view text) {
  if (!font_ || font_->CharacterHeight() <= 0 || text.empty()) return;
  const TextBox box = PlaceTextBox(textAlign_, x, y, font_->Extent(text), font_->Metrics().descent);
  DrawText(*font_, box, text);
}

void Surface::LineTo(Point to) {
  DrawLine(position_, to);
  position_ = to;
}

void Surface::Polygon(std::span<const Point> points) {
  if (points.size() >= 2) DrawPolygon(points);
}

const SurfaceFont* Surface::SelectFont(const SurfaceFont* font) {
  return std::exchange(font_, font);
}

PenAttributes Surface::SelectPen(const PenAttributes& pen) {
  return std::exchange(pen_, pen);
}

BrushAttributes Surface::SelectBrush(const BrushAttributes& brush) {
  return std::exchange(brush_, brush);
}

// ---------------------------------------------------------------------------------------------

FontScope::FontScope(Surface& surface, const KVLogFont& description, int characterHeight)
    : surface_(surface),
      font_(surface.MakeFont(description, characterHeight)),
      previousFont_(surface.SelectFont(font_.get())),
      previousColour_(surface.SetTextColor(description.colour)) {}

FontScope::~FontScope() {
  surface_.SetTextColor(previousColour_);
  surface_.SelectFont(previousFont_);
}

PenScope::PenScope(Surface& surface, const PenAttributes& pen)
    : surface_(surface), previous_(surface.SelectPen(pen)) {}

PenScope::~PenScope() {
  surface_.SelectPen(previous_);
}

BrushScope::BrushScope(Surface& surface, const BrushAttributes& brush)
    : surface_(surface), previous_(surface.SelectBrush(brush)) {}

BrushScope::~BrushScope() {
  surface_.SelectBrush(previous_);
}

}  // namespace kv
