#include "app/options_sheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/options_pages.h"
#include "app/user_dialogs.h"
#include "document/document.h"

namespace kv {

KLVOptionsSheet::KLVOptionsSheet(SheetContext& context, int startPage, QWidget* parent)
    : QDialog(parent), tabs_(new QTabWidget(this)) {
  setObjectName("optionsSheet");
  setWindowTitle(tr("Kalvane Preferences"));
  pages_ = {new KLVFontsPropPage(context),  new KLVVectorsPropPage(context),
            new KLVStylesPropPage(context), new KLVUnitsPropPage(context),
            new KLVMatrixPropPage(context), new KLVMacrosPropPage(context)};
  for (KLVPropertyPage* page : pages_)
    tabs_->addTab(page, page->TabLabel());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("sheetButtons");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);

  current_ = startPage >= 0 && startPage < kPageCount ? startPage : 0;
  tabs_->setCurrentIndex(current_);
  Page(current_).Open();
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { PageChosen(index); });
}

// Leaving a page reads its controls; a value that fails its check keeps the page in view, and the
// page chosen is not opened.
void KLVOptionsSheet::PageChosen(int index) {
  if (index == current_ || index < 0) return;
  if (!Page(current_).Exchange(true)) {
    const QSignalBlocker blocker(tabs_);
    tabs_->setCurrentIndex(current_);
    return;
  }
  current_ = index;
  Page(current_).Open();
}

void KLVOptionsSheet::accept() {
  if (!Page(current_).Exchange(true)) return;
  QDialog::accept();
}

void KLVOptionsSheet::ApplyShownPages(EquationSettings& settings) const {
  for (const KLVPropertyPage* page : pages_)
    if (page->IsInitialised()) page->Apply(settings);
}

bool KLVOptionsSheet::DefaultsChanged() const {
  return std::any_of(pages_.begin(), pages_.end(),
                     [](const KLVPropertyPage* page) { return page->DefaultsChanged(); });
}

bool RunOptionsSheet(QWidget* parent, KLV300Doc& document, const OptionsSheetServices& services) {
  SheetContext context{document.Settings(),
                       services.masterSettings,
                       [&document](int page) { document.SetOptionsStartPage(page); },
                       services.decimalSeparator,
                       services.dialogs,
                       services.fonts};
  KLVOptionsSheet sheet(context, document.OptionsStartPage(), parent);
  if (!services.dialogs.RunModal(sheet)) return false;
  sheet.ApplyShownPages(document.Settings());
  if (sheet.DefaultsChanged()) services.saveDefaults();
  return true;
}

}  // namespace kv
