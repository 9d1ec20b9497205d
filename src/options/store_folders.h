// The folders configuration stores live in, found the XDG way:
//   per-user configuration folder   $XDG_CONFIG_HOME, else $HOME/.config
//   all-users configuration folder  the first absolute entry of $XDG_CONFIG_DIRS, else /etc/xdg
//   home folder                     $HOME
//   program folder                  $KALVANE_PROGRAM_FOLDER when set and not empty, else the
//                                   folder of the running program (/proc/self/exe)
// Every folder is returned with a trailing "/", or empty when it cannot be found.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Names the folder that stands for the program's own. Packagers and tests set it; tests must,
// so that they never write beside the test program.
inline constexpr const char* kProgramFolderVariable = "KALVANE_PROGRAM_FOLDER";

enum class ConfigurationProfile { PerUser, AllUsers };

// The configuration folder of `profile` with the maker folder `makerFolder` inside it, created
// when missing. When that fails: the home folder itself (without the maker folder); when that
// fails too: the program folder. The per-user configuration folder is created (mode 0700) when
// it is missing, as every program using it may do; the all-users one and the home folder never
// are.
std::string ApplicationDataFolder(std::string_view makerFolder, ConfigurationProfile profile);

// The home folder, or empty when $HOME is unset, empty or not a folder.
std::string HomeFolder();

// The folder holding the program, or empty when it cannot be found.
std::string ProgramFolder();

// Whether `path` names a folder the process can enter.
bool FolderExists(const std::string& path);

}  // namespace kv
