#include "reader/equation_node.h"

#include <climits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

namespace kv {
namespace {

constexpr int kNoIndex = -1;

[[noreturn]] void ThrowOutOfRow(const char* what, int index, int size) {
  throw std::out_of_range(std::string(what) + ": index " + std::to_string(index) +
                          " outside a row of " + std::to_string(size) + " nodes");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// NodeRow

void NodeRow::ThrowIndexOutside(int index) const {
  ThrowOutOfRow("NodeRow", index, Size());
}

void NodeRow::ThrowTooManyNodes() {
  throw std::length_error("NodeRow: too many nodes");
}

void NodeRow::InsertAt(int index, EquationNode& node) {
  if (index < 0 || index > Size()) ThrowOutOfRow("NodeRow::InsertAt", index, Size());
  if (nodes_.size() >= kMaxNodes) ThrowTooManyNodes();
  nodes_.insert(nodes_.begin() + index, &node);
}

void NodeRow::RemoveAt(int index) {
  CheckIndex(index);
  nodes_.erase(nodes_.begin() + index);
}

void NodeRow::ReplaceAt(int index, EquationNode& node) {
  CheckIndex(index);
  nodes_[static_cast<std::size_t>(index)] = &node;
}

void NodeRow::RemoveRange(int first, int last) {
  if (last == first - 1 && first >= 0 && first <= Size()) return;
  CheckIndex(first);
  CheckIndex(last);
  if (last < first) ThrowOutOfRow("NodeRow::RemoveRange", last, Size());
  nodes_.erase(nodes_.begin() + first, nodes_.begin() + last + 1);
}

void NodeRow::MoveRangeTo(int first, int last, NodeRow& target) {
  if (&target == this) throw std::invalid_argument("NodeRow::MoveRangeTo: target is the row");
  if (last == first - 1 && first >= 0 && first <= Size()) return;
  CheckIndex(first);
  CheckIndex(last);
  if (last < first) ThrowOutOfRow("NodeRow::MoveRangeTo", last, Size());
  target.nodes_.insert(target.nodes_.end(), nodes_.begin() + first, nodes_.begin() + last + 1);
  RemoveRange(first, last);
}

int NodeRow::MatchingClose(int i) const {
  if (KindAt(i) != TK_OPEN) return i;
  int depth = 1;
  for (int j = i + 1; j < Size(); ++j) {
    const TokenKind kind = KindAt(j);
    if (kind == TK_OPEN) ++depth;
    if (kind == TK_CLOSE && --depth == 0) return j;
  }
  return kNoIndex;
}

int NodeRow::MatchingOpen(int i) const {
  if (KindAt(i) != TK_CLOSE) return kNoIndex;
  int depth = 1;
  for (int j = i - 1; j >= 0; --j) {
    const TokenKind kind = KindAt(j);
    if (kind == TK_CLOSE) ++depth;
    if (kind == TK_OPEN && --depth == 0) return j;
  }
  return kNoIndex;
}

BracketPair NodeRow::InnermostPair(int start) const {
  int lastOpen = kNoIndex;
  for (int j = std::max(start, 0); j < Size(); ++j) {
    const TokenKind kind = KindAt(j);
    if (kind == TK_OPEN) lastOpen = j;
    if (kind == TK_CLOSE) {
      if (lastOpen == kNoIndex) return {};
      return {lastOpen, j};
    }
  }
  return {lastOpen, kNoIndex};
}

// ---------------------------------------------------------------------------------------------
// EquationNode and NodePool

void EquationNode::SetNode(TokenKind kind, std::string_view text, std::string_view sourceText) {
  kind_ = kind;
  text_ = text;
  sourceText_ = sourceText;
}

void EquationNode::SetText(std::string_view text) {
  text_ = text;
}

EquationNode& NodePool::CreateNode(TokenKind kind) {
  EquationNode* node = nullptr;
  if (used_ < nodes_.size()) {
    // A node of an earlier parse: ended and made anew in its place, so it starts exactly as a
    // new node does, whatever fields it had.
    node = &nodes_[used_];
    std::destroy_at(node);
    std::construct_at(node);
  } else {
    if (used_ >= kMaxNodes) throw std::length_error("NodePool: too many nodes");
    node = &nodes_.emplace_back();
  }
  node->id_ = static_cast<std::uint32_t>(used_);
  ++used_;
  node->SetNode(kind, {}, {});
  return *node;
}

void NodePool::Clear() {
  if (nodes_.size() > kRetainedNodes) nodes_.resize(kRetainedNodes);
  used_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Questions about subtrees. Column chains and nested rows can be as deep as the text is long, so
// these walk with loops and explicit stacks rather than recursion.

int ColumnDepth(const EquationNode& node) {
  if (node.Kind() != TK_COLUMN) return 0;
  int depth = 2;
  const EquationNode* column = &node;
  while (column->row2.KindAt(0) == TK_COLUMN) {
    column = &column->row2.At(0);
    ++depth;
  }
  return depth;
}

const EquationNode* ColumnItem(const EquationNode& node, int k) {
  const EquationNode* column = &node;
  for (; k > 0; --k) {
    if (column->row2.Empty()) return nullptr;
    const EquationNode& next = column->row2.At(0);
    if (next.Kind() != TK_COLUMN) return &next;
    column = &next;
  }
  return column->row1.Empty() ? nullptr : &column->row1.At(0);
}

EquationNode* ColumnItem(EquationNode& node, int k) {
  return const_cast<EquationNode*>(ColumnItem(std::as_const(node), k));
}

bool IsNumeric(const NodeRow& row) {
  std::vector<const NodeRow*> pending = {&row};
  while (!pending.empty()) {
    const NodeRow& current = *pending.back();
    pending.pop_back();
    for (int i = 0; i < current.Size(); ++i) {
      const EquationNode& node = current.At(i);
      if (node.Kind() != TK_NUMBER && node.Kind() != TK_BRACKETS) return false;
      pending.push_back(&node.row1);
      pending.push_back(&node.row2);
    }
  }
  return true;
}

}  // namespace kv
