// The colour button and its pop-up palette, driven as a user drives them: clicks and pointer
// moves go through the window system's path, and the real colour dialog is answered as it shows.
// Every notification goes into one list, so that both what is sent and its order are checked.
#define QTEST_QPA_MOUSE_HANDLING
#include "app/color_button.h"

#include <QApplication>
#include <QColorDialog>
#include <QHelpEvent>
#include <QMap>
#include <QScreen>
#include <QTest>
#include <QToolTip>

namespace kv {
namespace {

constexpr int kControlId = 1207;
constexpr int kAutomatic = CColorPopup::kAutomaticCell;
constexpr int kCustom = CColorPopup::kCustomCell;

constexpr ColorRef Rgb(int red, int green, int blue) {
  return red | (green << 8) | (blue << 16);
}

constexpr ColorRef kBrown = Rgb(165, 42, 0);
constexpr ColorRef kRed = Rgb(255, 0, 0);
constexpr ColorRef kOwnColour = Rgb(1, 2, 3);  // in no box of the palette

// The palette's colours of the boxes these tests visit.
const QMap<int, ColorRef> kBoxColours = {
    {0, Rgb(0, 0, 0)},   {1, kBrown}, {2, Rgb(0, 64, 64)},      {7, Rgb(40, 40, 40)},
    {8, Rgb(139, 0, 0)}, {16, kRed},  {31, Rgb(192, 192, 192)}, {39, Rgb(255, 255, 255)}};

// What the button reports while `cell` is hot in a pop-up opened on `initial`.
ColorRef HotColour(int cell, ColorRef initial) {
  if (cell == kAutomatic) return kAutomaticColour;
  return cell == kCustom ? initial : kBoxColours.value(cell, -1);
}

QString Notice(const char* signal, ColorRef colour) {
  return QString("%1 %2 %3").arg(signal).arg(static_cast<quint32>(colour), 0, 16).arg(kControlId);
}

// A shown, active window holding one colour button, recording every signal the button sends.
class Page {
 public:
  explicit Page(ColorRef colour, QRect geometry = {100, 100, 240, 80}) {
    window_.setGeometry(geometry);
    button_ = new CColorButton(kControlId, &window_);
    button_->setGeometry(5, 10, 90, 30);
    button_->SetColour(colour);
    Record(&CColorButton::selectionChanged, "selectionChanged");
    Record(&CColorButton::dropDown, "dropDown");
    Record(&CColorButton::closeUp, "closeUp");
    Record(&CColorButton::selectionAccepted, "selectionAccepted");
    Record(&CColorButton::selectionCancelled, "selectionCancelled");
  }

  // Shows the window, makes it active (no window manager does so under Xvfb) and clicks the
  // button; null when any step fails.
  CColorPopup* Open() {
    window_.show();
    window_.activateWindow();
    if (!QTest::qWaitForWindowActive(&window_)) return nullptr;
    QTest::mouseClick(button_, Qt::LeftButton);
    return button_->Popup();
  }

  QWidget& Window() { return window_; }
  CColorButton& Button() { return *button_; }
  QStringList& Notices() { return notices_; }

 private:
  template <typename Signal>
  void Record(Signal signal, const char* name) {
    QObject::connect(button_, signal, button_, [this, name](ColorRef colour, int id) {
      notices_ << (id == kControlId ? Notice(name, colour) : QString("wrong id %1").arg(id));
    });
  }

  QWidget window_;
  CColorButton* button_;
  QStringList notices_;
};

void PressKeys(QWidget* target, const QList<int>& keys) {
  for (int key : keys)
    QTest::keyClick(target, static_cast<Qt::Key>(key));
}

// Answers the colour dialog once it has shown, as a user's click would: OK on `picked`, or
// Cancel when `picked` is invalid.
class DialogAnswerer final : public QObject {
 public:
  explicit DialogAnswerer(QColor picked) : picked_(picked) { qApp->installEventFilter(this); }
  ~DialogAnswerer() override { qApp->removeEventFilter(this); }
  QColor OpenedOn() const { return openedOn_; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dialog = qobject_cast<QColorDialog*>(watched);
    if (!dialog || event->type() != QEvent::Show) return false;
    openedOn_ = dialog->currentColor();
    QMetaObject::invokeMethod(
        dialog,
        [this, dialog] {
          if (!picked_.isValid()) return dialog->reject();
          dialog->setCurrentColor(picked_);
          dialog->accept();
        },
        Qt::QueuedConnection);
    return false;
  }

 private:
  QColor picked_;
  QColor openedOn_;
};

// The middle of the swatch, left of the arrow.
QColor SwatchPixel(CColorButton& button) {
  return button.grab().toImage().pixelColor(button.width() / 3, button.height() / 2);
}

}  // namespace

class ColorButtonTest : public QObject {
  Q_OBJECT

 private slots:
  void opensBelowTheButtonAndEveryCellAnswersThePointer() {
    Page page(kBrown);
    CColorPopup* popup = page.Open();
    QVERIFY(popup);
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QVERIFY(page.Button().IsPopupActive());
    QCOMPARE(page.Notices(), QStringList{Notice("dropDown", kBrown)});
    QCOMPARE(popup->geometry().topLeft(), page.Button().mapToGlobal(QPoint(0, 30)));
    QCOMPARE(popup->HotCell(), CColorPopup::kNoCell);
    // A release whose press the pop-up never saw (the end of a click that opened it) ends
    // nothing.
    QTest::mouseRelease(popup, Qt::LeftButton, {}, popup->CellRect(0).center());
    QVERIFY(popup->isVisible());

    for (int cell = kAutomatic; cell < CColorPopup::kColourCount; ++cell) {
      if (cell == CColorPopup::kNoCell) continue;
      const QRect area = popup->CellRect(cell);
      QVERIFY2(popup->rect().contains(area), qPrintable(QString::number(cell)));
      QTest::mouseMove(popup, area.center());
      QCOMPARE(popup->HotCell(), cell);
    }
    const QPoint paleGreen = popup->CellRect(35).center();
    QHelpEvent help(QEvent::ToolTip, paleGreen, popup->mapToGlobal(paleGreen));
    QApplication::sendEvent(popup, &help);
    QCOMPARE(QToolTip::text(), QString("Pale green "));
    QTest::keyClick(popup, Qt::Key_Escape);
  }

  void arrowKeysWalkThePalette_data() {
    QTest::addColumn<bool>("extraCells");
    QTest::addColumn<ColorRef>("initial");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QList<int>>("hotCells");
    const int left = Qt::Key_Left, right = Qt::Key_Right, up = Qt::Key_Up, down = Qt::Key_Down;
    // The first arrow press lands on the chosen cell (the initial colour's); the rest move.
    QTest::newRow("left round the start") << true << Rgb(0, 0, 0) << QList{left, left, left, left}
                                          << QList{0, kAutomatic, kCustom, 39};
    QTest::newRow("right into the next row")
        << true << Rgb(40, 40, 40) << QList{right, right} << QList{7, 8};
    QTest::newRow("right round the end")
        << true << Rgb(255, 255, 255) << QList{right, right, right, right}
        << QList{39, kCustom, kAutomatic, 0};
    QTest::newRow("up out of the boxes")
        << true << kRed << QList{up, up, up, up, down, down} << QList{16, 8, 0, kAutomatic, 0, 8};
    QTest::newRow("down out of the boxes")
        << true << Rgb(192, 192, 192) << QList{down, down, down, down}
        << QList{31, 39, kCustom, kAutomatic};
    QTest::newRow("automatic chosen")
        << true << kAutomaticColour << QList{right, right} << QList{kAutomatic, 0};
    QTest::newRow("own colour chosen") << true << kOwnColour << QList{up, up} << QList{kCustom, 39};
    QTest::newRow("no extra cells")
        << false << Rgb(0, 0, 0) << QList{left, left, right, up} << QList{0, 39, 0, 39};
    QTest::newRow("nothing chosen") << false << kOwnColour << QList{right, right} << QList{0, 1};
  }

  void arrowKeysWalkThePalette() {
    QFETCH(bool, extraCells);
    QFETCH(ColorRef, initial);
    QFETCH(QList<int>, keys);
    QFETCH(QList<int>, hotCells);
    Page page(initial);
    if (!extraCells) {
      page.Button().SetDefaultText({});
      page.Button().SetCustomText({});
    }
    CColorPopup* popup = page.Open();
    QVERIFY(popup);
    for (qsizetype step = 0; step < keys.size(); ++step) {
      QTest::keyClick(popup, static_cast<Qt::Key>(keys[step]));
      QCOMPARE(popup->HotCell(), hotCells[step]);
      QCOMPARE(page.Notices().last(),
               Notice("selectionChanged", HotColour(hotCells[step], initial)));
    }
    QCOMPARE(page.Button().Colour(), initial);  // the swatch does not follow unless asked
    QTest::keyClick(popup, Qt::Key_Escape);
  }

  void endingThePopupReportsInOrder_data() {
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<ColorRef>("colour");
    QTest::addColumn<QStringList>("notices");
    const int right = Qt::Key_Right, up = Qt::Key_Up;
    const ColorRef box2 = kBoxColours[2];
    const QStringList cancelled = {Notice("closeUp", kBrown), Notice("selectionCancelled", kBrown)};
    // The pop-up opens on brown (box 1), and the swatch follows the keyboard.
    QTest::newRow("Enter on another colour")
        << QList{right, right} << "Return" << box2
        << QStringList{Notice("closeUp", box2), Notice("selectionAccepted", box2),
                       Notice("selectionChanged", box2)};
    QTest::newRow("Space on the same colour")
        << QList{right} << "Space" << kBrown
        << QStringList{Notice("closeUp", kBrown), Notice("selectionAccepted", kBrown)};
    QTest::newRow("Enter on Automatic")
        << QList{up, up} << "Enter" << kAutomaticColour
        << QStringList{Notice("closeUp", kAutomaticColour),
                       Notice("selectionAccepted", kAutomaticColour),
                       Notice("selectionChanged", kAutomaticColour)};
    QTest::newRow("click on a box")
        << QList<int>{} << "click box" << kRed
        << QStringList{Notice("selectionChanged", kRed), Notice("closeUp", kRed),
                       Notice("selectionAccepted", kRed), Notice("selectionChanged", kRed)};
    QTest::newRow("Enter with nothing hot") << QList<int>{} << "Return" << kBrown << cancelled;
    QTest::newRow("Esc") << QList{right, right} << "Escape" << kBrown << cancelled;
    QTest::newRow("press outside") << QList{right, right} << "press outside" << kBrown << cancelled;
    QTest::newRow("release outside")
        << QList{right, right} << "release outside" << kBrown << cancelled;
    QTest::newRow("click on the button")
        << QList{right, right} << "click button" << kBrown << cancelled;
  }

  void endingThePopupReportsInOrder() {
    QFETCH(QList<int>, keys);
    QFETCH(QString, ending);
    QFETCH(ColorRef, colour);
    QFETCH(QStringList, notices);
    Page page(kBrown);
    page.Button().SetTrackSelection(true);
    CColorPopup* popup = page.Open();
    QVERIFY(popup);
    PressKeys(popup, keys);
    page.Notices().clear();

    const QMap<QString, Qt::Key> endingKeys = {{"Return", Qt::Key_Return},
                                               {"Enter", Qt::Key_Enter},
                                               {"Space", Qt::Key_Space},
                                               {"Escape", Qt::Key_Escape}};
    const QPoint outside(-5, -5);
    const QPoint onButton = page.Button().mapToGlobal(QPoint(20, 15));
    if (endingKeys.contains(ending)) {
      QTest::keyClick(popup, endingKeys[ending]);
    } else if (ending == "press outside") {
      // The press closes the pop-up; its release goes to the window underneath.
      const QPoint inWindow = page.Window().mapFromGlobal(popup->mapToGlobal(outside));
      QTest::mousePress(popup, Qt::LeftButton, {}, outside);
      QTest::mouseRelease(&page.Window(), Qt::LeftButton, {}, inWindow);
    } else if (ending == "click box") {
      QTest::mouseClick(popup, Qt::LeftButton, {}, popup->CellRect(16).center());
    } else if (ending == "release outside") {
      QTest::mousePress(popup, Qt::LeftButton, {}, popup->CellRect(16).center());
      QCOMPARE(page.Notices().takeLast(), Notice("selectionChanged", kRed));
      QTest::mouseRelease(popup, Qt::LeftButton, {}, outside);
    } else {
      // The pop-up holds the pointer, so the press reaches it; the release, after it has gone,
      // reaches the button, which must not open it again.
      QTest::mousePress(popup, Qt::LeftButton, {}, popup->mapFromGlobal(onButton));
      QCoreApplication::processEvents();
      QTest::mouseRelease(&page.Button(), Qt::LeftButton, {},
                          page.Button().mapFromGlobal(onButton));
    }
    QCOMPARE(page.Notices(), notices);
    QCOMPARE(page.Button().Colour(), colour);
    QVERIFY(!page.Button().IsPopupActive());
    QTRY_VERIFY(!page.Button().Popup());  // it deletes itself
  }

  void moreColoursOpensTheColourDialog_data() {
    QTest::addColumn<QColor>("picked");
    QTest::addColumn<QStringList>("notices");
    const ColorRef picked = Rgb(10, 20, 30);
    QTest::newRow("dialog cancelled")
        << QColor()
        << QStringList{Notice("closeUp", kOwnColour), Notice("selectionCancelled", kOwnColour)};
    QTest::newRow("colour picked")
        << QColor(10, 20, 30)
        << QStringList{Notice("closeUp", picked), Notice("selectionAccepted", picked),
                       Notice("selectionChanged", picked)};
  }

  void moreColoursOpensTheColourDialog() {
    QFETCH(QColor, picked);
    QFETCH(QStringList, notices);
    DialogAnswerer answerer(picked);
    Page page(kOwnColour);
    CColorPopup* popup = page.Open();
    QVERIFY(popup);
    QTest::keyClick(popup, Qt::Key_Down);  // lands on the custom cell, the chosen one
    page.Notices().clear();
    QTest::keyClick(popup, Qt::Key_Return);
    QTRY_COMPARE(page.Notices(), notices);
    QCOMPARE(answerer.OpenedOn(), QColorFromColorRef(kOwnColour));
    QCOMPARE(page.Button().Colour(), picked.isValid() ? ColorRefFromQColor(picked) : kOwnColour);
    QTRY_VERIFY(!page.Button().Popup());
  }

  void swatchShowsTheColourAndFollowsThePointerWhenTracking_data() {
    QTest::addColumn<bool>("track");
    QTest::addColumn<int>("pointedAt");
    QTest::addColumn<QColor>("shown");
    const QColor defaultColour(0, 128, 255);
    QTest::newRow("tracking off") << false << 16 << QColor(0, 0, 0);
    QTest::newRow("tracking on") << true << 16 << QColor(255, 0, 0);
    QTest::newRow("tracking on Automatic") << true << kAutomatic << defaultColour;
  }

  void swatchShowsTheColourAndFollowsThePointerWhenTracking() {
    QFETCH(bool, track);
    QFETCH(int, pointedAt);
    QFETCH(QColor, shown);
    Page page(Rgb(0, 0, 0));
    page.Button().SetDefaultColour(Rgb(0, 128, 255));
    page.Button().SetTrackSelection(track);
    CColorPopup* popup = page.Open();
    QVERIFY(popup);
    QTest::mouseMove(popup, popup->CellRect(pointedAt).center());
    QCOMPARE(page.Notices().last(), Notice("selectionChanged", HotColour(pointedAt, 0)));
    QCOMPARE(SwatchPixel(page.Button()), shown);
    QTest::keyClick(popup, Qt::Key_Escape);
  }

  void staysOnTheScreen_data() {
    QTest::addColumn<bool>("atBottom");
    QTest::newRow("bottom edge: opens above the button") << true;
    QTest::newRow("right edge: pulled left") << false;
  }

  void staysOnTheScreen() {
    QFETCH(bool, atBottom);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    Page page(kBrown, atBottom ? QRect(screen.left() + 20, screen.bottom() - 49, 200, 50)
                               : QRect(screen.right() - 99, screen.top() + 20, 100, 50));
    CColorPopup* popup = page.Open();
    QVERIFY(popup);
    const QRect button(page.Button().mapToGlobal(QPoint(0, 0)), page.Button().size());
    const QRect opened = popup->geometry();
    QVERIFY(screen.contains(opened));
    if (atBottom) {
      QCOMPARE(opened.bottom() + 1, button.top());
      QCOMPARE(opened.left(), button.left());
    } else {
      QCOMPARE(opened.right(), screen.right());
      QCOMPARE(opened.top(), button.bottom() + 1);
    }
    QTest::keyClick(popup, Qt::Key_Escape);
  }
};

}  // namespace kv

QTEST_MAIN(kv::ColorButtonTest)
#include "color_button_test.moc"
