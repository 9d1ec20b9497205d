#include "document/compound_file.h"

#include <fcntl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "base/safe_save.h"
#include "document/compound_file_check.h"

namespace kv {
namespace {

struct GObjectRelease {
  void operator()(void* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectRelease>;

struct GErrorRelease {
  void operator()(GError* error) const { g_error_free(error); }
};

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

constexpr std::size_t kReadChunk = 64 * 1024;
// Compound files of 512-byte sectors, the kind written, hold stream sizes in 32 bits.
constexpr std::size_t kLargestStream = 0xFFFFFFFF;

// libgsf's complaint about the file being read, kept for the error's detail instead of being
// printed: a damaged document is reported to the user once, by the caller.
thread_local std::string tLibraryComplaint;

void KeepComplaint(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
  tLibraryComplaint = message != nullptr ? message : "";
}

void InitialiseLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    gsf_init();
    const auto levels =
        static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION);
    for (const char* domain : {"libgsf", "libgsf:msole"})
      g_log_set_handler(domain, levels, KeepComplaint, nullptr);
  });
}

[[noreturn]] void FailOpen(std::string detail) {
  throw StorageError(kFailedToOpenDocument, std::move(detail));
}

[[noreturn]] void FailOpenInLibrary(std::string detail) {
  if (!tLibraryComplaint.empty()) detail += " (" + tLibraryComplaint + ")";
  FailOpen(std::move(detail));
}

std::string Reason(const char* what, const std::filesystem::path& path, int error) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

bool BeginsLikeCompoundFile(std::span<const std::uint8_t> file) {
  const std::size_t count = std::min(file.size(), kCompoundFileSignature.size());
  return count > 0 &&
         std::equal(file.begin(), file.begin() + count, kCompoundFileSignature.begin());
}

// The stream child of `root` named "Contents", compared without regard to case as the format
// asks; a storage of that name is passed over.
GObjectPtr<GsfInput> OpenContents(GsfInfile* root) {
  const int count = gsf_infile_num_children(root);
  for (int i = 0; i < count; ++i) {
    const char* name = gsf_infile_name_by_index(root, i);
    if (name == nullptr || g_ascii_strcasecmp(name, kContentsStreamName) != 0) continue;
    GObjectPtr<GsfInput> child(gsf_infile_child_by_index(root, i));
    if (child && gsf_infile_num_children(GSF_INFILE(child.get())) < 0) return child;
  }
  return nullptr;
}

std::vector<std::uint8_t> ReadCompoundFile(std::span<const std::uint8_t> file) {
  const CompoundFileCheck check = CheckCompoundFile(file);
  if (!check.Passed()) FailOpen(check.problem);

  InitialiseLibrary();
  tLibraryComplaint.clear();
  GObjectPtr<GsfInput> input(
      gsf_input_memory_new(file.data(), static_cast<gsf_off_t>(file.size()), FALSE));
  GError* rawError = nullptr;
  GObjectPtr<GsfInfile> root(gsf_infile_msole_new(input.get(), &rawError));
  const std::unique_ptr<GError, GErrorRelease> error(rawError);
  if (!root)
    FailOpenInLibrary(std::string("libgsf refused the file: ") + (error ? error->message : "?"));

  const GObjectPtr<GsfInput> stream = OpenContents(root.get());
  if (!stream) FailOpenInLibrary("libgsf found no Contents stream");
  const gsf_off_t size = gsf_input_size(stream.get());
  if (size < 0 || static_cast<std::uint64_t>(size) != check.contentsSize)
    FailOpenInLibrary("libgsf disagrees about the size of Contents");
  std::vector<std::uint8_t> contents(check.contentsSize);
  if (!contents.empty() && !gsf_input_read(stream.get(), contents.size(), contents.data()))
    FailOpenInLibrary("libgsf could not read Contents");
  return contents;
}

// The whole of a regular file. Anything else (a folder, a pipe, a device) is refused before
// it is read, so reading always ends.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  // Non-blocking, so that opening a pipe does not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) FailOpen(Reason("cannot open", path, errno));
  std::unique_ptr<std::FILE, FileClose> file(::fdopen(fd, "rb"));
  if (!file) {
    const int error = errno;
    ::close(fd);
    FailOpen(Reason("cannot open", path, error));
  }
  struct stat status;
  if (::fstat(fd, &status) != 0) FailOpen(Reason("cannot examine", path, errno));
  if (!S_ISREG(status.st_mode)) FailOpen(path.string() + " is not a regular file");

  std::vector<std::uint8_t> bytes;
  std::size_t got = 0;
  do {
    bytes.resize(bytes.size() + kReadChunk);
    got = std::fread(bytes.data() + bytes.size() - kReadChunk, 1, kReadChunk, file.get());
    bytes.resize(bytes.size() - kReadChunk + got);
  } while (got == kReadChunk);
  if (std::ferror(file.get())) FailOpen(Reason("cannot read", path, errno));
  return bytes;
}

}  // namespace

StorageError::StorageError(const std::string& userMessage, std::string detail)
    : std::runtime_error(userMessage), detail_(std::move(detail)) {}

std::vector<std::uint8_t> ContentsOfDocumentFile(std::span<const std::uint8_t> file) {
  if (!BeginsLikeCompoundFile(file)) return {file.begin(), file.end()};
  return ReadCompoundFile(file);
}

std::vector<std::uint8_t> ReadDocumentFile(const std::filesystem::path& path) {
  return ContentsOfDocumentFile(ReadWholeFile(path));
}

namespace {

std::vector<std::uint8_t> BuildWithLibrary(std::span<const std::uint8_t> contents) {
  InitialiseLibrary();
  const GObjectPtr<GsfOutput> sink(gsf_output_memory_new());
  {
    const GObjectPtr<GsfOutfile> compound(gsf_outfile_msole_new(sink.get()));
    const GObjectPtr<GsfOutput> stream(
        gsf_outfile_new_child(compound.get(), kContentsStreamName, FALSE));
    bool written = stream && (contents.empty() ||
                              gsf_output_write(stream.get(), contents.size(), contents.data()));
    written = stream && gsf_output_close(stream.get()) && written;
    written = gsf_output_close(GSF_OUTPUT(compound.get())) && written;
    if (!written) throw StorageError(kFailedToSaveDocument, "libgsf could not build the file");
  }
  const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
  const auto size = static_cast<std::size_t>(gsf_output_size(sink.get()));
  return {bytes, bytes + size};
}

// A file libgsf made for a stream held in the mini stream, kept to make the files of every other
// stream of as many mini sectors: libgsf lays a file out by the stream's size alone, and within
// one count of mini sectors only the stream's bytes, the zeros after them and the size in its
// directory entry differ. Pictures carry their document's file, so a batch of pictures makes
// one such file after another; libgsf takes many times longer than copying one.
struct FileTemplate {
  std::vector<std::uint8_t> file;
  std::size_t contentsAt = 0;  // the stream's first byte in the mini stream
  std::size_t sizeAt = 0;      // the stream's size in its directory entry
};

constexpr std::size_t kSectorBytes = 512;
constexpr std::size_t kMiniSectorBytes = 64;
constexpr std::size_t kMiniStreamCutoff = 4096;
constexpr std::size_t kDirectoryEntryBytes = 128;
constexpr std::size_t kEntryStartAt = 116;
constexpr std::size_t kEntrySizeAt = 120;

std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

// Where `contents` lie in `file`, made for them by libgsf: the root's entry (the first of the
// directory) starts the mini stream, "Contents" (the second) its own mini sectors. Nothing when
// the file is laid out otherwise.
std::optional<FileTemplate> TemplateOf(std::vector<std::uint8_t> file,
                                       std::span<const std::uint8_t> contents) {
  if (file.size() < kSectorBytes) return std::nullopt;
  const std::size_t directory = (std::size_t{LittleEndian32(file, 48)} + 1) * kSectorBytes;
  const std::size_t entry = directory + kDirectoryEntryBytes;
  if (directory > file.size() || file.size() - directory < 2 * kDirectoryEntryBytes)
    return std::nullopt;
  const std::size_t miniStream =
      (std::size_t{LittleEndian32(file, directory + kEntryStartAt)} + 1) * kSectorBytes;
  const std::size_t at =
      miniStream + std::size_t{LittleEndian32(file, entry + kEntryStartAt)} * kMiniSectorBytes;
  const std::size_t sectors = (contents.size() + kMiniSectorBytes - 1) / kMiniSectorBytes;
  if (LittleEndian32(file, entry + kEntrySizeAt) != contents.size() || at > file.size() ||
      file.size() - at < sectors * kMiniSectorBytes ||
      !std::equal(contents.begin(), contents.end(), file.begin() + static_cast<std::ptrdiff_t>(at)))
    return std::nullopt;
  return FileTemplate{std::move(file), at, entry + kEntrySizeAt};
}

}  // namespace

std::vector<std::uint8_t> MakeDocumentFile(std::span<const std::uint8_t> contents) {
  if (contents.size() > kLargestStream)
    throw StorageError(kFailedToSaveDocument, "the document is larger than 4 GiB");
  if (contents.empty() || contents.size() >= kMiniStreamCutoff) return BuildWithLibrary(contents);
  // One template for each count of mini sectors, made by the first stream of that count. Per
  // thread, so that making files takes no lock.
  thread_local std::array<std::optional<FileTemplate>, kMiniStreamCutoff / kMiniSectorBytes>
      templates;
  const std::size_t sectors = (contents.size() + kMiniSectorBytes - 1) / kMiniSectorBytes;
  std::optional<FileTemplate>& known = templates[sectors - 1];
  if (!known) {
    std::vector<std::uint8_t> file = BuildWithLibrary(contents);
    known = TemplateOf(file, contents);
    return file;
  }
  std::vector<std::uint8_t> file = known->file;
  const auto at = file.begin() + static_cast<std::ptrdiff_t>(known->contentsAt);
  std::fill(std::copy(contents.begin(), contents.end(), at),
            at + static_cast<std::ptrdiff_t>(sectors * kMiniSectorBytes), 0);
  for (std::size_t i = 0; i < 4; ++i)
    file[known->sizeAt + i] = static_cast<std::uint8_t>(contents.size() >> (8 * i));
  return file;
}

void WriteDocumentFile(const std::filesystem::path& path, std::span<const std::uint8_t> contents) {
  const std::vector<std::uint8_t> file = MakeDocumentFile(contents);
  std::string error;
  const std::string_view bytes(reinterpret_cast<const char*>(file.data()), file.size());
  if (!SaveFileReplacing(path.string(), bytes, error)) {
    throw StorageError(kFailedToSaveDocument, error);
  }
}

}  // namespace kv
