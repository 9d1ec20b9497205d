// Integers written into SVG text: path data of glyph outlines and picture coordinates.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

namespace kv {

// Appends `value` in decimal, as few characters as it takes.
inline void AppendInteger(std::string& out, std::int64_t value) {
  char buffer[24];
  out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

}  // namespace kv
