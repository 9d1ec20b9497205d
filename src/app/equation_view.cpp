#include "app/equation_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <cmath>

#include "app/application.h"
#include "app/document_painting.h"
#include "document/document.h"
#include "render/font_surface.h"

namespace kv {
namespace {

// The scroll range reaches a tenth beyond the equation.
constexpr double kScrollShare = 1.1;

}  // namespace

KLV300View::KLV300View(KLV300App& app, KLV300Doc& document, QWidget* parent)
    : QAbstractScrollArea(parent), app_(app), document_(document) {
  setObjectName("equationView");
  setFocusPolicy(Qt::NoFocus);
  // The paint covers every pixel itself: nothing to erase first, so nothing flickers.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
}

double KLV300View::Scale() const {
  return viewport()->logicalDpiX() / kUnitsPerInch;
}

void KLV300View::paintEvent(QPaintEvent*) {
  FontMetricsSurface measuring(app_.Fonts());
  const NodeBox extent = document_.GetDocumentExtent(measuring);
  app_.SetLastExtent(extent);
  SetScrollRange(extent);

  QPainter painter(viewport());
  const QColor background = palette().color(QPalette::Base);
  painter.fillRect(viewport()->rect(), background);
  // The equation is drawn as kalvane-cli draws a picture of it, on its own pixel grid, and the
  // margin is rounded to whole pixels: the screen shows the very pixels of the exported picture.
  const int margin = static_cast<int>(std::lround(kMargin * Scale()));
  PaintDocument(
      painter,
      QPoint(margin - horizontalScrollBar()->value(), margin - verticalScrollBar()->value()),
      app_.Fonts(), document_, extent, viewport()->logicalDpiX(), background);
  emit painted(extent);
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
