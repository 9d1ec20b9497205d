// The Help menu: the documentation commands follow their files while the program runs, a file
// is handed to the desktop's program for its type or the user is told why it cannot be shown,
// and the two about boxes with the maker's link.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/about_dialogs.h"
#include "app/commands.h"
#include "app/help_commands.h"
#include "support/editor_window.h"

namespace kv {
namespace {

// Links are answered by the test; files go to the real desktop tools.
class AnsweringOpener final : public DesktopOpener {
 public:
  QStringList links;
  bool linkOpens = false;

  OpenOutcome OpenFile(const std::filesystem::path& path) override { return real_.OpenFile(path); }
  bool OpenLink(const QString& address) override {
    links << address;
    return linkOpens;
  }

 private:
  XdgOpener real_;
};

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  test::WriteFileBytes(path, text);
}

constexpr char kMinimalPdf[] = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";

}  // namespace

class HelpTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    editor_ = std::make_unique<test::EditorWindow>();
    test::ScratchEnvironment& environment = *editor_->environment;
    // A desktop of the test's own: the system's file types, but no program associated with
    // anything unless the test says so. (Runs on a real display: xdg-open and Qt hand files to
    // programs only there.)
    environment.Set("XDG_DATA_HOME", (environment.Root() / "data").string());
    const std::filesystem::path systemData = environment.Root() / "system-data";
    std::filesystem::create_directories(systemData);
    std::filesystem::create_directory_symlink("/usr/share/mime", systemData / "mime");
    environment.Set("XDG_DATA_DIRS", systemData.string());
    std::filesystem::create_directories(environment.ProgramFolder());
    QVERIFY(editor_->Start());
    auto opener = std::make_unique<AnsweringOpener>();
    opener_ = opener.get();
    editor_->app->SetOpener(std::move(opener));
  }
  void cleanup() { editor_.reset(); }

  // Each command is enabled exactly while its file is beside the program (a build tree) or in
  // share/doc/kalvane of its prefix (an installed program); a file added or removed later
  // changes it without a restart.
  void documentationCommandsFollowTheirFiles() {
    const std::filesystem::path program = editor_->environment->ProgramFolder();
    const std::filesystem::path installed =
        editor_->environment->Root() / "share" / "doc" / "kalvane";
    for (const DocumentationFile& file : DocumentationFiles())
      QVERIFY(!Command(file.command).isEnabled());

    WriteFile(program / "kv3_card.pdf", kMinimalPdf);
    QTRY_VERIFY(Command(ID_HELP_READ_QUICKREF).isEnabled());
    QVERIFY(!Command(ID_HELP_READ_MANUAL).isEnabled());

    // The installed folder did not exist at start: the menu looks again when it opens.
    WriteFile(installed / "Kalvane3.html", "<html></html>");
    OpenHelpMenu();
    QVERIFY(Command(ID_HELP_READ_HELP).isEnabled());
    QCOMPARE(DocumentationPath("Kalvane3.html"), installed / "Kalvane3.html");

    std::filesystem::remove(program / "kv3_card.pdf");
    QTRY_VERIFY(!Command(ID_HELP_READ_QUICKREF).isEnabled());
  }

  // A file of a type no program takes, and a file that is gone, are explained; a file with a
  // program is handed to it by its path, as one argument.
  void aFileIsOpenedOrTheUserIsToldWhyNot() {
    const std::filesystem::path root = editor_->environment->Root();
    const std::filesystem::path manual = editor_->environment->ProgramFolder() / "kv3_manl.pdf";
    WriteFile(manual, kMinimalPdf);
    OpenHelpMenu();
    Command(ID_HELP_READ_MANUAL).trigger();
    QCOMPARE(editor_->dialogs->notices, QStringList{NoReaderCaption() + ": " + NoReaderMessage()});
    QVERIFY(NoReaderMessage().endsWith("\n\nWe strongly recommend that you install the reader."));

    editor_->app->ReadDocumentation("kv3_whatsnew.pdf");
    QCOMPARE(editor_->dialogs->notices.last(), QString("File Error: I cannot locate that file"));

    // A reader of the test's own, the desktop's default for PDF files: it notes what it was given.
    const std::filesystem::path given = root / "given.txt";
    WriteFile(root / "bin" / "reader", "#!/bin/sh\nprintf '%s' \"$1\" > " + given.string() + "\n");
    std::filesystem::permissions(root / "bin" / "reader", std::filesystem::perms::owner_all);
    WriteFile(root / "data" / "applications" / "test-reader.desktop",
              "[Desktop Entry]\nType=Application\nName=Reader\nExec=" +
                  (root / "bin" / "reader").string() + " %f\nMimeType=application/pdf;\n");
    WriteFile(editor_->environment->ConfigHome() / "mimeapps.list",
              "[Default Applications]\napplication/pdf=test-reader.desktop\n");
    const qsizetype noticesBefore = editor_->dialogs->notices.size();
    Command(ID_HELP_READ_MANUAL).trigger();
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(given), 10000);
    QTRY_COMPARE(QString::fromStdString(test::ReadFileBytes(given)),
                 QString::fromStdString(manual.string()));
    QCOMPARE(editor_->dialogs->notices.size(), noticesBefore);
  }

  // The about box; the maker's link is blue, beeps when it cannot be opened, and turns purple
  // once it was.
  void theAboutBoxesAndTheMakersLink() {
    QStringList seen;
    editor_->dialogs->inDialog = [&seen](QDialog& dialog) {
      seen << dialog.windowTitle();
      if (auto* version = dialog.findChild<QLabel*>("version")) seen << version->text();
      if (auto* icon = dialog.findChild<QLabel*>("icon"))
        seen << (icon->pixmap().isNull() ? "no icon" : "icon");
      dialog.accept();
    };
    Command(ID_APP_ABOUT).trigger();
    QCOMPARE(seen, (QStringList{"About Kalvane 3", "Kalvane V3.100", "icon"}));

    QList<QColor> colours;
    editor_->dialogs->inDialog = [this, &colours](QDialog& dialog) {
      auto* link = dialog.findChild<CStaticLink*>("control1028");
      QVERIFY(link != nullptr);
      colours << link->TextColour();
      QTest::mouseClick(link, Qt::LeftButton);
      colours << link->TextColour();
      opener_->linkOpens = true;
      QTest::mouseClick(link, Qt::LeftButton);
      colours << link->TextColour();
      dialog.accept();
    };
    Command(ID_HELP_ABOUT_MAKER).trigger();
    const QColor blue(0, 0, 255), purple(128, 0, 128);
    QCOMPARE(colours, (QList<QColor>{blue, blue, purple}));
    QCOMPARE(editor_->dialogs->beeps, 1);
    QCOMPARE(opener_->links, QStringList(2, KVAboutMorvak::kContactAddress));
  }

 private:
  QAction& Command(int id) { return *editor_->frame->Command(id); }
  void OpenHelpMenu() {
    for (QAction* menu : editor_->frame->menuBar()->actions())
      if (menu->text() == "&Help") emit menu->menu()->aboutToShow();
  }

  std::unique_ptr<test::EditorWindow> editor_;
  AnsweringOpener* opener_ = nullptr;
};

}  // namespace kv

QTEST_MAIN(kv::HelpTest)
#include "help_test.moc"
