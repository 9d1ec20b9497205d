// A document as a picture that carries its own equation, and a document read back from such a
// picture: what the editor's clipboard commands, kalvane-cli render and the container's rendering
// share. render/picture_metadata.h says what a picture carries and where.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

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
// options' metrics when not given) with `bottomSpace` units of empty space below it, in
// `options.format`, with the document's equation added when the format carries one: its
// document file, its text and the depth of its baseline below the picture's bottom edge.
// Throws PictureError.
EquationPicture MakeEquationPicture(FontCatalog& catalog, KLV300Doc& document,
                                    const PictureOptions& options,
                                    std::optional<NodeBox> extent = std::nullopt,
                                    int bottomSpace = 0);

// Larger files are not pictures of an equation; they are not read whole.
inline constexpr std::uintmax_t kLargestPicture = 64u * 1024 * 1024;

// The format of the file at `path` when it begins as a picture Kalvane writes (SVG, PNG or WMF);
// nothing for any other file, or no regular file. Reads only the file's first bytes. Throws
// PictureError when the file cannot be read.
std::optional<PictureFormat> SniffPictureFile(const std::filesystem::path& path);

// The whole file at `path` when it is a regular file that begins as a picture Kalvane writes
// (SVG, PNG or WMF, told by its content); nothing when it is not such a file. Throws
// PictureError when a picture cannot be read or is too large to be one of an equation.
std::optional<std::vector<std::uint8_t>> ReadPictureFile(const std::filesystem::path& path);

// The text of a document's equation for people: UTF-8, its lines joined by "\n", the empty lines
// at its end left out.
std::string ReadableEquationText(KLV300Doc& document);

// Reads the equation a picture carries into `document` (text and settings), as opening its
// document file would. False, with `error` saying why for a person, for a picture without an
// equation or with a damaged one; the document is then as it was.
bool OpenPictureDocument(KLV300Doc& document, std::span<const std::uint8_t> picture,
                         std::string& error);

}  // namespace kv
