// The pages of the options sheet and what they share. A page edits one document's settings (its
// target): it fills its controls from them when it is first shown, keeps what the user chose in
// fields of its own as the user moves between pages, and writes the fields into the settings only
// when the sheet closes with OK. "Set As Default" writes the page at once into the defaults new
// documents copy. Whenever a page paints, it tells the sheet, which opens on that page next time.
//
// A page is built from bindings: one control (or a few that edit one setting together) bound to
// one setting of EquationSettings, found by its member, so the key and the range are those of the
// settings table.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/equation_settings.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QLineEdit;

namespace kv {

class CColorButton;
class CFontPreviewCombo;
class FontCatalog;
class UserDialogs;

// What every page of one run of the sheet works with.
struct SheetContext {
  EquationSettings& target;         // the document's settings: read on opening, written on OK
  EquationSettings& defaultTarget;  // the defaults for new documents: written by Set As Default
  std::function<void(int page)> recordShownPage;
  std::string decimalSeparator;  // the user's, Windows-1252
  UserDialogs& dialogs;
  FontCatalog& fonts;
};

// The name a control of a page carries: "control" and its number, unique within the page.
QString ControlName(int id);

// A setting's text (Windows-1252) as a control shows it.
QString ShownText(std::string_view text);
// A control's text as a setting keeps it; false, with `problem` saying why, when it holds a
// character without a Windows-1252 form.
bool SettingText(const QString& text, std::string& settingText, QString& problem);

// One setting as a page edits it: the value the page holds (its field), the control that shows
// it, and the rules between them.
class PageBinding {
 public:
  virtual ~PageBinding() = default;
  // The field takes the setting's value; an integer out of its range is first repaired in
  // `target` itself.
  virtual void Open(EquationSettings& target) = 0;
  // The control shows the field.
  virtual void Show() = 0;
  // The field takes the control's value. False, with `problem` saying why, when the control holds
  // what the setting cannot take; the field then keeps its value.
  virtual bool Take(QString& problem) = 0;
  // Writes the field into `settings`; an integer out of its range is repaired there.
  virtual void Apply(EquationSettings& settings) const = 0;
  // Where the focus goes when Take failed.
  virtual QWidget* Control() const = 0;
};

// A group box holding `buttons` one below the other.
QGroupBox* RadioGroupBox(const QString& title, const std::vector<QAbstractButton*>& buttons,
                         QWidget* parent);

// A choice of a radio group: its button's control number and text.
struct RadioChoice {
  int id;
  QString text;
};

class KLVPropertyPage : public QWidget {
  Q_OBJECT

 public:
  // `index` is the page's place in the sheet.
  KLVPropertyPage(int index, QString tabLabel, SheetContext& context, QWidget* parent = nullptr);
  ~KLVPropertyPage() override;

  int Index() const { return index_; }
  const QString& TabLabel() const { return tabLabel_; }
  // The page has been shown, and so will be applied on OK.
  bool IsInitialised() const { return initialised_; }
  // "Set As Default" was used on this page.
  bool DefaultsChanged() const { return defaultsChanged_; }

  // The first showing: the fields take the target's values, the controls show them.
  void Open();
  // Between the controls and the fields: `saving` reads the controls, checking each value; on
  // the first that fails the user is told why, the control gets the focus, and false comes back.
  bool Exchange(bool saving);
  // Writes the fields into `settings`.
  void Apply(EquationSettings& settings) const;
  // Reads the controls and, when they all hold acceptable values, writes them into the defaults
  // and beeps.
  void SetAsDefault();

 protected:
  void paintEvent(QPaintEvent* event) override;
  // After the controls have shown the fields on opening: the page's enabling rules.
  virtual void Opened() {}

  SheetContext& Context() const { return context_; }
  void AddBinding(std::unique_ptr<PageBinding> binding);

  // Controls bound to one setting each.
  QCheckBox* AddCheck(int id, const QString& text, BoolOption EquationSettings::*setting);
  // The buttons give the setting the values 0, 1, 2... in order.
  std::vector<QAbstractButton*> AddRadios(const std::vector<RadioChoice>& choices,
                                          IntOption EquationSettings::*setting);
  // As AddRadios, for buttons made elsewhere.
  void BindRadios(const std::vector<QAbstractButton*>& buttons,
                  IntOption EquationSettings::*setting);
  // A length shown in millimetres, from 0 to 100.
  QLineEdit* AddMillimetres(int id, IntOption EquationSettings::*setting);
  CColorButton* AddColour(int id, ColorOption EquationSettings::*setting);
  // A list of the installed faces, filled when the page opens.
  CFontPreviewCombo* AddFace(int id, StringOption EquationSettings::*setting);
  // The page's "Set As Default" button, at the right end of a row of its own.
  QHBoxLayout* AddSetAsDefault(int id);

 private:
  int index_;
  QString tabLabel_;
  SheetContext& context_;
  std::vector<std::unique_ptr<PageBinding>> bindings_;
  bool initialised_ = false;
  bool defaultsChanged_ = false;
};

}  // namespace kv
