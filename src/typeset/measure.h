// Measuring: every node of a built tree gets a box (width, height, baseline), measured from the
// fonts of a surface and kept in a LineLayout; drawing places every node from these numbers
// alone. Measuring reads the tree and never changes it.
//
// Trees may nest as deep as their text is long: measuring works bottom-up from an explicit list
// of rows, so it never recurses deeper than a few calls.
#pragma once

#include "reader/equation_node.h"
#include "typeset/line_layout.h"
#include "typeset/node_box.h"
#include "typeset/surface.h"

namespace kv {

class EquationLine;
class EquationSettings;

struct MeasureContext {
  Surface& surface;
  // Read only, except that reading an integer or real setting repairs it into its range.
  EquationSettings& settings;
  // Where the boxes go.
  LineLayout& layout;
};

// Measures the node by its kind's rule, keeps its box in the layout and returns it, with the
// trailing gap of its font. The rows its rule reads must have been measured. `x` is the width of
// its row to its left; only tabs use it.
NodeBox Measure(const EquationNode& node, int x, MeasureContext& context);

// Measures every row below `row` that measuring reaches, then the row's nodes from left to right,
// combines their boxes on a shared baseline and gives every integral of the row the box of its
// tallest one. Returns the row's box with the trailing gap of its last node.
NodeBox Measure(const NodeRow& row, MeasureContext& context);

// Node `index` of a measured row, with its adjust: the height of its bottom above the bottom of
// the row.
NodeBox BoxInRow(const LineLayout& layout, const NodeRow& row, int index);

// The measured size of a whole line: its top row's box widened by the row's trailing gap. The
// first call after a parse measures the tree into `layout`; later calls return the kept extent
// and measure nothing.
NodeBox GetExtent(const EquationLine& line, LineLayout& layout, Surface& surface,
                  EquationSettings& settings);

}  // namespace kv
