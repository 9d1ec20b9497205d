// The options sheet driven as a person would: values typed into the real pages' controls, boxes
// clicked, pages switched, OK, Cancel and "Set As Default" pressed, and the document's settings
// and the defaults looked at afterwards. Expected values follow from the conversion rules: a
// millimetre is 100 stored units, a point 35.2777777777 (fonts) or 35.2777755 (pens).
#include "app/options_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <functional>
#include <memory>

#include "app/color_button.h"
#include "app/font_combo.h"
#include "app/options_pages.h"
#include "document/document.h"
#include "render/font_catalog.h"
#include "support/scratch_environment.h"
#include "support/scripted_dialogs.h"

namespace kv {
namespace {

using S = EquationSettings;

// A control of a page, found by its number.
template <typename Control>
Control* ControlOf(const KLVPropertyPage& page, int id) {
  auto* control = page.findChild<Control*>(ControlName(id));
  if (control == nullptr) qWarning("page %d has no control %d", page.Index(), id);
  return control;
}

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  auto* buttons = dialog.findChild<QDialogButtonBox*>("sheetButtons");
  QTest::mouseClick(buttons->button(which), Qt::LeftButton);
}

// A click where a person clicks a check box or radio button: on its mark, at its left end.
void Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->height() / 2, button->height() / 2));
}

void Type(QLineEdit& edit, const QString& text) {
  edit.selectAll();
  QTest::keyClicks(&edit, text);
}

// One way of seeing a value on a page: the setting stored, the text its control shows, what the
// user types over it, and what is then stored.
struct FieldCase {
  const char* name;
  int page;
  int control;
  const char* decimalSeparator;
  std::function<void(S&)> store;
  QString shown;
  QString typed;
  std::function<double(const S&)> stored;
  double expected;
};

}  // namespace

class OptionsSheetTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Reset(); }

  void cleanup() {
    document_.reset();
    host_.reset();
    environment_.reset();
  }

  // Every kind of text field, shown from the stored value and read back from what is typed:
  // millimetres (hundredths kept, truncated), points of the main font, quarter points of the
  // pen, and the user's decimal comma.
  void fieldsShowAndReadTheirUnits() {
    const auto tab = [](const S& s) { return double(s.TabWidth.Current()); };
    const auto pen = [](const S& s) { return s.GeneralPen.Current().width; };
    const auto fontSize = [](const S& s) { return double(s.Font.Current().size); };
    const FieldCase cases[] = {
        {"tab kept", 2, 1039, ".", [](S& s) { s.TabWidth.Set(1050); }, "10.5", "10.5", tab, 1050},
        {"tab truncated", 2, 1039, ".", [](S& s) { s.TabWidth.Set(1050); }, "10.5", "10.555", tab,
         1055},
        {"tab of a binary fraction", 2, 1039, ".", [](S& s) { s.TabWidth.Set(29); }, "0.29", "0.29",
         tab, 29},
        {"vertical spacing", 2, 1040, ".", [](S& s) { s.VerticalSpacing.Set(1000); }, "10", "7.25",
         [](const S& s) { return double(s.VerticalSpacing.Current()); }, 725},
        {"column gap", 4, 1021, ".", [](S& s) { s.MatrixHorizontalSpacing.Set(650); }, "6.5", "6.5",
         [](const S& s) { return double(s.MatrixHorizontalSpacing.Current()); }, 650},
        {"row gap at the limit", 4, 1022, ".", [](S& s) { s.MatrixVerticalSpacing.Set(0); }, "0",
         "100", [](const S& s) { return double(s.MatrixVerticalSpacing.Current()); }, 10000},
        {"decimal comma", 2, 1039, ",", [](S& s) { s.TabWidth.Set(1050); }, "10,5", "10,5", tab,
         1050},
        {"full stop beside a decimal comma", 2, 1039, ",", [](S& s) { s.TabWidth.Set(1234); },
         "12,34", "8.5", tab, 850},
        {"font of 11 points", 0, 1057, ".",
         [](S& s) {
           KVLogFont font;
           font.size = 388;
           s.Font.Set(font);
         },
         "11", "11", fontSize, 388},
        {"font of 36 points", 0, 1057, ".", [](S&) {}, "11", "36", fontSize, 1269},
        {"pen of the list", 2, 1025, ".", [](S&) {}, "0.75pt", "2.50pt", pen, 2.5 * 35.2777755},
        {"pen without its unit", 2, 1025, ".", [](S&) {}, "0.75pt", "3", pen, 3 * 35.2777755},
        {"pen in quarter points", 2, 1025, ",",
         [](S& s) {
           s.GeneralPen.Set({2, 0x10006, 0, 88.0});
         },
         "2,5pt", "1,25pt", pen, 1.25 * 35.2777755},
    };
    for (const FieldCase& field : cases) {
      Reset();
      field.store(document_->Settings());
      document_->SetOptionsStartPage(field.page);
      dialogs_->inDialog = [&](QDialog& dialog) {
        auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
        QWidget* control = sheet.Page(field.page).findChild<QWidget*>(ControlName(field.control));
        QVERIFY2(control != nullptr, field.name);
        auto* edit = qobject_cast<QLineEdit*>(control);
        auto* box = qobject_cast<QComboBox*>(control);
        QLineEdit* text = edit != nullptr ? edit : box->lineEdit();
        QVERIFY2(text->text() == field.shown,
                 qPrintable(QString("%1: shows %2").arg(field.name, text->text())));
        Type(*text, field.typed);
        Press(dialog, QDialogButtonBox::Ok);
      };
      QVERIFY2(Run(field.decimalSeparator), field.name);
      QVERIFY2(std::abs(field.stored(document_->Settings()) - field.expected) < 1e-9,
               qPrintable(QString("%1: stored %2")
                              .arg(field.name)
                              .arg(field.stored(document_->Settings()), 0, 'f', 9)));
    }
  }

  // OK applies only the pages that were shown: an out-of-range vector setting is left as it is
  // unless the Vectors page opened, which repairs it to the middle of its range.
  void onlyPagesShownAreApplied() {
    S& settings = document_->Settings();
    settings.LowerCase.Set(40000);
    settings.DisplayVect.Set(-50000);
    settings.LettersQ.Set(true);
    dialogs_->inDialog = [](QDialog& dialog) { Press(dialog, QDialogButtonBox::Ok); };
    QVERIFY(Run());
    QCOMPARE(settings.LowerCase.Current(), 40000);
    QCOMPARE(settings.DisplayVect.Current(), -50000);
    QVERIFY(settings.LettersQ.Current());

    dialogs_->inDialog = [](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      sheet.Tabs().setCurrentIndex(KLVVectorsPropPage::kIndex);
      Press(dialog, QDialogButtonBox::Ok);
    };
    QVERIFY(Run());
    QCOMPARE(settings.LowerCase.Current(), 0);
    QCOMPARE(settings.DisplayVect.Current(), 0);
    QVERIFY(settings.LettersQ.Current());
  }

  // A length beyond 100 mm, or text that is no number, is refused where it was typed: OK and
  // switching pages keep the page in view and the settings as they were; a good value then goes
  // through.
  void badLengthsKeepThePageOpen() {
    document_->SetOptionsStartPage(KLVMatrixPropPage::kIndex);
    bool checked = false;
    dialogs_->inDialog = [&](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      auto* gap = ControlOf<QLineEdit>(sheet.Page(KLVMatrixPropPage::kIndex), 1021);
      for (const QString bad : {"101", "abc", "", "1.2.3", "-1"}) {
        Type(*gap, bad);
        Press(dialog, QDialogButtonBox::Ok);
        QVERIFY2(dialog.isVisible() && dialog.result() != QDialog::Accepted, qPrintable(bad));
        sheet.Tabs().setCurrentIndex(KLVFontsPropPage::kIndex);
        QCOMPARE(sheet.Tabs().currentIndex(), KLVMatrixPropPage::kIndex);
        QVERIFY(!sheet.Page(KLVFontsPropPage::kIndex).IsInitialised());
      }
      QCOMPARE(dialogs_->errors.size(), 10);
      QVERIFY(dialogs_->errors.front().contains("between 0 and 100"));
      Type(*gap, "100");
      Press(dialog, QDialogButtonBox::Ok);
      checked = true;
    };
    QVERIFY(Run());
    QVERIFY(checked);
    QCOMPARE(document_->Settings().MatrixHorizontalSpacing.Current(), 10000);
  }

  // Use One Font leaves only the main font, the size, its colour and the bold and italic boxes to
  // change; the disabled face lists and colour buttons still give their values on OK. A face this
  // system does not have stays the setting's face.
  void useOneFontDisablesTheOwnFonts() {
    S& settings = document_->Settings();
    settings.UseOneFont.Set(true);
    settings.QuoteColor.Set(0x0000FF);
    settings.VectorFont.Set("No Such Face Here");
    dialogs_->inDialog = [&](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      const KLVPropertyPage& page = sheet.Page(KLVFontsPropPage::kIndex);
      const int ownFonts[] = {1060, 1063, 1065, 1067, 1061, 1069, 1062, 1064, 1066, 1068};
      const int alwaysEnabled[] = {1000, 1011, 1056, 1057, 1058, 1001, 1002, 1003,
                                   1004, 1005, 1006, 1007, 1008, 1009, 1010, 1019};
      const auto enabled = [&page](int id) {
        return page.findChild<QWidget*>(ControlName(id))->isEnabled();
      };
      for (const int id : ownFonts)
        QVERIFY2(!enabled(id), qPrintable(QString::number(id)));
      for (const int id : alwaysEnabled)
        QVERIFY2(enabled(id), qPrintable(QString::number(id)));
      QCOMPARE(ControlOf<CFontPreviewCombo>(page, 1067)->SaveFaceName(), "No Such Face Here");

      Click(ControlOf<QCheckBox>(page, 1000));
      for (const int id : ownFonts)
        QVERIFY2(enabled(id), qPrintable(QString::number(id)));
      Click(ControlOf<QCheckBox>(page, 1000));
      QVERIFY(!enabled(1064));
      Press(dialog, QDialogButtonBox::Ok);
    };
    QVERIFY(Run());
    QVERIFY(settings.UseOneFont.Current());
    QCOMPARE(settings.QuoteColor.Current(), 0x0000FF);
    QCOMPARE(settings.VectorFont.Current(), std::string("No Such Face Here"));
  }

  // The main font is made anew from the face, size and colour chosen: whatever else the old font
  // held goes back to its default.
  void theMainFontIsMadeAnew() {
    KVLogFont font;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.size = 600;
    font.colour = 0x123456;
    document_->Settings().Font.Set(font);
    dialogs_->inDialog = [](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      ControlOf<CColorButton>(sheet.Page(KLVFontsPropPage::kIndex), 1058)->SetColour(0x00FF00);
      Press(dialog, QDialogButtonBox::Ok);
    };
    QVERIFY(Run());
    KVLogFont expected;
    expected.SetFaceName(font.FaceName());
    expected.size = 599;  // 17 points, shown from 600, are 599.72 units
    expected.colour = 0x00FF00;
    QVERIFY(document_->Settings().Font.Current() == expected);
  }

  // "Set As Default" writes its page into the defaults at once and beeps; OK then saves the
  // defaults once however many pages set them, Cancel not at all (the defaults stay changed for
  // this run). A page holding a refused value sets nothing.
  void setAsDefaultChangesTheDefaultsAndOkSavesThemOnce() {
    dialogs_->inDialog = [&](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      sheet.Tabs().setCurrentIndex(KLVStylesPropPage::kIndex);
      KLVPropertyPage& styles = sheet.Page(KLVStylesPropPage::kIndex);
      Type(*ControlOf<QLineEdit>(styles, 1039), "12");
      QTest::mouseClick(ControlOf<QPushButton>(styles, 1041), Qt::LeftButton);
      QCOMPARE(master_.TabWidth.Current(), 1200);
      QCOMPARE(dialogs_->beeps, 1);

      sheet.Tabs().setCurrentIndex(KLVMatrixPropPage::kIndex);
      QTRY_COMPARE(document_->OptionsStartPage(), KLVMatrixPropPage::kIndex);
      KLVPropertyPage& matrix = sheet.Page(KLVMatrixPropPage::kIndex);
      Type(*ControlOf<QLineEdit>(matrix, 1022), "101");
      QTest::mouseClick(ControlOf<QPushButton>(matrix, 1039), Qt::LeftButton);
      QCOMPARE(master_.MatrixVerticalSpacing.Current(), 400);
      QCOMPARE(dialogs_->beeps, 1);
      QCOMPARE(dialogs_->errors.size(), 1);
      Type(*ControlOf<QLineEdit>(matrix, 1022), "5");
      Click(ControlOf<QRadioButton>(matrix, 1025));
      QTest::mouseClick(ControlOf<QPushButton>(matrix, 1039), Qt::LeftButton);
      QCOMPARE(master_.MatrixVerticalSpacing.Current(), 500);
      QCOMPARE(master_.MatrixAlign.Current(), 2);
      QCOMPARE(dialogs_->beeps, 2);
      QCOMPARE(saves_, 0);
      Press(dialog, QDialogButtonBox::Ok);
    };
    QVERIFY(Run());
    QCOMPARE(saves_, 1);
    QCOMPARE(document_->Settings().TabWidth.Current(), 1200);

    dialogs_->inDialog = [&](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      KLVPropertyPage& matrix = sheet.Page(KLVMatrixPropPage::kIndex);
      QCOMPARE(sheet.Tabs().currentIndex(), KLVMatrixPropPage::kIndex);
      Type(*ControlOf<QLineEdit>(matrix, 1021), "9");
      QTest::mouseClick(ControlOf<QPushButton>(matrix, 1039), Qt::LeftButton);
      Press(dialog, QDialogButtonBox::Cancel);
    };
    QVERIFY(!Run());
    QCOMPARE(master_.MatrixHorizontalSpacing.Current(), 900);
    QCOMPARE(document_->Settings().MatrixHorizontalSpacing.Current(), 600);
    QCOMPARE(saves_, 1);
  }

  // Each page that paints becomes the page the sheet opens on next time, even after Cancel; a
  // page number out of range opens the first page.
  void theSheetOpensOnThePageLastShown() {
    document_->SetOptionsStartPage(17);
    dialogs_->inDialog = [&](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      QCOMPARE(sheet.Tabs().currentIndex(), 0);
      sheet.Tabs().setCurrentIndex(KLVMatrixPropPage::kIndex);
      QTRY_COMPARE(document_->OptionsStartPage(), KLVMatrixPropPage::kIndex);
      Press(dialog, QDialogButtonBox::Cancel);
    };
    QVERIFY(!Run());
    int openedOn = -1;
    dialogs_->inDialog = [&](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      openedOn = sheet.Tabs().currentIndex();
      QVERIFY(sheet.Page(KLVMatrixPropPage::kIndex).IsInitialised());
      QVERIFY(!sheet.Page(KLVFontsPropPage::kIndex).IsInitialised());
    };
    QVERIFY(!Run());
    QCOMPARE(openedOn, KLVMatrixPropPage::kIndex);
  }

  // The unit and shortcut lists, one entry per line with room below: shown and stored back
  // unchanged; in the shortcuts box Tab types » and Enter moves down a line.
  void listsRoundTripAndTheShortcutsBoxTypes() {
    S& settings = document_->Settings();
    settings.UnitsList.Set("cm,km");
    settings.MacroList.Set("qf%x=(-b+-sr(b2-4ac))/2a%pv7%3.1415927%");
    const QString spare(22, '\n');
    dialogs_->inDialog = [&](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      sheet.Tabs().setCurrentIndex(KLVUnitsPropPage::kIndex);
      auto* units = ControlOf<QPlainTextEdit>(sheet.Page(KLVUnitsPropPage::kIndex), 1013);
      QCOMPARE(units->toPlainText(), "cm\nkm" + spare);
      QCOMPARE(units->document()->blockCount(), 24);
      QCOMPARE(units->textCursor().position(), 0);

      sheet.Tabs().setCurrentIndex(KLVMacrosPropPage::kIndex);
      auto* shortcuts = ControlOf<QPlainTextEdit>(sheet.Page(KLVMacrosPropPage::kIndex), 1013);
      QCOMPARE(shortcuts->toPlainText(),
               QString("qf\u00BBx=(-b+-sr(b2-4ac))/2a\npv7\u00BB3.1415927\n") + spare);
      QCOMPARE(shortcuts->textCursor().position(), 0);
      shortcuts->setFocus();
      QTest::keyClick(shortcuts, Qt::Key_Down);
      QTest::keyClick(shortcuts, Qt::Key_End);
      QTest::keyClick(shortcuts, Qt::Key_Return);
      QCOMPARE(shortcuts->textCursor().blockNumber(), 2);
      QTest::keyClicks(shortcuts, "ab");
      QTest::keyClick(shortcuts, Qt::Key_Tab);
      QTest::keyClicks(shortcuts, "cd");
      QCOMPARE(shortcuts->document()->findBlockByNumber(2).text(), QString("ab\u00BBcd"));
      Press(dialog, QDialogButtonBox::Ok);
    };
    QVERIFY(Run());
    QCOMPARE(settings.UnitsList.Current(), std::string("cm,km"));
    QCOMPARE(settings.MacroList.Current(),
             std::string("qf%x=(-b+-sr(b2-4ac))/2a%pv7%3.1415927%ab%cd"));
  }

  // Vector recognition: without automatic recognition no choice can be made and no letter
  // picked; with it, the letters follow the lowercase choice. Detect Column Vectors is always
  // there.
  void vectorChoicesFollowAutomaticRecognition() {
    S& settings = document_->Settings();
    settings.UseAutomaticVectors.Set(false);
    settings.LowerCase.Set(2);
    document_->SetOptionsStartPage(KLVVectorsPropPage::kIndex);
    dialogs_->inDialog = [&](QDialog& dialog) {
      auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
      const KLVPropertyPage& page = sheet.Page(KLVVectorsPropPage::kIndex);
      const int choices[] = {1000, 1001, 1002, 1027, 1028, 1029, 1004, 1005, 1006, 1038};
      // The letter boxes a to t are 1007 to 1026, u to z 1030 to 1035.
      const auto letters = [&page] {
        int enabled = 0;
        for (const auto& [first, last] : {std::pair{1007, 1026}, std::pair{1030, 1035}})
          for (int id = first; id <= last; ++id)
            enabled += ControlOf<QCheckBox>(page, id)->isEnabled() ? 1 : 0;
        return enabled;
      };
      for (const int id : choices)
        QVERIFY(!ControlOf<QRadioButton>(page, id)->isEnabled());
      QCOMPARE(letters(), 0);
      QVERIFY(ControlOf<QCheckBox>(page, 1036)->isEnabled());

      Click(ControlOf<QCheckBox>(page, 1037));
      for (const int id : choices)
        QVERIFY(ControlOf<QRadioButton>(page, id)->isEnabled());
      QCOMPARE(letters(), 26);
      Click(ControlOf<QRadioButton>(page, 1028));
      QCOMPARE(letters(), 0);
      Click(ControlOf<QRadioButton>(page, 1029));
      QCOMPARE(letters(), 26);
      Click(ControlOf<QCheckBox>(page, 1031));  // v
      Press(dialog, QDialogButtonBox::Ok);
    };
    QVERIFY(Run());
    QVERIFY(settings.UseAutomaticVectors.Current());
    QCOMPARE(settings.LowerCase.Current(), 2);
    QVERIFY(settings.LettersV.Current());
  }

 private:
  // A new document with the default settings, new defaults, and no answers or messages yet.
  void Reset() {
    environment_ = std::make_unique<test::ScratchEnvironment>();
    dialogs_ = std::make_unique<test::ScriptedDialogs>();
    host_ = std::make_unique<HeadlessHost>();
    document_ = std::make_unique<KLV300Doc>(*host_);
    master_.ResetToDefaults(".");
    document_->Settings().ResetToDefaults(".");
    saves_ = 0;
  }

  // Runs the sheet on the document as the editor does, with a decimal separator of its own, and
  // counts the saves of the defaults.
  bool Run(const char* decimalSeparator = ".") {
    return RunOptionsSheet(nullptr, *document_,
                           {master_, fonts_, *dialogs_, decimalSeparator, [this] { ++saves_; }});
  }

  std::unique_ptr<test::ScratchEnvironment> environment_;
  std::unique_ptr<HeadlessHost> host_;
  std::unique_ptr<KLV300Doc> document_;
  FontCatalog fonts_;
  std::unique_ptr<test::ScriptedDialogs> dialogs_;
  EquationSettings master_;
  int saves_ = 0;
};

}  // namespace kv

QTEST_MAIN(kv::OptionsSheetTest)
#include "options_sheet_test.moc"
