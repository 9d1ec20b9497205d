// The state of the Caps Lock, Num Lock and Scroll Lock keys, for the status bar's indicators.
#pragma once

#include <QObject>
#include <optional>

namespace kv {

enum class LockKey { kCapsLock, kNumLock, kScrollLock };

class LockKeyWatcher final : public QObject {
  Q_OBJECT

 public:
  explicit LockKeyWatcher(QObject* parent = nullptr);
  ~LockKeyWatcher() override;

  // Whether the key is on; nothing where the window system does not say.
  std::optional<bool> IsOn(LockKey key) const;

 signals:
  // One of the keys may have changed its state.
  void changed();
};

}  // namespace kv
