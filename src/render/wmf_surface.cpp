#include "render/wmf_surface.h"

namespace kv {

// To be written.
WmfSurface::WmfSurface(FontCatalog& catalog, const PictureFrame& frame, const PictureOptions&)
    : FontMetricsSurface(catalog), frame_(frame) {
  throw PictureError("metafiles cannot be written yet");
}

WmfSurface::~WmfSurface() = default;

int WmfSurface::HimetricToDevice(int himetric) const {
  return himetric;
}

const std::string& WmfSurface::Encode() {
  finished_ = true;
  return encoded_;
}

void WmfSurface::DrawText(const SurfaceFont&, const TextBox&, std::string_view) {}
void WmfSurface::DrawLine(Point, Point) {}
void WmfSurface::DrawPolygon(std::span<const Point>) {}

}  // namespace kv
