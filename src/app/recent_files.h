// The recent-file list: the last documents opened or saved, newest first, kept in the editor's
// own settings file (folder "Morvak Software", file "KLV300 Editor.ini", section "Recent File
// List", keys "File1" to "File10"), so the list is there at the next start. The file is named
// apart from the options store "KLV300.ini": when the configuration folder cannot be used, both
// fall back to the home folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "options/config_store.h"

namespace kv {

class RecentFileList {
 public:
  static constexpr std::string_view kFolderName = "Morvak Software";
  static constexpr std::string_view kFileBaseName = "KLV300 Editor";
  static constexpr std::string_view kSection = "Recent File List";

  // Reads the list from the settings file; a missing file is an empty list.
  explicit RecentFileList(std::size_t capacity);

  // The files, newest first, as absolute paths.
  const std::vector<std::string>& Files() const { return files_; }
  // Puts `path` first (taking it out of where it was), drops what falls off the end, and saves
  // the list. False, with LastError() saying why, when the list could not be saved; it is then
  // still changed in memory.
  bool Add(const std::filesystem::path& path);
  // Takes the file at `index` out of the list and saves it, as Add does.
  bool Remove(std::size_t index);
  const std::string& LastError() const { return store_.LastError(); }

 private:
  bool Save();

  std::size_t capacity_;
  ConfigStore store_;
  std::vector<std::string> files_;
};

}  // namespace kv
