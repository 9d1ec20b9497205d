// The equation on the clipboard as a picture other programs paste, and an equation taken back
// from what the clipboard holds. Each copy leaves exactly one picture format on the clipboard
// (a scalable SVG or a PNG at the screen's resolution on white), both carrying their equation,
// and beside it the document's file under Kalvane's own type, so another Kalvane window gets the
// equation back exactly.
//
// The equation also goes on the clipboard as markup, for programs that take MathML (LibreOffice
// Math's Import MathML from Clipboard) or LaTeX text; those copies hold only the markup.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "typeset/node_box.h"

class QClipboard;
class QMimeData;

namespace kv {

class FontCatalog;
class KLV300Doc;

inline constexpr const char* kEquationMimeType = "application/x-kalvane-equation";
inline constexpr const char* kSvgMimeType = "image/svg+xml";
inline constexpr const char* kPngMimeType = "image/png";
inline constexpr const char* kMathMLMimeType = "application/mathml+xml";

enum class ClipboardPicture {
  kScalable,  // "Copy as Metafile": an SVG picture at true size
  kBitmap,    // "Copy as Bitmap": a PNG picture at the screen's resolution, on white
};

// Replaces what the clipboard holds by `document` drawn into a picture of `extent`. Empty on
// success, otherwise what went wrong, for the user.
QString CopyDocumentPicture(QClipboard* clipboard, FontCatalog& fonts, KLV300Doc& document,
                            const NodeBox& extent, ClipboardPicture kind, double screenDpi);

// The whole equation of `document`, in its own settings, as a MathML file holds it: the XML
// declaration, then one <math> element in the markup's plain style. Raises MarkupError.
std::string StandaloneMathML(KLV300Doc& document);

// Replaces what the clipboard holds by the whole equation of `document` as markup: MathML as
// StandaloneMathML makes it, under its own type and as plain text, the same bytes in both; or
// LaTeX as plain text. Empty on success, otherwise what went wrong, for the user; an equation the
// markup cannot be made of leaves the clipboard as it was.
QString CopyDocumentMathML(QClipboard* clipboard, KLV300Doc& document);
QString CopyDocumentLatex(QClipboard* clipboard, KLV300Doc& document);

// The text of the equation `source` carries when it has no text of its own: a document of
// Kalvane's own type, or a picture Kalvane made. Lines end with "\n", the empty lines at the end
// left out. Nothing when it carries no equation.
std::optional<QString> EquationTextOf(const QMimeData& source);

}  // namespace kv
