#include "app/recent_files.h"

#include <algorithm>

namespace kv {
namespace {

std::string KeyOf(std::size_t index) {
  return "File" + std::to_string(index + 1);
}

}  // namespace

RecentFileList::RecentFileList(std::size_t capacity)
    : capacity_(capacity), store_(kFolderName, kFileBaseName, StoreLocation::UserAppData) {
  store_.Load();
  for (std::size_t i = 0; i < capacity_; ++i) {
    const std::string file = store_.ReadString(kSection, KeyOf(i));
    // A hand-edited list may hold gaps, relative paths or repeats; they are left out.
    if (!file.empty() && file.front() == '/' &&
        std::find(files_.begin(), files_.end(), file) == files_.end())
      files_.push_back(file);
  }
}

bool RecentFileList::Add(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  const std::string file = (error ? path : absolute).lexically_normal().string();
  // A line break cannot be kept in the settings file; such a name is simply not remembered.
  if (file.find_first_of("\r\n") != std::string::npos) return true;
  std::erase(files_, file);
  files_.insert(files_.begin(), file);
  if (files_.size() > capacity_) files_.resize(capacity_);
  return Save();
}

bool RecentFileList::Remove(std::size_t index) {
  if (index >= files_.size()) return true;
  files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(index));
  return Save();
}

bool RecentFileList::Save() {
  for (std::size_t i = 0; i < capacity_; ++i)
    store_.WriteString(kSection, KeyOf(i), i < files_.size() ? files_[i] : std::string(), true);
  return store_.Save();
}

}  // namespace kv
