// Measuring hand-built trees on the fixed-metrics surface, where a font of height S has descent
// S / 5, ascent S - S / 5, average width S / 2 and every byte is S / 2 wide. With the default
// main font of 400: ascent 320, descent 80, a character 200 wide, a trailing gap of 66; at script
// or fraction level 1 (280): ascent 224, descent 56, a character 140 wide.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "reader/tree_notation.h"
#include "settings/equation_settings.h"
#include "support/tree_from_notation.h"
#include "typeset/fixed_metrics_surface.h"
#include "typeset/measure.h"

namespace kv::test {

// [width,height,align,adjust,raised], as kalvane-cli measure --boxes prints it.
inline std::string BoxText(const NodeBox& box) {
  return "[" + std::to_string(box.width) + "," + std::to_string(box.height) + "," +
         std::to_string(box.align) + "," + std::to_string(box.adjust) + "," +
         (box.raised ? "1" : "0") + "]";
}

// The tree of `row` with every node's box as measuring left it in `layout`.
inline std::string Boxes(const NodeRow& row, const LineLayout& layout) {
  return TreeNotation(row, [&layout](const NodeRow& in, int index) {
    return BoxText(BoxInRow(layout, in, index));
  });
}

class MeasureTest : public ::testing::Test {
 protected:
  MeasureTest() { settings.ResetToDefaults("."); }

  MeasureContext Context(Surface& on) { return {on, settings, layout}; }

  // Builds the tree and measures its row on `on` into a new layout.
  NodeRow& Measured(std::string_view notation, Surface& on) {
    row = NodeRow();
    layout = LineLayout();
    TreeFromNotation(notation, pool, row);
    MeasureContext context = Context(on);
    rowBox = Measure(row, context);
    return row;
  }
  NodeRow& Measured(std::string_view notation) { return Measured(notation, surface); }
  std::string Boxes(const NodeRow& measured) const { return test::Boxes(measured, layout); }

  // The first node of the measured row, and its box there.
  const EquationNode& First() const { return row.At(0); }
  std::string FirstBox() const { return BoxText(BoxInRow(layout, row, 0)); }

  EquationSettings settings;
  FixedMetricsSurface surface{false};
  NodePool pool;
  NodeRow row;
  LineLayout layout;
  NodeBox rowBox;
};

}  // namespace kv::test
