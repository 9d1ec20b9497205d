// The expression tree. One record, EquationNode, is both a token and a tree node: the tokenizer
// fills a flat row with nodes, and the building passes fold that row in place into a tree by
// moving nodes into the child rows of other nodes. Rows do not own their nodes; a NodePool does.
//
// A line can be as long as a whole text, and every byte of it may become a few nodes, so a node
// and a row are kept small: a row of at most one node is a single pointer, and the short texts
// of most tokens live inside the node.
#pragma once

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
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
//
// Eight bytes: nothing for an empty row, the node itself for a row of one node (most child rows
// hold one), and otherwise a block with the size, the capacity and the node pointers. Blocks
// grow by a third to a half at a time, and a row that shrinks to one node gives its block back.
class NodeRow {
 public:
  NodeRow() noexcept = default;
  NodeRow(const NodeRow& other);
  NodeRow& operator=(const NodeRow& other);
  NodeRow(NodeRow&& other) noexcept : head_(std::exchange(other.head_, nullptr)) {}
  NodeRow& operator=(NodeRow&& other) noexcept;
  ~NodeRow() { FreeBlock(); }

  int Size() const {
    return IsBlock() ? static_cast<int>(GetBlock()->size) : static_cast<int>(head_ != nullptr);
  }
  bool Empty() const { return head_ == nullptr || (IsBlock() && GetBlock()->size == 0); }
  // The nodes in order, for walks over whole rows; valid until the row next changes.
  std::span<EquationNode* const> Nodes() const {
    return {Data(), static_cast<std::size_t>(Size())};
  }

  EquationNode& At(int index) {
    CheckIndex(index);
    return *Data()[index];
  }
  const EquationNode& At(int index) const {
    CheckIndex(index);
    return *Data()[index];
  }

  // The kind of node `index`, or TK_ERROR (0) when the index lies outside the row.
  inline TokenKind KindAt(int index) const;

  // 0 <= index <= Size(); the node then stands at `index`.
  void InsertAt(int index, EquationNode& node);
  void RemoveAt(int index);
  void ReplaceAt(int index, EquationNode& node) {
    CheckIndex(index);
    Data()[index] = &node;
  }
  void Append(EquationNode& node) {
    if (IsBlock()) {
      Block* block = GetBlock();
      if (block->size < block->capacity) {
        block->Nodes()[block->size++] = &node;
        return;
      }
    } else if (head_ == nullptr) {
      head_ = &node;
      return;
    }
    AppendSlow(node);
  }
  // Frees the row's storage.
  void Clear() noexcept {
    FreeBlock();
    head_ = nullptr;
  }
  // Makes room for `count` nodes in all, so that appending up to them allocates nothing more (a
  // pass that knows the size of the row it builds asks for exactly that).
  void Reserve(int count);

  // Removes nodes first..last (inclusive); an empty range (last == first - 1) removes nothing.
  void RemoveRange(int first, int last);
  // Appends nodes first..last (inclusive) to `target` in order and removes them from this row.
  void MoveRangeTo(int first, int last, NodeRow& target);
  // Removes every node for which `predicate` is true, keeping the order of the others.
  template <typename Predicate>
  void RemoveWhere(Predicate predicate) {
    EquationNode** nodes = Data();
    const int size = Size();
    int kept = 0;
    for (int i = 0; i < size; ++i) {
      if (!predicate(static_cast<const EquationNode&>(*nodes[i]))) nodes[kept++] = nodes[i];
    }
    Truncate(kept);
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
  // Set in head_ when it points at a block; nodes are aligned, so their low bit is free.
  static constexpr std::uintptr_t kBlockTag = 1;

  // The node pointers follow the header.
  struct Block {
    std::uint32_t size;
    std::uint32_t capacity;
    EquationNode** Nodes() { return reinterpret_cast<EquationNode**>(this + 1); }
  };
  static_assert(sizeof(Block) == sizeof(EquationNode*));

  bool IsBlock() const { return (reinterpret_cast<std::uintptr_t>(head_) & kBlockTag) != 0; }
  Block* GetBlock() const {
    return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(head_) & ~kBlockTag);
  }
  // The node pointers, wherever they are.
  EquationNode** Data() { return IsBlock() ? GetBlock()->Nodes() : &head_; }
  EquationNode* const* Data() const {
    return IsBlock() ? GetBlock()->Nodes() : const_cast<EquationNode* const*>(&head_);
  }

  void CheckIndex(int index) const {
    if (index < 0 || index >= Size()) ThrowIndexOutside(index);
  }
  [[noreturn]] void ThrowIndexOutside(int index) const;
  [[noreturn]] static void ThrowTooManyNodes();

  void AppendSlow(EquationNode& node);
  // Moves the nodes into a block of room for at least `count`.
  void Grow(std::size_t count);
  // Keeps the first `size` nodes; at one node or none the block is given back.
  void Truncate(int size) noexcept;
  void FreeBlock() noexcept;

  // Null: empty. A node: the one node. Tagged with kBlockTag: a Block.
  EquationNode* head_ = nullptr;
};

// A row written node by node whose length is not known in advance, as a pass that rebuilds a
// long row writes it: it grows in blocks without copying, and then becomes the row it replaces,
// of exactly its length, giving its blocks back as it goes.
class RowBuilder {
 public:
  int Size() const { return static_cast<int>(nodes_.size()); }
  // The kind of node `index`, or TK_ERROR outside the nodes written.
  inline TokenKind KindAt(int index) const;
  // The node written last; throws std::out_of_range when there is none.
  EquationNode& Back();
  void Append(EquationNode& node) { nodes_.push_back(&node); }
  // Makes `row` the nodes written, freeing what it held first; the builder is left empty.
  void ReplaceRow(NodeRow& row);

 private:
  RecycledDeque<EquationNode*> nodes_;
};

// The text and the source text of a node, in eight bytes. Together up to seven bytes long (a
// letter, an operator, a function name, a Greek letter with its typed name) they are kept in the
// handle itself, after a tag byte with their lengths; longer ones in one block on the heap.
class NodeText {
 public:
  NodeText() noexcept = default;
  NodeText(const NodeText&) = delete;
  NodeText& operator=(const NodeText&) = delete;
  ~NodeText() { FreeBlock(); }

  std::string_view Text() const {
    if (IsInline()) return {InlineBytes(), InlineTextSize()};
    if (word_ == 0) return {};
    const Block* block = GetBlock();
    return {block->Bytes(), block->textSize};
  }
  std::string_view Source() const {
    if (IsInline()) return {InlineBytes() + InlineTextSize(), InlineSourceSize()};
    if (word_ == 0) return {};
    const Block* block = GetBlock();
    return {block->Bytes() + block->textSize, block->sourceSize};
  }
  // Either view may point into this handle's own texts.
  void Set(std::string_view text, std::string_view source);
  void Clear() noexcept {
    FreeBlock();
    word_ = 0;
  }

  static constexpr std::size_t kInlineBytes = 7;

 private:
  static_assert(std::endian::native == std::endian::little, "the tag is the word's first byte");
  static constexpr std::uint64_t kInlineTag = 1;
  static constexpr int kTextSizeShift = 1;
  static constexpr int kSourceSizeShift = 4;
  static constexpr std::uint64_t kSizeMask = 7;

  // The bytes of the text and then of the source text follow the header.
  struct Block {
    std::size_t textSize;
    std::size_t sourceSize;
    char* Bytes() { return reinterpret_cast<char*>(this + 1); }
    const char* Bytes() const { return reinterpret_cast<const char*>(this + 1); }
  };

  bool IsInline() const { return (word_ & kInlineTag) != 0; }
  const char* InlineBytes() const { return reinterpret_cast<const char*>(&word_) + 1; }
  std::size_t InlineTextSize() const { return (word_ >> kTextSizeShift) & kSizeMask; }
  std::size_t InlineSourceSize() const { return (word_ >> kSourceSizeShift) & kSizeMask; }
  const Block* GetBlock() const { return reinterpret_cast<const Block*>(word_); }
  void FreeBlock() noexcept;

  // 0: both empty. Tagged with kInlineTag: inline texts. Otherwise: a Block.
  std::uint64_t word_ = 0;
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

  TokenKind Kind() const { return static_cast<TokenKind>(kind_); }
  // What is typeset for a leaf: the typed characters or their replacement.
  std::string_view Text() const { return text_.Text(); }
  // The typed characters that a recognition entry replaced; empty otherwise.
  std::string_view SourceText() const { return text_.Source(); }

  // Either text may be a view of this node's own texts.
  void SetNode(TokenKind kind, std::string_view text, std::string_view sourceText);
  // Making a bracket invisible is SetText("").
  void SetText(std::string_view text);

  // How many numeric fractions enclose the node.
  std::int32_t FractionLevel() const { return fractionLevel_; }
  // Script depth, used for font sizes: exponents add one step, subscripts one and a half. Kept
  // as a count of half steps, so it is exactly the sum of its steps; SetLevels throws
  // std::invalid_argument for a level that is not a whole number of half steps.
  double ScriptLevel() const { return scriptHalfSteps_ * 0.5; }
  void SetLevels(std::int32_t fractionLevel, double scriptLevel);

  // The node's number in the pool that made it, below the pool's Size(), so that whatever is
  // kept per node (boxes) can be kept in arrays.
  std::uint32_t Id() const { return id_; }

  // A line's passes mark groups with invisible brackets by the thousand; they all point at one
  // shared node of each kind (EquationLine::InvisibleBracket), which costs nothing per bracket.
  // A shared node never changes: making it invisible again, or of its own kind with empty
  // texts, does nothing, and any other change throws std::logic_error. A pass that needs a node
  // of its own in a bracket's place makes one.
  bool IsShared() const { return shared_; }

 private:
  friend class NodePool;

  // As the pool makes a node anew: no rows, no texts, no levels, kind TK_ERROR; the Id stays.
  void Reset() noexcept;
  [[noreturn]] void ThrowSharedChange() const;

  NodeText text_;
  std::uint32_t id_ = 0;
  std::int32_t fractionLevel_ = 0;
  std::int32_t scriptHalfSteps_ = 0;
  std::uint8_t kind_ = TK_ERROR;
  bool shared_ = false;
};

static_assert(sizeof(NodeRow) == 8);
static_assert(sizeof(NodeText) == 8);
static_assert(sizeof(EquationNode) == 40, "a long line makes millions of nodes");
static_assert(kTokenKindCount <= 256, "a kind is kept in one byte");

TokenKind NodeRow::KindAt(int index) const {
  if (index < 0 || index >= Size()) return TK_ERROR;
  return Data()[index]->Kind();
}

TokenKind RowBuilder::KindAt(int index) const {
  if (index < 0 || index >= Size()) return TK_ERROR;
  return nodes_[static_cast<std::size_t>(index)]->Kind();
}

// Owns the nodes of one parse. Nodes never move in memory while the pool lives, so rows can
// point at them; Clear ends them all at once, when nothing points at them any more. A node that
// no row holds any more can be given back (Release): the next CreateNode makes its node in that
// place, so a pass that drops nodes as it makes others does not grow the pool.
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

  NodePool() = default;
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;
  // Nodes stay where they are: rows that point at them now point into the new pool. The pool
  // moved from is left empty, as a new one.
  NodePool(NodePool&& other) noexcept { *this = std::move(other); }
  NodePool& operator=(NodePool&& other) noexcept;

  // A new empty node of this kind, with empty text and source text. Its Id is below Size(): the
  // place of a released node, or else the number of places used before it since the last Clear.
  EquationNode& CreateNode(TokenKind kind);
  // A new node of this kind that never changes (EquationNode::IsShared).
  EquationNode& CreateSharedNode(TokenKind kind);
  // Gives back a node that no row holds any more (its rows and texts are freed at once).
  // Throws std::logic_error for a shared node, which rows may still hold.
  void Release(EquationNode& node);
  void Clear();
  // The places used since the last Clear: every Id is below it.
  std::size_t Size() const { return used_; }

 private:
  // Chunks double from kFirstChunkNodes up to kLargestChunkNodes, so a short line takes little
  // and a long one wastes at most part of one chunk.
  static constexpr std::size_t kFirstChunkNodes = 32;
  static constexpr std::size_t kLargestChunkNodes = 8192;
  static std::size_t ChunkNodes(std::size_t chunk) {
    return std::min(kFirstChunkNodes << std::min<std::size_t>(chunk, 16), kLargestChunkNodes);
  }
  EquationNode& NextPlace();

  std::vector<std::unique_ptr<EquationNode[]>> chunks_;
  std::size_t chunk_ = 0;    // the chunk of the next unused place
  std::size_t inChunk_ = 0;  // its index in that chunk
  std::size_t used_ = 0;
  RecycledVector<EquationNode*> released_;
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
