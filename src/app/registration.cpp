#include "app/registration.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>
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

// The document type of ".kv3" files, application/x-kalvane3. Its icon carries the name the
// desktop derives from the type ("/" becomes "-"), so the type needs no icon element of its own.
constexpr std::string_view kMimePackagePath = "mime/packages/kalvane.xml";
constexpr std::string_view kDesktopEntryPath = "applications/kalvane.desktop";

// The icons, copied from the program's resources. The PNG serves desktops that draw no SVG.
struct IconFile {
  std::string_view path;
  const char* resource;
};
constexpr std::array<IconFile, 3> kIconFiles = {{
    {"icons/hicolor/scalable/apps/kalvane.svg", ":/kalvane/kalvane.svg"},
    {"icons/hicolor/scalable/mimetypes/application-x-kalvane3.svg", ":/kalvane/kalvane.svg"},
    {"icons/hicolor/64x64/apps/kalvane.png", ":/kalvane/kalvane.png"},
}};
constexpr std::string_view kIconTheme = "icons/hicolor";

// Every file the registration writes, in the order it writes them: the icons first, so that
// the menu entry and the file type never appear without their icon. Unregistering removes
// exactly these.
std::vector<std::string_view> RegisteredFiles() {
  std::vector<std::string_view> files;
  for (const IconFile& icon : kIconFiles)
    files.push_back(icon.path);
  files.push_back(kMimePackagePath);
  files.push_back(kDesktopEntryPath);
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

std::string DesktopEntry(const fs::path& executable) {
  const std::string program = executable.string();
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Version=1.4\n"
      "Name=Kalvane 3\n"
      "GenericName=Equation Editor\n"
      "Comment=Type equations in a linear syntax and see them typeset\n"
      "Keywords=equation;formula;mathematics;typesetting;\n";
  // The menu entry disappears, rather than fail to start, once the program has been moved away.
  entry += "TryExec=" + EscapeEntryValue(program) + "\n";
  entry += "Exec=" + EscapeEntryValue(QuoteExecArgument(program)) + " %f\n";
  entry +=
      "Icon=kalvane\n"
      "Terminal=false\n"
      "StartupNotify=true\n"
      "MimeType=application/x-kalvane3;\n"
      "Categories=Education;Math;\n";
  return entry;
}

// A .kv3 file is a compound file, which the desktop would otherwise know by its content as a
// generic compound document. Declaring the type a kind of compound file lets the name's
// extension decide between the two.
std::string MimePackage() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"application/x-kalvane3\">\n"
         "    <comment>Kalvane 3 Equation</comment>\n"
         "    <sub-class-of type=\"application/x-ole-storage\"/>\n"
         "    <glob pattern=\"*.kv3\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
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

  std::vector<std::pair<std::string_view, std::string>> files;
  for (const IconFile& icon : kIconFiles) {
    std::string bytes;
    if (!ReadResource(icon.resource, bytes, error)) {
      report = "cannot write " + (*dataHome / icon.path).string() + ": " + error;
      return false;
    }
    files.emplace_back(icon.path, std::move(bytes));
  }
  files.emplace_back(kMimePackagePath, MimePackage());
  files.emplace_back(kDesktopEntryPath, DesktopEntry(executable));

  report = "Registered Kalvane 3 for this user under " + dataHome->string() + ":\n";
  for (const auto& [path, bytes] : files) {
    const fs::path target = *dataHome / path;
    if (!WriteFile(target, bytes, error)) {
      report = "cannot write " + target.string() + ": " + error;
      return false;
    }
    report += "  wrote " + std::string(path) + "\n";
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
  std::string removed;
  for (const std::string_view path : RegisteredFiles()) {
    const fs::path target = *dataHome / path;
    if (::unlink(target.c_str()) == 0) {
      removed += "  removed " + std::string(path) + "\n";
    } else if (errno != ENOENT && errno != ENOTDIR) {
      report = "cannot remove " + target.string() + ": " + std::strerror(errno);
      return false;
    }
  }
  if (removed.empty()) {
    report = "Kalvane 3 was not registered under " + dataHome->string() + "; nothing to remove.\n";
  } else {
    TouchIconTheme(*dataHome);
    report = "Removed the registration of Kalvane 3 under " + dataHome->string() + ":\n" + removed;
  }
  report += UpdateDesktopDatabases(*dataHome);
  return true;
}

}  // namespace kv
