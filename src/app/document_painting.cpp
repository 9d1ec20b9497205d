#include "app/document_painting.h"

#include <QImage>
#include <QPainter>

#include "app/qt_colour.h"
#include "document/document.h"
#include "render/cairo_surface.h"

namespace kv {

namespace {

// Draws the document into a picture and hands its pixels to `use`, while they exist.
template <typename Use>
void WithDocumentPixels(FontCatalog& fonts, KLV300Doc& document, const NodeBox& extent, double dpi,
                        const std::optional<QColor>& background, Use use) {
  try {
    std::optional<ColorRef> pictureBackground;
    if (background) pictureBackground = ColorRefFromQColor(*background);
    CairoSurface surface(fonts, {0, 0, extent.width, extent.height},
                         {PictureFormat::kPng, dpi, pictureBackground, MetricsSource::kFace});
    document.DrawDocument(surface, 0, 0);
    const CairoSurface::Pixels pixels = surface.ImagePixels();
    use(QImage(pixels.data, pixels.width, pixels.height, pixels.stride,
               QImage::Format_ARGB32_Premultiplied));
  } catch (const PictureError&) {
  }
}

}  // namespace

QImage DocumentPicture(FontCatalog& fonts, KLV300Doc& document, const NodeBox& extent, double dpi,
                       const std::optional<QColor>& background) {
  QImage picture;
  // A copy: the pixels belong to the surface.
  WithDocumentPixels(fonts, document, extent, dpi, background,
                     [&picture](const QImage& pixels) { picture = pixels.copy(); });
  return picture;
}

void PaintDocument(QPainter& painter, QPoint at, FontCatalog& fonts, KLV300Doc& document,
                   const NodeBox& extent, double dpi, const std::optional<QColor>& background) {
  WithDocumentPixels(fonts, document, extent, dpi, background,
                     [&](const QImage& pixels) { painter.drawImage(at, pixels); });
}

}  // namespace kv
