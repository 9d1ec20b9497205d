// Walks over every row of a tree. Trees nest as deep as the text is long, so the walks keep
// their own stack rather than recursing, and keep it short: a frame is dropped as soon as its
// row has nothing left to do, so the chains that long texts make (a column in the last row of a
// column, a bracket in the only row of a bracket) cost no frame per level.
#pragma once

#include "reader/equation_node.h"
#include "reader/recycling_allocator.h"
#include "reader/token_kind.h"

namespace kv {

namespace row_walk {

// Child row `position` of a row: row1 of node position / 2 when it is even, else its row2.
template <typename Row>
auto* ChildRow(Row& row, int position) {
  auto& node = row.At(position / 2);
  return position % 2 == 0 ? &node.row1 : &node.row2;
}

// The first non-empty child row at `position` or after it, or -1.
template <typename Row>
int NextChildRow(Row& row, int position) {
  const std::span<EquationNode* const> nodes = row.Nodes();
  auto i = static_cast<std::size_t>(position / 2);
  if (position % 2 != 0) {
    if (i < nodes.size() && !nodes[i]->row2.Empty()) return position;
    ++i;
  }
  for (; i < nodes.size(); ++i) {
    if (!nodes[i]->row1.Empty()) return static_cast<int>(2 * i);
    if (!nodes[i]->row2.Empty()) return static_cast<int>(2 * i + 1);
  }
  return -1;
}

// Whether a node of the row has one of `kinds`.
inline bool Holds(const NodeRow& row, TokenKindSet kinds) {
  for (const EquationNode* node : row.Nodes()) {
    if (kinds.Has(node->Kind())) return true;
  }
  return false;
}

template <typename Row>
struct Frame {
  Row* row;
  int next;  // the child row position the walk looks at next
  bool visit;
};

}  // namespace row_walk

// Calls `visit` on `top` and then on every row below it, each row before the rows of its nodes
// as they are once `visit` has rebuilt it (rows that `visit` makes are visited too). Rows come
// in the order of the text: a node's row1 and everything below it before its row2. `visit`
// returns false to end the walk at once; the walk then returns false.
template <typename Row, typename Visit>
bool WalkRowsParentFirst(Row& top, Visit visit) {
  using Frame = row_walk::Frame<Row>;
  if (!visit(top)) return false;
  // Most rows that a pass asks about have no rows below them.
  if (row_walk::NextChildRow(top, 0) < 0) return true;
  RecycledDeque<Frame> frames{{&top, 0, false}};
  while (!frames.empty()) {
    Frame& frame = frames.back();
    const int position = row_walk::NextChildRow(*frame.row, frame.next);
    if (position < 0) {
      frames.pop_back();
      continue;
    }
    Row* child = row_walk::ChildRow(*frame.row, position);
    frame.next = row_walk::NextChildRow(*frame.row, position + 1);
    // Nothing is left to do in a row once its last child row is entered.
    if (frame.next < 0) frames.pop_back();
    if (!visit(*child)) return false;
    frames.push_back({child, 0, false});
  }
  return true;
}

template <typename Visit>
void ForEachRowParentFirst(NodeRow& top, Visit visit) {
  WalkRowsParentFirst(top, [&visit](NodeRow& row) {
    visit(row);
    return true;
  });
}

// Calls `visit` on every row of the tree below `top`, and on `top` itself, for which `wants` is
// true, each row after the rows of its nodes. Rows made while the walk runs are not visited.
// `wants` is asked before the rows below are visited, and must not depend on them: the passes
// that walk this way leave a row that they do not want as it is, so only the rows they act on
// need a frame while the rows below them are walked.
template <typename Wants, typename Visit>
void ForEachRowChildrenFirst(NodeRow& top, Wants wants, Visit visit) {
  using Frame = row_walk::Frame<NodeRow>;
  RecycledDeque<Frame> frames{{&top, row_walk::NextChildRow(top, 0), wants(top)}};
  while (!frames.empty()) {
    Frame& frame = frames.back();
    if (frame.next < 0) {
      NodeRow& row = *frame.row;
      const bool wanted = frame.visit;
      frames.pop_back();
      if (wanted) visit(row);
      continue;
    }
    NodeRow* child = row_walk::ChildRow(*frame.row, frame.next);
    frame.next = row_walk::NextChildRow(*frame.row, frame.next + 1);
    if (frame.next < 0 && !frame.visit) frames.pop_back();
    frames.push_back({child, row_walk::NextChildRow(*child, 0), wants(*child)});
  }
}

// The rows that hold a node of one of `kinds`.
template <typename Visit>
void ForEachRowChildrenFirst(NodeRow& top, TokenKindSet kinds, Visit visit) {
  ForEachRowChildrenFirst(
      top, [kinds](const NodeRow& row) { return row_walk::Holds(row, kinds); }, visit);
}

}  // namespace kv
