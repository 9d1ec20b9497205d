// Placeholder: filled in by the work on this part of the editor.
#include <QTest>

namespace kv {

class LockKeysTest : public QObject {
  Q_OBJECT
};

}  // namespace kv

QTEST_MAIN(kv::LockKeysTest)
#include "lock_keys_test.moc"
