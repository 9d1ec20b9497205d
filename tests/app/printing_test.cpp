// Placeholder: filled in by the work on this part of the editor.
#include <QTest>

namespace kv {

class PrintingTest : public QObject {
  Q_OBJECT
};

}  // namespace kv

QTEST_MAIN(kv::PrintingTest)
#include "printing_test.moc"
