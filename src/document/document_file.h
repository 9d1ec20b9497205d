// Opening and saving documents: the document's "Contents" stream (document.h) inside its file's
// compound-file container (compound_file.h). Both report failure by StorageError, whose what()
// is the user's message: kFailedToOpenDocument or kFailedToSaveDocument.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace kv {

class KLV300Doc;

// Reads the document file at `path` into `document`, which then holds what the file holds on
// top of what it held before (the older layout carries only some settings; the others keep
// their values). The modified flag is clear afterwards. On failure the document is left as it
// was and StorageError is raised.
void OpenDocumentFile(KLV300Doc& document, const std::filesystem::path& path);
// As OpenDocumentFile, from a whole file held in memory.
void OpenDocumentBytes(KLV300Doc& document, std::span<const std::uint8_t> file);

// Saves `document` to `path` through a temporary file renamed over the old one, so a failed
// save leaves the old file intact; it raises StorageError and leaves the document modified. A
// successful save clears the modified flag.
void SaveDocumentFile(KLV300Doc& document, const std::filesystem::path& path);
// Saves `document` to `path` as SaveDocumentFile does, but as a copy: the document's modified
// flag stays as it was.
void SaveDocumentCopy(KLV300Doc& document, const std::filesystem::path& path);

// The "Contents" stream of `document`.
std::vector<std::uint8_t> DocumentContents(KLV300Doc& document);

// The whole document file of `document`, as SaveDocumentFile would write it, in memory: what
// pictures and the clipboard carry. The same document always gives the same bytes (the
// container records no times). Raises StorageError with kFailedToSaveDocument.
std::vector<std::uint8_t> DocumentFileBytes(KLV300Doc& document);

}  // namespace kv
