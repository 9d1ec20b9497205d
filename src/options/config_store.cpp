#include "options/config_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "base/c_number.h"
#include "base/safe_save.h"
#include "options/store_folders.h"

namespace kv {
namespace {

// What ReadInt gives for a missing or empty value.
constexpr std::int32_t kMissingNumber = -1;
// Bytes read from a file at a time; lines are put together across reads.
constexpr std::size_t kReadChunk = 16 * 1024;

// Splits bytes into lines as they arrive and hands each whole line to the document. Memory stays
// bounded: a pending line never grows beyond the line limit (plus the CR of a CR LF).
class LineReader {
 public:
  explicit LineReader(IniFile& ini) : ini_(ini) {}

  // False once reading has stopped at an overlong line.
  bool Feed(std::string_view bytes) {
    while (!stopped_ && !bytes.empty()) {
      const std::size_t lineFeed = bytes.find('\n');
      const std::string_view piece = bytes.substr(0, lineFeed);
      if (line_.size() + piece.size() > IniFile::kMaxLineLength + 1) {
        stopped_ = true;
        break;
      }
      line_.append(piece);
      if (lineFeed == std::string_view::npos) break;
      bytes.remove_prefix(lineFeed + 1);
      if (!line_.empty() && line_.back() == '\r') line_.pop_back();
      EndLine();
    }
    return !stopped_;
  }

  // The last line, when the text does not end in a line end.
  void Finish() {
    if (!stopped_ && !line_.empty()) EndLine();
  }

 private:
  void EndLine() {
    if (line_.size() > IniFile::kMaxLineLength) {
      stopped_ = true;
      return;
    }
    Interpret(line_);
    line_.clear();
  }

  // A header only names the section; the section itself is made by its first key. A line that
  // is neither a header nor holds a "=" means nothing and is passed over.
  void Interpret(std::string_view line) {
    if (line.empty()) return;
    if (line.front() == '[' && line.back() == ']') {
      const std::size_t close = line.find(']', 1);
      section_ = line.substr(1, close - 1);
      return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    ini_.WriteString(section_, line.substr(0, equals), line.substr(equals + 1), true);
  }

  IniFile& ini_;
  std::string line_;
  std::string section_;
  bool stopped_ = false;
};

// Owns a file descriptor opened for reading.
class ReadDescriptor {
 public:
  explicit ReadDescriptor(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
  ReadDescriptor(const ReadDescriptor&) = delete;
  ReadDescriptor& operator=(const ReadDescriptor&) = delete;
  ~ReadDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  // Opened, and a plain file: a folder, a pipe or a device is not a configuration file (and a
  // pipe or a device could block or never end).
  bool IsRegularFile() const {
    struct stat status {};
    return fd_ >= 0 && ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode);
  }

 private:
  int fd_;
};

bool FileIsMissing(const std::string& path) {
  struct stat status {};
  return path.empty() ||
         (::stat(path.c_str(), &status) != 0 && (errno == ENOENT || errno == ENOTDIR));
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// Why a section name could not be written and read back as it is, or empty.
std::string SectionProblem(std::string_view name) {
  if (name.find('\n') != std::string_view::npos) {
    return "the section name " + Quoted(name) + " contains a line break";
  }
  if (name.find(']') != std::string_view::npos) {
    return "the section name " + Quoted(name) + " contains \"]\"";
  }
  if (name.size() + 2 > IniFile::kMaxLineLength) {
    return "the section name " + Quoted(name.substr(0, 20)) + "... is too long";
  }
  return {};
}

std::string EntryProblem(std::string_view section, const IniEntry& entry) {
  const std::string where = "the key " + Quoted(entry.key) + " of section " + Quoted(section) + " ";
  if (entry.key.find('\n') != std::string::npos) return where + "contains a line break";
  if (entry.value.find('\n') != std::string::npos) return where + "has a value with a line break";
  if (entry.key.find('=') != std::string::npos) return where + "contains \"=\"";
  if (entry.key.starts_with('[') && entry.value.ends_with(']')) {
    return where + "and its value would read as a section header";
  }
  if (entry.key.size() + 1 + entry.value.size() > IniFile::kMaxLineLength) {
    return where + "has a line longer than " + std::to_string(IniFile::kMaxLineLength) +
           " characters";
  }
  return {};
}

constexpr std::string_view kLineEnd = "\r\n";

bool HasFolder(StoreLocation location) {
  const int value = static_cast<int>(location);
  return value >= static_cast<int>(StoreLocation::UserAppData) &&
         value <= static_cast<int>(StoreLocation::CommonAppData);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// IniSection

const std::string* IniSection::Find(std::string_view key) const {
  const auto it = index_.find(std::string(key));
  return it == index_.end() ? nullptr : &entries_[it->second].value;
}

std::string* IniSection::Find(std::string_view key) {
  const auto it = index_.find(std::string(key));
  return it == index_.end() ? nullptr : &entries_[it->second].value;
}

void IniSection::Append(std::string_view key, std::string_view value) {
  index_.emplace(std::string(key), entries_.size());
  entries_.push_back({std::string(key), std::string(value)});
}

// ---------------------------------------------------------------------------------------------
// IniFile

const IniSection* IniFile::FindSection(std::string_view name) const {
  const auto it = sectionIndex_.find(std::string(name));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

IniSection* IniFile::Find(std::string_view name) {
  const auto it = sectionIndex_.find(std::string(name));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value,
                          bool create) {
  IniSection* found = Find(section);
  if (found == nullptr) {
    if (!create) return false;
    sectionIndex_.emplace(std::string(section), sections_.size());
    found = &sections_.emplace_back(std::string(section));
  }
  if (std::string* stored = found->Find(key)) {
    stored->assign(value);
    return true;
  }
  if (!create) return false;
  found->Append(key, value);
  return true;
}

bool IniFile::WriteInt(std::string_view section, std::string_view key, std::int32_t value,
                       bool create) {
  return WriteString(section, key, FormatInt(value), create);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key) {
  const IniSection* found = FindSection(section);
  if (found == nullptr) {
    lastError_ = kMissingSectionError;
    return {};
  }
  const std::string* value = found->Find(key);
  if (value == nullptr) {
    lastError_ = kMissingKeyError;
    return {};
  }
  return *value;
}

std::int32_t IniFile::ReadInt(std::string_view section, std::string_view key) {
  const std::string value = ReadString(section, key);
  return value.empty() ? kMissingNumber : CAtoi(value);
}

void IniFile::Parse(std::string_view text) {
  LineReader reader(*this);
  reader.Feed(text);
  reader.Finish();
}

std::optional<std::string> IniFile::Text(std::string* problem) const {
  std::string text;
  for (const IniSection& section : sections_) {
    if (section.Entries().empty()) continue;
    std::string why = SectionProblem(section.Name());
    for (const IniEntry& entry : section.Entries()) {
      if (!why.empty()) break;
      why = EntryProblem(section.Name(), entry);
    }
    if (!why.empty()) {
      if (problem != nullptr) *problem = std::move(why);
      return std::nullopt;
    }
    text.append("[").append(section.Name()).append("]").append(kLineEnd);
    for (const IniEntry& entry : section.Entries()) {
      text.append(entry.key).append("=").append(entry.value).append(kLineEnd);
    }
    text.append(kLineEnd);
  }
  return text;
}

bool IniFile::LoadFromPath() {
  if (FileIsMissing(path_)) return false;
  const ReadDescriptor file(path_);
  if (!file.IsRegularFile()) {
    lastError_ = kOpenError;
    return false;
  }
  LineReader reader(*this);
  std::array<char, kReadChunk> buffer;
  for (;;) {
    const ssize_t count = ::read(file.Get(), buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      lastError_ = kReadError;
      return false;
    }
    if (count == 0) break;
    if (!reader.Feed({buffer.data(), static_cast<std::size_t>(count)})) return true;
  }
  reader.Finish();
  return true;
}

bool IniFile::SaveToPath() {
  if (path_.empty()) {
    lastError_ = "Unable to write ini file: there is no folder for it.";
    return false;
  }
  std::string reason;
  const std::optional<std::string> text = Text(&reason);
  if (!text || !SaveFileReplacing(path_, *text, reason)) {
    lastError_ = "Unable to write ini file " + Quoted(path_) + ": " + reason + ".";
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// ConfigStore

ConfigStore::ConfigStore(std::string_view folderName, std::string_view fileBaseName,
                         StoreLocation location)
    : folderName_(folderName), fileBaseName_(fileBaseName), location_(location) {}

std::string ConfigStore::FilePath() const {
  std::string folder;
  switch (location_) {
    case StoreLocation::UserAppData:
      folder = ApplicationDataFolder(folderName_, ConfigurationProfile::PerUser);
      break;
    case StoreLocation::ProgramFolder:
      folder = ProgramFolder();
      break;
    case StoreLocation::WindowsFolder:
      folder = HomeFolder();
      break;
    case StoreLocation::CommonAppData:
      folder = ApplicationDataFolder(folderName_, ConfigurationProfile::AllUsers);
      break;
    default:
      return {};
  }
  if (folder.empty()) return {};
  return folder + fileBaseName_ + std::string(kStoreExtension);
}

void ConfigStore::UpdatePath() {
  if (HasFolder(location_)) SetPath(FilePath());
}

bool ConfigStore::Load() {
  UpdatePath();
  return LoadFromPath();
}

bool ConfigStore::Save() {
  if (folderName_.empty() || fileBaseName_.empty()) {
    SetLastError("Unable to write ini file: the store has no folder name or file base name.");
    return false;
  }
  UpdatePath();
  return SaveToPath();
}

void ConfigStore::DeleteFile() {
  const std::string path = FilePath();
  if (path.empty()) return;
  const ReadDescriptor file(path);
  if (file.Get() < 0) return;
  (void)::unlink(path.c_str());
}

ConfigStore OptionsStore() {
  return ConfigStore(kMakerFolder, kOptionsStoreName, StoreLocation::UserAppData);
}

ConfigStore ExchangeStore() {
  return ConfigStore(kMakerFolder, kExchangeStoreName, StoreLocation::UserAppData);
}

ConfigStore DefaultConfigurationStore() {
  return ConfigStore(kMakerFolder, kDefaultConfigurationName, StoreLocation::ProgramFolder);
}

}  // namespace kv
