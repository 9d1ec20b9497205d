// Saving a file so that a crash, a full disk or a failed write never leaves it half written:
// the new content goes to a temporary file in the same folder, is flushed to disk, and only
// then is renamed over the old file. Any file the program saves goes through here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace kv {

// Replaces the file at `path` with `bytes`. A new file gets the usual permissions (0666 less
// the umask); a file that exists keeps its permissions, and a symbolic link keeps pointing at
// the file it names, which is the one replaced. On failure returns false, sets `error` to the
// reason, removes the temporary file and leaves the old file as it was.
bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                 std::string& error);

}  // namespace kv
