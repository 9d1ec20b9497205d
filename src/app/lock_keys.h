// The state of the Caps Lock, Num Lock and Scroll Lock keys, for the status bar's indicators.
#pragma once

#include <QObject>
#include <array>
#include <memory>
#include <optional>

namespace kv {

enum class LockKey { kCapsLock, kNumLock, kScrollLock };

// Follows the keyboard's lock indicators as the window system keeps them, so that the status bar
// shows what the keyboard's own lights show, whichever program toggled them. On X11 it reads the
// server's named indicators and learns of changes from Qt's event queue; elsewhere it knows
// nothing. Lives in the GUI thread.
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

 private:
  using States = std::array<std::optional<bool>, 3>;  // indexed by LockKey
  class XkbIndicators;                                // the X server's side; absent away from X

  // Reads the states again and emits changed() if any differs from the last one read.
  void Refresh();

  std::unique_ptr<XkbIndicators> xkb_;
  States states_;
};

}  // namespace kv
