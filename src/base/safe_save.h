// Saving a whole file so that a crash, a full disk or any other failure never leaves it
// half-written: the new content goes to a temporary file in the same folder, which is flushed to
// the disk and then renamed over the old file. On failure the temporary file is removed and the
// old file, if there was one, is untouched. A save that is killed leaves its temporary behind;
// the first save of the next run of the program into that folder removes it.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// How far a save goes before it counts as done.
enum class Durability {
  // The file and the rename are flushed to the disk: the save survives a power cut.
  kFlushed,
  // Nothing is flushed; the temporary file and the rename are kept, so no reader and no crash of
  // the program ever sees a half-written file, but a power cut may lose the newest saves. For
  // output made by the thousand and made again at will (batch pictures), where a flush per file
  // would cost more than making it.
  kUnflushed,
};

// Replaces the content of the file at `path` with `bytes`. A new file gets the permissions the
// process's umask allows for a plain file; a replaced file keeps its permission bits. When
// `path` is a symbolic link, the file it points to is replaced and the link stays. Returns false
// with `error` set to the system's reason (such as "No space left on device").
bool SaveFileReplacing(const std::string& path, std::string_view bytes, std::string& error,
                       Durability durability = Durability::kFlushed);

}  // namespace kv
