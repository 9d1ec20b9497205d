#include "render/picture.h"

#include "render/wmf_surface.h"

namespace kv {

std::string MakePicture(FontCatalog& catalog, const PictureFrame& frame,
                        const PictureOptions& options, const DrawPictureContent& draw) {
  if (options.format == PictureFormat::kWmf) {
    WmfSurface surface(catalog, frame, options);
    draw(surface);
    return surface.Encode();
  }
  if (options.format == PictureFormat::kSvg) {
    SvgSurface surface(catalog, frame, options);
    draw(surface);
    return surface.Encode();
  }
  CairoSurface surface(catalog, frame, options);
  draw(surface);
  return surface.Encode();
}

bool SavePicture(const std::filesystem::path& path, std::string_view picture, std::string& error,
                 Durability durability) {
  std::string reason;
  if (SaveFileReplacing(path.string(), picture, reason, durability)) return true;
  error = CannotWriteMessage(path, reason);
  return false;
}

std::string CannotWriteMessage(const std::filesystem::path& path, std::string_view reason) {
  return "cannot write " + path.string() + ": " + std::string(reason);
}

}  // namespace kv
