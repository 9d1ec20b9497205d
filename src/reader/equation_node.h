// The expression tree. One record, EquationNode, is both a token and a tree node: the tokenizer
// fills a flat row with nodes, and the building passes fold that row in place into a tree by
// moving nodes into the child rows of other nodes. Rows do not own their nodes; a NodePool does.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "reader/recycling_allocator.h"
#include "reader/token_kind.h"

namespace kv {

class EquationNode;

// An opening and a closing index in a row; -1 where there is none.
struct BracketPair {
  int open = -1;
  int close = -1;
  bool operator==(const BracketPair&) const = default;
};

// A horizontal sequence of nodes. Indices are 0-based. Every operation that takes an index of an
// existing node, or a position to insert at, throws std::out_of_range when it lies outside the
// row: a pass that asks for one has a fault, and must not read past the row. KindAt is the one
// exception, because passes look at neighbours freely.
class NodeRow {
 public:
  int Size() const { return static_cast<int>(nodes_.size()); }
  bool Empty() const { return nodes_.empty(); }

  EquationNode& At(int index) {
    CheckIndex(index);
    return *nodes_[static_cast<std::size_t>(index)];
  }
  const EquationNode& At(int index) const {
    CheckIndex(index);
    return *nodes_[static_cast<std::size_t>(index)];
  }

  // The kind of node `index`, or TK_ERROR (0) when the index lies outside the row.
  inline TokenKind KindAt(int index) const;

  // 0 <= index <= Size(); the node then stands at `index`.
  void InsertAt(int index, EquationNode& node);
  void RemoveAt(int index);
  void ReplaceAt(int index, EquationNode& node);
  void Append(EquationNode& node) {
    if (nodes_.size() >= kMaxNodes) ThrowTooManyNodes();
    nodes_.push_back(&node);
  }
  void Clear() { nodes_.clear(); }

  // Removes nodes first..last (inclusive); an empty range (last == first - 1) removes nothing.
  void RemoveRange(int first, int last);
  // Appends nodes first..last (inclusive) to `target` in order and removes them from this row.
  void MoveRangeTo(int first, int last, NodeRow& target);
  // Removes every node for which `predicate` is true, keeping the order of the others.
  template <typename Predicate>
  void RemoveWhere(Predicate predicate) {
    std::erase_if(nodes_, [&](const EquationNode* node) { return predicate(*node); });
  }

  // For a TK_OPEN at i: the index of its partner, counting nested pairs, or -1 when the row ends
  // first. For any other node: i itself, so a single node reads as a one-node group.
  int MatchingClose(int i) const;
  // For a TK_CLOSE at i: the index of its partner, or -1. For any other node: -1.
  int MatchingOpen(int i) const;
  // Walking right from `start`: the last TK_OPEN seen and the first TK_CLOSE after it. A TK_CLOSE
  // before any TK_OPEN gives (-1, -1); a row that ends first gives (last open or -1, -1).
  BracketPair InnermostPair(int start) const;

 private:
  // Indices are ints.
  static constexpr std::size_t kMaxNodes = INT_MAX;

  void CheckIndex(int index) const {
    if (index < 0 || index >= Size()) ThrowIndexOutside(index);
  }
  [[noreturn]] void ThrowIndexOutside(int index) const;
  [[noreturn]] static void ThrowTooManyNodes();

  RecycledVector<EquationNode*> nodes_;
};

// One token or tree node. What its two rows hold depends on its kind: the exponent of a power,
// numerator and denominator of a fraction, radicand and index of a root, and so on; for most
// kinds both rows are empty and the node is a leaf.
//
// The tree holds what was read and nothing else: measuring and drawing keep their boxes apart
// (typeset/line_layout.h), keyed by the node's Id, and never change a node.
class EquationNode {
 public:
  EquationNode() = default;
  // Rows point at nodes; a copy would share its children with the original.
  EquationNode(const EquationNode&) = delete;
  EquationNode& operator=(const EquationNode&) = delete;

  NodeRow row1;
  NodeRow row2;

  TokenKind Kind() const { return kind_; }
  // What is typeset for a leaf: the typed characters or their replacement.
  std::string_view Text() const { return text_; }
  // The typed characters that a recognition entry replaced; empty otherwise.
  std::string_view SourceText() const { return sourceText_; }

  void SetNode(TokenKind kind, std::string_view text, std::string_view sourceText);
  // Making a bracket invisible is SetText("").
  void SetText(std::string_view text);

  // How many numeric fractions enclose the node.
  std::int32_t FractionLevel() const { return fractionLevel_; }
  // Script depth, used for font sizes: exponents add one step, subscripts one and a half.
  double ScriptLevel() const { return scriptLevel_; }
  void SetLevels(std::int32_t fractionLevel, double scriptLevel) {
    fractionLevel_ = fractionLevel;
    scriptLevel_ = scriptLevel;
  }

  // The node's number in the pool that made it: 0 for its first node, counting up, so that
  // whatever is kept per node (boxes) can be kept in arrays.
  std::uint32_t Id() const { return id_; }

 private:
  friend class NodePool;

  TokenKind kind_ = TK_ERROR;
  std::uint32_t id_ = 0;
  std::string text_;
  std::string sourceText_;
  std::int32_t fractionLevel_ = 0;
  double scriptLevel_ = 0.0;
};

TokenKind NodeRow::KindAt(int index) const {
  if (index < 0 || index >= Size()) return TK_ERROR;
  return nodes_[static_cast<std::size_t>(index)]->Kind();
}

// Owns the nodes of one parse. Nodes never move in memory while the pool lives, so rows can
// point at them; Clear ends them all at once, when nothing points at them any more.
//
// A line is parsed again on every keystroke, so the pool keeps the storage of up to
// kRetainedNodes nodes across a Clear and makes the next parse's nodes in it: a parse then
// allocates little beyond its rows. Storage beyond that is freed, so one huge parse does not
// hold its memory for the line's life.
class NodePool {
 public:
  static constexpr std::size_t kRetainedNodes = 256;
  // Ids are 32-bit.
  static constexpr std::size_t kMaxNodes = UINT32_MAX;

  // A new empty node of this kind, with empty text and source text; its Id is the number of
  // nodes made before it since the last Clear.
  EquationNode& CreateNode(TokenKind kind);
  void Clear();
  // The nodes made since the last Clear: every Id is below it.
  std::size_t Size() const { return used_; }

 private:
  std::deque<EquationNode> nodes_;
  std::size_t used_ = 0;
};

// 0 for a node that is not a TK_COLUMN; otherwise the number of items of the column chain that
// starts at it (a column of two items is 2).
int ColumnDepth(const EquationNode& node);

// Item k (from 0) of the column chain that starts at `node`: item 0 is the first node of row1;
// for k > 0 the first node of row2 is either the next column of the chain (whose item k - 1 is
// meant) or the chain's last item, which answers every k from there on. Null where the row to
// look in is empty.
const EquationNode* ColumnItem(const EquationNode& node, int k);
EquationNode* ColumnItem(EquationNode& node, int k);

// True when every node of the row, and of the rows below it, is a TK_NUMBER or a TK_BRACKETS; an
// empty row is numeric.
bool IsNumeric(const NodeRow& row);

}  // namespace kv
