// Printing a document: one page with the equation at its true size, its top-left corner 5 mm
// right of and below the page's top-left corner, drawn as vectors (glyph outlines, lines and
// polygons), so a printer or a PDF file gets sharp shapes at any resolution.
#pragma once

#include <QString>

class QPrinter;

namespace kv {

class FontCatalog;
class KLV300Doc;

// Prints `document` on one page of `printer`. False, with `error` saying why, when the printer
// cannot be started (a PDF file that cannot be written, for one).
bool PrintDocument(KLV300Doc& document, FontCatalog& fonts, QPrinter& printer, QString& error);

}  // namespace kv
