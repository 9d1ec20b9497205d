// The metrics of a font at one size, as a surface reports them and a measured node keeps them.
#pragma once

namespace kv {

// Metrics of a font, in logical units (0.01 mm): ascent above the baseline, descent below it,
// height = ascent + descent, and the average character width.
struct TextMetrics {
  int height = 0;
  int ascent = 0;
  int descent = 0;
  int averageWidth = 0;
  bool operator==(const TextMetrics&) const = default;
};

}  // namespace kv
