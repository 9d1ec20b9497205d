// The six pages of the options sheet, in the sheet's order: fonts and colours, the recognition
// of vectors, the styles of operators, numbers and integrals, the unit list, the matrix layout,
// and the typing shortcuts.
#pragma once

#include <QPlainTextEdit>
#include <QRadioButton>
#include <array>
#include <string>
#include <string_view>

#include "app/property_page.h"

class QComboBox;

namespace kv {

class KLVFontsPropPage final : public KLVPropertyPage {
  Q_OBJECT

 public:
  static constexpr int kIndex = 0;
  // The sizes the size box offers, in points.
  static constexpr std::array<int, 16> kSizes = {8,  9,  10, 11, 12, 14, 16, 18,
                                                 20, 22, 24, 26, 28, 36, 48, 72};
  KLVFontsPropPage(SheetContext& context, QWidget* parent = nullptr);

 protected:
  void Opened() override { UpdateEnabling(); }

 private:
  // The faces and colours of the kinds of text are the main font's while Use One Font is on.
  void UpdateEnabling();

  QCheckBox* useOneFont_ = nullptr;
  std::vector<QWidget*> ownFontControls_;
};

class KLVVectorsPropPage final : public KLVPropertyPage {
  Q_OBJECT

 public:
  static constexpr int kIndex = 1;
  KLVVectorsPropPage(SheetContext& context, QWidget* parent = nullptr);

 protected:
  void Opened() override { UpdateEnabling(); }

 private:
  // The choices count only with automatic recognition on, the letters only when chosen by
  // letter.
  void UpdateEnabling();
  void EnableLetters(bool enabled);

  QCheckBox* automatic_ = nullptr;
  std::vector<QAbstractButton*> choices_;
  QAbstractButton* selectLetters_ = nullptr;
  std::vector<QCheckBox*> letters_;
};

class KLVStylesPropPage final : public KLVPropertyPage {
  Q_OBJECT

 public:
  static constexpr int kIndex = 2;
  // The widths the General Pen box offers.
  static constexpr std::array<const char*, 16> kPenWidths = {
      "0.25pt", "0.50pt", "0.75pt", "1pt", "1.25pt", "1.50pt", "1.75pt", "2pt",
      "2.25pt", "2.50pt", "2.75pt", "3pt", "3.25pt", "3.50pt", "3.75pt", "4pt"};
  // The integral previews are drawn at this share of the default size.
  static constexpr double kPreviewScale = 0.7;
  KLVStylesPropPage(SheetContext& context, QWidget* parent = nullptr);
};

// A list's text as a box shows it, or a box's text as the list.
using ListTextForm = std::string (*)(std::string_view);

// A page that edits one list in a box below a note, one entry on each line.
class KLVListPropPage : public KLVPropertyPage {
  Q_OBJECT

 protected:
  // The page takes `box` (made without a parent) as its control 1013.
  KLVListPropPage(int index, const QString& tabLabel, const QString& note, QPlainTextEdit* box,
                  StringOption EquationSettings::*setting, ListTextForm lines, ListTextForm list,
                  SheetContext& context, QWidget* parent);
};

class KLVUnitsPropPage final : public KLVListPropPage {
  Q_OBJECT

 public:
  static constexpr int kIndex = 3;
  KLVUnitsPropPage(SheetContext& context, QWidget* parent = nullptr);
};

class KLVMatrixPropPage final : public KLVPropertyPage {
  Q_OBJECT

 public:
  static constexpr int kIndex = 4;
  KLVMatrixPropPage(SheetContext& context, QWidget* parent = nullptr);
};

class KLVMacrosPropPage final : public KLVListPropPage {
  Q_OBJECT

 public:
  static constexpr int kIndex = 5;
  KLVMacrosPropPage(SheetContext& context, QWidget* parent = nullptr);
};

// The shortcuts box: Tab types » between a shortcut's name and its expansion, and Enter moves
// down to the next line, as each shortcut has a line of its own.
class ShortcutEdit final : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit ShortcutEdit(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kv
