// Makes the editor known to the desktop, for the user alone: a desktop entry, the document
// type of ".kv3" files and the icons under the user's data folder ($XDG_DATA_HOME, by default
// ~/.local/share), with the desktop's databases brought up to date where their tools exist.
#pragma once

#include <filesystem>
#include <string>

namespace kv {

// Writes the files, the desktop entry starting `executable`. False, with `report` saying what
// failed, when a file cannot be written; `report` says what was done otherwise.
bool RegisterWithDesktop(const std::filesystem::path& executable, std::string& report);
// Removes what RegisterWithDesktop writes; files already gone are not an error.
bool UnregisterFromDesktop(std::string& report);

}  // namespace kv
