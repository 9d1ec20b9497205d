#include "render/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace kv {
namespace {

constexpr mode_t kNewFileMode = 0666;

WriteOutcome Failure(const std::filesystem::path& path, int error) {
  return {"cannot write " + path.string() + ": " + std::strerror(error)};
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The permissions a newly created file gets under the process's umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return kNewFileMode & ~mask;
}

}  // namespace

WriteOutcome WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  if (path.filename().empty()) return {"cannot write " + path.string() + ": no file name"};
  const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
  std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  std::vector<char> temporary(pattern.begin(), pattern.end());
  temporary.push_back('\0');
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return Failure(path, errno);
  int error = 0;
  if (::fchmod(fd, NewFileMode()) != 0 || !WriteAll(fd, bytes) || ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.data(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.data());
    return Failure(path, error);
  }
  return {};
}

}  // namespace kv
