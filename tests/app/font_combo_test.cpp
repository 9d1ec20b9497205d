// Placeholder: filled in by the work on this control.
#include <QTest>

namespace kv {

class FontComboTest : public QObject {
  Q_OBJECT
};

}  // namespace kv

QTEST_MAIN(kv::FontComboTest)
#include "font_combo_test.moc"
