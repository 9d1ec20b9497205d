#include "app/help_commands.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>
#include <optional>

#include "app/commands.h"
#include "app/user_dialogs.h"
#include "options/store_folders.h"

namespace kv {
namespace {

QString Text(const char* text) {
  return QCoreApplication::translate("Help", text);
}

// xdg-mime answers at once; a desktop that hangs it is not waited for.
constexpr int kQueryTimeoutMs = 5000;

// The program the desktop opens files of `mimeType` with: its desktop entry's name, empty for
// none, nothing when xdg-mime cannot be asked.
std::optional<QString> DefaultProgramFor(const QString& mimeType) {
  QProcess query;
  query.start("xdg-mime", {"query", "default", mimeType});
  if (!query.waitForFinished(kQueryTimeoutMs) || query.exitStatus() != QProcess::NormalExit)
    return std::nullopt;
  return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
}

}  // namespace

const std::array<DocumentationFile, 4>& DocumentationFiles() {
  static const std::array<DocumentationFile, 4> files = {{
      {ID_HELP_READ_HELP, "Kalvane3.html"},
      {ID_HELP_READ_MANUAL, "kv3_manl.pdf"},
      {ID_HELP_READ_QUICKREF, "kv3_card.pdf"},
      {ID_HELP_READ_WHATSNEW, "kv3_whatsnew.pdf"},
  }};
  return files;
}

std::vector<std::filesystem::path> DocumentationFolders() {
  const std::filesystem::path program = ProgramFolder();
  if (program.empty()) return {};
  // ProgramFolder ends with "/": its parent path is the folder itself.
  const std::filesystem::path folder = program.parent_path();
  return {folder, folder.parent_path() / "share" / "doc" / "kalvane"};
}

std::filesystem::path DocumentationPath(const std::string& fileName) {
  const std::vector<std::filesystem::path> folders = DocumentationFolders();
  if (folders.empty()) return fileName;
  std::error_code error;
  for (const std::filesystem::path& folder : folders)
    if (std::filesystem::is_regular_file(folder / fileName, error)) return folder / fileName;
  return folders.back() / fileName;
}

OpenOutcome XdgOpener::OpenFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return OpenOutcome::kNotFound;
  const QString file = QString::fromStdString(path.string());
  const QString type = QMimeDatabase().mimeTypeForFile(file).name();
  const std::optional<QString> program = DefaultProgramFor(type);
  if (program && program->isEmpty()) return OpenOutcome::kNoProgram;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file)) ? OpenOutcome::kOpened
                                                              : OpenOutcome::kNoProgram;
}

bool XdgOpener::OpenLink(const QString& address) {
  return QDesktopServices::openUrl(QUrl(address));
}

QString NoReaderCaption() {
  return Text("Cannot find Adobe Acrobat");
}

QString NoReaderMessage() {
  return Text("Adobe Acrobat is required to read these documents.  ") +
         Text("Acrobat is a commonly used format and you will find it to be generally useful.  ") +
         Text(
             "Your distribution offers free readers for these documents, such as Evince "
             "(package evince) and Okular (package okular), which your software manager "
             "installs.") +
         "\n\n" + Text("We strongly recommend that you install the reader.");
}

QString FileErrorCaption() {
  return Text("File Error");
}

QString FileErrorMessage() {
  return Text("I cannot locate that file");
}

void ReadDocumentation(QWidget* parent, const std::filesystem::path& path, DesktopOpener& opener,
                       UserDialogs& dialogs) {
  switch (opener.OpenFile(path)) {
    case OpenOutcome::kOpened:
      break;
    case OpenOutcome::kNoProgram:
      dialogs.ShowNotice(parent, NoReaderCaption(), NoReaderMessage());
      break;
    case OpenOutcome::kNotFound:
      dialogs.ShowNotice(parent, FileErrorCaption(), FileErrorMessage());
      break;
  }
}

}  // namespace kv
