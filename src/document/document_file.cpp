#include "document/document_file.h"

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/archive.h"
#include "document/compound_file.h"
#include "document/document.h"

namespace kv {
namespace {

// What reading may change, kept to be put back when the read fails.
struct DocumentState {
  explicit DocumentState(KLV300Doc& document) : settings(document.Settings()) {
    for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
      lines[i] = document.EquationList().Line(i);
  }
  void RestoreInto(KLV300Doc& document) const {
    for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
      document.EquationList().SetLine(i, lines[i]);
    document.Settings() = settings;
    document.EquationList().MarkAllForRebuild();
  }

  std::array<std::string, KVEquationList::kLineCount> lines;
  EquationSettings settings;
};

void ReadContents(KLV300Doc& document, std::span<const std::uint8_t> contents) {
  const DocumentState before(document);
  Archive archive = Archive::ForLoading(contents);
  try {
    document.Serialize(archive);
  } catch (const ArchiveError& error) {
    before.RestoreInto(document);
    throw StorageError(kFailedToOpenDocument, error.what());
  }
  document.SetModifiedFlag(false);
}

}  // namespace

void OpenDocumentFile(KLV300Doc& document, const std::filesystem::path& path) {
  ReadContents(document, ReadDocumentFile(path));
}

void OpenDocumentBytes(KLV300Doc& document, std::span<const std::uint8_t> file) {
  ReadContents(document, ContentsOfDocumentFile(file));
}

std::vector<std::uint8_t> DocumentContents(KLV300Doc& document) {
  Archive archive = Archive::ForStoring();
  document.Serialize(archive);
  return archive.Bytes();
}

namespace {

std::vector<std::uint8_t> ContentsToSave(KLV300Doc& document) {
  try {
    return DocumentContents(document);
  } catch (const std::length_error& error) {
    throw StorageError(kFailedToSaveDocument, error.what());
  }
}

}  // namespace

std::vector<std::uint8_t> DocumentFileBytes(KLV300Doc& document) {
  return MakeDocumentFile(ContentsToSave(document));
}

void SaveDocumentCopy(KLV300Doc& document, const std::filesystem::path& path) {
  WriteDocumentFile(path, ContentsToSave(document));
}

void SaveDocumentFile(KLV300Doc& document, const std::filesystem::path& path) {
  SaveDocumentCopy(document, path);
  document.SetModifiedFlag(false);
}

}  // namespace kv
