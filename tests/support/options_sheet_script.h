// What a person does on the options sheet to change a default, for the programs that drive the
// real sheet (the main window's tests, the kill test's save loop).
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTest>

#include "app/options_pages.h"
#include "app/options_sheet.h"
#include "app/property_page.h"

namespace kv::test {

// On the styles page: types `millimetres` as the tab width, presses Set As Default, then closes
// the sheet with `close`.
inline void SetTabWidthAsDefault(QDialog& dialog, const QString& millimetres,
                                 QDialogButtonBox::StandardButton close) {
  constexpr int kTabWidthControl = 1039;
  constexpr int kSetAsDefaultControl = 1041;
  auto& sheet = static_cast<KLVOptionsSheet&>(dialog);
  sheet.Tabs().setCurrentIndex(KLVStylesPropPage::kIndex);
  const KLVPropertyPage& styles = sheet.Page(KLVStylesPropPage::kIndex);
  auto* tab = styles.findChild<QLineEdit*>(ControlName(kTabWidthControl));
  tab->selectAll();
  QTest::keyClicks(tab, millimetres);
  QTest::mouseClick(styles.findChild<QPushButton*>(ControlName(kSetAsDefaultControl)),
                    Qt::LeftButton);
  QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(close), Qt::LeftButton);
}

}  // namespace kv::test
