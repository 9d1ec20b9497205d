#include "app/document_painting.h"

#include <QImage>
#include <QPainter>

#include "app/qt_colour.h"
#include "document/document.h"
#include "render/cairo_surface.h"

namespace kv {

void PaintDocument(QPainter& painter, QPoint at, FontCatalog& fonts, KLV300Doc& document,
                   const NodeBox& extent, double dpi, const std::optional<QColor>& background) {
  try {
    std::optional<ColorRef> pictureBackground;
    if (background) pictureBackground = ColorRefFromQColor(*background);
    CairoSurface surface(fonts, {0, 0, extent.width, extent.height},
                         {PictureFormat::kPng, dpi, pictureBackground, MetricsSource::kFace});
    document.DrawDocument(surface, 0, 0);
    const CairoSurface::Pixels pixels = surface.ImagePixels();
    const QImage image(pixels.data, pixels.width, pixels.height, pixels.stride,
                       QImage::Format_ARGB32_Premultiplied);
    painter.drawImage(at, image);
  } catch (const PictureError&) {
  }
}

}  // namespace kv
