// Saves in a loop until it is killed, for the kill test (kill_saves_test.py): the real editor,
// on the offscreen platform, saving what a person saves, alternately in two versions.
//
//   save_loop document FOLDER   the document FOLDER/doc.kv3, through File Save
//   save_loop object FOLDER     the embedded object FOLDER/object.kv3 with its two pictures and
//                               the exchange file's hint, through Update (the writing of Update
//                               and Return); starting, the editor says it runs in the exchange
//                               file
//   save_loop options FOLDER    the options file, through the options sheet's Set As Default
//                               and OK
// The stores are wherever the environment puts them. "ready" is printed once the editor is up;
// with --rounds N the program saves N times (versions A, B, A, ...) and ends.
#include <QApplication>
#include <QDialogButtonBox>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/child_frame.h"
#include "app/commands.h"
#include "app/equation_bar.h"
#include "support/editor_window.h"
#include "support/options_sheet_script.h"

namespace kv {
namespace {

// The two versions of an equation: different lengths, so a torn file cannot pass for either.
const QString kEquations[2] = {
    "x^2+1",
    "x=(-b+-sqrt(b2-4ac))/2a\nint(0,1) x^2 dx = 1/3\nsigma(i=1,n) i = n(n+1)/2\n(1,2 3,4)(x,y)"};
// The two tab widths the options sheet sets as the default, in millimetres.
const QString kTabWidths[2] = {"12", "13"};

void Trigger(CMainFrame& frame, int command) {
  QAction* action = frame.Command(command);
  if (action == nullptr || !action->isEnabled()) {
    std::fprintf(stderr, "command %d is not available\n", command);
    std::exit(2);
  }
  action->trigger();
}

// One save of version `version` (0 or 1) of what `what` names.
void Save(test::EditorWindow& editor, const std::string& what, const std::string& folder,
          int version) {
  CMainFrame& frame = *editor.frame;
  if (what == "options") {
    editor.dialogs->inDialog = [version](QDialog& dialog) {
      test::SetTabWidthAsDefault(dialog, kTabWidths[version], QDialogButtonBox::Ok);
    };
    Trigger(frame, ID_TOOLS_EDIT_OPTIONS);
    return;
  }
  frame.Bar().Edit().setPlainText(kEquations[version]);
  if (what == "object") {
    Trigger(frame, ID_FILE_UPDATE);
  } else {
    // A new document asks where to save it, once.
    if (frame.ActiveChild()->Path().empty())
      editor.dialogs->filesToSave << QString::fromStdString(folder + "/doc.kv3");
    Trigger(frame, ID_FILE_SAVE);
  }
}

int Run(const std::string& what, const std::string& folder, long rounds) {
  test::EditorWindow editor{test::EditorWindow::InGivenEnvironment{}};
  StartRequest request;
  if (what == "object") request = {StartMode::kEmbedded, folder + "/object.kv3", {}};
  if (what == "document" && std::filesystem::exists(folder + "/doc.kv3"))
    request.file = folder + "/doc.kv3";
  if (!editor.Start(request)) return 2;
  std::printf("ready\n");
  std::fflush(stdout);
  for (long round = 0; rounds < 0 || round < rounds; ++round) {
    Save(editor, what, folder, static_cast<int>(round % 2));
    if (!editor.dialogs->errors.isEmpty()) {
      std::fprintf(stderr, "%s\n", qPrintable(editor.dialogs->errors.join('\n')));
      return 1;
    }
  }
  return 0;
}

}  // namespace
}  // namespace kv

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList arguments = QApplication::arguments();
  const QString what = arguments.value(1);
  if (arguments.size() < 3 || !QStringList{"document", "object", "options"}.contains(what)) {
    std::fprintf(stderr, "usage: save_loop document|object|options FOLDER [--rounds N]\n");
    return 2;
  }
  const long rounds = arguments.value(3) == "--rounds" ? arguments.value(4).toLong() : -1;
  return kv::Run(what.toStdString(), arguments.at(2).toStdString(), rounds);
}
