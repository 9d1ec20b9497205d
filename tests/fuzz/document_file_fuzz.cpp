// Opens arbitrary whole files as documents: the container, the "Contents" stream of either
// layout and the settings block. The only acceptable failure is the failed open; a document that
// opens is written and read again and must then write the same stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/compound_file.h"
#include "document/document.h"
#include "document/document_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kv::HeadlessHost host;
  kv::KLV300Doc document(host);
  try {
    kv::OpenDocumentBytes(document, {data, size});
  } catch (const kv::StorageError&) {
    return 0;
  }
  (void)document.Settings().MatrixAlign.Get();
  (void)document.Settings().FracLevelRatio.Get();
  const auto contents = kv::DocumentContents(document);
  kv::KLV300Doc again(host);
  kv::OpenDocumentBytes(again, contents);
  if (kv::DocumentContents(again) != contents) std::abort();
  return 0;
}
