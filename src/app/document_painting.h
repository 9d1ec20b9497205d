// Paints an equation on a widget exactly as kalvane-cli draws its picture: the same fonts, the
// same drawing code, on the picture's own pixel grid.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <optional>

#include "typeset/node_box.h"

class QPainter;

namespace kv {

class FontCatalog;
class KLV300Doc;

// The picture of `document`, whose box `extent` has just been measured with `fonts`, at `dpi`,
// on `background`. Null for an equation too large for one picture (metres wide); nothing is
// lost. Any thread may make one, each with fonts of its own.
QImage DocumentPicture(FontCatalog& fonts, KLV300Doc& document, const NodeBox& extent, double dpi,
                       const std::optional<QColor>& background);

// Draws the picture of `document` with its top-left corner at `at` (pixels).
void PaintDocument(QPainter& painter, QPoint at, FontCatalog& fonts, KLV300Doc& document,
                   const NodeBox& extent, double dpi, const std::optional<QColor>& background);

}  // namespace kv
