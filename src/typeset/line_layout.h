// The boxes measuring found for one tree, kept apart from the tree: the reader's nodes hold what
// was read, and measuring and drawing only read them. A layout is a table indexed by node Id
// (the pool numbers its nodes from 0), so a box costs no more than the numbers it holds.
//
// A row's box is kept with its first node (every node stands in one row, so no two rows share
// one), an empty row's box is all zero, and so is the box of anything measuring did not reach.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "reader/equation_node.h"
#include "typeset/node_box.h"

namespace kv {

class EquationLine;

class LineLayout {
 public:
  // Forgets every box, ready for a tree of `nodeCount` nodes (more may still be set).
  void Reset(std::size_t nodeCount);

  // The node's own box: width, height, align and raised; adjust and trailing gap are 0 (the
  // adjust follows from the node's row: BoxInRow in measure.h).
  NodeBox Box(const EquationNode& node) const;
  // The row's width, height and align.
  NodeBox Box(const NodeRow& row) const;
  void SetBox(const EquationNode& node, const NodeBox& box);
  void SetBox(const NodeRow& row, const NodeBox& box);

  // The height an integral's sign was measured for; 0 when it was not measured.
  int SignHeight(const EquationNode& integral) const;
  void SetSignHeight(const EquationNode& integral, int height);

  // Where a matrix puts its cells; empty for a matrix that was not measured.
  const MatrixPlacement& Placement(const EquationNode& matrix) const;
  MatrixPlacement& SetPlacement(const EquationNode& matrix);

  // Whether this layout holds the boxes of the line's current tree, and the line's extent then.
  bool Holds(const EquationLine& line) const;
  void SetHeld(const EquationLine& line, const NodeBox& extent);
  const NodeBox& Extent() const { return extent_; }

 private:
  // The node's box and the box of the row the node begins.
  struct Record {
    int width = 0;
    int height = 0;
    int align = 0;
    int rowWidth = 0;
    int rowHeight = 0;
    int rowAlign = 0;
  };

  Record& RecordFor(std::uint32_t id);
  const Record* Find(std::uint32_t id) const;

  std::vector<Record> records_;
  std::vector<bool> raised_;
  // Only integrals and matrices have these.
  std::unordered_map<std::uint32_t, int> signHeights_;
  std::unordered_map<std::uint32_t, MatrixPlacement> placements_;
  std::uint64_t heldTree_ = 0;
  NodeBox extent_;
};

}  // namespace kv
