// Makes the editor known to the desktop, for the user alone: a desktop entry (the menu entry,
// offered for .kv3 files), the document type of ".kv3" files (application/x-kalvane-equation)
// and the icons, under the user's data folder ($XDG_DATA_HOME, by default ~/.local/share), with
// the desktop's MIME and application databases brought up to date where their tools exist. The
// files are those an installation puts under share/ (resources/desktop/, carried in the
// program's resources), the desktop entry starting this very program. Needs no display: it runs
// before any window does.
#pragma once

#include <filesystem>
#include <string>

namespace kv {

// Writes the files, the desktop entry starting `executable` (an absolute path) on the file it
// is given. False, with `report` naming the file that could not be written and why; otherwise
// `report` lists what was written where, and says when a database could not be brought up to
// date (the registration still counts as done: the desktop reads the files at its next update).
bool RegisterWithDesktop(const std::filesystem::path& executable, std::string& report);
// Removes exactly the files RegisterWithDesktop writes, and those an earlier version's
// registration wrote under other names, and updates the databases again; files already gone are
// not an error. False, with `report` naming the file, when one cannot be removed.
bool UnregisterFromDesktop(std::string& report);

}  // namespace kv
