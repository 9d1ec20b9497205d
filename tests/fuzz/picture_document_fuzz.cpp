// Opens arbitrary bytes as a picture that carries its equation, as the editor's paste and open
// and the command line's commands do. A picture without an equation or with a damaged one is
// refused with a reason and leaves the document as it was; an equation that opens is a whole
// document: it saves and opens again to the same document, and it measures.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/document.h"
#include "document/document_file.h"
#include "embedding/equation_picture.h"
#include "typeset/fixed_metrics_surface.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kv::HeadlessHost host;
  kv::KLV300Doc document(host);
  document.OnNewDocument();
  document.SetEquationText("(a+b)/2");
  const auto before = kv::DocumentContents(document);

  std::string error;
  if (!kv::OpenPictureDocument(document, {data, size}, error)) {
    Check(!error.empty());
    Check(kv::DocumentContents(document) == before);
    return 0;
  }
  const auto contents = kv::DocumentContents(document);
  kv::KLV300Doc again(host);
  kv::OpenDocumentBytes(again, kv::DocumentFileBytes(document));
  Check(kv::DocumentContents(again) == contents);
  (void)kv::ReadableEquationText(again);
  kv::FixedMetricsSurface surface(false);
  const kv::NodeBox box = again.GetDocumentExtent(surface);
  Check(box.width >= 0 && box.height >= 0);
  return 0;
}
