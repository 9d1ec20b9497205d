// The Help menu's documentation: the help page and three PDF documents that lie beside the
// program, each opened with the program the desktop associates with it, and what the user is
// told when there is none or the file is gone.
#pragma once

#include <QString>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

class QWidget;

namespace kv {

class UserDialogs;

struct DocumentationFile {
  int command;
  const char* fileName;
};

// The four documentation commands and their files.
const std::array<DocumentationFile, 4>& DocumentationFiles();

// The folders the documentation is looked for in, in order: the program's own folder (a build
// tree keeps it there) and share/doc/kalvane of the prefix the program is installed in.
std::vector<std::filesystem::path> DocumentationFolders();

// Where a documentation file is: the first folder that has it, else where an installed program
// keeps it (for the message that it cannot be found).
std::filesystem::path DocumentationPath(const std::string& fileName);

enum class OpenOutcome {
  kOpened,     // handed to the program that shows it
  kNoProgram,  // no program is associated with files of its type
  kNotFound,   // the file is not there
};

// How files and links are handed to the desktop; tests answer in its place.
class DesktopOpener {
 public:
  virtual ~DesktopOpener() = default;
  virtual OpenOutcome OpenFile(const std::filesystem::path& path) = 0;
  // A web address in the user's browser; false when it could not be handed over.
  virtual bool OpenLink(const QString& address) = 0;
};

// The desktop's own associations: the file's type is told by its content and name, its program
// asked of xdg-mime (a program, never a shell), and the file or link opened through
// QDesktopServices (xdg-open).
class XdgOpener final : public DesktopOpener {
 public:
  OpenOutcome OpenFile(const std::filesystem::path& path) override;
  bool OpenLink(const QString& address) override;
};

// Opens a documentation file and tells the user why when it cannot be shown.
void ReadDocumentation(QWidget* parent, const std::filesystem::path& path, DesktopOpener& opener,
                       UserDialogs& dialogs);

// The messages of a documentation file that cannot be shown.
QString NoReaderCaption();
QString NoReaderMessage();
QString FileErrorCaption();
QString FileErrorMessage();

}  // namespace kv
