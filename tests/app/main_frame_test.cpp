// The editor's main window, driven as a person would: typing into the equation box, looking at
// what the view paints. Runs on the offscreen platform (and once under Xvfb in CI).
#include "app/main_frame.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

#include "app/application.h"
#include "app/background_typesetter.h"
#include "app/color_button.h"
#include "app/commands.h"
#include "app/equation_bar.h"
#include "app/equation_view.h"
#include "app/options_pages.h"
#include "app/options_sheet.h"
#include "app/user_dialogs.h"
#include "markup/markup.h"
#include "options/config_store.h"
#include "render/font_surface.h"
#include "support/editor_window.h"
#include "support/options_sheet_script.h"
#include "support/qt_program.h"
#include "support/typesetter_gate.h"

namespace kv {
namespace {

using test::ScriptedDialogs;

// The box of a document holding only `text`, measured with the fonts the view uses.
NodeBox ExtentOf(KLV300App& app, const std::string& text) {
  KLV300Doc document(app);
  document.OnNewDocument();
  document.SetEquationText(text);
  FontMetricsSurface measuring(app.Fonts());
  return document.GetDocumentExtent(measuring);
}

// How far two pictures differ: the share of pixels of `b` whose channels differ from those of
// `a` at the offset by more than a sixteenth of their range (more than rounding).
double ShareOfDifferentPixels(const QImage& a, const QImage& b, QPoint offsetInA) {
  int different = 0;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const QColor ca = a.pixelColor(x + offsetInA.x(), y + offsetInA.y());
      const QColor cb = b.pixelColor(x, y);
      constexpr int kSixteenth = 16;
      if (std::abs(ca.red() - cb.red()) > kSixteenth ||
          std::abs(ca.green() - cb.green()) > kSixteenth ||
          std::abs(ca.blue() - cb.blue()) > kSixteenth)
        ++different;
    }
  }
  return static_cast<double>(different) / (b.width() * b.height());
}

// Answers the file dialogs the program opens as a person would: the file's name chosen in the
// dialog (and the file type `type`, when given), then accepted. Watches every window that is
// shown while it lives.
class FileDialogAnswerer final : public QObject {
 public:
  explicit FileDialogAnswerer(QStringList answers, QString type = {})
      : answers_(std::move(answers)), type_(std::move(type)) {
    qApp->installEventFilter(this);
  }
  ~FileDialogAnswerer() override { qApp->removeEventFilter(this); }

  bool eventFilter(QObject* object, QEvent* event) override {
    auto* dialog = qobject_cast<QFileDialog*>(object);
    if (event->type() == QEvent::Show && dialog != nullptr && !answers_.isEmpty()) {
      const QString answer = answers_.takeFirst();
      // Once the dialog runs its own event loop: its folder chosen, the name put into its file
      // name box, then a click on its Open or Save button.
      QMetaObject::invokeMethod(
          dialog,
          [dialog, answer, type = type_] {
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
            QVERIFY(name != nullptr && buttons != nullptr);
            const QFileInfo file(answer);
            dialog->setDirectory(file.absolutePath());
            if (!type.isEmpty()) dialog->selectNameFilter(type);
            name->setText(file.fileName());
            // The button is enabled once the dialog has looked at the folder.
            for (QAbstractButton* button : buttons->buttons()) {
              if (buttons->buttonRole(button) != QDialogButtonBox::AcceptRole) continue;
              QTRY_VERIFY(button->isEnabled());
              QTest::mouseClick(button, Qt::LeftButton);
            }
            // A dialog left open would hold the test until it times out.
            if (dialog->isVisible()) dialog->reject();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  QStringList answers_;
  QString type_;
};

// Keeps new files out of a folder while it lives, the superuser's too where the file system can
// mark the folder immutable.
class UnwritableFolder {
 public:
  explicit UnwritableFolder(QString folder) : folder_(std::move(folder)) {
    QFile::setPermissions(folder_, QFile::ReadOwner | QFile::ExeOwner);
    if (::geteuid() == 0) test::RunProgram("chattr", {"+i", folder_});
  }
  ~UnwritableFolder() {
    if (::geteuid() == 0) test::RunProgram("chattr", {"-i", folder_});
    QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  UnwritableFolder(const UnwritableFolder&) = delete;
  UnwritableFolder& operator=(const UnwritableFolder&) = delete;
  // Whether a new file is refused there.
  bool Holds() const {
    QFile probe(folder_ + "/probe");
    if (!probe.open(QIODevice::WriteOnly)) return true;
    probe.remove();
    return false;
  }

 private:
  QString folder_;
};

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The texts of a menu's visible entries, "-" for a separator.
QStringList EntriesOf(const QMenu* menu) {
  QStringList entries;
  for (const QAction* action : menu->actions()) {
    if (!action->isVisible()) continue;
    entries << (action->isSeparator() ? QString("-") : action->text());
  }
  return entries;
}

// The box around the pixels of `image` darker than a light grey, in pixels.
QRect InkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 192) box |= QRect(x, y, 1, 1);
  return box;
}

// Runs a program to its end; what it printed (standard output, then standard error).
QString Run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
  const test::ProgramRun run = test::RunProgram(program, arguments);
  if (exitCode != nullptr) *exitCode = run.status;
  return run.out + run.err;
}

// Types a character that no key of the test's keyboard makes, as an input method would.
void TypeCharacter(QWidget& widget, const QString& character) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
  QCoreApplication::sendEvent(&widget, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
  QCoreApplication::sendEvent(&widget, &release);
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    editor_ = std::make_unique<test::EditorWindow>();
    QVERIFY(editor_->Start());
    environment_ = editor_->environment.get();
    app_ = editor_->app.get();
    dialogs_ = editor_->dialogs;
    frame_ = editor_->frame.get();
  }

  void cleanup() { editor_.reset(); }

  // Start-up: twenty empty lines in the box, the window's size, an empty document that measures
  // as the digit 3, with a scroll range of 1.1 times that.
  void startsWithTwentyEmptyLinesAndAnEmptyDocument() {
    EquationEdit& edit = frame_->Bar().Edit();
    QCOMPARE(edit.toPlainText(), QString(19, QChar('\n')));
    QCOMPARE(frame_->size(), QSize(CMainFrame::kStartWidth, CMainFrame::kStartHeight));
    KLV300View& view = frame_->ActiveChild()->View();
    QSignalSpy painted(&view, &KLV300View::painted);
    view.viewport()->update();
    QVERIFY(painted.wait());
    const NodeBox three = ExtentOf(*app_, "3");
    QCOMPARE(app_->LastExtent(), three);
    const int scrollWidth = static_cast<int>(std::trunc(three.width * 1.1) * view.Scale());
    QCOMPARE(view.horizontalScrollBar()->maximum(),
             std::max(0, scrollWidth - view.viewport()->width()));
    QVERIFY(!frame_->ActiveDocument()->IsModified());
  }

  // One typed character: the document takes the box's text, is modified, says so in its title,
  // and its view paints once. The focus stays with the box.
  void typingMarksTheDocumentModifiedAndPaintsOnce() {
    KLV300View& view = frame_->ActiveChild()->View();
    QSignalSpy painted(&view, &KLV300View::painted);
    QTest::keyClicks(&frame_->Bar().Edit(), "x");
    QVERIFY(painted.wait());
    QCoreApplication::processEvents();
    QCOMPARE(painted.count(), 1);
    QVERIFY(frame_->ActiveDocument()->IsModified());
    QVERIFY(frame_->ActiveChild()->isWindowModified());
    QCOMPARE(QString::fromStdString(frame_->ActiveDocument()->EquationList().Join()),
             QString("x") + QString("\r\n").repeated(19));
    QCOMPARE(app_->LastExtent(), ExtentOf(*app_, "x"));
    // A click elsewhere in the window: typing still goes to the equation.
    view.setFocusPolicy(Qt::ClickFocus);
    QTest::mouseClick(view.viewport(), Qt::LeftButton);
    view.setFocus();
    QTRY_VERIFY(frame_->Bar().Edit().hasFocus());
  }

  // A character without a Windows-1252 form is refused with a message; the text stays.
  void charactersWithoutWindows1252AreRefused() {
    EquationEdit& edit = frame_->Bar().Edit();
    QSignalSpy refused(&edit, &EquationEdit::refused);
    QTest::keyClicks(&edit, "a");
    TypeCharacter(edit, QString::fromUtf8("\u2200"));
    QCOMPARE(refused.count(), 1);
    QVERIFY(edit.toPlainText().startsWith("a\n"));
    QVERIFY(!edit.toPlainText().contains(QString::fromUtf8("\u2200")));
    TypeCharacter(edit, QString::fromUtf8("\u00b0"));  // the degree sign has one
    QCOMPARE(refused.count(), 1);
  }

  // What the view shows is the picture kalvane-cli makes of the same text at the screen's
  // resolution, 5 mm from the corner.
  // The same whether the view typesets the equation itself or, as it does with big ones, on a
  // thread of its own.
  void theViewShowsWhatTheCommandLineRenders_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inTheBackground");
    const QList<std::pair<const char*, QString>> equations = {
        {"quadratic formula", "x=(-b+-sqrt(b2-4ac))/2a"},
        {"integral", "int(0,1) x^2 dx = 1/3"},
        {"sum", "sigma(i=1,n) i = n(n+1)/2"},
        {"matrix", "(1,2 3,4)(x,y)"},
        {"three lines", "a^2+b^2=c^2\n|AB|=sqrt((x2-x1)^2)\nlim(x->0) sin x/x = 1"}};
    for (const auto& [name, text] : equations) {
      QTest::addRow("%s", name) << text << false;
      QTest::addRow("%s, in the background", name) << text << true;
    }
  }
  void theViewShowsWhatTheCommandLineRenders() {
    QFETCH(QString, text);
    QFETCH(bool, inTheBackground);
    KLV300View& view = frame_->ActiveChild()->View();
    if (inTheBackground) view.SetBackgroundTextBytes(1);
    QSignalSpy painted(&view, &KLV300View::painted);
    frame_->Bar().Edit().setPlainText(text);
    QVERIFY(painted.wait());
    const QImage shown = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);

    QTemporaryDir folder;
    const QString picture = folder.filePath("expected.png");
    int status = -1;
    Run(KALVANE_CLI,
        {"render", "--dpi", QString::number(view.viewport()->logicalDpiX()), "--background",
         "white", "-o", picture, "--", text},
        &status);
    QCOMPARE(status, 0);
    const QImage expected = QImage(picture).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!expected.isNull());

    const int margin = static_cast<int>(std::lround(KLV300View::kMargin * view.Scale()));
    QVERIFY(expected.width() + margin <= shown.width());
    QVERIFY(expected.height() + margin <= shown.height());
    QVERIFY2(ShareOfDifferentPixels(shown, expected, {margin, margin}) < 0.001, qPrintable(text));
  }

  // A paste too big to typeset between two frames is typeset on the view's own thread: the
  // window repaints (the older picture) and opens its menus meanwhile, keys typed meanwhile make
  // the newest text, which is the next and last one typeset, and the document closes while a
  // picture is being made.
  void aBigPasteLeavesTheWindowAnswering() {
    KLV300View& view = frame_->ActiveChild()->View();
    EquationEdit& edit = frame_->Bar().Edit();
    test::TypesetterGate gate(view.Typesetter());
    QSemaphore& started = gate.Started();
    QSemaphore& goOn = gate.GoOn();
    QSignalSpy typeset(&view.Typesetter(), &BackgroundTypesetter::typeset);
    QSignalSpy painted(&view, &KLV300View::painted);
    const QString big = test::BackgroundSizedEquation();
    QApplication::clipboard()->setText(big);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(started.available() > 0, 60000);
    started.acquire();

    view.viewport()->repaint();
    QMenu* fileMenu = frame_->menuBar()->actions().first()->menu();
    fileMenu->popup(frame_->mapToGlobal(QPoint(0, 0)));
    QTRY_VERIFY(fileMenu->isVisible());
    fileMenu->close();
    // Two keys, each painted: the second text replaces the first, which is never typeset.
    QTest::keyClick(&edit, Qt::Key_Minus);
    QCoreApplication::processEvents();
    QTest::keyClick(&edit, Qt::Key_C);
    QCoreApplication::processEvents();
    QCOMPARE(painted.count(), 0);
    QVERIFY(view.Typesetter().Busy());

    goOn.release(2);
    QVERIFY(painted.wait(120000));
    QCOMPARE(typeset.count(), 2);
    const std::string newest = edit.EquationText();
    QVERIFY(newest.starts_with(big.toStdString() + "-c"));
    QCOMPARE(painted.last().first().value<NodeBox>(), ExtentOf(*app_, newest));
    QCOMPARE(app_->LastExtent(), ExtentOf(*app_, newest));
    QCOMPARE(started.available(), 1);
    started.acquire();

    QTest::keyClicks(&edit, "d");
    QTRY_VERIFY_WITH_TIMEOUT(started.available() > 0, 60000);
    started.acquire();
    // The pictures the closing view may still ask for go on unheld.
    view.Typesetter().SetStartHook({});
    goOn.release();
    dialogs_->saveAnswers << SaveAnswer::kDiscard;
    Trigger(ID_FILE_CLOSE);
    QTRY_COMPARE(frame_->ActiveChild(), nullptr);
  }

  // Save As and Open through the commands, the dialogs answered: the text comes back into the
  // box without marking the document modified, and the titles name the file.
  void savedDocumentsOpenAgain() {
    QTemporaryDir folder;
    const QString path = folder.filePath("quadratic.kv3");
    QTest::keyClicks(&frame_->Bar().Edit(), "x=(-b+-sqrt(b2-4ac))/2a");
    dialogs_->filesToSave << path;
    Trigger(ID_FILE_SAVE_AS);
    QVERIFY(dialogs_->errors.isEmpty());
    QVERIFY(QFile::exists(path));
    QVERIFY(!frame_->ActiveDocument()->IsModified());
    QCOMPARE(frame_->ActiveChild()->windowTitle(), QString("quadratic.kv3[*]"));

    Trigger(ID_FILE_CLOSE);
    QTRY_COMPARE(Documents(), 0);
    frame_->Bar().Edit().setPlainText("something else");
    dialogs_->filesToOpen << path << path;
    Trigger(ID_FILE_OPEN);
    QCOMPARE(Documents(), 1);
    QCOMPARE(frame_->ActiveChild()->Name(), QString("quadratic.kv3"));
    QVERIFY(!frame_->ActiveDocument()->IsModified());
    QCOMPARE(frame_->Bar().Edit().toPlainText(),
             QString("x=(-b+-sqrt(b2-4ac))/2a") + QString(19, QChar('\n')));
    // Opened again, the document is not read twice: its frame comes forward.
    Trigger(ID_FILE_NEW);
    Trigger(ID_FILE_OPEN);
    QCOMPARE(Documents(), 2);
    QCOMPARE(frame_->ActiveChild()->Name(), QString("quadratic.kv3"));
  }

  // Save As a MathML file exports the equation: the declaration, the markup of the document's
  // text in its settings, a line end. The document keeps its file, name and modified mark. The
  // program's own dialog makes the file a MathML one when that type is chosen. A folder that
  // refuses the file is reported, and the old file there stays as it was.
  void saveAsMathMLExportsTheEquation() {
    QTemporaryDir folder;
    const std::filesystem::path document = folder.filePath("fraction.kv3").toStdString();
    QTest::keyClicks(&frame_->Bar().Edit(), "a/b");
    dialogs_->filesToSave << QString::fromStdString(document.string());
    Trigger(ID_FILE_SAVE_AS);
    QTest::keyClicks(&frame_->Bar().Edit(), "+sqrt(c)");
    KLV300Doc& equation = *frame_->ActiveDocument();
    const std::string text = equation.GetEquationText();
    QVERIFY(text.starts_with("a/b+sqrt(c)\r\n"));
    const QByteArray expected = QByteArray::fromStdString(
        std::string(kXmlDeclaration) + EquationMathML(text, equation.Settings(), MarkupOptions{}) +
        "\n");
    const auto keptAsItWas = [&] {
      QCOMPARE(frame_->ActiveChild()->Path(), document);
      QCOMPARE(frame_->ActiveChild()->windowTitle(), QString("fraction.kv3[*]"));
      QVERIFY(equation.IsModified());
      QVERIFY(frame_->ActiveChild()->isWindowModified());
    };

    dialogs_->filesToSave << folder.filePath("exported.mml");
    Trigger(ID_FILE_SAVE_AS);
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(FileBytes(folder.filePath("exported.mml")), expected);
    keptAsItWas();
    if (QTest::currentTestFailed()) return;

    dialogs_->realFileDialogs = true;
    {
      FileDialogAnswerer answerer({folder.filePath("typed")}, kMathMLFilter);
      Trigger(ID_FILE_SAVE_AS);
    }
    dialogs_->realFileDialogs = false;
    QCOMPARE(FileBytes(folder.filePath("typed.mml")), expected);
    QVERIFY(!QFile::exists(folder.filePath("typed.kv3")));
    keptAsItWas();
    if (QTest::currentTestFailed()) return;

    const QString locked = folder.filePath("locked");
    QVERIFY(QDir().mkdir(locked));
    const QString old = locked + "/old.mml";
    QFile file(old);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("the old file");
    file.close();
    const UnwritableFolder unwritable(locked);
    if (!unwritable.Holds()) QSKIP("no folder here refuses new files");
    dialogs_->filesToSave << old;
    Trigger(ID_FILE_SAVE_AS);
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.front().contains(old), qPrintable(dialogs_->errors.front()));
    QCOMPARE(FileBytes(old), QByteArray("the old file"));
    QCOMPARE(QDir(locked).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"old.mml"});
    keptAsItWas();
  }

  // Closing a modified document asks first: Cancel keeps it, No closes it; a damaged file and
  // a failed save say so, and nothing is lost.
  void failuresAndQuestionsKeepTheWork() {
    QTest::keyClicks(&frame_->Bar().Edit(), "a/b");
    dialogs_->saveAnswers << SaveAnswer::kCancel;
    Trigger(ID_FILE_CLOSE);
    QCOMPARE(dialogs_->questionsAsked, 1);
    QCOMPARE(Documents(), 1);

    QTemporaryDir folder;
    dialogs_->filesToSave << folder.filePath("no such folder/a.kv3");
    Trigger(ID_FILE_SAVE);
    QCOMPARE(dialogs_->errors, QStringList{"Failed to save document."});
    QVERIFY(frame_->ActiveDocument()->IsModified());

    const QString damaged = folder.filePath("damaged.kv3");
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(600, 'x'));
    file.close();
    dialogs_->filesToOpen << damaged;
    Trigger(ID_FILE_OPEN);
    QCOMPARE(dialogs_->errors.last(), QString("Failed to open document."));
    QCOMPARE(Documents(), 1);
    QCOMPARE(QString::fromStdString(frame_->ActiveDocument()->EquationList().Join()).left(3),
             QString("a/b"));

    dialogs_->saveAnswers << SaveAnswer::kDiscard;
    Trigger(ID_FILE_CLOSE);
    QTRY_COMPARE(Documents(), 0);  // a closed frame is deleted once control returns
    QVERIFY(!frame_->Command(ID_FILE_SAVE)->isEnabled());
  }

  // The menu bar, the enabling and the keys follow the start mode and the active document:
  // no document, an ordinary one, or the one a container asked to edit.
  void menusAndKeysFollowTheStartMode_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("menus");
    QTest::addColumn<QStringList>("fileMenu");
    QTest::addColumn<QList<int>>("enabled");
    QTest::addColumn<QList<int>>("disabled");
    QTest::addColumn<int>("ctrlS");
    QTest::addColumn<int>("ctrlR");
    const QList<int> alwaysDisabled = {ID_EDIT_UNDO, ID_NEXT_PANE, ID_PREV_PANE};
    QTest::newRow("no document")
        << "none" << QStringList{"&File", "&View", "&Tools", "&Help"}
        << QStringList{"&New", "&Open...", "-",    "P&rint Setup...", "-", "Recent File",
                       "-",    "&Close",   "E&xit"}
        << QList<int>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_PRINT_SETUP, ID_APP_EXIT, ID_APP_ABOUT}
        << alwaysDisabled + QList<int>{ID_FILE_CLOSE,        ID_FILE_SAVE,
                                       ID_FILE_PRINT,        ID_TOOLS_RESET_EQUATION,
                                       ID_UPDATE_AND_RETURN, ID_CANCEL_CHANGES}
        << int(ID_FILE_SAVE) << int(ID_UPDATE_AND_RETURN);
    QTest::newRow("a document") << "document" << QStringList{"&File",  "&Edit",   "&View",
                                                             "&Tools", "&Window", "&Help"}
                                << QStringList{"&New",      "&Open...",       "&Close",
                                               "&Save",     "Save &As...",    "-",
                                               "&Print...", "Print Pre&view", "P&rint Setup...",
                                               "-",         "Recent File",    "-",
                                               "E&xit"}
                                << QList<int>{ID_FILE_CLOSE,           ID_FILE_SAVE,  ID_FILE_PRINT,
                                              ID_TOOLS_RESET_EQUATION, ID_WINDOW_NEW, ID_EDIT_COPY}
                                << alwaysDisabled +
                                       QList<int>{ID_UPDATE_AND_RETURN, ID_CANCEL_CHANGES}
                                << int(ID_FILE_SAVE) << int(ID_UPDATE_AND_RETURN);
    QTest::newRow("embedded") << "embedded" << QStringList{"&File",  "&Edit",   "&View",
                                                           "&Tools", "&Window", "&Help"}
                              << QStringList{"&New",
                                             "&Open...",
                                             "&Close",
                                             "Save Copy &As...",
                                             "-",
                                             "&Print...",
                                             "Print Pre&view",
                                             "P&rint Setup...",
                                             "-",
                                             "Recent File",
                                             "-",
                                             "E&xit"}
                              << QList<int>{ID_FILE_SAVE_COPY_AS, ID_UPDATE_AND_RETURN,
                                            ID_CANCEL_CHANGES}
                              << alwaysDisabled << int(ID_FILE_UPDATE) << int(ID_UPDATE_AND_RETURN);
  }
  void menusAndKeysFollowTheStartMode() {
    QFETCH(QString, mode);
    QFETCH(QStringList, menus);
    QFETCH(QStringList, fileMenu);
    QFETCH(QList<int>, enabled);
    QFETCH(QList<int>, disabled);
    QFETCH(int, ctrlS);
    QFETCH(int, ctrlR);
    if (mode == "none") {
      Trigger(ID_FILE_CLOSE);
      QTRY_COMPARE(Documents(), 0);
    } else if (mode == "embedded") {
      QTemporaryDir folder;
      app_->ProcessStartRequest(
          {StartMode::kEmbedded, folder.filePath("object.kv3").toStdString(), {}});
    }
    QStringList shownMenus;
    for (const QAction* menu : frame_->menuBar()->actions())
      shownMenus << menu->text();
    QCOMPARE(shownMenus, menus);
    QCOMPARE(EntriesOf(frame_->menuBar()->actions().first()->menu()), fileMenu);
    for (const int id : enabled)
      QVERIFY2(frame_->Command(id)->isEnabled(), qPrintable(QString::number(id, 16)));
    for (const int id : disabled)
      QVERIFY2(!frame_->Command(id)->isEnabled(), qPrintable(QString::number(id, 16)));
    QCOMPARE(CommandOfKeys(Qt::CTRL | Qt::Key_S), ctrlS);
    QCOMPARE(CommandOfKeys(Qt::CTRL | Qt::Key_R), ctrlR);
    // Every key of the table in force gives one command, so none is ambiguous.
    QCOMPARE(CommandOfKeys(Qt::CTRL | Qt::Key_Insert), int(ID_EDIT_COPY));
    QCOMPARE(CommandOfKeys(Qt::SHIFT | Qt::Key_Insert), int(ID_EDIT_PASTE));
  }

  // New Window makes no second window; Ctrl+S without a document asks nothing and saves nothing;
  // Undo has nothing to undo.
  void commandsWithoutEffectDoNothing() {
    Trigger(ID_WINDOW_NEW);
    QCOMPARE(Documents(), 1);
    QTest::keyClicks(&frame_->Bar().Edit(), "ab");
    QTest::keySequence(frame_, QKeySequence(Qt::CTRL | Qt::Key_Z));
    QVERIFY(frame_->Bar().Edit().toPlainText().startsWith("ab\n"));

    dialogs_->saveAnswers << SaveAnswer::kDiscard;
    Trigger(ID_FILE_CLOSE);
    QTRY_COMPARE(Documents(), 0);
    const int dialogsBefore = dialogs_->fileDialogsShown;
    QTest::keySequence(frame_, QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(dialogs_->fileDialogsShown, dialogsBefore);
    QCOMPARE(Documents(), 0);
  }

  // Reset Equation gives the document the defaults again and marks it modified.
  void resetEquationTakesTheDefaults() {
    KLV300Doc& document = *frame_->ActiveDocument();
    document.Settings().VerticalSpacing.Set(document.Settings().VerticalSpacing.Current() + 100);
    document.SetModifiedFlag(false);
    QVERIFY(!(document.Settings() == app_->MasterSettings()));
    Trigger(ID_TOOLS_RESET_EQUATION);
    QVERIFY(document.Settings() == app_->MasterSettings());
    QVERIFY(document.IsModified());
    QVERIFY(frame_->ActiveChild()->isWindowModified());
  }

  // Edit Options and the toolbar's Edit Preferences run the options sheet on the document: Cancel
  // changes nothing; what OK brings is drawn at once (a red main font paints red pixels), and the
  // document is modified.
  void theOptionsSheetChangesWhatTheViewShows() {
    QTest::keyClicks(&frame_->Bar().Edit(), "x+1");
    KLV300Doc& document = *frame_->ActiveDocument();
    CChildFrame& child = *frame_->ActiveChild();
    KLV300View& view = child.View();
    document.SetModifiedFlag(false);
    child.UpdateTitle();
    const auto redPixels = [&view] {
      const QImage image = view.viewport()->grab().toImage();
      int red = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
          const QColor pixel = image.pixelColor(x, y);
          red += pixel.red() > 180 && pixel.green() < 100 && pixel.blue() < 100 ? 1 : 0;
        }
      return red;
    };
    QCOMPARE(redPixels(), 0);
    const auto chooseRed = [](QDialog& dialog, QDialogButtonBox::StandardButton close) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      auto* colour =
          sheet.Page(KLVFontsPropPage::kIndex).findChild<CColorButton*>(ControlName(1058));
      colour->SetColour(0x0000FF);
      QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(close), Qt::LeftButton);
    };
    dialogs_->inDialog = [&](QDialog& dialog) { chooseRed(dialog, QDialogButtonBox::Cancel); };
    Trigger(ID_EDIT_PREFERENCES);
    QVERIFY(!document.IsModified());
    QCOMPARE(redPixels(), 0);

    dialogs_->inDialog = [&](QDialog& dialog) { chooseRed(dialog, QDialogButtonBox::Ok); };
    Trigger(ID_TOOLS_EDIT_OPTIONS);
    QCOMPARE(document.Settings().Font.Current().colour, 0x0000FF);
    QVERIFY(redPixels() > 20);
    QVERIFY(document.IsModified());
    QVERIFY(child.isWindowModified());
  }

  // "Set As Default" changes the defaults for the rest of the run at once, but only OK saves them:
  // after Cancel a new start does not have them, after OK it does.
  void defaultsAreSavedOnlyThroughOk() {
    const auto tabAtNextStart = [] {
      KLV300App next;
      next.StartUp();
      return next.MasterSettings().TabWidth.Current();
    };
    dialogs_->inDialog = [&](QDialog& dialog) {
      test::SetTabWidthAsDefault(dialog, "12", QDialogButtonBox::Cancel);
    };
    Trigger(ID_TOOLS_EDIT_OPTIONS);
    QCOMPARE(app_->MasterSettings().TabWidth.Current(), 1200);
    QCOMPARE(dialogs_->beeps, 1);
    QCOMPARE(tabAtNextStart(), 1000);
    Trigger(ID_FILE_NEW);
    QCOMPARE(frame_->ActiveDocument()->Settings().TabWidth.Current(), 1200);

    dialogs_->inDialog = [&](QDialog& dialog) {
      test::SetTabWidthAsDefault(dialog, "13", QDialogButtonBox::Ok);
    };
    Trigger(ID_TOOLS_EDIT_OPTIONS);
    QCOMPARE(tabAtNextStart(), 1300);
    QVERIFY(dialogs_->errors.isEmpty());
  }

  // Reset Options asks first and writes the factory values to the default configuration file;
  // Write Default Configuration File writes the defaults in force. The next start takes the file
  // and removes it. A file that cannot be written is said to be so.
  void theConfigurationCommandsWriteTheDefaultFile() {
    const std::filesystem::path file = environment_->ProgramFolder() / "KLV3_Default.ini";
    const auto storedTab = [&file] {
      ConfigStore store = DefaultConfigurationStore();
      store.Load();
      return store.ReadInt("Options", "TabWidth");
    };
    Trigger(ID_TOOLS_RESET_OPTIONS);
    QCOMPARE(dialogs_->questions,
             QStringList{"About to reset all options to original default values"});
    QVERIFY(!std::filesystem::exists(file));
    QVERIFY(dialogs_->messages.isEmpty());

    app_->MasterSettings().TabWidth.Set(1500);
    Trigger(ID_TOOLS_WRITE_DEFAULT_CONFIG);
    QCOMPARE(dialogs_->messages.takeLast(),
             QString::fromStdString("A default configuration file has been written to\n" +
                                    file.string() +
                                    "\n\nRead the installation instructions for details\n"
                                    "on how to use this feature."));
    QCOMPARE(storedTab(), 1500);

    dialogs_->okCancelAnswers << true;
    Trigger(ID_TOOLS_RESET_OPTIONS);
    QCOMPARE(dialogs_->messages.takeLast(),
             QString("All options have been reset to factory defaults.\n\n"
                     "Kalvane must be restarted to load new options."));
    QCOMPARE(storedTab(), 1000);
    QCOMPARE(app_->MasterSettings().TabWidth.Current(), 1500);
    {
      KLV300App next;
      next.StartUp();
      QCOMPARE(next.MasterSettings().TabWidth.Current(), 1000);
    }
    QVERIFY(!std::filesystem::exists(file));

    // The program's folder is a file: nothing can be written in it.
    std::filesystem::remove_all(environment_->ProgramFolder());
    test::WriteFileBytes(environment_->ProgramFolder(), "not a folder");
    Trigger(ID_TOOLS_WRITE_DEFAULT_CONFIG);
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY(dialogs_->errors.front().startsWith(
        "The default configuration file could not be written."));
    QVERIFY(dialogs_->messages.isEmpty());
  }

  // A picture Kalvane made opens as a new, unsaved document holding its equation and settings,
  // whatever its format; a picture whose equation was damaged, or one without any, is refused
  // with a message and opens nothing.
  void picturesKalvaneMadeOpenAsNewDocuments() {
    QTemporaryDir folder;
    for (const QString format : {"svg", "png", "wmf"}) {
      const QString path = folder.filePath("picture." + format);
      const test::ProgramRun run = test::RunProgram(
          KALVANE_CLI,
          {"render", "x*y\n1/2", "--set", "MultiplyStyle=2", "--set", "TabWidth=1234", "-o", path});
      QVERIFY2(run.status == 0, qPrintable(run.err));
      const int before = Documents();
      QVERIFY2(frame_->OpenDocument(path.toStdString()) != nullptr, qPrintable(format));
      QCOMPARE(Documents(), before + 1);
      KLV300Doc& document = *frame_->ActiveDocument();
      QCOMPARE(frame_->Bar().Edit().toPlainText(), QString("x*y\n1/2") + QString(18, '\n'));
      QCOMPARE(document.Settings().MultiplyStyle.Current(), 2);
      QCOMPARE(document.Settings().TabWidth.Current(), 1234);
      QVERIFY(document.IsModified());
      QVERIFY(frame_->ActiveChild()->Path().empty());
    }
    QVERIFY(dialogs_->errors.isEmpty());

    // The same SVG with a character of its equation changed, and a PNG that is only a PNG.
    QFile svg(folder.filePath("picture.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QByteArray damaged = svg.readAll();
    const qsizetype equation = damaged.indexOf("kalvane");
    QVERIFY(equation > 0);
    const qsizetype payload = damaged.indexOf('>', damaged.indexOf("<kalvane:equation")) + 20;
    damaged[payload] = damaged[payload] == 'A' ? 'B' : 'A';
    test::WriteFileBytes(folder.filePath("damaged.svg").toStdString(), damaged.toStdString());
    QImage plain(4, 4, QImage::Format_RGB32);
    plain.fill(Qt::white);
    QVERIFY(plain.save(folder.filePath("plain.png")));
    for (const QString name : {"damaged.svg", "plain.png"}) {
      const int before = Documents();
      dialogs_->errors.clear();
      QVERIFY(frame_->OpenDocument(folder.filePath(name).toStdString()) == nullptr);
      QCOMPARE(Documents(), before);
      QCOMPARE(dialogs_->errors.size(), 1);
      QVERIFY2(dialogs_->errors.front().startsWith("Failed to open document."),
               qPrintable(dialogs_->errors.front()));
    }
  }

  // The program's own file dialogs, answered as a person would, save a document and open it.
  void realFileDialogsSaveAndOpen() {
    QTemporaryDir folder;
    dialogs_->realFileDialogs = true;
    QTest::keyClicks(&frame_->Bar().Edit(), "a/b");
    {
      // No extension typed: the dialog's answer gets ".kv3".
      FileDialogAnswerer answerer({folder.filePath("fraction")});
      Trigger(ID_FILE_SAVE_AS);
    }
    const QString path = folder.filePath("fraction.kv3");
    QVERIFY(QFile::exists(path));
    Trigger(ID_FILE_NEW);
    {
      FileDialogAnswerer answerer({path});
      Trigger(ID_FILE_CLOSE);  // the new document is not modified: no question
      Trigger(ID_FILE_OPEN);
    }
    QCOMPARE(dialogs_->questionsAsked, 0);
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(frame_->ActiveChild()->Name(), QString("fraction.kv3"));
    QVERIFY(frame_->Bar().Edit().toPlainText().startsWith("a/b\n"));
  }

  // The last files opened or saved are offered newest first, kept for the next start; one that
  // cannot be opened any more leaves the list, and one that is open is only brought forward.
  void recentFilesAreKeptAndOffered() {
    QTemporaryDir folder;
    const QString first = folder.filePath("first.kv3");
    const QString second = folder.filePath("second.kv3");
    dialogs_->filesToSave << first << second;
    Trigger(ID_FILE_SAVE_AS);
    Trigger(ID_FILE_NEW);
    Trigger(ID_FILE_SAVE_AS);
    const QAction* newest = frame_->Command(ID_FILE_MRU_FILE1);
    QCOMPARE(newest->text(), "&1 " + second);
    QCOMPARE(frame_->Command(ID_FILE_MRU_FILE1 + 1)->text(), "&2 " + first);
    QVERIFY(!frame_->Command(ID_FILE_MRU_FILE1 + 2)->isVisible());

    frame_->Command(ID_FILE_MRU_FILE1)->trigger();  // open already: brought forward
    QCOMPARE(Documents(), 2);
    QVERIFY(QFile::remove(first));
    frame_->Command(ID_FILE_MRU_FILE1 + 1)->trigger();
    QCOMPARE(dialogs_->errors, QStringList{"Failed to open document."});
    QVERIFY(!frame_->Command(ID_FILE_MRU_FILE1 + 1)->isVisible());

    // The next start offers what is left.
    editor_->frame.reset();
    editor_->frame = std::make_unique<CMainFrame>(*app_);
    frame_ = editor_->frame.get();
    QCOMPARE(frame_->Command(ID_FILE_MRU_FILE1)->text(), "&1 " + second);
    QVERIFY(!frame_->Command(ID_FILE_MRU_FILE1 + 1)->isVisible());
  }

  // Print puts the equation at its true size 5 mm from the page's corner, as vectors; Print
  // Preview paints the same page; Print Setup is the page setup of the same printer.
  void printingPutsTheEquationAtFiveMillimetres() {
    const QString text = "x=(-b+-sqrt(b2-4ac))/2a";
    frame_->Bar().Edit().setPlainText(text);
    QTemporaryDir folder;
    dialogs_->printToPdf = folder.filePath("printed.pdf");
    Trigger(ID_FILE_PRINT);
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QVERIFY(Run("pdfinfo", {dialogs_->printToPdf}).contains(QRegularExpression("Pages:\\s+1\\n")));
    QVERIFY(!Run("pdfimages", {"-list", dialogs_->printToPdf})
                 .contains(QRegularExpression("\\n\\s*1\\s")));
    // At 254 dpi a pixel is 0.1 mm: the margin is 50 pixels.
    Run("pdftoppm", {"-r", "254", "-gray", "-png", "-singlefile", dialogs_->printToPdf,
                     folder.filePath("page")});
    const QImage page(folder.filePath("page.png"));
    QVERIFY(!page.isNull());
    const QString expectedPicture = folder.filePath("expected.png");
    int status = -1;
    Run(KALVANE_CLI,
        {"render", "--dpi", "254", "--background", "white", "-o", expectedPicture, "--", text},
        &status);
    QCOMPARE(status, 0);
    const QRect expected = InkBox(QImage(expectedPicture)).translated(50, 50);
    const QRect printed = InkBox(page);
    QVERIFY2(std::abs(printed.left() - expected.left()) <= 1 &&
                 std::abs(printed.top() - expected.top()) <= 1 &&
                 std::abs(printed.right() - expected.right()) <= 1 &&
                 std::abs(printed.bottom() - expected.bottom()) <= 1,
             qPrintable(QString("printed %1,%2 %3x%4, expected %5,%6 %7x%8")
                            .arg(printed.left())
                            .arg(printed.top())
                            .arg(printed.width())
                            .arg(printed.height())
                            .arg(expected.left())
                            .arg(expected.top())
                            .arg(expected.width())
                            .arg(expected.height())));

    dialogs_->printToPdf = folder.filePath("preview.pdf");
    app_->Printer().setOutputFileName(dialogs_->printToPdf);
    Trigger(ID_FILE_PRINT_PREVIEW);
    QCOMPARE(dialogs_->previews, 1);
    QVERIFY(QFile::exists(dialogs_->printToPdf));
    Trigger(ID_FILE_PRINT_SETUP);
    QCOMPARE(dialogs_->pageSetups, 1);
  }

  // What the command line asks for: a file opens; a damaged one is shown as a failure and the
  // editor starts with a new document; a container's object opens, or starts new, with the
  // embedded menus, and "Running" = 1 is in the exchange store's file.
  void theCommandLineOpensWhatItNames() {
    Trigger(ID_FILE_CLOSE);
    QTRY_COMPARE(Documents(), 0);
    QTemporaryDir folder;
    const QString damaged = folder.filePath("damaged.kv3");
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(600, 'x'));
    file.close();
    app_->ProcessStartRequest({StartMode::kEditor, damaged.toStdString(), {}});
    QCOMPARE(dialogs_->errors, QStringList{"Failed to open document."});
    QCOMPARE(Documents(), 1);
    QVERIFY(!app_->LaunchedEmbedded());

    const QString object = folder.filePath("object.kv3");
    Run(KALVANE_CLI, {"save", "x^2", "-o", object});
    app_->ProcessStartRequest({StartMode::kEmbedded, object.toStdString(), {}});
    QVERIFY(app_->LaunchedEmbedded());
    QCOMPARE(frame_->ActiveChild()->Name(), QString("object.kv3"));
    QVERIFY(frame_->ActiveChild()->IsEmbeddedObject());
    QVERIFY(frame_->Bar().Edit().toPlainText().startsWith("x^2\n"));
    QCOMPARE(frame_->MenuBarInForce(), MenuBarKind::kEmbedded);
    ConfigStore exchange = ExchangeStore();
    QVERIFY(exchange.Load());
    QCOMPARE(exchange.ReadInt("Control", "Running"), 1);
  }

  // The program itself: --help, --version and a mistake, without a window.
  void theProgramAnswersItsCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: kalvane [FILE.kv3]";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "kalvane ";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "unknown option --bogus";
    QTest::newRow("embedding without a file")
        << QStringList{"--embedding"} << 2 << "needs the object's file";
    QTest::newRow("two files") << QStringList{"a.kv3", "b.kv3"} << 2 << "one document at a time";
  }
  void theProgramAnswersItsCommandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    int exitCode = -1;
    const QString printed = Run(KALVANE_EDITOR, arguments, &exitCode);
    QCOMPARE(exitCode, status);
    QVERIFY2(printed.contains(output), qPrintable(printed));
  }

 private:
  std::unique_ptr<test::EditorWindow> editor_;
  test::ScratchEnvironment* environment_ = nullptr;
  void Trigger(int command) {
    QAction* action = frame_->Command(command);
    QVERIFY(action != nullptr);
    QVERIFY(action->isEnabled());
    action->trigger();
  }
  int Documents() { return static_cast<int>(frame_->findChildren<CChildFrame*>().size()); }
  // The command the keys give, 0 for none.
  int CommandOfKeys(QKeyCombination keys) {
    int found = 0;
    for (const QAction* action : frame_->actions()) {
      if (!action->shortcuts().contains(QKeySequence(keys))) continue;
      if (found != 0) return -1;  // two commands: ambiguous
      found = action->data().toInt();
    }
    return found;
  }

  KLV300App* app_ = nullptr;
  ScriptedDialogs* dialogs_ = nullptr;
  CMainFrame* frame_ = nullptr;
};

}  // namespace kv

QTEST_MAIN(kv::MainFrameTest)
#include "main_frame_test.moc"
