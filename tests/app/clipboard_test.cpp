// Pictures on the real X clipboard and back: the editor runs on a virtual X display (CTest starts
// it under xvfb-run), and what it offers is read by another program, xclip, as any program that
// pastes would read it. Pictures are compared with those kalvane-cli renders of the same text,
// rasterised by rsvg-convert.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

#include "app/application.h"
#include "app/clipboard_export.h"
#include "app/commands.h"
#include "app/equation_bar.h"
#include "app/equation_view.h"
#include "app/main_frame.h"
#include "markup/markup.h"
#include "support/editor_window.h"

namespace kv {
namespace {

constexpr const char* kQuadratic = "x=(-b+-sqrt(b2-4ac))/2a";
constexpr int kProgramTimeout = 30000;

// Runs a program while this one's event loop goes on, so that it can answer the program's
// requests for the clipboard; its standard output.
QByteArray RunBeside(const QString& program, const QStringList& arguments,
                     const QByteArray& input = {}) {
  QProcess process;
  QSignalSpy finished(&process, &QProcess::finished);
  process.start(program, arguments);
  if (!input.isEmpty()) process.write(input);
  process.closeWriteChannel();
  if (!finished.wait(kProgramTimeout)) qWarning("%s did not finish", qPrintable(program));
  return process.readAllStandardOutput();
}

QByteArray ClipboardAs(const QString& target) {
  return RunBeside("xclip", {"-selection", "clipboard", "-t", target, "-o"});
}

// The types the clipboard offers other programs, without those X adds for every owner.
QStringList OfferedTargets() {
  QStringList offered;
  for (const QByteArray& target : ClipboardAs("TARGETS").split('\n'))
    if (target.contains('/')) offered << QString::fromUtf8(target);
  offered.sort();
  return offered;
}

QStringList PictureTargets() {
  QStringList pictures;
  for (const QByteArray& target : ClipboardAs("TARGETS").split('\n'))
    if (target.startsWith("image/")) pictures << QString::fromUtf8(target);
  return pictures;
}

QImage Rasterised(const QByteArray& svg, const QString& folder, const QString& name) {
  const QString path = folder + "/" + name;
  QFile file(path + ".svg");
  file.open(QIODevice::WriteOnly);
  file.write(svg);
  file.close();
  RunBeside("rsvg-convert", {"--dpi-x", "96", "--dpi-y", "96", "-o", path + ".png", path + ".svg"});
  return QImage(path + ".png").convertToFormat(QImage::Format_ARGB32);
}

QByteArray CliPicture(const QString& folder, const QString& name, QStringList arguments) {
  const QString path = folder + "/" + name;
  arguments << "-o" << path;
  RunBeside(KALVANE_CLI, QStringList{"render"} + arguments);
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return file.readAll();
}

// The share of pixels whose channels differ by more than a sixteenth of their range.
double ShareOfDifferentPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return 1.0;
  int different = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QColor ca = a.pixelColor(x, y), cb = b.pixelColor(x, y);
      if (std::abs(ca.red() - cb.red()) > 16 || std::abs(ca.green() - cb.green()) > 16 ||
          std::abs(ca.blue() - cb.blue()) > 16 || std::abs(ca.alpha() - cb.alpha()) > 16)
        ++different;
    }
  return static_cast<double>(different) / (a.width() * a.height());
}

QString Millimetres(int units) {
  return QString("%1.%2mm").arg(units / 100).arg(units % 100, 2, 10, QChar('0'));
}

// Pixels of a length in 0.01 mm at `dpi`, as a picture of that size is made: rounded up.
int Pixels(int units, double dpi) {
  return static_cast<int>(std::ceil(units * dpi / 2540.0));
}

}  // namespace

class ClipboardTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    editor_ = std::make_unique<test::EditorWindow>();
    QVERIFY(editor_->Start());
    app_ = editor_->app.get();
    dialogs_ = editor_->dialogs;
    frame_ = editor_->frame.get();
  }

  void cleanup() { editor_.reset(); }

  // Copy as Metafile: exactly one picture format, SVG, of the painted box's size in
  // millimetres, drawn as kalvane-cli draws the same text, with the document beside it; the
  // document stays as modified as it was.
  void copyAsMetafileOffersOneScalablePicture() {
    QTemporaryDir folder;
    TypeAndPaint(kQuadratic);
    const NodeBox extent = app_->LastExtent();
    KLV300Doc& document = *frame_->ActiveDocument();
    document.SetModifiedFlag(false);
    Trigger(ID_COPY_METAFILE);
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(PictureTargets(), QStringList{kSvgMimeType});
    QVERIFY(ClipboardAs("TARGETS").contains(kEquationMimeType));

    const QByteArray svg = ClipboardAs(kSvgMimeType);
    QVERIFY(svg.contains("width=\"" + Millimetres(extent.width).toUtf8() + "\""));
    QVERIFY(svg.contains("height=\"" + Millimetres(extent.height).toUtf8() + "\""));
    const QImage copied = Rasterised(svg, folder.path(), "copied");
    const QImage rendered =
        Rasterised(CliPicture(folder.path(), "cli.svg", {kQuadratic}), folder.path(), "rendered");
    QVERIFY(!copied.isNull());
    QVERIFY2(ShareOfDifferentPixels(copied, rendered) < 0.005, "the copy differs from render");
    QVERIFY(!document.IsModified());
  }

  // Copy as Bitmap (Ctrl+B): exactly one picture format, PNG, of the box's size at the screen's
  // resolution, on white: the very pixels of kalvane-cli render --background white.
  void copyAsBitmapOffersOnePngOnWhite() {
    QTemporaryDir folder;
    TypeAndPaint(kQuadratic);
    const NodeBox extent = app_->LastExtent();
    const int dpi = frame_->ActiveChild()->View().viewport()->logicalDpiX();
    frame_->Bar().Edit().setFocus();
    QTest::keySequence(frame_, QKeySequence(Qt::CTRL | Qt::Key_B));
    QCOMPARE(PictureTargets(), QStringList{kPngMimeType});

    const QImage copied =
        QImage::fromData(ClipboardAs(kPngMimeType)).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(copied.size(), QSize(Pixels(extent.width, dpi), Pixels(extent.height, dpi)));
    for (const QPoint corner : {QPoint(0, 0), QPoint(copied.width() - 1, copied.height() - 1)})
      QCOMPARE(copied.pixelColor(corner), QColor(Qt::white));
    const QImage rendered = QImage::fromData(CliPicture(folder.path(), "cli.png",
                                                        {kQuadratic, "--background", "white",
                                                         "--dpi", QString::number(dpi)}))
                                .convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(ShareOfDifferentPixels(copied, rendered) == 0.0, "the copy differs from render");
  }

  // A document with no text copies a white picture of the digit 3's box.
  void anEmptyDocumentCopiesTheBoxOfTheDigitThree() {
    TypeAndPaint("3");
    const NodeBox three = app_->LastExtent();
    const int dpi = frame_->ActiveChild()->View().viewport()->logicalDpiX();
    Trigger(ID_FILE_NEW);
    Trigger(ID_COPY_BITMAP);
    const QImage copied = QImage::fromData(ClipboardAs(kPngMimeType));
    QCOMPARE(copied.size(), QSize(Pixels(three.width, dpi), Pixels(three.height, dpi)));
    for (int y = 0; y < copied.height(); ++y)
      for (int x = 0; x < copied.width(); ++x)
        QCOMPARE(copied.pixelColor(x, y), QColor(Qt::white));
  }

  // Copy as MathML and Copy as LaTeX: the whole equation of two lines, as the markup writer
  // makes it of the document's text with its settings, is all the clipboard holds; MathML stands
  // alone with its declaration, under its own type and as text, byte for byte the same. An
  // equation too deep for markup is refused with a message and the clipboard keeps what it had.
  void copyAsMarkupOffersTheWholeEquation_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("formats");  // sorted
    QTest::newRow("MathML") << int(ID_COPY_MATHML) << "MathML"
                            << QStringList{kMathMLMimeType, "text/plain"};
    QTest::newRow("LaTeX") << int(ID_COPY_LATEX) << "LaTeX" << QStringList{"text/plain"};
  }
  void copyAsMarkupOffersTheWholeEquation() {
    QFETCH(int, command);
    QFETCH(QString, language);
    QFETCH(QStringList, formats);
    EquationEdit& edit = frame_->Bar().Edit();
    edit.setPlainText(QString(kQuadratic) + "\n\nsigma(i=1,n)i");
    KLV300Doc& document = *frame_->ActiveDocument();
    document.SetModifiedFlag(false);
    const std::string text = document.GetEquationText();
    QVERIFY(text.starts_with(std::string(kQuadratic) + "\r\n\r\nsigma(i=1,n)i\r\n"));
    const bool mathml = command == ID_COPY_MATHML;
    const QByteArray expected = QByteArray::fromStdString(
        mathml ? std::string(kXmlDeclaration) +
                     EquationMathML(text, document.Settings(), MarkupOptions{})
               : EquationLatex(text, document.Settings(), MarkupOptions{}));

    Trigger(command);
    QVERIFY(dialogs_->errors.isEmpty());
    QStringList held = QGuiApplication::clipboard()->mimeData()->formats();
    held.sort();
    QCOMPARE(held, formats);
    QCOMPARE(OfferedTargets(), formats);
    QCOMPARE(ClipboardAs("UTF8_STRING"), expected);
    if (mathml) {
      QVERIFY(expected.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<math"));
      QCOMPARE(ClipboardAs(kMathMLMimeType), expected);
    }
    QVERIFY(!document.IsModified());

    edit.setPlainText(QString(2000, '(') + "x" + QString(2000, ')'));
    Trigger(command);
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.front().contains(language), qPrintable(dialogs_->errors.front()));
    QCOMPARE(OfferedTargets(), formats);
    QCOMPARE(ClipboardAs("UTF8_STRING"), expected);
  }

  // A picture another program put on the clipboard gives its equation to Paste when there is no
  // text; a copy from one document pastes its equation exactly into another.
  void pasteTakesTheEquationOfAPicture() {
    QTemporaryDir folder;
    const QByteArray svg = CliPicture(folder.path(), "pasted.svg", {"a^2+b^2=c^2"});
    QProcess offering;
    offering.start("xclip", {"-selection", "clipboard", "-t", kSvgMimeType, "-i"});
    offering.write(svg);
    offering.closeWriteChannel();
    QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::clipboard()->mimeData()->hasFormat(kSvgMimeType),
                             kProgramTimeout);
    EquationEdit& edit = frame_->Bar().Edit();
    edit.clear();
    Trigger(ID_EDIT_PASTE);
    QCOMPARE(edit.toPlainText(), QString("a^2+b^2=c^2"));

    TypeAndPaint("sigma(i=1,n)i");
    Trigger(ID_COPY_METAFILE);
    Trigger(ID_FILE_NEW);
    frame_->Bar().Edit().clear();
    Trigger(ID_EDIT_PASTE);
    QCOMPARE(frame_->Bar().Edit().toPlainText(), QString("sigma(i=1,n)i"));
    offering.waitForFinished(kProgramTimeout);
  }

 private:
  void TypeAndPaint(const char* text) {
    EquationEdit& edit = frame_->Bar().Edit();
    edit.clear();
    KLV300View& view = frame_->ActiveChild()->View();
    QSignalSpy painted(&view, &KLV300View::painted);
    QTest::keyClicks(&edit, text);
    // The keys are handled at once; the one paint they ask for shows all of them.
    QVERIFY(painted.wait());
  }

  void Trigger(int command) {
    QAction* action = frame_->Command(command);
    QVERIFY(action != nullptr && action->isEnabled());
    action->trigger();
  }

  std::unique_ptr<test::EditorWindow> editor_;
  KLV300App* app_ = nullptr;
  test::ScriptedDialogs* dialogs_ = nullptr;
  CMainFrame* frame_ = nullptr;
};

}  // namespace kv

QTEST_MAIN(kv::ClipboardTest)
#include "clipboard_test.moc"
