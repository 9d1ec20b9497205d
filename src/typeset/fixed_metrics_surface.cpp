#include "typeset/fixed_metrics_surface.h"

#include "base/clamping.h"

namespace kv {
namespace {

class FixedFont final : public SurfaceFont {
 public:
  FixedFont(const KVLogFont& description, int characterHeight)
      : SurfaceFont(description, characterHeight,
                    FixedMetricsSurface::MetricsFor(characterHeight)) {}

  int ExtentWidth(std::string_view text) const override {
    return FixedMetricsSurface::TextWidth(text, Metrics());
  }
};

}  // namespace

TextMetrics FixedMetricsSurface::MetricsFor(int characterHeight) {
  const int s = characterHeight;
  if (s <= 0) return {};
  return {.height = s, .ascent = s - s / 5, .descent = s / 5, .averageWidth = s / 2};
}

int FixedMetricsSurface::TextWidth(std::string_view text, const TextMetrics& metrics) {
  return ClampLength(static_cast<std::int64_t>(text.size()) * metrics.averageWidth);
}

void FixedMetricsSurface::ClearRecords() {
  texts_.clear();
  lines_.clear();
  polygons_.clear();
}

std::unique_ptr<SurfaceFont> FixedMetricsSurface::MakeFont(const KVLogFont& description,
                                                           int characterHeight) {
  return std::make_unique<FixedFont>(description, characterHeight);
}

void FixedMetricsSurface::DrawText(const SurfaceFont& font, const TextBox& box,
                                   std::string_view text) {
  if (!record_) return;
  const KVLogFont& d = font.Description();
  texts_.push_back({.text = std::string(text),
                    .box = box,
                    .align = GetTextAlign(),
                    .transparent = GetBackgroundMode() == BackgroundMode::kTransparent,
                    .face = d.FaceName(),
                    .weight = d.lfWeight,
                    .italic = d.lfItalic != 0,
                    .fontHeight = font.CharacterHeight(),
                    .colour = TextColor()});
}

void FixedMetricsSurface::DrawLine(Point from, Point to) {
  if (record_) lines_.push_back({from, to, SelectedPen()});
}

void FixedMetricsSurface::DrawPolygon(std::span<const Point> points) {
  if (record_)
    polygons_.push_back({{points.begin(), points.end()}, SelectedPen(), SelectedBrush()});
}

}  // namespace kv
