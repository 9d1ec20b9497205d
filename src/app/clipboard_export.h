// The equation on the clipboard as a picture other programs paste, and an equation taken back
// from what the clipboard holds. Each copy leaves exactly one picture format on the clipboard
// (a scalable SVG or a PNG at the screen's resolution on white), both carrying their equation,
// and beside it the document's file under Kalvane's own type, so another Kalvane window gets the
// equation back exactly.
#pragma once

#include <QString>
#include <optional>

#include "typeset/node_box.h"

class QClipboard;
class QMimeData;

namespace kv {

class FontCatalog;
class KLV300Doc;

inline constexpr const char* kEquationMimeType = "application/x-kalvane-equation";
inline constexpr const char* kSvgMimeType = "image/svg+xml";
inline constexpr const char* kPngMimeType = "image/png";

enum class ClipboardPicture {
  kScalable,  // "Copy as Metafile": an SVG picture at true size
  kBitmap,    // "Copy as Bitmap": a PNG picture at the screen's resolution, on white
};

// Replaces what the clipboard holds by `document` drawn into a picture of `extent`. Empty on
// success, otherwise what went wrong, for the user.
QString CopyDocumentPicture(QClipboard* clipboard, FontCatalog& fonts, KLV300Doc& document,
                            const NodeBox& extent, ClipboardPicture kind, double screenDpi);

// The text of the equation `source` carries when it has no text of its own: a document of
// Kalvane's own type, or a picture Kalvane made. Lines end with "\n", the empty lines at the end
// left out. Nothing when it carries no equation.
std::optional<QString> EquationTextOf(const QMimeData& source);

}  // namespace kv
