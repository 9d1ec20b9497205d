#include "reader/equation_node.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "reader/row_walk.h"

namespace kv {
namespace {

constexpr int kNoIndex = -1;
// A row's first block holds two nodes: a row of one needs none.
constexpr std::size_t kFirstBlockNodes = 2;

[[noreturn]] void ThrowOutOfRow(const char* what, int index, int size) {
  throw std::out_of_range(std::string(what) + ": index " + std::to_string(index) +
                          " outside a row of " + std::to_string(size) + " nodes");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// NodeRow

NodeRow::NodeRow(const NodeRow& other) {
  *this = other;
}

NodeRow& NodeRow::operator=(const NodeRow& other) {
  if (&other == this) return *this;
  Clear();
  if (!other.IsBlock()) {
    head_ = other.head_;
    return *this;
  }
  const int size = other.Size();
  Reserve(size);
  EquationNode* const* nodes = other.Data();
  for (int i = 0; i < size; ++i)
    Append(*nodes[i]);
  return *this;
}

NodeRow& NodeRow::operator=(NodeRow&& other) noexcept {
  if (&other != this) {
    FreeBlock();
    head_ = std::exchange(other.head_, nullptr);
  }
  return *this;
}

void NodeRow::ThrowIndexOutside(int index) const {
  ThrowOutOfRow("NodeRow", index, Size());
}

void NodeRow::ThrowTooManyNodes() {
  throw std::length_error("NodeRow: too many nodes");
}

void NodeRow::Grow(std::size_t count) {
  if (count > kMaxNodes) ThrowTooManyNodes();
  count = std::max(count, kFirstBlockNodes);
  const std::size_t bytes =
      std::min(recycling::ClassBytesFor(sizeof(Block) + count * sizeof(EquationNode*)),
               sizeof(Block) + kMaxNodes * sizeof(EquationNode*));
  auto* block = static_cast<Block*>(recycling::Allocate(bytes));
  const int size = Size();
  block->size = static_cast<std::uint32_t>(size);
  block->capacity = static_cast<std::uint32_t>((bytes - sizeof(Block)) / sizeof(EquationNode*));
  if (size > 0)
    std::memcpy(block->Nodes(), Data(), static_cast<std::size_t>(size) * sizeof(EquationNode*));
  FreeBlock();
  head_ = reinterpret_cast<EquationNode*>(reinterpret_cast<std::uintptr_t>(block) | kBlockTag);
}

void NodeRow::Reserve(int count) {
  if (count <= 1) return;
  if (IsBlock() && GetBlock()->capacity >= static_cast<std::uint32_t>(count)) return;
  Grow(static_cast<std::size_t>(count));
}

void NodeRow::AppendSlow(EquationNode& node) {
  const std::size_t size = static_cast<std::size_t>(Size());
  if (size >= kMaxNodes) ThrowTooManyNodes();
  if (!IsBlock() || GetBlock()->capacity == size) Grow(size + 1);
  Block* block = GetBlock();
  block->Nodes()[size] = &node;
  ++block->size;
}

void NodeRow::Truncate(int size) noexcept {
  if (!IsBlock()) {
    if (size == 0) head_ = nullptr;
    return;
  }
  Block* block = GetBlock();
  if (size > 1) {
    block->size = static_cast<std::uint32_t>(size);
    return;
  }
  EquationNode* first = size == 1 ? block->Nodes()[0] : nullptr;
  FreeBlock();
  head_ = first;
}

void NodeRow::FreeBlock() noexcept {
  if (!IsBlock()) return;
  Block* block = GetBlock();
  recycling::Release(block, sizeof(Block) + block->capacity * sizeof(EquationNode*));
}

void NodeRow::InsertAt(int index, EquationNode& node) {
  const int size = Size();
  if (index < 0 || index > size) ThrowOutOfRow("NodeRow::InsertAt", index, size);
  Append(node);
  EquationNode** nodes = Data();
  std::memmove(nodes + index + 1, nodes + index,
               static_cast<std::size_t>(size - index) * sizeof(EquationNode*));
  nodes[index] = &node;
}

void NodeRow::RemoveAt(int index) {
  RemoveRange(index, index);
}

void NodeRow::RemoveRange(int first, int last) {
  const int size = Size();
  if (last == first - 1 && first >= 0 && first <= size) return;
  CheckIndex(first);
  CheckIndex(last);
  if (last < first) ThrowOutOfRow("NodeRow::RemoveRange", last, size);
  EquationNode** nodes = Data();
  std::memmove(nodes + first, nodes + last + 1,
               static_cast<std::size_t>(size - last - 1) * sizeof(EquationNode*));
  Truncate(size - (last - first + 1));
}

void NodeRow::MoveRangeTo(int first, int last, NodeRow& target) {
  if (&target == this) throw std::invalid_argument("NodeRow::MoveRangeTo: target is the row");
  if (last == first - 1 && first >= 0 && first <= Size()) return;
  CheckIndex(first);
  CheckIndex(last);
  if (last < first) ThrowOutOfRow("NodeRow::MoveRangeTo", last, Size());
  target.Reserve(target.Size() + (last - first + 1));
  for (int k = first; k <= last; ++k)
    target.Append(*Data()[k]);
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
// RowBuilder

EquationNode& RowBuilder::Back() {
  if (nodes_.empty()) throw std::out_of_range("RowBuilder::Back: no node written");
  return *nodes_.back();
}

void RowBuilder::ReplaceRow(NodeRow& row) {
  row.Clear();
  row.Reserve(Size());
  for (; !nodes_.empty(); nodes_.pop_front())
    row.Append(*nodes_.front());
  nodes_ = {};
}

// ---------------------------------------------------------------------------------------------
// NodeText

namespace {

// memcpy of nothing, where an empty view may have no data at all.
void CopyBytes(char* to, std::string_view from) {
  if (!from.empty()) std::memcpy(to, from.data(), from.size());
}

}  // namespace

void NodeText::Set(std::string_view text, std::string_view source) {
  // The new texts are copied out before the old storage goes: either view may point into it.
  std::uint64_t word = 0;
  if (text.size() + source.size() <= kInlineBytes) {
    if (!text.empty() || !source.empty()) {
      char bytes[sizeof word] = {};
      bytes[0] = static_cast<char>(kInlineTag | (text.size() << kTextSizeShift) |
                                   (source.size() << kSourceSizeShift));
      CopyBytes(bytes + 1, text);
      CopyBytes(bytes + 1 + text.size(), source);
      std::memcpy(&word, bytes, sizeof word);
    }
  } else {
    const std::size_t bytes = sizeof(Block) + text.size() + source.size();
    auto* block = static_cast<Block*>(recycling::Allocate(bytes));
    block->textSize = text.size();
    block->sourceSize = source.size();
    CopyBytes(block->Bytes(), text);
    CopyBytes(block->Bytes() + text.size(), source);
    word = reinterpret_cast<std::uint64_t>(block);
  }
  FreeBlock();
  word_ = word;
}

void NodeText::FreeBlock() noexcept {
  if (word_ == 0 || IsInline()) return;
  Block* block = reinterpret_cast<Block*>(word_);
  recycling::Release(block, sizeof(Block) + block->textSize + block->sourceSize);
}

// ---------------------------------------------------------------------------------------------
// EquationNode and NodePool

void EquationNode::SetNode(TokenKind kind, std::string_view text, std::string_view sourceText) {
  if (kind < 0 || kind > UINT8_MAX) throw std::invalid_argument("EquationNode: no such kind");
  if (shared_) {
    if (kind == Kind() && text.empty() && sourceText.empty()) return;
    ThrowSharedChange();
  }
  kind_ = static_cast<std::uint8_t>(kind);
  text_.Set(text, sourceText);
}

void EquationNode::SetText(std::string_view text) {
  if (shared_) {
    if (text.empty()) return;
    ThrowSharedChange();
  }
  text_.Set(text, text_.Source());
}

void EquationNode::SetLevels(std::int32_t fractionLevel, double scriptLevel) {
  if (shared_) ThrowSharedChange();
  const double halfSteps = scriptLevel * 2;
  if (!(std::fabs(halfSteps) <= INT32_MAX) || halfSteps != std::nearbyint(halfSteps)) {
    throw std::invalid_argument("EquationNode: a script level is a whole number of half steps");
  }
  fractionLevel_ = fractionLevel;
  scriptHalfSteps_ = static_cast<std::int32_t>(halfSteps);
}

void EquationNode::Reset() noexcept {
  row1.Clear();
  row2.Clear();
  text_.Clear();
  fractionLevel_ = 0;
  scriptHalfSteps_ = 0;
  kind_ = TK_ERROR;
  shared_ = false;
}

void EquationNode::ThrowSharedChange() const {
  throw std::logic_error("EquationNode: a shared invisible bracket never changes");
}

NodePool& NodePool::operator=(NodePool&& other) noexcept {
  if (&other != this) {
    chunks_ = std::exchange(other.chunks_, {});
    chunk_ = std::exchange(other.chunk_, 0);
    inChunk_ = std::exchange(other.inChunk_, 0);
    used_ = std::exchange(other.used_, 0);
    released_ = std::exchange(other.released_, {});
  }
  return *this;
}

EquationNode& NodePool::NextPlace() {
  if (used_ >= kMaxNodes) throw std::length_error("NodePool: too many nodes");
  if (chunk_ == chunks_.size()) {
    const std::size_t count = ChunkNodes(chunk_);
    auto chunk = std::make_unique<EquationNode[]>(count);
    // Places are numbered in order: this chunk's first is the one after the last chunk's.
    for (std::size_t k = 0; k < count; ++k)
      chunk[k].id_ = static_cast<std::uint32_t>(std::min(used_ + k, kMaxNodes));
    chunks_.push_back(std::move(chunk));
  }
  EquationNode& node = chunks_[chunk_][inChunk_];
  ++used_;
  if (++inChunk_ == ChunkNodes(chunk_)) {
    ++chunk_;
    inChunk_ = 0;
  }
  return node;
}

EquationNode& NodePool::CreateNode(TokenKind kind) {
  if (kind < 0 || kind > UINT8_MAX) throw std::invalid_argument("NodePool: no such kind");
  EquationNode* node = nullptr;
  if (!released_.empty()) {
    node = released_.back();
    released_.pop_back();
  } else {
    // Unused places are always as new (Clear resets the places it keeps).
    node = &NextPlace();
  }
  node->kind_ = static_cast<std::uint8_t>(kind);
  return *node;
}

EquationNode& NodePool::CreateSharedNode(TokenKind kind) {
  EquationNode& node = CreateNode(kind);
  node.shared_ = true;
  return node;
}

void NodePool::Release(EquationNode& node) {
  if (node.shared_) throw std::logic_error("NodePool: a shared node is never given back");
  node.Reset();
  released_.push_back(&node);
}

void NodePool::Clear() {
  std::size_t kept = 0;
  std::size_t keptChunks = 0;
  while (keptChunks < chunks_.size() && kept + ChunkNodes(keptChunks) <= kRetainedNodes)
    kept += ChunkNodes(keptChunks++);
  // The kept places that were used are made as new, so that they free what they held now.
  for (std::size_t c = 0, seen = 0; c < keptChunks && seen < used_; ++c) {
    for (std::size_t k = 0; k < ChunkNodes(c) && seen < used_; ++k, ++seen)
      chunks_[c][k].Reset();
  }
  chunks_.resize(keptChunks);
  chunk_ = 0;
  inChunk_ = 0;
  used_ = 0;
  released_ = {};
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
  return WalkRowsParentFirst(row, [](const NodeRow& current) {
    for (int i = 0; i < current.Size(); ++i) {
      const TokenKind kind = current.KindAt(i);
      if (kind != TK_NUMBER && kind != TK_BRACKETS) return false;
    }
    return true;
  });
}

}  // namespace kv
