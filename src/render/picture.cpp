#include "render/picture.h"

namespace kv {

std::string MakePicture(FontCatalog& catalog, const PictureFrame& frame,
                        const PictureOptions& options, const DrawPictureContent& draw) {
  if (options.format == PictureFormat::kSvg) {
    SvgSurface surface(catalog, frame, options);
    draw(surface);
    return surface.Encode();
  }
  CairoSurface surface(catalog, frame, options);
  draw(surface);
  return surface.Encode();
}

bool WritePicture(FontCatalog& catalog, const PictureFrame& frame, const PictureOptions& options,
                  const DrawPictureContent& draw, const std::filesystem::path& path,
                  std::string& error, Durability durability) {
  std::string picture;
  try {
    picture = MakePicture(catalog, frame, options, draw);
  } catch (const PictureError& e) {
    error = "cannot write " + path.string() + ": " + e.what();
    return false;
  }
  std::string reason;
  if (SaveFileReplacing(path.string(), picture, reason, durability)) return true;
  error = "cannot write " + path.string() + ": " + reason;
  return false;
}

}  // namespace kv
