// Measuring: every node of a built tree gets a box (width, height, baseline, and after the adjust
// pass its place in its row), measured from the fonts of a surface. Drawing places every node
// from these numbers alone.
//
// Measuring is lazy: a node or row is measured only while its needsMeasure flag is set (every
// parse sets it everywhere), and it keeps its box until the next parse. Trees may nest as deep as
// their text is long: measuring works bottom-up from an explicit stack, so it never recurses
// deeper than a few calls.
#pragma once

#include <functional>

#include "reader/equation_node.h"
#include "typeset/node_box.h"
#include "typeset/surface.h"

namespace kv {

class EquationLine;
class EquationSettings;

// Makes a node that lives as long as the tree being measured (inverse functions give their
// "-1" a node of its own).
using NodeMaker = std::function<EquationNode&(TokenKind kind)>;

struct MeasureContext {
  Surface& surface;
  // Read only, except that reading an integer or real setting repairs it into its range.
  EquationSettings& settings;
  NodeMaker makeNode;
};

// Measures the node (and the rows below it that its rule reads) if it needs it, and returns its
// box. `x` is the width of its row to its left; only tabs use it. The trailing gap is taken from
// the node's font metrics on every call, measured or not.
NodeBox Measure(EquationNode& node, int x, MeasureContext& context);

// Measures the row's nodes from left to right if the row needs it, combines their boxes on a
// shared baseline and gives every integral of the row the box of its tallest one.
NodeBox Measure(NodeRow& row, MeasureContext& context);

// Sets `adjust` (the bottom of each box above the bottom of its row) on every node of the row and
// of every row below it. Run after measuring and before drawing.
void Adjust(NodeRow& row);

// The measured size of a whole line: its top row's box widened by the row's trailing gap. The
// first call after a parse measures the tree and runs the adjust pass; later calls return the
// kept extent and measure nothing.
NodeBox GetExtent(EquationLine& line, Surface& surface, EquationSettings& settings);

}  // namespace kv
