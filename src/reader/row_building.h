// Tools shared by the building passes: invisible brackets, bracket partners, and two stacks that
// let a right-to-left pass rebuild a row in one sweep.
//
// Rows can be as long and trees as deep as the text, so nothing here recurses, and a pass never
// inserts into or erases from the middle of a long row: it writes the row anew instead. What a
// pass keeps while it works costs about as much per node as the row it rebuilds: the stacks grow
// in blocks rather than by copying, and facts about a few nodes (partners, counts) are kept for
// those nodes only.
#pragma once

#include <deque>
#include <map>
#include <utility>

#include "reader/equation_line.h"
#include "reader/equation_node.h"
#include "reader/row_walk.h"
#include "reader/token_kind.h"

namespace kv {

// The simple operand kinds: a number, a unit, a Greek letter or a variable.
constexpr bool IsSimpleOperand(TokenKind kind) {
  return kind == TK_NUMBER || kind == TK_UNIT || kind == TK_GREEK || kind == TK_VARIABLE;
}

// An invisible grouping bracket (TK_OPEN or TK_CLOSE with an empty text): the line's shared one,
// which costs no node.
inline EquationNode& InvisibleBracket(EquationLine& line, TokenKind kind) {
  return line.InvisibleBracket(kind);
}

// The partners of a row's brackets as NodeRow::MatchingClose and MatchingOpen answer them, found
// in one sweep and kept only for the brackets that have one.
class BracketPartners {
 public:
  explicit BracketPartners(const NodeRow& row);
  // The partner of the TK_OPEN at `open`, or -1 (also for any other node).
  int CloseOf(int open) const { return Find(byOpen_, open); }
  // The partner of the TK_CLOSE at `close`, or -1 (also for any other node).
  int OpenOf(int close) const { return Find(byClose_, close); }

 private:
  using Pairs = RecycledVector<std::pair<int, int>>;
  static int Find(const Pairs& pairs, int index);
  // (bracket, partner), sorted by bracket; an open without a partner has -1.
  Pairs byOpen_;
  Pairs byClose_;
};

// Invisible opens that a right-to-left pass decides to put before nodes it has not passed yet,
// kept for those nodes only.
class OpensBefore {
 public:
  void Add(int index, int count);
  // The opens counted before node `index`, which the walk passes now (every index it has not
  // passed yet is below it).
  int Take(int index);

 private:
  // (index, opens), sorted by index: the next node to pass is at the back.
  RecycledVector<std::pair<int, int>> pending_;
};

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
  // Makes `row` the nodes in row order, freeing what it held first; the stack is left empty.
  void ReplaceRow(NodeRow& row);

 private:
  RecycledDeque<EquationNode*> nodes_;
};

// The part of a row that a right-to-left grouping pass has already passed, as a stack whose top
// is the leftmost node, with the partner of the front bracket known at once. A pass can add
// invisible closing brackets deep in this part (after the front group's partner, after a run, at
// the row's end) without moving anything: each node counts the invisible closes that follow it.
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
  bool FrontHasPartner() const { return KindAt(0) == TK_OPEN && frontHasPartner_; }
  // Makes the partner of the front TK_OPEN invisible (when it is a node of its own).
  void HideFrontPartner();
  // Adds an invisible close right after the partner of the front TK_OPEN.
  void AddCloseAfterFrontPartner();
  // Adds `count` invisible closes right after the node at `offset`. The nodes from the front to
  // `offset` must hold no brackets, so these closes are the nearest unmatched ones.
  void AddClosesAfter(int offset, int count);
  // Adds `count` invisible closes at the end of the row.
  void AddClosesAtEnd(int count);

  // Makes `row` the nodes in row order with their closes, freeing what it held first; the stack
  // is left empty.
  void ReplaceRow(NodeRow& row);

 private:
  // Where a closing bracket is: a node of its own, or one of the invisible closes counted after
  // an entry (entry -1: at the row's end).
  struct CloseRef {
    int entry = -1;
    bool counted = false;
  };
  // An entry is a node's address with the number of invisible closes after it in its low bits
  // (nodes are aligned); kManyCloses there means the count is kept in manyCloses_.
  using Entry = std::uintptr_t;
  static constexpr Entry kClosesMask = alignof(EquationNode) - 1;
  static constexpr Entry kManyCloses = kClosesMask;
  static_assert(kClosesMask >= 3, "two closes after a node are common");

  static EquationNode& NodeOf(Entry entry) {
    return *reinterpret_cast<EquationNode*>(entry & ~kClosesMask);
  }
  int EntryIndex(int offset) const { return Size() - 1 - offset; }
  int ClosesAfter(int entry) const;
  void AddCloses(int entry, int count);

  EquationLine& line_;
  RecycledDeque<Entry> entries_;
  std::map<int, int, std::less<>, RecyclingAllocator<std::pair<const int, int>>> manyCloses_;
  // Closes not yet matched, the nearest (leftmost) at the back.
  RecycledDeque<CloseRef> unmatched_;
  bool frontHasPartner_ = false;
  CloseRef frontPartner_;
  int closesAtEnd_ = 0;
  std::size_t countedCloses_ = 0;
};

}  // namespace kv
