#include "embedding/equation_picture.h"

#include "base/windows1252.h"
#include "document/compound_file.h"
#include "document/document.h"
#include "document/document_file.h"
#include "render/font_surface.h"
#include "render/picture.h"
#include "render/picture_metadata.h"

namespace kv {

EquationPicture MakeEquationPicture(FontCatalog& catalog, KLV300Doc& document,
                                    const PictureOptions& options, std::optional<NodeBox> extent) {
  if (!extent) {
    FontMetricsSurface measuring(catalog, options.metrics);
    extent = document.GetDocumentExtent(measuring);
  }
  const PictureFrame frame{0, 0, extent->width, extent->height};
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
  // The picture's bottom edge is the extent's bottom, and a box's align is the height of its
  // baseline above its bottom: the depth below the baseline is the align itself, the same number
  // `measure` reports. For a document of several lines it is the align GetDocumentExtent gives
  // the stack: its height less the first line's align.
  equation.depth = extent->align;
  return {AddPictureEquation(std::move(picture), options.format, equation), *extent};
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
