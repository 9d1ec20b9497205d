// The container of document files: a compound file whose stream "Contents" holds the document's
// archive. Reading yields the bytes of that stream, writing takes them; libgsf does the
// compound-file work behind these few functions.
//
// A file is taken as a compound file when it begins with the compound-file signature
// (D0 CF 11 E0 A1 B1 1A E1), or when it is shorter than the signature and is a beginning of it
// (a compound file cut short). No flat document can begin so: an archive starts with the length
// byte of its tag (7) and the older flat layout with a line length of at most 127, and 0xD0 is
// neither. Any other file is read as if its whole content were the "Contents" stream.
//
// A file that begins with the signature but is damaged — cut short, a chain that loops or leaves
// the file, a directory that loops, a size beyond what the file holds — is a failed open, never
// the flat path: its structure is checked in full (compound_file_check.h) before libgsf is given
// it, so reading never loops, never recurses without bound and never allocates more than a small
// multiple of the file's size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv {

// The user's messages for a document that cannot be opened or saved.
inline constexpr char kFailedToOpenDocument[] = "Failed to open document.";
inline constexpr char kFailedToSaveDocument[] = "Failed to save document.";

// The one error of the container. what() is the message for the user; Detail() says what went
// wrong, for diagnostics and tests.
class StorageError : public std::runtime_error {
 public:
  StorageError(const std::string& userMessage, std::string detail);
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
};

// The "Contents" stream of the document file at `path`; raises StorageError with
// kFailedToOpenDocument. Only regular files are read.
std::vector<std::uint8_t> ReadDocumentFile(const std::filesystem::path& path);

// The "Contents" stream of a document file held in memory; raises StorageError with
// kFailedToOpenDocument.
std::vector<std::uint8_t> ContentsOfDocumentFile(std::span<const std::uint8_t> file);

// The bytes of a compound file whose one stream, "Contents", holds `contents`.
std::vector<std::uint8_t> MakeDocumentFile(std::span<const std::uint8_t> contents);

// Writes MakeDocumentFile(contents) to `path` through a temporary file in the same folder,
// flushed to disk and renamed over the old file, so the old file stays whole unless the new
// one is complete. Raises StorageError with kFailedToSaveDocument.
void WriteDocumentFile(const std::filesystem::path& path, std::span<const std::uint8_t> contents);

}  // namespace kv
