// The lines of a hatched brush: parallel lines a fixed spacing apart, anchored to multiples of
// the spacing on the logical axes, so the hatches of neighbouring shapes line up. Every vector
// surface draws them across the shape's bounds and clips them to the shape.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>

#include "settings/option_values.h"

namespace kv {

// Above this many lines a hatch is drawn coarser, so a huge shape never costs unbounded work.
inline constexpr double kMaximumHatchLines = 4096;

// Calls line(xFrom, yFrom, xTo, yTo) for every line of hatch style `hatch` (kHsHorizontal ...
// kHsDiagCross; any other style has none) across the rectangle from (x0, y0) to (x1, y1), the
// lines `spacing` apart or further on a shape too large for kMaximumHatchLines of them.
template <typename Line>
void ForEachHatchLine(int hatch, double x0, double y0, double x1, double y1, double spacing,
                      Line line) {
  const double span = std::max(x1 - x0, y1 - y0) * 2;
  spacing = std::max(spacing, span / kMaximumHatchLines);
  const bool horizontal = hatch == kHsHorizontal || hatch == kHsCross;
  const bool vertical = hatch == kHsVertical || hatch == kHsCross;
  const bool falling = hatch == kHsFDiagonal || hatch == kHsDiagCross;  // down left to right
  const bool rising = hatch == kHsBDiagonal || hatch == kHsDiagCross;
  // Lines a*x + b*y = c for c on the spacing grid over the corners' range.
  const auto lines = [&](double a, double b) {
    const std::array<double, 4> corners = {a * x0 + b * y0, a * x0 + b * y1, a * x1 + b * y0,
                                           a * x1 + b * y1};
    const auto [low, high] = std::minmax_element(corners.begin(), corners.end());
    for (double c = std::floor(*low / spacing) * spacing; c <= *high; c += spacing) {
      if (b == 0) {
        line(c / a, y0, c / a, y1);
      } else {  // y = (c - a*x) / b across the rectangle's width
        line(x0, (c - a * x0) / b, x1, (c - a * x1) / b);
      }
    }
  };
  if (horizontal) lines(0, 1);
  if (vertical) lines(1, 0);
  if (falling) lines(1, 1);
  if (rising) lines(1, -1);
}

}  // namespace kv
