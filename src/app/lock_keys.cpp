#include "app/lock_keys.h"

namespace kv {

LockKeyWatcher::LockKeyWatcher(QObject* parent) : QObject(parent) {}

LockKeyWatcher::~LockKeyWatcher() = default;

std::optional<bool> LockKeyWatcher::IsOn(LockKey) const {
  return std::nullopt;
}

}  // namespace kv
