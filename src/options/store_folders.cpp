#include "options/store_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kv {
namespace {

// The per-user configuration folder holds private settings; the maker folder inside a
// configuration folder gets the usual permissions a folder is created with.
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kNewFolderMode = 0777;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

bool IsAbsolute(std::string_view path) {
  return !path.empty() && path.front() == '/';
}

// One level only, as the parent must exist; a folder that appeared meanwhile counts as made.
bool MakeFolder(const std::string& path, mode_t mode) {
  return ::mkdir(path.c_str(), mode) == 0 || FolderExists(path);
}

// Relative values of the XDG variables are ignored, as the XDG rules ask.
std::string PerUserConfigurationFolder() {
  const std::string configured = Environment("XDG_CONFIG_HOME");
  if (IsAbsolute(configured)) return WithSlash(configured);
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + ".config/";
}

std::string AllUsersConfigurationFolder() {
  const std::string list = Environment("XDG_CONFIG_DIRS");
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    const std::string entry = list.substr(start, end - start);
    if (IsAbsolute(entry)) return WithSlash(entry);
    start = end + 1;
  }
  return "/etc/xdg/";
}

}  // namespace

bool FolderExists(const std::string& path) {
  struct stat status {};
  return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

std::string HomeFolder() {
  return WithSlash(Environment("HOME"));
}

std::string ProgramFolder() {
  const std::string configured = Environment(kProgramFolderVariable);
  if (!configured.empty()) return WithSlash(configured);
  std::error_code error;
  const std::string program = std::filesystem::read_symlink("/proc/self/exe", error).string();
  const std::size_t slash = program.rfind('/');
  if (error || slash == std::string::npos) return {};
  return program.substr(0, slash + 1);
}

std::string ApplicationDataFolder(std::string_view makerFolder, ConfigurationProfile profile) {
  const bool perUser = profile == ConfigurationProfile::PerUser;
  const std::string base = perUser ? PerUserConfigurationFolder() : AllUsersConfigurationFolder();
  if (perUser && !base.empty() && !FolderExists(base)) MakeFolder(base, kPrivateFolderMode);
  if (FolderExists(base)) {
    const std::string folder = makerFolder.empty() ? base : base + std::string(makerFolder) + "/";
    if (FolderExists(folder) || MakeFolder(folder, kNewFolderMode)) return folder;
  }
  const std::string home = HomeFolder();
  if (FolderExists(home)) return home;
  return ProgramFolder();
}

}  // namespace kv
