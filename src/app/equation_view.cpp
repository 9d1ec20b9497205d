#include "app/equation_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <cmath>
#include <cstddef>

#include "app/application.h"
#include "app/document_painting.h"
#include "document/document.h"
#include "render/font_surface.h"

namespace kv {
namespace {

// The scroll range reaches a tenth beyond the equation.
constexpr double kScrollShare = 1.1;

// The bytes of the document's lines, told without joining them at every paint.
std::size_t LineBytes(const KLV300Doc& document) {
  std::size_t bytes = 0;
  for (std::size_t line = 0; line < KVEquationList::kLineCount; ++line)
    bytes += document.EquationList().Line(line).size();
  return bytes;
}

}  // namespace

KLV300View::KLV300View(KLV300App& app, KLV300Doc& document, QWidget* parent)
    : QAbstractScrollArea(parent), app_(app), document_(document) {
  setObjectName("equationView");
  setFocusPolicy(Qt::NoFocus);
  // The paint covers every pixel itself: nothing to erase first, so nothing flickers.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  connect(&typesetter_, &BackgroundTypesetter::typeset, this,
          [this](std::uint64_t number, const NodeBox& extent, const QImage& image) {
            shown_ = {number, extent, image};
            viewport()->update();
          });
}

double KLV300View::Scale() const {
  return viewport()->logicalDpiX() / kUnitsPerInch;
}

void KLV300View::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QColor background = palette().color(QPalette::Base);
  painter.fillRect(viewport()->rect(), background);
  if (LineBytes(document_) < backgroundTextBytes_) {
    PaintNow(painter, background);
  } else {
    const double dpi = viewport()->logicalDpiX();
    PaintFromBackground(painter,
                        {document_.GetEquationText(), document_.Settings(), dpi, background});
  }
}

// The equation is drawn as kalvane-cli draws a picture of it, on its own pixel grid, and the
// margin is rounded to whole pixels: the screen shows the very pixels of the exported picture.
QPoint KLV300View::EquationCorner() const {
  const int margin = static_cast<int>(std::lround(kMargin * Scale()));
  return {margin - horizontalScrollBar()->value(), margin - verticalScrollBar()->value()};
}

void KLV300View::ShowExtent(const NodeBox& extent) {
  app_.SetLastExtent(extent);
  SetScrollRange(extent);
}

void KLV300View::PaintNow(QPainter& painter, const QColor& background) {
  FontMetricsSurface measuring(app_.Fonts());
  const NodeBox extent = document_.GetDocumentExtent(measuring);
  ShowExtent(extent);
  PaintDocument(painter, EquationCorner(), app_.Fonts(), document_, extent,
                viewport()->logicalDpiX(), background);
  emit painted(extent);
}

// Asks for a picture of the document as it is now unless it was asked for already, and paints
// the newest picture made meanwhile.
void KLV300View::PaintFromBackground(QPainter& painter, PictureRequest request) {
  if (!(request == requested_)) {
    requested_ = std::move(request);
    requestedNumber_ = typesetter_.Request(requested_.text, requested_.settings, requested_.dpi,
                                           requested_.background);
  }
  const bool current = shown_.number == requestedNumber_;
  if (current) ShowExtent(shown_.extent);
  if (!shown_.image.isNull()) painter.drawImage(EquationCorner(), shown_.image);
  if (current) emit painted(shown_.extent);
}

void KLV300View::SetScrollRange(const NodeBox& extent) {
  const double scale = Scale();
  const int width = static_cast<int>(std::trunc(extent.width * kScrollShare) * scale);
  const int height = static_cast<int>(std::trunc(extent.height * kScrollShare) * scale);
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
  verticalScrollBar()->setPageStep(viewport()->height());
}

void KLV300View::scrollContentsBy(int, int) {
  viewport()->update();
}

}  // namespace kv
