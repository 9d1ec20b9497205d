#include "document/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // less the umask, which open() applies
constexpr mode_t kPermissionBits = 07777;

// Owns a file descriptor.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  // Closes now, so that a failure to close (the last chance to hear of a write error) is seen.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string Reason(const char* what, const fs::path& path, int error) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

// A symbolic link stays a link: the file it names is the one replaced.
fs::path ResolveLink(const fs::path& path) {
  std::error_code error;
  if (fs::is_symlink(path, error)) {
    fs::path resolved = fs::canonical(path, error);
    if (!error) return resolved;
  }
  return path;
}

// Creates a new, empty file with an unused name in the folder of `target`.
int CreateTemporaryBeside(const fs::path& target, fs::path& temporary) {
  std::random_device random;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    temporary = target.parent_path() / ("." + target.filename().string() + "." + suffix + ".tmp");
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// Makes the rename itself durable. The new file is complete whatever happens here, so a
// failure is not reported.
void SyncFolder(const fs::path& folder) {
  const fs::path name = folder.empty() ? fs::path(".") : folder;
  const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ReplaceFile(const fs::path& path, std::span<const std::uint8_t> bytes, std::string& error) {
  const fs::path target = ResolveLink(path);
  fs::path temporary;
  Descriptor file(CreateTemporaryBeside(target, temporary));
  if (file.get() < 0) {
    error = Reason("cannot create a file beside", target, errno);
    return false;
  }
  auto fail = [&](const char* what) {
    error = Reason(what, temporary, errno);
    ::unlink(temporary.c_str());
    return false;
  };

  struct stat old;
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
      ::fchmod(file.get(), old.st_mode & kPermissionBits) != 0)
    return fail("cannot set the permissions of");
  if (!WriteAll(file.get(), bytes)) return fail("cannot write");
  if (::fsync(file.get()) != 0) return fail("cannot flush");
  if (!file.Close()) return fail("cannot close");
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    error = Reason("cannot replace", target, errno);
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(target.parent_path());
  return true;
}

}  // namespace kv
