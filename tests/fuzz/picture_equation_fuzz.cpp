// Reads the equation of arbitrary pictures and adds one to every picture that takes it. The only
// acceptable failures are the refusals with their message; an equation read is never larger than
// its picture and writes back as it was read, and an equation added always reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "render/picture_metadata.h"

namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool ReadsBackAs(const std::string& picture, const kv::PictureEquation& equation) {
  std::string error;
  const auto read = kv::ReadPictureEquation(Bytes(picture), error);
  return read && *read == equation;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const auto read = kv::ReadPictureEquation({data, size}, error);
  if (read ? read->document.size() > size : error.empty()) std::abort();
  if (read) {
    const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg'/>";
    if (!ReadsBackAs(kv::AddPictureEquation(svg, kv::PictureFormat::kSvg, *read), *read))
      std::abort();
  }

  const auto format = kv::SniffPictureFormat({data, size});
  if (!format) return 0;
  static const kv::PictureEquation equation{{'K', 'V', '3', 0}, "a < b\n&c \xC3\xA9", -12};
  std::string added;
  try {
    added = kv::AddPictureEquation(std::string(data, data + size), *format, equation);
  } catch (const kv::PictureError&) {
    return 0;
  }
  if (!ReadsBackAs(added, equation)) std::abort();
  return 0;
}
