// Writing a whole file safely: the bytes go to a temporary file in the same folder, which is
// flushed to disk and then renamed over the target, so a crash or a full disk never leaves a
// half-written file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kv {

// The outcome of writing a file: an empty error when it succeeded, else a message for the user.
struct WriteOutcome {
  std::string error;
  bool Ok() const { return error.empty(); }
};

WriteOutcome WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kv
