#include "app/registration.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "base/safe_save.h"

extern char** environ;

namespace kv {
namespace {

namespace fs = std::filesystem;

// The files, laid out in the program's resources as under the data folder: the very files an
// installation puts under share/ (resources/desktop/). Among them the desktop entry, the document
// type of ".kv3" files (application/x-kalvane-equation, whose icon carries the name the desktop
// derives from the type, "/" becoming "-") and the icons in the theme's sizes.
constexpr const char* kResourceFolder = ":/kalvane/desktop";
constexpr std::string_view kDesktopEntryPath = "applications/kalvane.desktop";
constexpr std::string_view kIconTheme = "icons/hicolor";

// What an earlier version's registration wrote under names no longer written: registering and
// unregistering remove them, so that an upgraded user is not left with a stale icon (the former
// type itself goes when the new type's file is written over it).
constexpr std::array<std::string_view, 1> kFormerFiles = {
    "icons/hicolor/scalable/mimetypes/application-x-kalvane3.svg",
};

// Every file the registration writes, in the order it writes them: the icons first, so that
// the menu entry and the file type never appear without their icon, and the menu entry last.
// Unregistering removes exactly these.
std::vector<std::string> RegisteredFiles() {
  std::vector<std::string> files;
  const qsizetype prefix = QString(kResourceFolder).size() + 1;
  QDirIterator resources(kResourceFolder, QDir::Files, QDirIterator::Subdirectories);
  while (resources.hasNext())
    files.push_back(resources.next().mid(prefix).toStdString());
  const auto rank = [](const std::string& path) {
    return path.starts_with("icons/") ? 0 : path.starts_with("mime/") ? 1 : 2;
  };
  std::sort(files.begin(), files.end(), [&](const std::string& a, const std::string& b) {
    return std::pair(rank(a), std::string_view(a)) < std::pair(rank(b), std::string_view(b));
  });
  return files;
}

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute (a relative value is
// meaningless to the other programs reading the folder, so it is ignored as they ignore it).
std::optional<fs::path> DataHome(std::string& error) {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') return fs::path(dataHome);
  std::string home;
  if (const char* variable = std::getenv("HOME"); variable != nullptr && variable[0] == '/') {
    home = variable;
  } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir) {
    home = user->pw_dir;
  }
  if (home.empty() || home[0] != '/') {
    error = "cannot find the data folder: neither XDG_DATA_HOME nor HOME names one";
    return std::nullopt;
  }
  return fs::path(home) / ".local" / "share";
}

// Escapes a desktop entry's value: a backslash, a line break, a tab and a carriage return
// would otherwise end or change the value, and a leading space would be dropped.
std::string EscapeEntryValue(std::string_view value) {
  std::string escaped;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == ' ' && i == 0) {
      escaped += "\\s";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// One argument of an Exec line, before the value's own escaping: in double quotes when it holds
// a character the launcher's parser treats specially, with the four characters that stay special
// inside the quotes escaped; a literal percent sign doubled so that it is not a field code.
std::string QuoteExecArgument(std::string_view argument) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  constexpr std::string_view kEscapedInQuotes = "\"`$\\";
  const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
  std::string quoted = quote ? "\"" : "";
  for (const char c : argument) {
    if (quote && kEscapedInQuotes.find(c) != std::string::npos) quoted += '\\';
    quoted += c;
    if (c == '%') quoted += '%';
  }
  if (quote) quoted += '"';
  return quoted;
}

// A desktop entry is UTF-8 text; a path in another encoding could not be written into it.
bool IsUtf8(std::string_view text) {
  const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
  return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// The installed desktop entry starts the program by its name, found on the PATH; the user's own
// entry names this program's absolute path instead, in TryExec (the menu entry disappears,
// rather than fail to start, once the program has been moved away) and as the first word of
// each Exec. Every other line stays as installed.
std::string DesktopEntryFor(std::string_view installed, const fs::path& executable) {
  const std::string program = executable.string();
  std::string entry;
  while (!installed.empty()) {
    const std::size_t lineEnd = installed.find('\n');
    const std::string_view line = installed.substr(0, lineEnd);
    installed.remove_prefix(lineEnd == std::string_view::npos ? installed.size() : lineEnd + 1);
    if (line.starts_with("TryExec=")) {
      entry += "TryExec=" + EscapeEntryValue(program);
    } else if (line.starts_with("Exec=")) {
      const std::string_view command = line.substr(std::string_view("Exec=").size());
      const std::size_t arguments = std::min(command.find(' '), command.size());
      entry += "Exec=" + EscapeEntryValue(QuoteExecArgument(program));
      entry += command.substr(arguments);
    } else {
      entry += line;
    }
    entry += '\n';
  }
  return entry;
}

bool ReadResource(const char* name, std::string& bytes, std::string& error) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) {
    error = "the program's resource " + std::string(name) + " is missing";
    return false;
  }
  const QByteArray content = file.readAll();
  bytes.assign(content.constData(), static_cast<std::size_t>(content.size()));
  return true;
}

bool WriteFile(const fs::path& path, std::string_view bytes, std::string& error) {
  std::error_code folderError;
  fs::create_directories(path.parent_path(), folderError);
  if (folderError) {
    error = folderError.message();
    return false;
  }
  return SaveFileReplacing(path.string(), bytes, error);
}

// Icon caches are checked against the theme folder's time; a newer folder tells the desktop
// that icons were added or removed. A failure only delays the new icon, so it is not reported.
void TouchIconTheme(const fs::path& dataHome) {
  std::error_code ignored;
  fs::last_write_time(dataHome / kIconTheme, fs::file_time_type::clock::now(), ignored);
}

// Runs `program` (searched on PATH) on `folder` and waits for it; never through a shell, so the
// folder's name reaches it as it is. Returns an empty text when it ran well, else what happened.
std::string RunTool(const char* program, const fs::path& folder) {
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  // The tools' progress chatter would mix with the report; their errors still reach the user.
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string argument = folder.string();
  std::string name = program;
  std::array<char*, 3> arguments = {name.data(), argument.data(), nullptr};
  pid_t child = 0;
  const int spawnError =
      ::posix_spawnp(&child, program, &actions, nullptr, arguments.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (spawnError == ENOENT) return name + " was not found";
  if (spawnError != 0) return name + " could not be started: " + std::strerror(spawnError);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return name + " was lost: " + std::strerror(errno);
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  if (WIFEXITED(status))
    return name + " failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
  return name + " was ended by signal " + std::to_string(WTERMSIG(status));
}

// Brings the desktop's databases up to date with the files under `dataHome`, skipping a folder
// that does not exist (nothing of it to update). Returns the lines of the report.
std::string UpdateDesktopDatabases(const fs::path& dataHome) {
  struct Database {
    const char* tool;
    std::string_view folder;
    const char* consequence;
  };
  constexpr std::array<Database, 2> kDatabases = {{
      {"update-mime-database", "mime",
       "the .kv3 file type changes once the MIME database is rebuilt"},
      {"update-desktop-database", "applications",
       "the program may not be offered for .kv3 files until the application list is rebuilt"},
  }};
  std::string lines;
  bool allUpdated = true;
  for (const Database& database : kDatabases) {
    const fs::path folder = dataHome / database.folder;
    std::error_code ignored;
    if (!fs::is_directory(folder, ignored)) continue;
    const std::string problem = RunTool(database.tool, folder);
    if (problem.empty()) continue;
    allUpdated = false;
    lines += problem + ": " + database.consequence + ".\n";
  }
  if (allUpdated) lines += "The desktop's MIME and application databases are up to date.\n";
  return lines;
}

}  // namespace

bool RegisterWithDesktop(const fs::path& executable, std::string& report) {
  std::string error;
  const std::optional<fs::path> dataHome = DataHome(error);
  if (!dataHome) {
    report = error;
    return false;
  }
  if (!executable.is_absolute()) {
    report = "cannot find the program's own path, which the menu entry must start";
    return false;
  }
  if (!IsUtf8(executable.string())) {
    report = "the program's path " + executable.string() +
             " is not UTF-8 text, which a desktop entry cannot hold";
    return false;
  }

  std::vector<std::pair<std::string, std::string>> files;
  bool hasDesktopEntry = false;
  for (std::string& path : RegisteredFiles()) {
    const std::string resource = std::string(kResourceFolder) + "/" + path;
    std::string bytes;
    if (!ReadResource(resource.c_str(), bytes, error)) {
      report = "cannot write " + (*dataHome / path).string() + ": " + error;
      return false;
    }
    if (path == kDesktopEntryPath) {
      bytes = DesktopEntryFor(bytes, executable);
      hasDesktopEntry = true;
    }
    files.emplace_back(std::move(path), std::move(bytes));
  }
  if (!hasDesktopEntry) {
    report = "cannot write " + (*dataHome / kDesktopEntryPath).string() +
             ": the program's resources hold no desktop entry";
    return false;
  }

  report = "Registered Kalvane for this user under " + dataHome->string() + ":\n";
  int icons = 0;
  for (const auto& [path, bytes] : files) {
    const fs::path target = *dataHome / path;
    if (!WriteFile(target, bytes, error)) {
      report = "cannot write " + target.string() + ": " + error;
      return false;
    }
    if (path.starts_with(kIconTheme)) {
      ++icons;
    } else {
      report += "  wrote " + path + "\n";
    }
  }
  report += "  wrote " + std::to_string(icons) + " icons under " + std::string(kIconTheme) + "\n";
  for (const std::string_view former : kFormerFiles) {
    if (::unlink((*dataHome / former).c_str()) == 0)
      report += "  removed " + std::string(former) + ", an earlier version's\n";
  }
  TouchIconTheme(*dataHome);
  report += "The menu entry starts " + executable.string() + " and is offered for .kv3 files.\n";
  report += UpdateDesktopDatabases(*dataHome);
  return true;
}

bool UnregisterFromDesktop(std::string& report) {
  std::string error;
  const std::optional<fs::path> dataHome = DataHome(error);
  if (!dataHome) {
    report = error;
    return false;
  }
  std::vector<std::string> paths = RegisteredFiles();
  paths.insert(paths.end(), kFormerFiles.begin(), kFormerFiles.end());
  std::string removed;
  int icons = 0;
  for (const std::string& path : paths) {
    const fs::path target = *dataHome / path;
    if (::unlink(target.c_str()) == 0) {
      if (path.starts_with(kIconTheme)) {
        ++icons;
      } else {
        removed += "  removed " + path + "\n";
      }
    } else if (errno != ENOENT && errno != ENOTDIR) {
      report = "cannot remove " + target.string() + ": " + std::strerror(errno);
      return false;
    }
  }
  if (icons > 0)
    removed +=
        "  removed " + std::to_string(icons) + " icons under " + std::string(kIconTheme) + "\n";
  if (removed.empty()) {
    report = "Kalvane was not registered under " + dataHome->string() + "; nothing to remove.\n";
  } else {
    TouchIconTheme(*dataHome);
    report = "Removed the registration of Kalvane under " + dataHome->string() + ":\n" + removed;
  }
  report += UpdateDesktopDatabases(*dataHome);
  return true;
}

}  // namespace kv
