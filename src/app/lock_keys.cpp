#include "app/lock_keys.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdint>

// Xlib's headers define macros (Bool, None, Status...) that clash with names in Qt's headers, so
// they come after all of Qt's, and the macros this file does not need are undefined below.
#include <X11/XKBlib.h>
#include <xcb/xcb.h>
#undef Bool
#undef None
#undef Status

namespace kv {
namespace {

// The names under which keymaps declare the indicators, in LockKey order.
constexpr std::array<const char*, 3> kIndicatorNames = {"Caps Lock", "Num Lock", "Scroll Lock"};

// The bit of an event's code that marks an event another client sent (SendEvent).
constexpr std::uint8_t kSentEventBit = 0x80;

// Xlib's display under Qt's xcb platform; null on any other platform.
Display* QtDisplay() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr) return nullptr;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->display() : nullptr;
}

}  // namespace

// The keyboard's indicators as the X server keeps them. Qt's xcb connection and Xlib's display
// are one client connection, so the Xkb events selected here through Xlib arrive on Qt's event
// queue, where this filter sees them before Qt does.
class LockKeyWatcher::XkbIndicators final : public QAbstractNativeEventFilter {
 public:
  // Null where the application does not run on X or the server lacks Xkb.
  static std::unique_ptr<XkbIndicators> Connect(LockKeyWatcher& watcher) {
    Display* display = QtDisplay();
    if (display == nullptr) return nullptr;
    int opcode = 0;
    int eventBase = 0;
    int errorBase = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &eventBase, &errorBase, &major, &minor))
      return nullptr;
    return std::unique_ptr<XkbIndicators>(new XkbIndicators(watcher, display, eventBase));
  }

  ~XkbIndicators() override {
    // The event selection stays: it belongs to the whole connection, other watchers may rely on
    // it, and Qt passes over the Xkb events it does not handle.
    if (QCoreApplication::instance() != nullptr)
      QCoreApplication::instance()->removeNativeEventFilter(this);
  }

  XkbIndicators(const XkbIndicators&) = delete;
  XkbIndicators& operator=(const XkbIndicators&) = delete;

  // Asks the server; a keymap that does not name an indicator leaves its key unknown.
  States Read() const {
    States states;
    for (std::size_t i = 0; i < states.size(); ++i) {
      int on = 0;
      if (XkbGetNamedIndicator(display_, names_[i], nullptr, &on, nullptr, nullptr))
        states[i] = on != 0;
    }
    return states;
  }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    if (ChangesIndicators(*static_cast<const xcb_generic_event_t*>(message))) watcher_.Refresh();
    return false;  // Qt still sees every event
  }

 private:
  XkbIndicators(LockKeyWatcher& watcher, Display* display, int eventBase)
      : watcher_(watcher), display_(display), event_base_(eventBase) {
    for (std::size_t i = 0; i < names_.size(); ++i)
      names_[i] = XInternAtom(display_, kIndicatorNames[i], False);
    // Only the indicator bits of the selection are touched: Qt selects other Xkb events on the
    // same connection for its keyboard handling.
    constexpr unsigned kIndicatorEvents = XkbIndicatorStateNotifyMask | XkbIndicatorMapNotifyMask;
    XkbSelectEvents(display_, XkbUseCoreKbd, kIndicatorEvents, kIndicatorEvents);
    QCoreApplication::instance()->installNativeEventFilter(this);
  }

  // Every Xkb event carries the extension's one event code; the byte after it says which kind
  // it is. A lock key's light changing, the keymap's indicators being redefined and a new
  // keyboard (with its own keymap) can each change what the watcher reports.
  bool ChangesIndicators(const xcb_generic_event_t& event) const {
    if ((event.response_type & ~kSentEventBit) != event_base_) return false;
    const int xkbType = event.pad0;
    return xkbType == XkbIndicatorStateNotify || xkbType == XkbIndicatorMapNotify ||
           xkbType == XkbNewKeyboardNotify;
  }

  LockKeyWatcher& watcher_;
  Display* display_;
  int event_base_;
  std::array<Atom, 3> names_{};
};

LockKeyWatcher::LockKeyWatcher(QObject* parent)
    : QObject(parent), xkb_(XkbIndicators::Connect(*this)) {
  // Read only once the events are selected, so that no change falls between the two.
  if (xkb_ != nullptr) states_ = xkb_->Read();
}

LockKeyWatcher::~LockKeyWatcher() = default;

std::optional<bool> LockKeyWatcher::IsOn(LockKey key) const {
  return states_[static_cast<std::size_t>(key)];
}

void LockKeyWatcher::Refresh() {
  States now = xkb_->Read();
  if (now == states_) return;
  states_ = now;
  emit changed();
}

}  // namespace kv
