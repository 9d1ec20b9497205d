// Placeholder: filled in by the work on this control.
#include <QTest>

namespace kv {

class ColorButtonTest : public QObject {
  Q_OBJECT
};

}  // namespace kv

QTEST_MAIN(kv::ColorButtonTest)
#include "color_button_test.moc"
