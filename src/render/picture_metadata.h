// Pictures that carry their own equation. Every SVG, PNG and WMF picture Kalvane writes holds
// (a) the equation: the bytes of its .kv3 document file (text and settings), base64, under a
// keyword of Kalvane's own; (b) a text for screen readers: the equation's text, readable (SVG
// <title>, PNG "Description"); (c) where its baseline lies: the depth below the baseline. A
// picture read back gives the document again, so the equation can be edited once more.
//
// Everything here works on encoded pictures as bytes: a picture is made first, then its equation
// is added, and reading needs no fonts. The results are deterministic: the same picture and
// equation give the same bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "render/cairo_surface.h"

namespace kv {

// What a picture carries about its equation.
struct PictureEquation {
  std::vector<std::uint8_t> document;  // the .kv3 file's bytes
  std::string text;                    // the equation's text, UTF-8, lines joined by "\n"
  int depth = 0;                       // 0.01 mm from the baseline down to the picture's bottom
  bool operator==(const PictureEquation&) const = default;
};

// The picture formats that can carry an equation: SVG, PNG, WMF. PDF pictures carry none.
bool CanCarryEquation(PictureFormat format);

// `picture` (encoded in `format`) with `equation` added. Throws PictureError for a picture that
// is not of that format or a format that carries no equation.
std::string AddPictureEquation(std::string picture, PictureFormat format,
                               const PictureEquation& equation);

// The format of an encoded picture, told from its first bytes; nothing for anything else.
std::optional<PictureFormat> SniffPictureFormat(std::span<const std::uint8_t> picture);

// The equation a picture carries. On failure nothing, with `error` saying why for a person: not a
// picture Kalvane reads, a picture without an equation, or one whose equation is damaged. Never
// reads beyond the bytes given and never allocates more than a small multiple of their size.
std::optional<PictureEquation> ReadPictureEquation(std::span<const std::uint8_t> picture,
                                                   std::string& error);

}  // namespace kv
