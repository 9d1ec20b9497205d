// Placeholder: filled in by the work on this part of the editor.
#include <QTest>

namespace kv {

class RegistrationTest : public QObject {
  Q_OBJECT
};

}  // namespace kv

QTEST_MAIN(kv::RegistrationTest)
#include "registration_test.moc"
