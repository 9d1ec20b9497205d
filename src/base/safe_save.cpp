#include "base/safe_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <unordered_set>

namespace kv {
namespace {

// Attempts at finding an unused temporary name before giving up.
constexpr int kTemporaryNameAttempts = 100;
// A plain file's permissions before the umask, as for any file the program creates.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;

// Owns a file descriptor; closing is explicit where its result matters.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Closes now; false when the system reports an error (a delayed write failure, for one).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string SystemReason(int error) {
  return std::strerror(error);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a save replaces: the path to write, and the old file's status when it is a plain file.
struct SaveTarget {
  std::string path;
  bool replacesFile = false;
  struct stat old {};
};

// One lstat answers both questions a save asks of an existing file. A link is replaced through
// the file it names, so that the link itself survives the save.
SaveTarget InspectTarget(const std::string& requested) {
  SaveTarget target{requested};
  if (::lstat(requested.c_str(), &target.old) != 0) return target;
  if (S_ISLNK(target.old.st_mode)) {
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(requested, ec);
    if (!ec) target.path = resolved.string();
    if (::stat(target.path.c_str(), &target.old) != 0) return target;
  }
  target.replacesFile = S_ISREG(target.old.st_mode);
  return target;
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name beside the target that no other save of this or another process is using: the
// process id, a counter and the clock make collisions unlikely, and O_EXCL makes them harmless.
std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return FolderOf(path) + "/." + BaseNameOf(path) + ".tmp-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter++) + "-" + std::to_string(ticks % 1000000);
}

// Reads a decimal number followed by `end` (or the end of `text` when `end` is 0) off the front
// of `text`.
std::optional<unsigned long> TakeNumber(std::string_view& text, char end) {
  unsigned long number = 0;
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc()) return std::nullopt;
  const auto digits = static_cast<std::size_t>(stop - text.data());
  const bool ends = end == 0 ? digits == text.size() : digits < text.size() && text[digits] == end;
  if (!ends) return std::nullopt;
  text.remove_prefix(end == 0 ? digits : digits + 1);
  return number;
}

// The process id in `name` when it is exactly a temporary's name: ".NAME.tmp-PID-COUNTER-TICKS"
// for some NAME.
std::optional<pid_t> TemporaryOwner(std::string_view name) {
  constexpr std::string_view kMark = ".tmp-";
  const std::size_t mark = name.rfind(kMark);
  if (!name.starts_with('.') || mark == std::string_view::npos || mark < 2) return std::nullopt;
  name.remove_prefix(mark + kMark.size());
  const auto pid = TakeNumber(name, '-');
  if (!pid || *pid == 0 || *pid > static_cast<unsigned long>(INT32_MAX)) return std::nullopt;
  if (!TakeNumber(name, '-') || !TakeNumber(name, 0)) return std::nullopt;
  return static_cast<pid_t>(*pid);
}

bool ProcessRuns(pid_t pid) {
  return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
}

// A temporary is abandoned when its process is gone and nobody holds its lock: a save holds the
// lock on its temporary while writing, which also protects the saves of another computer
// sharing the folder, whose process ids mean nothing here.
void RemoveIfAbandoned(int folder, const char* name) {
  const FileDescriptor file(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return;
  if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) return;
  (void)::unlinkat(folder, name, 0);
}

// Removes what saves into `folder` that were killed or lost their power left behind: only files
// of the temporaries' exact naming, only when their process no longer runs. Best effort.
void RemoveAbandonedTemporaries(const std::string& folder) {
  DIR* entries = ::opendir(folder.c_str());
  if (entries == nullptr) return;
  while (const dirent* entry = ::readdir(entries)) {
    const auto owner = TemporaryOwner(entry->d_name);
    if (owner && !ProcessRuns(*owner)) RemoveIfAbandoned(::dirfd(entries), entry->d_name);
  }
  ::closedir(entries);
}

// The first save of this process into a folder clears it of abandoned temporaries. Once is
// enough, as the saves of this process remove their own temporaries, and it keeps a batch of
// thousands of pictures in one folder from reading the folder once per picture.
void RemoveAbandonedTemporariesOnce(const std::string& folder) {
  static std::mutex mutex;
  static std::unordered_set<std::string> cleared;
  {
    const std::lock_guard lock(mutex);
    if (!cleared.insert(folder).second) return;
  }
  RemoveAbandonedTemporaries(folder);
}

// Creates the temporary file (only if no file of that name exists) and returns its descriptor,
// or -1 with errno set.
int OpenTemporary(const std::string& path, std::string& temporary) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporary = TemporaryName(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (fd >= 0) {
      // Marks the temporary as in use until it is closed (RemoveIfAbandoned); a file system
      // without locks still saves.
      (void)::flock(fd, LOCK_EX | LOCK_NB);
      return fd;
    }
    if (errno != EEXIST) return fd;
  }
  return -1;
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

// The replaced file's permissions and owner go to its successor; failures to carry the owner
// over (a user cannot give files away) are of no consequence.
void CopyAttributes(const SaveTarget& target, int fd) {
  if (!target.replacesFile) return;
  (void)::fchmod(fd, target.old.st_mode & kPermissionBits);
  (void)::fchown(fd, target.old.st_uid, target.old.st_gid);
}

// Makes the rename itself durable; not every file system can flush a folder, so this is best
// effort.
void FlushFolder(const std::string& folder) {
  const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.IsOpen()) (void)::fsync(dir.Get());
}

}  // namespace

bool SaveFileReplacing(const std::string& requestedPath, std::string_view bytes, std::string& error,
                       Durability durability) {
  const bool flush = durability == Durability::kFlushed;
  const SaveTarget target = InspectTarget(requestedPath);
  const std::string& path = target.path;
  RemoveAbandonedTemporariesOnce(FolderOf(path));
  std::string temporary;
  FileDescriptor file(OpenTemporary(path, temporary));
  if (!file.IsOpen()) {
    error = SystemReason(errno);
    return false;
  }
  CopyAttributes(target, file.Get());

  bool ok = WriteAll(file.Get(), bytes) && (!flush || ::fsync(file.Get()) == 0);
  int failure = ok ? 0 : errno;
  if (!file.Close() && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    error = SystemReason(failure);
    return false;
  }
  if (flush) FlushFolder(FolderOf(path));
  return true;
}

}  // namespace kv
