// The editor's main window, driven as a person would: typing into the equation box, looking at
// what the view paints. Runs on the offscreen platform (and once under Xvfb in CI).
#include "app/main_frame.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

#include "app/application.h"
#include "app/equation_bar.h"
#include "app/equation_view.h"
#include "app/user_dialogs.h"
#include "render/font_surface.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

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

// Answers the editor's questions from a script, and keeps the messages it showed.
class ScriptedDialogs final : public UserDialogs {
 public:
  QStringList errors;
  QList<SaveAnswer> saveAnswers;
  QStringList filesToOpen;
  QStringList filesToSave;
  int questionsAsked = 0;

  void ShowError(QWidget*, const QString& message) override { errors << message; }
  SaveAnswer AskToSaveChanges(QWidget*, const QString&) override {
    ++questionsAsked;
    return saveAnswers.isEmpty() ? SaveAnswer::kCancel : saveAnswers.takeFirst();
  }
  QString FileToOpen(QWidget*) override {
    return filesToOpen.isEmpty() ? QString() : filesToOpen.takeFirst();
  }
  QString FileToSaveAs(QWidget*, const QString&) override {
    return filesToSave.isEmpty() ? QString() : filesToSave.takeFirst();
  }
};

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
    environment_ = std::make_unique<test::ScratchEnvironment>();
    app_ = std::make_unique<KLV300App>();
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    app_->SetDialogs(std::move(dialogs));
    QVERIFY(app_->StartUp().empty());
    frame_ = std::make_unique<CMainFrame>(*app_);
    frame_->NewDocument();
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
  }

  void cleanup() {
    frame_.reset();
    app_.reset();
    environment_.reset();
  }

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
  // and its view paints once.
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
  void theViewShowsWhatTheCommandLineRenders_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("quadratic formula") << "x=(-b+-sqrt(b2-4ac))/2a";
    QTest::newRow("integral") << "int(0,1) x^2 dx = 1/3";
    QTest::newRow("sum") << "sigma(i=1,n) i = n(n+1)/2";
    QTest::newRow("matrix") << "(1,2 3,4)(x,y)";
    QTest::newRow("three lines") << "a^2+b^2=c^2\n|AB|=sqrt((x2-x1)^2)\nlim(x->0) sin x/x = 1";
  }
  void theViewShowsWhatTheCommandLineRenders() {
    QFETCH(QString, text);
    KLV300View& view = frame_->ActiveChild()->View();
    QSignalSpy painted(&view, &KLV300View::painted);
    frame_->Bar().Edit().setPlainText(text);
    QVERIFY(painted.wait());
    const QImage shown = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);

    QTemporaryDir folder;
    const QString picture = folder.filePath("expected.png");
    QProcess cli;
    cli.start(KALVANE_CLI, {"render", "--dpi", QString::number(view.viewport()->logicalDpiX()),
                            "--background", "white", "-o", picture, "--", text});
    QVERIFY(cli.waitForFinished());
    QCOMPARE(cli.exitCode(), 0);
    const QImage expected = QImage(picture).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!expected.isNull());

    const int margin = static_cast<int>(std::lround(KLV300View::kMargin * view.Scale()));
    QVERIFY(expected.width() + margin <= shown.width());
    QVERIFY(expected.height() + margin <= shown.height());
    QVERIFY2(ShareOfDifferentPixels(shown, expected, {margin, margin}) < 0.001, qPrintable(text));
  }

  // Save As and Open through the commands, the dialogs answered: the text comes back into the
  // box without marking the document modified, and the titles name the file.
  void savedDocumentsOpenAgain() {
    QTemporaryDir folder;
    const QString path = folder.filePath("quadratic.kv3");
    QTest::keyClicks(&frame_->Bar().Edit(), "x=(-b+-sqrt(b2-4ac))/2a");
    dialogs_->filesToSave << path;
    Trigger("saveDocumentAs");
    QVERIFY(dialogs_->errors.isEmpty());
    QVERIFY(QFile::exists(path));
    QVERIFY(!frame_->ActiveDocument()->IsModified());
    QCOMPARE(frame_->ActiveChild()->windowTitle(), QString("quadratic.kv3[*]"));

    Trigger("newDocument");
    frame_->Bar().Edit().setPlainText("something else");
    dialogs_->filesToOpen << path;
    Trigger("openDocument");
    QCOMPARE(Documents(), 3);
    QCOMPARE(frame_->ActiveChild()->Name(), QString("quadratic.kv3"));
    QVERIFY(!frame_->ActiveDocument()->IsModified());
    QCOMPARE(frame_->Bar().Edit().toPlainText(),
             QString("x=(-b+-sqrt(b2-4ac))/2a") + QString(19, QChar('\n')));
  }

  // Closing a modified document asks first: Cancel keeps it, No closes it; a damaged file and
  // a failed save say so, and nothing is lost.
  void failuresAndQuestionsKeepTheWork() {
    QTest::keyClicks(&frame_->Bar().Edit(), "a/b");
    dialogs_->saveAnswers << SaveAnswer::kCancel;
    Trigger("closeDocument");
    QCOMPARE(dialogs_->questionsAsked, 1);
    QCOMPARE(Documents(), 1);

    QTemporaryDir folder;
    dialogs_->filesToSave << folder.filePath("no such folder/a.kv3");
    Trigger("saveDocument");
    QCOMPARE(dialogs_->errors, QStringList{"Failed to save document."});
    QVERIFY(frame_->ActiveDocument()->IsModified());

    const QString damaged = folder.filePath("damaged.kv3");
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(600, 'x'));
    file.close();
    dialogs_->filesToOpen << damaged;
    Trigger("openDocument");
    QCOMPARE(dialogs_->errors.last(), QString("Failed to open document."));
    QCOMPARE(Documents(), 1);
    QCOMPARE(QString::fromStdString(frame_->ActiveDocument()->EquationList().Join()).left(3),
             QString("a/b"));

    dialogs_->saveAnswers << SaveAnswer::kDiscard;
    Trigger("closeDocument");
    QTRY_COMPARE(Documents(), 0);  // a closed frame is deleted once control returns
    QVERIFY(!frame_->findChild<QAction*>("saveDocument")->isEnabled());
  }

 private:
  std::unique_ptr<test::ScratchEnvironment> environment_;
  void Trigger(const char* command) {
    QAction* action = frame_->findChild<QAction*>(command);
    QVERIFY(action != nullptr);
    QVERIFY(action->isEnabled());
    action->trigger();
  }
  int Documents() { return static_cast<int>(frame_->findChildren<CChildFrame*>().size()); }

  std::unique_ptr<KLV300App> app_;
  ScriptedDialogs* dialogs_ = nullptr;
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace kv

QTEST_MAIN(kv::MainFrameTest)
#include "main_frame_test.moc"
