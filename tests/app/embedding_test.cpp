// The editor started by a container: returning to the document writes the object and its
// pictures and ends, cancelling leaves them as they were, and nothing the user typed is lost
// when the object cannot be written or another document is not let go.
#include <QAction>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app/child_frame.h"
#include "app/commands.h"
#include "app/equation_bar.h"
#include "document/document_file.h"
#include "embedding/container_protocol.h"
#include "options/config_store.h"
#include "render/picture_metadata.h"
#include "support/editor_window.h"
#include "support/picture_checks.h"
#include "support/typesetter_gate.h"

namespace kv {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// What the program writes on its standard output while it lives.
class CapturedOutput {
 public:
  CapturedOutput() : saved_(std::cout.rdbuf(captured_.rdbuf())) {}
  ~CapturedOutput() { std::cout.rdbuf(saved_); }
  std::string Text() const { return captured_.str(); }

 private:
  std::ostringstream captured_;
  std::streambuf* saved_;
};

ConfigStore LoadedExchangeStore() {
  ConfigStore store = ExchangeStore();
  store.Load();
  return store;
}

std::string FirstLineOf(const std::filesystem::path& documentFile) {
  HeadlessHost host;
  KLV300Doc document(host);
  OpenDocumentFile(document, documentFile);
  return document.EquationList().Line(0);
}

}  // namespace

class EmbeddingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    editor_ = std::make_unique<test::EditorWindow>();
    object_ = editor_->environment->Root() / "object.kv3";
    // The word processor's font, as a container writes it before it starts the editor.
    ConfigStore exchange = ExchangeStore();
    exchange.WriteString("Font Info", "Name", "Liberation Mono", true);
    exchange.WriteInt("Font Info", "Size", 14, true);
    QVERIFY(exchange.Save());
  }
  void cleanup() { editor_.reset(); }

  // Every way of leaving returns the edit: the object holds the typed equation, its two
  // pictures carry it, the size line and the hint agree, and the exchange file says the editor
  // is gone and forgets the word processor's font.
  void everyWayOfLeavingReturnsTheEdit_data() {
    QTest::addColumn<QString>("way");
    for (const char* way : {"Ctrl+R", "Ctrl+Shift+E", "toolbar", "Exit", "closing the window",
                            "closing the document"})
      QTest::newRow(way) << way;
  }
  void everyWayOfLeavingReturnsTheEdit() {
    QFETCH(QString, way);
    QVERIFY(Start());
    QTest::keyClicks(&editor_->frame->Bar().Edit(), "x^2+1");
    CapturedOutput output;
    CMainFrame& frame = *editor_->frame;
    if (way == "Ctrl+R") {
      QTest::keySequence(&frame, QKeySequence(Qt::CTRL | Qt::Key_R));
    } else if (way == "Ctrl+Shift+E") {
      QTest::keySequence(&frame, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    } else if (way == "toolbar") {
      auto* toolBar = frame.findChild<QToolBar*>("toolBar");
      QTest::mouseClick(toolBar->widgetForAction(frame.Command(ID_UPDATE_AND_RETURN)),
                        Qt::LeftButton);
    } else if (way == "Exit") {
      frame.Command(ID_APP_EXIT)->trigger();
    } else if (way == "closing the window") {
      frame.close();
    } else {
      frame.Command(ID_FILE_CLOSE)->trigger();
    }
    QTRY_VERIFY(!frame.isVisible());
    QCOMPARE(editor_->app->ExitStatus(), kExitUpdated);
    QCOMPARE(editor_->dialogs->errors, QStringList());

    QCOMPARE(FirstLineOf(object_), std::string("x^2+1"));
    const ObjectFiles files = ObjectFilesOf(object_);
    const std::string wmf = test::ReadFileBytes(files.metafile);
    for (const std::string& picture : {wmf, test::ReadFileBytes(files.svg)}) {
      std::string error;
      const auto equation = ReadPictureEquation(Bytes(picture), error);
      QVERIFY2(equation.has_value(), error.c_str());
      QCOMPARE(equation->text, std::string("x^2+1"));
    }
    const QRegularExpressionMatch line =
        QRegularExpression("^width=(\\d+) height=(\\d+) lowering=(\\d+)\n$")
            .match(QString::fromStdString(output.Text()));
    QVERIFY2(line.hasMatch(), output.Text().c_str());
    QCOMPARE(test::PlaceableWmfSize(wmf),
             std::pair(line.captured(1).toInt(), line.captured(2).toInt()));
    ConfigStore exchange = LoadedExchangeStore();
    QCOMPARE(exchange.ReadInt("Control", "Running"), 0);
    QCOMPARE(exchange.ReadString("Font Info", "Name"), std::string("No Font"));
    QCOMPARE(exchange.ReadInt("Lowering Hint", "Amount"), line.captured(3).toInt());
  }

  // Cancel Changes: the object's three files stay byte for byte as they were; the exchange
  // file still says the editor is gone.
  void cancellingLeavesTheObjectAsItWas_data() {
    QTest::addColumn<bool>("whileTypesetting");
    QTest::newRow("after an edit") << false;
    QTest::newRow("while a big paste is typeset") << true;
  }
  void cancellingLeavesTheObjectAsItWas() {
    QFETCH(bool, whileTypesetting);
    const ObjectFiles files = ObjectFilesOf(object_);
    HeadlessHost host;
    KLV300Doc before(host);
    before.OnNewDocument();
    before.SetEquationText("a+b");
    SaveDocumentFile(before, object_);
    test::WriteFileBytes(files.metafile, "the container's metafile");
    test::WriteFileBytes(files.svg, "the container's svg");
    const std::string document = test::ReadFileBytes(object_);

    QVERIFY(Start());
    QCOMPARE(editor_->frame->Bar().Edit().toPlainText().section('\n', 0, 0), QString("a+b"));
    QTest::keyClicks(&editor_->frame->Bar().Edit(), "+c");
    if (whileTypesetting) {
      test::TypesetterGate gate(editor_->frame->ActiveChild()->View().Typesetter());
      editor_->frame->Bar().Edit().insertPlainText(test::BackgroundSizedEquation());
      QTRY_VERIFY_WITH_TIMEOUT(gate.Started().available() > 0, 60000);
      gate.GoOn().release(1000);
    }
    editor_->frame->Command(ID_CANCEL_CHANGES)->trigger();
    QTRY_VERIFY(!editor_->frame->isVisible());
    QCOMPARE(editor_->app->ExitStatus(), kExitCancelled);
    QCOMPARE(editor_->dialogs->questionsAsked, 0);
    QVERIFY(test::ReadFileBytes(object_) == document);
    QCOMPARE(test::ReadFileBytes(files.metafile), std::string("the container's metafile"));
    QCOMPARE(test::ReadFileBytes(files.svg), std::string("the container's svg"));
    ConfigStore exchange = LoadedExchangeStore();
    QCOMPARE(exchange.ReadInt("Control", "Running"), 0);
    QCOMPARE(exchange.ReadString("Font Info", "Name"), std::string("No Font"));
  }

  // An object in a place that cannot be written: the failure is shown and the editor stays, with
  // the edit and "Running" = 1, until the user cancels.
  void anObjectThatCannotBeWrittenKeepsTheEdit() {
    test::WriteFileBytes(editor_->environment->Root() / "file", "x");
    object_ = editor_->environment->Root() / "file" / "object.kv3";
    QVERIFY(Start());
    QTest::keyClicks(&editor_->frame->Bar().Edit(), "y");
    QTest::keySequence(editor_->frame.get(), QKeySequence(Qt::CTRL | Qt::Key_R));
    QCOMPARE(editor_->dialogs->errors.size(), 1);
    QVERIFY(editor_->dialogs->errors.front().startsWith(
        "The equation could not be returned to the document"));
    QVERIFY(editor_->frame->isVisible());
    QCOMPARE(editor_->frame->ActiveDocument()->EquationList().Line(0), std::string("y"));
    QCOMPARE(LoadedExchangeStore().ReadInt("Control", "Running"), 1);

    editor_->frame->Command(ID_CANCEL_CHANGES)->trigger();
    QCOMPARE(editor_->app->ExitStatus(), kExitCancelled);
  }

  // The user's own documents opened beside the object are asked about before anything reaches
  // the container: a Cancel keeps everything open and writes nothing. Ctrl+S writes the object
  // and goes on editing.
  void otherDocumentsAreAskedAboutFirst() {
    QVERIFY(Start());
    CMainFrame& frame = *editor_->frame;
    QTest::keyClicks(&frame.Bar().Edit(), "z");
    QTest::keySequence(&frame, QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(FirstLineOf(object_), std::string("z"));
    QVERIFY(frame.isVisible());
    QCOMPARE(LoadedExchangeStore().ReadInt("Control", "Running"), 1);

    frame.Command(ID_FILE_NEW)->trigger();
    QTest::keyClicks(&frame.Bar().Edit(), "w");
    QTest::keySequence(&frame, QKeySequence(Qt::CTRL | Qt::Key_R));
    QCOMPARE(editor_->dialogs->questionsAsked, 1);
    QVERIFY(frame.isVisible());
    QCOMPARE(frame.Children().size(), 2);
    QCOMPARE(editor_->app->ExitStatus(), 0);

    editor_->dialogs->saveAnswers << SaveAnswer::kDiscard;
    frame.Command(ID_UPDATE_AND_RETURN)->trigger();
    QTRY_VERIFY(!frame.isVisible());
    QCOMPARE(editor_->app->ExitStatus(), kExitUpdated);
    QCOMPARE(FirstLineOf(object_), std::string("z"));
  }

 private:
  bool Start() {
    return editor_->Start({StartMode::kEmbedded, object_.string(), {}}) &&
           editor_->app->LaunchedEmbedded();
  }

  std::unique_ptr<test::EditorWindow> editor_;
  std::filesystem::path object_;
};

}  // namespace kv

QTEST_MAIN(kv::EmbeddingTest)
#include "embedding_test.moc"
