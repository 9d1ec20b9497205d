// The layout of a measured node, row or line. Plain records: the reader's nodes and rows carry
// them, measuring fills them, drawing reads them.
//
// Units: integers in 0.01 mm, y growing upward. A box's bottom is its lowest edge; `align` is the
// height of its baseline above that bottom (the depth below the baseline).
#pragma once

#include <memory>
#include <vector>

#include "typeset/text_metrics.h"

namespace kv {

struct NodeBox {
  int width = 0;        // horizontal advance
  int height = 0;       // total height
  int align = 0;        // baseline above the bottom
  int adjust = 0;       // bottom above the bottom of the holding row (the adjust pass sets it)
  bool raised = false;  // sits on its row's baseline instead of aligning its own (powers)
  int trailingGap = 0;  // a third of the font's average width; for a row, of its last node
  bool operator==(const NodeBox&) const = default;
};

// Where a matrix puts its cells: one entry per column and per matrix row (no limit on either).
struct MatrixPlacement {
  std::vector<int> columnWidths;   // the widest cell of each column
  std::vector<int> columnOffsets;  // left edge of each column from the matrix's left edge
  std::vector<int> rowOffsets;     // bottom of each matrix row above the matrix's bottom
  bool operator==(const MatrixPlacement&) const = default;
};

// What measuring leaves in a node besides its box.
struct NodeLayout {
  NodeBox box;
  // For fractions and columns the height of the bar above the box bottom; for integrals the
  // height asked of the integral sign.
  int operatorHeight = 0;
  // Of the font the node was measured in.
  TextMetrics metrics;
  // Only for matrices, made when one is measured: every node carries a layout, so the placement's
  // storage is not in each of them.
  std::unique_ptr<MatrixPlacement> matrix;
};

}  // namespace kv
