// Pictures that carry their own equation. Every SVG, PNG and WMF picture Kalvane writes holds
// (a) the equation: the bytes of its .kv3 document file (text and settings), base64, under a
// keyword of Kalvane's own; (b) a text for screen readers: the equation's text, readable (SVG
// <title>, PNG "Description"); (c) where its baseline lies: the depth below the baseline. A
// picture read back gives the document again, so the equation can be edited once more.
//
// The payload line, ASCII, one space between its fields, always in this order:
//   version=1 depth=D crc32=HHHHHHHH document=BASE64
// D: the depth in 0.01 mm, a decimal integer (a minus sign allowed); HHHHHHHH: the CRC-32 of the
// document bytes (the one PNG and zlib use), eight lower-case hex digits; BASE64: the document
// bytes in the standard alphabet with padding. Where it goes:
//   SVG  the first children of <svg> are <title>TEXT</title> (left out for an empty text) and
//        <metadata><kalvane:equation xmlns:kalvane="https://kalvane.example/equation/1"
//        version="1" depth="D" crc32="HHHHHHHH">BASE64</kalvane:equation>MATHML</metadata>;
//        the <svg> tag gains role="img" and aria-label="TEXT" unless it has them. MATHML, when
//        given, is the equation's <math> element, for web pages and screen readers.
//   PNG  before the first IDAT: an iTXt chunk "Description" holding TEXT (left out for an empty
//        text), then an iTXt chunk "Kalvane-Equation" holding the payload line; both
//        uncompressed, without language tag.
//   WMF  right after the metafile header: META_ESCAPE records of the escape MFCOMMENT whose data
//        are "Kalvane-Equation" (16 bytes), the part's number from 0 and the number of parts
//        (16 bits each, little-endian) and the next piece of: the payload line, "\n", TEXT.
// TEXT is UTF-8 with lines joined by "\n".
//
// Everything here works on encoded pictures as bytes: a picture is made first, then its equation
// is added, and reading needs no fonts and no cairo. The results are deterministic: the same
// picture and equation give the same bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "render/picture_format.h"

namespace kv {

// The PNG keyword and metafile comment identifier of the payload, and the SVG namespace of its
// element.
inline constexpr std::string_view kEquationKeyword = "Kalvane-Equation";
inline constexpr std::string_view kEquationNamespace = "https://kalvane.example/equation/1";
inline constexpr int kEquationPayloadVersion = 1;
// The most a metafile comment record of the payload holds of it, in bytes.
inline constexpr std::size_t kWmfPayloadPartBytes = 32000;

// The messages of ReadPictureEquation.
inline constexpr char kNotAPictureMessage[] =
    "this is not a picture Kalvane can read (PNG, SVG or WMF)";
inline constexpr char kNoEquationMessage[] = "this picture holds no Kalvane equation";
inline constexpr char kDamagedEquationMessage[] = "the equation in this picture is damaged";
inline constexpr char kNewerEquationMessage[] =
    "the equation in this picture was written by a newer Kalvane";

// What a picture carries about its equation.
struct PictureEquation {
  std::vector<std::uint8_t> document;  // the .kv3 file's bytes
  std::string text;                    // the equation's text, UTF-8, lines joined by "\n"
  int depth = 0;                       // 0.01 mm from the baseline down to the picture's bottom
  bool operator==(const PictureEquation&) const = default;
};

// The picture formats that can carry an equation: SVG, PNG, WMF. PDF pictures carry none.
bool CanCarryEquation(PictureFormat format);

// `picture` (encoded in `format`) with `equation` added. The text is written as ReadableText
// makes it; an SVG picture also gets `mathml` (a <math> element, UTF-8; empty: none). Throws
// PictureError for a picture that is not of that format, one that carries an equation already,
// a format that carries none, or an empty document.
std::string AddPictureEquation(std::string picture, PictureFormat format,
                               const PictureEquation& equation, std::string_view mathml = {});

// The format of an encoded picture, told from its first bytes: the PNG signature, the placeable
// metafile key, or "<?xml" or "<svg" after an optional byte order mark and white space. Nothing
// for anything else.
std::optional<PictureFormat> SniffPictureFormat(std::span<const std::uint8_t> picture);

// The equation a picture carries. On failure nothing, with `error` one of the messages above:
// not a picture Kalvane reads, a picture without an equation, one whose equation is damaged
// (its checksum, its base64 or the picture around it) or one of a newer payload version. Never
// reads beyond the bytes given and never allocates more than a small multiple of their size.
std::optional<PictureEquation> ReadPictureEquation(std::span<const std::uint8_t> picture,
                                                   std::string& error);

// `text` as pictures carry it: valid UTF-8 whose characters all may stand in XML. Ill-formed
// UTF-8 and control characters other than "\n" and "\t" each become U+FFFD.
std::string ReadableText(std::string_view text);

// Appends to `out` a PNG chunk of `type` holding `data`: its length, type, data and CRC.
// Throws PictureError when the data is too large for a chunk.
void AppendPngChunk(std::string& out, std::string_view type, std::string_view data);

// Base64 in the standard alphabet with padding. Decoding skips ASCII white space and refuses
// anything else that is not canonical base64.
std::string EncodeBase64(std::span<const std::uint8_t> bytes);
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

}  // namespace kv
