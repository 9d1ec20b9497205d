// Paints an equation on a widget exactly as kalvane-cli draws its picture: the same fonts, the
// same drawing code, on the picture's own pixel grid.
#pragma once

#include <QColor>
#include <QPoint>
#include <optional>

#include "typeset/node_box.h"

class QPainter;

namespace kv {

class FontCatalog;
class KLV300Doc;

// Draws `document`, whose box `extent` has just been measured with `fonts`, with its top-left
// corner at `at` (pixels), at `dpi`, on `background`. An equation too large for one picture
// (metres wide) paints nothing; nothing is lost.
void PaintDocument(QPainter& painter, QPoint at, FontCatalog& fonts, KLV300Doc& document,
                   const NodeBox& extent, double dpi, const std::optional<QColor>& background);

}  // namespace kv
