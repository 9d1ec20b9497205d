#include "render/picture_metadata.h"

namespace kv {

// To be written.
bool CanCarryEquation(PictureFormat) {
  return false;
}

std::string AddPictureEquation(std::string picture, PictureFormat, const PictureEquation&) {
  return picture;
}

std::optional<PictureFormat> SniffPictureFormat(std::span<const std::uint8_t>) {
  return std::nullopt;
}

std::optional<PictureEquation> ReadPictureEquation(std::span<const std::uint8_t>,
                                                   std::string& error) {
  error = "pictures cannot be read yet";
  return std::nullopt;
}

}  // namespace kv
