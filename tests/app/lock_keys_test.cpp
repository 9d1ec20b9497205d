// The lock key watcher against a real window system: on X (Xvfb, or the desktop it runs on) the
// keys are toggled by another program, as a person's keyboard would, and the watcher must follow;
// on the offscreen platform it knows nothing.
#include "app/lock_keys.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>
#include <utility>

// Failure messages name the state rather than leave it out.
namespace QTest {
template <>
char* toString(const std::optional<bool>& state) {
  return qstrdup(!state.has_value() ? "unknown" : *state ? "on" : "off");
}
}  // namespace QTest

namespace kv {
namespace {

constexpr LockKey kAllKeys[] = {LockKey::kCapsLock, LockKey::kNumLock, LockKey::kScrollLock};
constexpr int kTimeoutMs = 5000;
// How long a key that should light is given before the keymap is taken to leave it dark.
constexpr int kInertKeyMs = 1500;

bool OnX() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Presses and releases the key through the X server, as another client.
bool PressKey(const QString& keysym) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), keysym});
  return xdotool.waitForFinished(kTimeoutMs) && xdotool.exitStatus() == QProcess::NormalExit &&
         xdotool.exitCode() == 0;
}

// Whether the watcher announced a change within `timeoutMs` (counting one already announced).
bool ChangeSeen(QSignalSpy& spy, int timeoutMs) {
  return !spy.isEmpty() || spy.wait(timeoutMs);
}

// Puts the key back as it was found, however the test ends: the display may be a person's own.
class KeyRestorer {
 public:
  KeyRestorer(const LockKeyWatcher& watcher, LockKey key, QString keysym, bool start)
      : watcher_(watcher), key_(key), keysym_(std::move(keysym)), start_(start) {}
  ~KeyRestorer() {
    if (watcher_.IsOn(key_) == start_) return;
    QSignalSpy spy(&watcher_, &LockKeyWatcher::changed);
    if (!PressKey(keysym_) || !ChangeSeen(spy, kTimeoutMs) || watcher_.IsOn(key_) != start_)
      qWarning("could not put %s back as it was", qPrintable(keysym_));
  }
  KeyRestorer(const KeyRestorer&) = delete;
  KeyRestorer& operator=(const KeyRestorer&) = delete;

 private:
  const LockKeyWatcher& watcher_;
  LockKey key_;
  QString keysym_;
  bool start_;
};

}  // namespace

class LockKeysTest : public QObject {
  Q_OBJECT

 private slots:
  void knowsNothingAwayFromX() {
    if (OnX()) QSKIP("runs on the offscreen platform");
    QWidget window;
    auto* watcher = new LockKeyWatcher(&window);
    QSignalSpy spy(watcher, &LockKeyWatcher::changed);
    for (LockKey key : kAllKeys)
      QCOMPARE(watcher->IsOn(key), std::optional<bool>());
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 0);
  }

  void followsKeysToggledByAnotherProgram_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("keysym");
    // Whether the keymap may leave the key's light dark: many bind Scroll Lock to no modifier,
    // and then pressing it changes nothing the server tracks.
    QTest::addColumn<bool>("mayBeInert");
    QTest::newRow("Caps Lock") << static_cast<int>(LockKey::kCapsLock) << "Caps_Lock" << false;
    QTest::newRow("Num Lock") << static_cast<int>(LockKey::kNumLock) << "Num_Lock" << false;
    QTest::newRow("Scroll Lock") << static_cast<int>(LockKey::kScrollLock) << "Scroll_Lock" << true;
  }

  void followsKeysToggledByAnotherProgram() {
    if (!OnX()) QSKIP("needs an X display (QT_QPA_PLATFORM=xcb)");
    QFETCH(int, key);
    QFETCH(QString, keysym);
    QFETCH(bool, mayBeInert);
    const auto lockKey = static_cast<LockKey>(key);

    {
      // The editor's watcher dies with the main window: the events below must not reach it.
      QWidget window;
      new LockKeyWatcher(&window);
    }
    LockKeyWatcher watcher;
    const std::optional<bool> start = watcher.IsOn(lockKey);
    if (!start.has_value()) QSKIP("the keymap names no such indicator");
    KeyRestorer restorer(watcher, lockKey, keysym, *start);

    for (bool expected : {!*start, *start}) {
      QSignalSpy spy(&watcher, &LockKeyWatcher::changed);
      QVERIFY(PressKey(keysym));
      if (mayBeInert && expected != *start && !ChangeSeen(spy, kInertKeyMs))
        QSKIP("the keymap binds the key to no modifier: its light stays dark");
      QVERIFY(ChangeSeen(spy, kTimeoutMs));
      QCOMPARE(watcher.IsOn(lockKey), std::optional<bool>(expected));
    }
  }
};

}  // namespace kv

QTEST_MAIN(kv::LockKeysTest)
#include "lock_keys_test.moc"
