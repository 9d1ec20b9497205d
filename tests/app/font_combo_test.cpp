// The font preview list against the fonts of the system it runs on, through fontconfig as the
// engine finds them: which faces it offers, how it takes and gives a face name, and how it
// measures and draws its entries in each style.
#include "app/font_combo.h"

#include <fontconfig/fontconfig.h>

#include <QAbstractItemView>
#include <QPainter>
#include <QSet>
#include <QTest>
#include <array>

namespace kv {
namespace {

// Where an entry's marker lies, from its top-left corner; its texts begin further right.
const QRect kMarkerArea(5, 4, 15, 13);

// Every family name fontconfig gives a face for which `keep` holds, folded to lower case.
template <typename Keep>
QSet<QString> FamiliesWhere(Keep keep) {
  FcPattern* all = FcPatternCreate();
  FcObjectSet* properties =
      FcObjectSetBuild(FC_FAMILY, FC_SYMBOL, FC_CHARSET, static_cast<char*>(nullptr));
  FcFontSet* faces = FcFontList(nullptr, all, properties);
  QSet<QString> families;
  for (int i = 0; faces != nullptr && i < faces->nfont; ++i) {
    FcChar8* name = nullptr;
    for (int n = 0; FcPatternGetString(faces->fonts[i], FC_FAMILY, n, &name) == FcResultMatch; ++n)
      if (keep(faces->fonts[i]))
        families.insert(QString::fromUtf8(reinterpret_cast<char*>(name)).toLower());
  }
  if (faces != nullptr) FcFontSetDestroy(faces);
  FcObjectSetDestroy(properties);
  FcPatternDestroy(all);
  return families;
}

// Symbol-encoded faces, and faces missing any Latin letter.
bool IsSymbolFace(FcPattern* face) {
  FcBool symbol = FcFalse;
  FcCharSet* coverage = nullptr;
  if (FcPatternGetBool(face, FC_SYMBOL, 0, &symbol) == FcResultMatch && symbol) return true;
  if (FcPatternGetCharSet(face, FC_CHARSET, 0, &coverage) != FcResultMatch) return true;
  for (FcChar32 letter = 'A'; letter <= 'Z'; ++letter)
    if (!FcCharSetHasChar(coverage, letter) || !FcCharSetHasChar(coverage, letter + 32))
      return true;
  return false;
}

void AddStyleRows() {
  QTest::addColumn<int>("style");
  QTest::newRow("0 name in its face") << 0;
  QTest::newRow("1 name") << 1;
  QTest::newRow("2 name, sample") << 2;
  QTest::newRow("3 sample, name") << 3;
  QTest::newRow("4 sample") << 4;
}

bool Installed(const QString& family) {
  return FamiliesWhere([](FcPattern*) { return true; }).contains(family.toLower());
}

QStringList Entries(const QComboBox& combo) {
  QStringList entries;
  for (int row = 0; row < combo.count(); ++row)
    entries << combo.itemText(row);
  return entries;
}

QFont FaceAtPreviewHeight(const QString& face) {
  QFont font(face);
  font.setPixelSize(CFontPreviewCombo::kFontHeight);
  return font;
}

// The entries as the drop-down list paints them, one under the other, `width` pixels wide.
QImage PaintEntries(CFontPreviewCombo& combo, int width, std::vector<QRect>& rows) {
  rows.clear();
  int height = 0;
  for (int row = 0; row < combo.count(); ++row) {
    rows.emplace_back(0, height, width, combo.ItemHeight(row));
    height += rows.back().height();
  }
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::magenta);  // counts as ink where an entry leaves its background unpainted
  QPainter painter(&image);
  QStyleOptionViewItem option;
  option.initFrom(combo.view());
  for (int row = 0; row < combo.count(); ++row) {
    option.rect = rows[row];
    const QModelIndex index = combo.model()->index(row, 0);
    combo.view()->itemDelegateForIndex(index)->paint(&painter, option, index);
  }
  return image;
}

// How many pixels of `area` differ from the list's background.
int Ink(const QImage& image, const QRect& area, const QColor& background) {
  int ink = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) != background.rgb()) ++ink;
  return ink;
}

}  // namespace

class FontComboTest : public QObject {
  Q_OBJECT

 private slots:
  void offersLatinTextFacesOnly() {
    CFontPreviewCombo combo;
    combo.Fill();
    const QStringList entries = Entries(combo);
    QVERIFY(!entries.isEmpty());
    QCOMPARE(combo.currentIndex(), 0);
    QSet<QString> symbolFaces = FamiliesWhere(IsSymbolFace);
    symbolFaces.insert("standard symbols ps");
    for (int row = 0; row < entries.size(); ++row) {
      QVERIFY2(!symbolFaces.contains(entries[row].toLower()), qPrintable(entries[row]));
      if (row > 0) QVERIFY(entries[row - 1].compare(entries[row], Qt::CaseInsensitive) < 0);
    }
    if (!Installed("Liberation Sans")) QSKIP("Liberation Sans is not installed");
    QVERIFY(entries.contains("Liberation Sans"));
  }

  void exchangesFaceNames_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("selected");  // empty: the first face
    QTest::newRow("not installed") << "No Such Face Anywhere" << QString();
    QTest::newRow("beginning, any case") << "liberation s"
                                         << "Liberation Sans";
    QTest::newRow("whole name") << "LIBERATION SERIF"
                                << "Liberation Serif";
  }

  void exchangesFaceNames() {
    QFETCH(QString, given);
    QFETCH(QString, selected);
    if (!selected.isEmpty() && !Installed(selected)) QSKIP("the face is not installed");
    CFontPreviewCombo combo;
    combo.Fill();
    combo.setCurrentIndex(combo.count() - 1);
    combo.LoadFaceName(given);
    QCOMPARE(combo.SaveFaceName(), selected.isEmpty() ? combo.itemText(0) : selected);
    combo.setCurrentIndex(-1);
    QCOMPARE(combo.SaveFaceName(), QString());
  }

  void measuresEntriesAndList_data() { AddStyleRows(); }
  void measuresEntriesAndList() {
    QFETCH(int, style);
    CFontPreviewCombo combo;
    combo.SetPreviewStyle(static_cast<FontPreviewStyle>(style));
    combo.Fill();
    const QFontMetrics controlFont(combo.font());
    int widestNameInFace = 0, widestName = 0, widestSample = 0;
    for (int row = 0; row < combo.count(); ++row) {
      const QString name = combo.itemText(row);
      const QFontMetrics face(FaceAtPreviewHeight(name));
      QCOMPARE(combo.ItemHeight(row), face.height() + 4);
      widestNameInFace = std::max(widestNameInFace, face.horizontalAdvance(name));
      widestName = std::max(widestName, controlFont.horizontalAdvance(name));
      widestSample = std::max(widestSample, face.horizontalAdvance("abcdeABCDE"));
    }
    const bool columns = style == 2 || style == 3;
    QCOMPARE(combo.WidestName(), columns ? widestName : 0);
    QCOMPARE(combo.WidestSample(), columns ? widestSample : 0);
    const int scrollBar = combo.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int listWidth = std::array{scrollBar + 15 + widestNameInFace, scrollBar + 15 + widestName,
                                     scrollBar + widestSample + widestName + 35,
                                     scrollBar + widestSample + widestName + 35,
                                     scrollBar + 15 + widestSample}[style];
    QCOMPARE(combo.DropDownWidth(), listWidth);

    // The opened list, below a box too narrow to set its width: as wide at least, and its rows
    // as high as measured.
    combo.resize(40, combo.sizeHint().height());
    combo.show();
    combo.showPopup();
    QVERIFY(combo.view()->viewport()->width() >= listWidth - scrollBar);
    for (int row = 0; row < combo.count(); ++row)
      QCOMPARE(combo.view()->visualRect(combo.model()->index(row, 0)).height(),
               combo.ItemHeight(row));
    combo.hidePopup();
  }

  void drawsEveryEntryAndMarksOutlineFacesOnly_data() { AddStyleRows(); }
  void drawsEveryEntryAndMarksOutlineFacesOnly() {
    QFETCH(int, style);
    CFontPreviewCombo combo;
    combo.SetPreviewStyle(static_cast<FontPreviewStyle>(style));
    combo.Fill();
    // Only the style that shows no face makes no preview fonts.
    QCOMPARE(combo.PreviewFontCount(), style == 1 ? 0u : static_cast<std::size_t>(combo.count()));
    int bitmapFaces = 0;
    for (int row = 0; row < combo.count(); ++row)
      bitmapFaces += (combo.itemData(row).toInt() & kOutlineFace) == 0;
    if (bitmapFaces == 0 && style == 0)
      qInfo("no face without outlines is installed: the first entry stands in for one");
    combo.setItemData(0, kBitmapFace);

    std::vector<QRect> rows;
    const QImage image = PaintEntries(combo, combo.DropDownWidth(), rows);
    const QColor background = combo.palette().color(QPalette::Base);
    for (int row = 0; row < combo.count(); ++row) {
      const QRect& entry = rows[row];
      const QRect texts = entry.adjusted(25, 0, 0, 0);
      QVERIFY2(Ink(image, texts, background) > 0, qPrintable(combo.itemText(row)));
      const bool outline = combo.itemData(row).toInt() & kOutlineFace;
      QCOMPARE(Ink(image, kMarkerArea.translated(entry.topLeft()), background) > 0, outline);
    }
  }
};

}  // namespace kv

QTEST_MAIN(kv::FontComboTest)
#include "font_combo_test.moc"
