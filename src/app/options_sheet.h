// The options sheet "Kalvane Preferences": six pages editing one document's settings, with OK and
// Cancel. A page's values reach the document only through OK; "Set As Default" on a page changes
// the defaults for new documents at once, and OK then saves them once.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/property_page.h"

class QTabWidget;

namespace kv {

class KLV300Doc;

class KLVOptionsSheet final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPageCount = 6;

  // Opens on page `startPage` when it is one of the six, else on the first.
  KLVOptionsSheet(SheetContext& context, int startPage, QWidget* parent = nullptr);

  KLVPropertyPage& Page(int index) const { return *pages_.at(static_cast<std::size_t>(index)); }
  QTabWidget& Tabs() const { return *tabs_; }
  // Writes the pages that were shown into `settings`, in the sheet's order.
  void ApplyShownPages(EquationSettings& settings) const;
  // "Set As Default" was used on some page.
  bool DefaultsChanged() const;

  // OK: the page in view must hold acceptable values, or the sheet stays open.
  void accept() override;

 private:
  void PageChosen(int index);

  QTabWidget* tabs_;
  std::vector<KLVPropertyPage*> pages_;
  int current_ = 0;
};

// What running the sheet needs of the program.
struct OptionsSheetServices {
  EquationSettings& masterSettings;
  FontCatalog& fonts;
  UserDialogs& dialogs;
  std::string decimalSeparator;  // the user's, Windows-1252
  // Saves the defaults; called once after OK when a page's "Set As Default" was used.
  std::function<void()> saveDefaults;
};

// Runs the sheet on `document`'s settings; true when it was closed with OK, after the pages that
// were shown have been applied to the document's settings.
bool RunOptionsSheet(QWidget* parent, KLV300Doc& document, const OptionsSheetServices& services);

}  // namespace kv
