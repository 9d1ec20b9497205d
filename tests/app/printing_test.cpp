// Printing, judged by real PDF readers (poppler-utils): a document printed to a PDF file through
// QPrinter is one page of vectors, and poppler's rasterization of that page is kalvane-cli's
// picture of the same text, at true size, 5 mm from the page's corner, with nothing else inked.
#include "app/printing.h"

#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "base/windows1252.h"
#include "document/document.h"
#include "options/option_text.h"
#include "render/font_catalog.h"
#include "support/qt_program.h"

namespace kv {
namespace {

// At 254 dpi a pixel is 0.1 mm, so the 5 mm margin is 50 pixels.
constexpr int kDpi = 254;
constexpr int kMarginPixels = 50;
// Blurred darker than this is ink (or its anti-aliased edge); a pixel lighter than
// kPaperThreshold is paper with at most a trace of anti-aliasing.
constexpr int kInkThreshold = 192;
constexpr int kPaperThreshold = 224;
// Grey levels that differ by more than a quarter of the range disagree.
constexpr int kDifferenceThreshold = 64;
// The share of the ink allowed to disagree: well under 1% where the page is right, 10% and more
// with the equation 0.1 mm off its place or 1% out of size.
constexpr double kDisagreementTolerance = 0.03;
// Glyphs and stretched brackets may reach a little beyond the measured box (the picture cuts
// them off); within 1 mm of it the page's ink is the equation's.
constexpr int kOverhangPixels = 10;

using test::RunProgram;

// The engine's form of an equation typed with line breaks: Windows-1252, CR LF between lines.
std::string EngineText(const QString& text) {
  std::string engine;
  for (char c : Utf8ToWindows1252(text.toStdString())) {
    if (c == '\n') engine += '\r';
    engine += c;
  }
  return engine;
}

// Prints `text` to a PDF file, with the default settings changed by `settings` (KEY=VALUE, as the
// command line's --set takes them).
bool PrintTextToPdf(FontCatalog& fonts, const QString& text, const QStringList& settings,
                    const QString& path, QString& error) {
  EquationSettings equationSettings;
  for (const QString& setting : settings) {
    const QStringList keyAndValue = setting.split('=');
    SetSettingFromText(equationSettings, keyAndValue[0].toStdString(),
                       keyAndValue[1].toStdString());
  }
  HeadlessHost host(equationSettings);
  KLV300Doc document(host);
  document.OnNewDocument();
  document.SetEquationText(EngineText(text));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setPageSize(QPageSize(QPageSize::A4));
  return PrintDocument(document, fonts, printer, error);
}

QImage GrayImage(const QString& path) {
  return QImage(path).convertToFormat(QImage::Format_Grayscale8);
}

// The grey level at (x, y) blurred over its 3 x 3 neighbourhood (times 9); paper beyond the edge.
int BlurredGrey(const QImage& image, int x, int y) {
  int sum = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const bool inside = image.rect().contains(x + dx, y + dy);
      sum += inside ? image.constScanLine(y + dy)[x + dx] : 255;
    }
  }
  return sum;
}

// Where either picture has ink, the share of pixels whose blurred grey levels differ by more than
// a quarter of the range. Two rasterizers of the same shapes differ by under a pixel: the CLI's
// picture puts glyphs on whole pixels, poppler snaps bars to whole pixels and darkens
// anti-aliased edges, and the blur evens that out. A shape a pixel (0.1 mm) off its place or out
// of size still moves whole edges.
double ShareOfDisagreeingInk(const QImage& page, const QImage& picture, QPoint offset) {
  constexpr int kBlurred = 9;
  int inked = 0;
  int disagreeing = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const int onPage = BlurredGrey(page, x + offset.x(), y + offset.y());
      const int inPicture = BlurredGrey(picture, x, y);
      if (std::min(onPage, inPicture) >= kInkThreshold * kBlurred) continue;
      ++inked;
      if (std::abs(onPage - inPicture) > kDifferenceThreshold * kBlurred) ++disagreeing;
    }
  }
  return inked == 0 ? 1.0 : static_cast<double>(disagreeing) / inked;
}

// The darkest grey level of the page outside `area`.
int DarkestOutside(const QImage& page, const QRect& area) {
  int darkest = 255;
  for (int y = 0; y < page.height(); ++y) {
    const uchar* row = page.constScanLine(y);
    for (int x = 0; x < page.width(); ++x)
      if (!area.contains(x, y)) darkest = std::min<int>(darkest, row[x]);
  }
  return darkest;
}

}  // namespace

class PrintingTest : public QObject {
  Q_OBJECT

 private slots:
  void printsOneVectorPageAsTheCommandLineDraws_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("settings");
    QTest::newRow("quadratic formula") << "x=(-b+-sqrt(b2-4ac))/2a" << QStringList();
    QTest::newRow("integral") << "int(0,1) x^2 dx = 1/3" << QStringList();
    QTest::newRow("sum") << "sigma(i=1,n) i" << QStringList();
    QTest::newRow("matrix") << "(1,2 3,4)" << QStringList();
    QTest::newRow("three lines") << "a^2+b^2=c^2\n|AB|=sqrt((x2-x1)^2)\nlim(x->0) sin x/x = 1"
                                 << QStringList();
    // Bars, root signs and arrows drawn with a dashed pen 0.3 mm wide.
    QTest::newRow("dashed pen") << "sqrt(b2-4ac)/2a = |AB|"
                                << QStringList{"GeneralPen=0,0,0,65537,2,30"};
  }
  void printsOneVectorPageAsTheCommandLineDraws() {
    QFETCH(QString, text);
    QFETCH(QStringList, settings);
    QTemporaryDir folder;
    const QString pdf = folder.filePath("page.pdf");
    QString error;
    QVERIFY2(PrintTextToPdf(fonts_, text, settings, pdf, error), qPrintable(error));

    const test::ProgramRun info = RunProgram("pdfinfo", {pdf});
    QCOMPARE(info.status, 0);
    QVERIFY2(
        info.out.contains(QRegularExpression("^Pages:\\s+1$", QRegularExpression::MultilineOption)),
        qPrintable(info.out));
    // The list's two header lines and no image below them: the page is drawn as vectors.
    const test::ProgramRun images = RunProgram("pdfimages", {"-list", pdf});
    QCOMPARE(images.status, 0);
    QCOMPARE(images.out.trimmed().split('\n').size(), 2);

    QCOMPARE(RunProgram("pdftoppm", {"-r", QString::number(kDpi), "-gray", "-singlefile", pdf,
                                     folder.filePath("page")})
                 .status,
             0);
    const QImage page = GrayImage(folder.filePath("page.pgm"));
    QVERIFY(!page.isNull());
    const QString picturePath = folder.filePath("expected.png");
    QStringList arguments{"render", "--dpi",    QString::number(kDpi), "--background", "white",
                          "-o",     picturePath};
    for (const QString& setting : settings)
      arguments << "--set" << setting;
    QCOMPARE(RunProgram(KALVANE_CLI, arguments << "--" << text).status, 0);
    const QImage picture = GrayImage(picturePath);
    QVERIFY(!picture.isNull());

    const QPoint margin(kMarginPixels, kMarginPixels);
    const double share = ShareOfDisagreeingInk(page, picture, margin);
    QVERIFY2(share < kDisagreementTolerance,
             qPrintable(QString("%1: %2 of the ink differs").arg(text).arg(share)));
    const QRect equation =
        QRect(margin, picture.size())
            .adjusted(-kOverhangPixels, -kOverhangPixels, kOverhangPixels, kOverhangPixels);
    QVERIFY2(DarkestOutside(page, equation) >= kPaperThreshold, qPrintable(text));
  }

  // A PDF file that cannot be created is a failure with a message naming it, not a crash.
  void aFileInAMissingFolderIsReported() {
    QTemporaryDir folder;
    const QString pdf = folder.filePath("missing/page.pdf");
    QString error;
    QVERIFY(!PrintTextToPdf(fonts_, "x^2", {}, pdf, error));
    QVERIFY2(error.contains("page.pdf"), qPrintable(error));
    QVERIFY(!QFile::exists(pdf));
  }

 private:
  FontCatalog fonts_;
};

}  // namespace kv

QTEST_MAIN(kv::PrintingTest)
#include "printing_test.moc"
