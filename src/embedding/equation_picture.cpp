#include "embedding/equation_picture.h"

#include "document/document.h"
#include "render/font_surface.h"
#include "render/picture.h"

namespace kv {

// To be written: the equation is not added yet.
EquationPicture MakeEquationPicture(FontCatalog& catalog, KLV300Doc& document,
                                    const PictureOptions& options, std::optional<NodeBox> extent) {
  if (!extent) {
    FontMetricsSurface measuring(catalog, options.metrics);
    extent = document.GetDocumentExtent(measuring);
  }
  const PictureFrame frame{0, 0, extent->width, extent->height};
  return {MakePicture(catalog, frame, options,
                      [&document](Surface& surface) { document.DrawDocument(surface, 0, 0); }),
          *extent};
}

bool OpenPictureDocument(KLV300Doc&, std::span<const std::uint8_t>, std::string& error) {
  error = "pictures cannot be read yet";
  return false;
}

}  // namespace kv
