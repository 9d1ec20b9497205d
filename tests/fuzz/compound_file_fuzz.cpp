// Reads the "Contents" stream of arbitrary whole files. The only acceptable failure is the
// container's error, and the stream read can never be longer than the file it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/compound_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto contents = kv::ContentsOfDocumentFile({data, size});
    if (contents.size() > size) std::abort();
  } catch (const kv::StorageError&) {
  }
  return 0;
}
