// A document as a picture that carries its own equation, and a document read back from such a
// picture: what the editor's clipboard commands, kalvane-cli render and the container's rendering
// share. render/picture_metadata.h says what a picture carries and where.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "render/cairo_surface.h"
#include "typeset/node_box.h"

namespace kv {

class KLV300Doc;
class FontCatalog;

struct EquationPicture {
  std::string bytes;  // the encoded picture
  NodeBox extent;     // the box the picture shows
};

// `document` drawn by DrawDocument at (0, 0) into a picture of `extent` (measured with the
// options' metrics when not given), in `options.format`, with the document's equation added
// when the format carries one: its document file, its text and the depth of its baseline.
// Throws PictureError.
EquationPicture MakeEquationPicture(FontCatalog& catalog, KLV300Doc& document,
                                    const PictureOptions& options,
                                    std::optional<NodeBox> extent = std::nullopt);

// The text of a document's equation for people: UTF-8, its lines joined by "\n", the empty lines
// at its end left out.
std::string ReadableEquationText(KLV300Doc& document);

// Reads the equation a picture carries into `document` (text and settings), as opening its
// document file would. False, with `error` saying why for a person, for a picture without an
// equation or with a damaged one; the document is then as it was.
bool OpenPictureDocument(KLV300Doc& document, std::span<const std::uint8_t> picture,
                         std::string& error);

}  // namespace kv
