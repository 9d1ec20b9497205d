// Tools shared by the building passes: kind sets, invisible brackets, walks over every row of a
// tree, and two stacks that let a right-to-left pass rebuild a row in one sweep.
//
// Rows can be as long and trees as deep as the text, so nothing here recurses, and a pass never
// inserts into or erases from the middle of a long row: it writes the row anew instead.
#pragma once

#include <deque>
#include <vector>

#include "reader/equation_line.h"
#include "reader/equation_node.h"
#include "reader/token_kind.h"

namespace kv {

// The simple operand kinds: a number, a unit, a Greek letter or a variable.
constexpr bool IsSimpleOperand(TokenKind kind) {
  return kind == TK_NUMBER || kind == TK_UNIT || kind == TK_GREEK || kind == TK_VARIABLE;
}

// A new invisible grouping bracket (TK_OPEN or TK_CLOSE with an empty text).
inline EquationNode& InvisibleBracket(EquationLine& line, TokenKind kind) {
  return line.CreateNode(kind);
}

// For every TK_OPEN of the row, the index of its partner or -1; -1 for every other node. One
// sweep, as MatchingClose would answer for each.
RecycledVector<int> ClosePartners(const NodeRow& row);

// For every TK_CLOSE of the row, the index of its partner (MatchingOpen) or -1; -1 for every
// other node.
RecycledVector<int> OpenPartners(const NodeRow& row);

// Calls `handle` on every row of the tree below `top` and on `top` itself, each row after the
// rows of its nodes. Rows made while the walk runs are not visited.
template <typename Handle>
void ForEachRowChildrenFirst(NodeRow& top, Handle handle) {
  RecycledVector<NodeRow*> order{&top};
  for (std::size_t next = 0; next < order.size(); ++next) {
    NodeRow& row = *order[next];
    for (int i = 0; i < row.Size(); ++i) {
      EquationNode& node = row.At(i);
      if (!node.row1.Empty()) order.push_back(&node.row1);
      if (!node.row2.Empty()) order.push_back(&node.row2);
    }
  }
  // A row's children come after it in `order`, so the reverse visits them first.
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    handle(**it);
}

// Calls `handle` on `top` and then on every row below it, each row before the rows of its nodes
// as they are once `handle` has rebuilt it; rows that `handle` makes are visited too.
template <typename Handle>
void ForEachRowParentFirst(NodeRow& top, Handle handle) {
  RecycledVector<NodeRow*> pending{&top};
  while (!pending.empty()) {
    NodeRow& row = *pending.back();
    pending.pop_back();
    handle(row);
    for (int i = row.Size() - 1; i >= 0; --i) {
      EquationNode& node = row.At(i);
      if (!node.row2.Empty()) pending.push_back(&node.row2);
      if (!node.row1.Empty()) pending.push_back(&node.row1);
    }
  }
}

// The part of a row that a right-to-left folding pass has already passed, kept as a stack whose
// top is the leftmost node (the "front"). Taking the group at the front costs only the size of
// the group, so a pass that folds every construct of a long row stays linear.
class FoldedRight {
 public:
  int Size() const { return static_cast<int>(nodes_.size()); }
  // The kind of the node `offset` places right of the front (0 is the front), or TK_ERROR.
  TokenKind KindAt(int offset) const;
  EquationNode& At(int offset);
  void PushFront(EquationNode& node) { nodes_.push_back(&node); }
  EquationNode& PopFront();
  // The offset of the partner of the TK_OPEN at the front, or -1 when it has none. For any other
  // front node, 0 (a single node is a one-node group).
  int FrontGroupEnd() const;
  // Moves the group at the front (up to its partner, or everything when it has none) to the end
  // of `target`, in row order.
  void TakeFrontGroup(NodeRow& target);
  // Moves the first `count` nodes to the end of `target`, in row order.
  void TakeFront(int count, NodeRow& target);
  // The nodes in row order; the stack is left empty.
  NodeRow TakeRow();

 private:
  RecycledVector<EquationNode*> nodes_;
};

// The part of a row that a right-to-left grouping pass has already passed, as a stack whose top
// is the leftmost node, with the bracket partners known at once. A pass can add invisible
// closing brackets deep in this part (after the front group's partner, after a run, at the
// row's end) without moving anything: each node counts the invisible closes that follow it.
class GroupedRight {
 public:
  explicit GroupedRight(EquationLine& line) : line_(line) {}

  int Size() const { return static_cast<int>(entries_.size()); }
  TokenKind KindAt(int offset) const;
  EquationNode& At(int offset);
  // The node becomes the new front; a TK_OPEN takes the nearest unmatched close as its partner.
  void PushFront(EquationNode& node);
  void PushInvisible(TokenKind kind) { PushFront(InvisibleBracket(line_, kind)); }
  // The node becomes the new front, with `opens` invisible TK_OPEN before it.
  void PushFront(EquationNode& node, int opens) {
    PushFront(node);
    for (int c = 0; c < opens; ++c)
      PushInvisible(TK_OPEN);
  }

  // Whether the TK_OPEN at the front has a partner.
  bool FrontHasPartner() const;
  // Makes the partner of the front TK_OPEN invisible (when it is a node of its own).
  void HideFrontPartner();
  // Adds an invisible close right after the partner of the front TK_OPEN.
  void AddCloseAfterFrontPartner();
  // Adds `count` invisible closes right after the node at `offset`. The nodes from the front to
  // `offset` must hold no brackets, so these closes are the nearest unmatched ones.
  void AddClosesAfter(int offset, int count);
  // Adds `count` invisible closes at the end of the row.
  void AddClosesAtEnd(int count);

  // The nodes in row order, with their closes; the stack is left empty.
  NodeRow TakeRow();

 private:
  // Where an unmatched or matched closing bracket is: a node of its own, or one of the invisible
  // closes counted after an entry (entry -1: at the row's end).
  struct CloseRef {
    int entry = -1;
    bool counted = false;
  };
  struct Entry {
    EquationNode* node = nullptr;
    int closesAfter = 0;
    bool hasPartner = false;
    CloseRef partner;
  };

  int EntryIndex(int offset) const { return Size() - 1 - offset; }

  EquationLine& line_;
  RecycledVector<Entry> entries_;
  // Closes not yet matched, the nearest (leftmost) at the back.
  std::deque<CloseRef, RecyclingAllocator<CloseRef>> unmatched_;
  int closesAtEnd_ = 0;
};

}  // namespace kv
