// INI-style configuration files: an in-memory document of sections, keys and text values, read
// from its file in one pass and written back whole. `IniFile` is the document bound to a path;
// `ConfigStore` also knows the maker folder, the file base name and where the file lives, and
// works its path out from them each time it is loaded or saved.
//
// The text format: a line "[name]" starts a section; any other line is split at its first "="
// into key and value; nothing is trimmed and there are no comments. Lines end in LF or CR LF
// (a CR anywhere else is an ordinary character of the line); files are written with CR LF.
// Texts are the program's single-byte strings (Windows-1252), NUL bytes included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kv {

struct IniEntry {
  std::string key;
  std::string value;
  bool operator==(const IniEntry&) const = default;
};

// One section: its keys and values in the order the keys were first created.
class IniSection {
 public:
  explicit IniSection(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  const std::vector<IniEntry>& Entries() const { return entries_; }
  // The value of `key`, or nullptr.
  const std::string* Find(std::string_view key) const;
  std::string* Find(std::string_view key);
  void Append(std::string_view key, std::string_view value);

  bool operator==(const IniSection& other) const {
    return name_ == other.name_ && entries_ == other.entries_;
  }

 private:
  std::string name_;
  std::vector<IniEntry> entries_;
  // Position of each key in entries_. Keys are unique, so a lookup finds what a search from the
  // start would find first, without making a file of many keys quadratic to load.
  std::unordered_map<std::string, std::size_t> index_;
};

class IniFile {
 public:
  // The longest line the reader accepts, without its line end. Reading stops at a longer line.
  static constexpr std::size_t kMaxLineLength = 2047;

  static constexpr std::string_view kMissingSectionError = "Unable to locate specified key.";
  static constexpr std::string_view kMissingKeyError = "Unable to locate specified value.";
  static constexpr std::string_view kOpenError = "Unable to open ini file.";
  static constexpr std::string_view kReadError = "Unable to read ini file.";

  // Stores `value` under `section` and `key`, replacing an existing value. A missing section or
  // key is appended when `create` is set; otherwise nothing changes and the result is false.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                   bool create);
  // As WriteString, with the value in plain signed decimal.
  bool WriteInt(std::string_view section, std::string_view key, std::int32_t value, bool create);
  // The stored value; empty text, with the last error set, when the section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key);
  // -1 for a missing or empty value, else its decimal prefix as atoi reads it (0 for none).
  std::int32_t ReadInt(std::string_view section, std::string_view key);
  const std::string& LastError() const { return lastError_; }

  const std::vector<IniSection>& Sections() const { return sections_; }
  const IniSection* FindSection(std::string_view name) const;

  const std::string& Path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }

  // Merges the text of a file into the document: values read replace those in memory, new
  // sections and keys are appended. Reading ends at the first line longer than kMaxLineLength;
  // everything before it stays.
  void Parse(std::string_view text);

  // The file text: each section that has keys, in order, as "[name]", its "key=value" lines and
  // an empty line, every line ending in CR LF. Nothing when the document holds something this
  // text could not give back as it is (a line feed anywhere, a "]" in a section name, a "=" in
  // a key, a key and value that would read as a section header, or a line longer than
  // kMaxLineLength); `problem` then says what.
  std::optional<std::string> Text(std::string* problem = nullptr) const;

  // Merges the file at Path() into memory. False when there is no such file (last error
  // unchanged), when it cannot be opened or is not a regular file ("Unable to open ini file."),
  // or when reading it fails part way ("Unable to read ini file."; what was read stays).
  bool LoadFromPath();
  // Replaces the file at Path() with Text(), through a temporary file in the same folder, so a
  // failure leaves the old file as it was. False, with the last error saying why, on failure.
  bool SaveToPath();

 protected:
  void SetLastError(std::string text) { lastError_ = std::move(text); }

 private:
  IniSection* Find(std::string_view name);

  std::string path_;
  std::vector<IniSection> sections_;
  std::unordered_map<std::string, std::size_t> sectionIndex_;
  std::string lastError_;
};

// ---------------------------------------------------------------------------------------------
// Stores with a place of their own

// Where a store's file lives. Any other value has no folder, and the store keeps whatever path
// it was given.
enum class StoreLocation : int {
  UserAppData = 0,    // the per-user configuration folder, then the maker folder
  ProgramFolder = 1,  // the folder of the program file
  WindowsFolder = 2,  // the home folder
  CommonAppData = 3,  // the all-users configuration folder, then the maker folder
};

// A location with no folder: the store is used with SetPath.
inline constexpr StoreLocation kExplicitPath = static_cast<StoreLocation>(-1);

inline constexpr std::string_view kMakerFolder = "Morvak";
inline constexpr std::string_view kOptionsStoreName = "KLV300";
inline constexpr std::string_view kExchangeStoreName = "KLV3ADJ";
inline constexpr std::string_view kDefaultConfigurationName = "KLV3_Default";
inline constexpr std::string_view kStoreExtension = ".ini";

class ConfigStore : public IniFile {
 public:
  ConfigStore() = default;
  ConfigStore(std::string_view folderName, std::string_view fileBaseName, StoreLocation location);

  void SetFolderName(std::string_view name) { folderName_ = name; }
  void SetFileBaseName(std::string_view name) { fileBaseName_ = name; }
  void SetLocation(StoreLocation location) { location_ = location; }
  const std::string& FolderName() const { return folderName_; }
  const std::string& FileBaseName() const { return fileBaseName_; }
  StoreLocation Location() const { return location_; }

  // The folder, the file base name and ".ini"; empty for a location with no folder, or when the
  // folder cannot be found. Finding a per-user or all-users folder may create the maker folder.
  std::string FilePath() const;
  // Sets the path from FilePath (a location with no folder keeps the path it has) and merges
  // the file into memory; see LoadFromPath.
  bool Load();
  // Sets the path as Load does and writes the whole document there; see SaveToPath. Writes
  // nothing, and returns false, when the folder name or the file base name is empty.
  bool Save();
  // Removes the file at FilePath if it can be opened for reading; every failure is ignored.
  void DeleteFile();

 private:
  void UpdatePath();

  std::string folderName_;
  std::string fileBaseName_;
  StoreLocation location_ = StoreLocation::UserAppData;
};

// The program's three stores: the user's options, the file shared with a word-processor macro,
// and the default configuration file beside the program.
ConfigStore OptionsStore();
ConfigStore ExchangeStore();
ConfigStore DefaultConfigurationStore();

}  // namespace kv
