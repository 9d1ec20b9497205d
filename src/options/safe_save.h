// Saving a whole file so that a crash, a full disk or any other failure never leaves it
// half-written: the new content goes to a temporary file in the same folder, which is flushed to
// the disk and then renamed over the old file. On failure the temporary file is removed and the
// old file, if there was one, is untouched.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Replaces the content of the file at `path` with `bytes`. A new file gets the permissions the
// process's umask allows for a plain file; a replaced file keeps its permission bits. When
// `path` is a symbolic link, the file it points to is replaced and the link stays. Returns false
// with `error` set to the system's reason (such as "No space left on device").
bool SaveFileReplacing(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace kv
