// The colour button and the font list inside a small dialog laid out as the options pages will
// use them: values loaded into the controls when the dialog opens, changed by keyboard as a
// person would, and saved back when OK is pressed; a preview of the page follows the colour
// under the keyboard.
#include <QDialog>
#include <QDialogButtonBox>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "app/color_button.h"
#include "app/font_combo.h"

namespace kv {
namespace {

constexpr int kColourControl = 1001;

struct PageValues {
  ColorRef colour = kAutomaticColour;
  QString face;
};

class ControlsDemo final : public QDialog {
 public:
  explicit ControlsDemo(PageValues& values) : values_(values) {
    auto* layout = new QVBoxLayout(this);
    colour_ = new CColorButton(kColourControl, this);
    faces_ = new CFontPreviewCombo(this);
    faces_->SetPreviewStyle(FontPreviewStyle::kNameThenSample);
    faces_->Fill();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(colour_);
    layout->addWidget(faces_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The page's preview follows what the pop-up points at.
    connect(colour_, &CColorButton::selectionChanged, this, [this](ColorRef colour, int control) {
      if (control == kColourControl) previewColour = colour;
    });
    ExchangeColour(false, *colour_, values_.colour);
    faces_->LoadFaceName(values_.face);
  }

  void accept() override {
    ExchangeColour(true, *colour_, values_.colour);
    values_.face = faces_->SaveFaceName();
    QDialog::accept();
  }

  CColorButton& Colour() { return *colour_; }
  CFontPreviewCombo& Faces() { return *faces_; }
  ColorRef previewColour = kAutomaticColour;

 private:
  PageValues& values_;
  CColorButton* colour_;
  CFontPreviewCombo* faces_;
};

}  // namespace

class ControlsDemoTest : public QObject {
  Q_OBJECT

 private slots:
  // Automatic colour and "liberation s" in; Brown and the face after Liberation Sans out.
  void valuesGoInAndComeBackChanged() {
    PageValues values{kAutomaticColour, "liberation s"};
    ControlsDemo demo(values);
    demo.show();
    demo.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&demo));
    if (demo.Faces().currentText() != "Liberation Sans") QSKIP("Liberation Sans is not installed");
    const int sans = demo.Faces().currentIndex();
    QVERIFY(sans + 1 < demo.Faces().count());
    const QString nextFace = demo.Faces().itemText(sans + 1);

    demo.Colour().setFocus();
    QTest::keyClick(&demo.Colour(), Qt::Key_Space);
    QTRY_VERIFY(demo.Colour().Popup() != nullptr && demo.Colour().Popup()->isVisible());
    // The first arrow lands on the chosen cell (Automatic), the next two on boxes 0 and 1.
    for (int i = 0; i < 3; ++i)
      QTest::keyClick(demo.Colour().Popup(), Qt::Key_Right);
    const ColorRef brown = 165 | (42 << 8) | (0 << 16);
    QCOMPARE(demo.previewColour, brown);
    QCOMPARE(demo.Colour().Colour(), kAutomaticColour);  // the swatch does not track
    QTest::keyClick(demo.Colour().Popup(), Qt::Key_Return);
    QTRY_VERIFY(!demo.Colour().IsPopupActive());

    demo.Faces().setFocus();
    QTest::keyClick(&demo.Faces(), Qt::Key_Down);
    QTest::keyClick(&demo, Qt::Key_Return);
    QCOMPARE(demo.result(), int(QDialog::Accepted));
    QCOMPARE(values.colour, brown);
    QCOMPARE(values.face, nextFace);
  }
};

}  // namespace kv

QTEST_MAIN(kv::ControlsDemoTest)
#include "controls_demo_test.moc"
