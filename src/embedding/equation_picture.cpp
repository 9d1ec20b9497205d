#include "embedding/equation_picture.h"

#include <fstream>

#include "base/windows1252.h"
#include "document/compound_file.h"
#include "document/document.h"
#include "document/document_file.h"
#include "markup/markup.h"
#include "render/font_surface.h"
#include "render/picture.h"
#include "render/picture_metadata.h"

namespace kv {

namespace {

// The MathML an SVG picture carries for web pages and screen readers: the plain style, which
// leaves the look to the page. The lines were read for the picture already. An equation too deep
// for markup still gets its picture.
std::string PictureMathML(KLV300Doc& document) {
  try {
    return EquationMathML(document.ReadLines(), document.Settings(), MarkupOptions{});
  } catch (const MarkupError&) {
    return {};
  }
}

}  // namespace

EquationPicture MakeEquationPicture(FontCatalog& catalog, KLV300Doc& document,
                                    const PictureOptions& options, std::optional<NodeBox> extent,
                                    int bottomSpace) {
  if (!extent) {
    FontMetricsSurface measuring(catalog, options.metrics);
    extent = document.GetDocumentExtent(measuring);
  }
  const PictureFrame frame{0, 0, extent->width, extent->height + bottomSpace};
  std::string picture = MakePicture(catalog, frame, options, [&document](Surface& surface) {
    document.DrawDocument(surface, 0, 0);
  });
  if (!CanCarryEquation(options.format)) return {std::move(picture), *extent};

  PictureEquation equation;
  try {
    equation.document = DocumentFileBytes(document);
  } catch (const StorageError& error) {
    throw PictureError(std::string("the equation cannot be stored: ") + error.Detail());
  }
  equation.text = ReadableEquationText(document);
  // The picture's bottom edge lies `bottomSpace` below the extent's bottom, and a box's align is
  // the height of its baseline above its bottom: the depth below the baseline is the align (the
  // number `measure` reports) and the space. For a document of several lines the align is the
  // one GetDocumentExtent gives the stack: its height less the first line's align.
  equation.depth = extent->align + bottomSpace;
  const std::string mathml =
      options.format == PictureFormat::kSvg ? PictureMathML(document) : std::string();
  return {AddPictureEquation(std::move(picture), options.format, equation, mathml), *extent};
}

std::string ReadableEquationText(KLV300Doc& document) {
  const std::string utf8 = Windows1252ToUtf8(document.GetEquationText());
  std::string text;
  text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] != '\r') {
      text += utf8[i];
      continue;
    }
    text += '\n';
    if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
  }
  while (!text.empty() && text.back() == '\n')
    text.pop_back();
  return text;
}

namespace {

// Opens the file at `path` into `in` and reads enough of its start to tell a picture format;
// nothing when it is no regular file. Throws PictureError when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::filesystem::path& path,
                                                       std::ifstream& in) {
  constexpr std::size_t kSniffedBytes = 64;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  in.open(path, std::ios::binary);
  if (!in) throw PictureError("the file cannot be read");
  std::vector<std::uint8_t> bytes(kSniffedBytes);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace

std::optional<PictureFormat> SniffPictureFile(const std::filesystem::path& path) {
  std::ifstream in;
  const std::optional<std::vector<std::uint8_t>> start = ReadFileStart(path, in);
  return start ? SniffPictureFormat(*start) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadPictureFile(const std::filesystem::path& path) {
  std::ifstream in;
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileStart(path, in);
  if (!bytes || !SniffPictureFormat(*bytes)) return std::nullopt;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw PictureError(error.message());
  if (size > kLargestPicture)
    throw PictureError("the file is too large to be a picture of an equation");
  bytes->resize(static_cast<std::size_t>(size));
  in.clear();
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
  if (in.gcount() != static_cast<std::streamsize>(size))
    throw PictureError("the file cannot be read");
  return bytes;
}

bool OpenPictureDocument(KLV300Doc& document, std::span<const std::uint8_t> picture,
                         std::string& error) {
  const std::optional<PictureEquation> equation = ReadPictureEquation(picture, error);
  if (!equation) return false;
  try {
    OpenDocumentBytes(document, equation->document);
  } catch (const StorageError&) {
    error = kDamagedEquationMessage;
    return false;
  }
  return true;
}

}  // namespace kv
