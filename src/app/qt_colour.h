// Colours between the program's 0x00BBGGRR values and Qt's QColor.
#pragma once

#include <QColor>

#include "settings/option_values.h"

namespace kv {

inline QColor QColorFromColorRef(ColorRef colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

inline ColorRef ColorRefFromQColor(const QColor& colour) {
  return static_cast<ColorRef>(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}

}  // namespace kv
