#include "app/printing.h"

#include <QDir>
#include <QPainter>
#include <QPrinter>

#include "app/equation_view.h"
#include "app/painter_surface.h"
#include "document/document.h"

namespace kv {
namespace {

QString CannotStartMessage(const QPrinter& printer) {
  if (!printer.outputFileName().isEmpty())
    return QString("The file %1 could not be written.")
        .arg(QDir::toNativeSeparators(printer.outputFileName()));
  return "The printer could not be started.";
}

}  // namespace

bool PrintDocument(KLV300Doc& document, FontCatalog& fonts, QPrinter& printer, QString& error) {
  // The whole sheet is the painter's plane, its top-left corner the origin, so the margin is
  // measured from the paper's edge as on the screen, whatever the printer cannot reach.
  printer.setFullPage(true);
  QPainter painter;
  if (!painter.begin(&printer)) {
    error = CannotStartMessage(printer);
    return false;
  }
  {
    PainterSurface surface(fonts, painter, TrueSizeMapping(printer));
    document.GetDocumentExtent(surface);  // drawing places the lines where measuring put them
    document.DrawDocument(surface, KLV300View::kMargin, -KLV300View::kMargin);
  }
  if (!painter.end()) {
    error = "The page could not be finished.";
    return false;
  }
  return true;
}

}  // namespace kv
