#include "reader/row_building.h"

#include <algorithm>
#include <stdexcept>

namespace kv {

// ---------------------------------------------------------------------------------------------
// BracketPartners

// Pairing each close with the nearest open still unpaired before it is what MatchingOpen and
// MatchingClose count out with their depths. Every open gets its place when the sweep meets it,
// so both tables come out in order.
BracketPartners::BracketPartners(const NodeRow& row) {
  RecycledVector<std::size_t> open;  // places in byOpen_
  const std::span<EquationNode* const> nodes = row.Nodes();
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const TokenKind kind = nodes[i]->Kind();
    if (kind == TK_OPEN) {
      open.push_back(byOpen_.size());
      byOpen_.push_back({static_cast<int>(i), -1});
    } else if (kind == TK_CLOSE && !open.empty()) {
      std::pair<int, int>& pair = byOpen_[open.back()];
      open.pop_back();
      pair.second = static_cast<int>(i);
      byClose_.push_back({pair.second, pair.first});
    }
  }
}

int BracketPartners::Find(const Pairs& pairs, int index) {
  const auto found = std::lower_bound(pairs.begin(), pairs.end(), std::pair<int, int>{index, -1});
  return found != pairs.end() && found->first == index ? found->second : -1;
}

// ---------------------------------------------------------------------------------------------
// FoldedRight

TokenKind FoldedRight::KindAt(int offset) const {
  if (offset < 0 || offset >= Size()) return TK_ERROR;
  return nodes_[static_cast<std::size_t>(Size() - 1 - offset)]->Kind();
}

EquationNode& FoldedRight::At(int offset) {
  if (offset < 0 || offset >= Size()) throw std::out_of_range("FoldedRight::At");
  return *nodes_[static_cast<std::size_t>(Size() - 1 - offset)];
}

EquationNode& FoldedRight::PopFront() {
  if (nodes_.empty()) throw std::out_of_range("FoldedRight::PopFront");
  EquationNode& node = *nodes_.back();
  nodes_.pop_back();
  return node;
}

int FoldedRight::FrontGroupEnd() const {
  if (KindAt(0) != TK_OPEN) return 0;
  int depth = 1;
  int offset = 1;
  for (auto it = nodes_.rbegin() + 1; it != nodes_.rend(); ++it, ++offset) {
    const TokenKind kind = (*it)->Kind();
    if (kind == TK_OPEN) ++depth;
    if (kind == TK_CLOSE && --depth == 0) return offset;
  }
  return -1;
}

void FoldedRight::TakeFrontGroup(NodeRow& target) {
  if (nodes_.empty()) return;
  const int end = FrontGroupEnd();
  TakeFront(end < 0 ? Size() : end + 1, target);
}

void FoldedRight::TakeFront(int count, NodeRow& target) {
  count = std::min(count, Size());
  if (count <= 0) return;
  target.Reserve(target.Size() + count);
  const auto first = nodes_.end() - count;
  for (auto it = nodes_.end(); it != first;)
    target.Append(**--it);
  nodes_.erase(first, nodes_.end());
}

void FoldedRight::ReplaceRow(NodeRow& row) {
  row.Clear();
  TakeFront(Size(), row);
  nodes_ = {};
}

// ---------------------------------------------------------------------------------------------
// GroupedRight

TokenKind GroupedRight::KindAt(int offset) const {
  if (offset < 0 || offset >= Size()) return TK_ERROR;
  return NodeOf(entries_[static_cast<std::size_t>(EntryIndex(offset))]).Kind();
}

EquationNode& GroupedRight::At(int offset) {
  if (offset < 0 || offset >= Size()) throw std::out_of_range("GroupedRight::At");
  return NodeOf(entries_[static_cast<std::size_t>(EntryIndex(offset))]);
}

int GroupedRight::ClosesAfter(int entry) const {
  const Entry bits = entries_[static_cast<std::size_t>(entry)] & kClosesMask;
  if (bits != kManyCloses) return static_cast<int>(bits);
  return manyCloses_.find(entry)->second;
}

void GroupedRight::AddCloses(int entry, int count) {
  countedCloses_ += static_cast<std::size_t>(count);
  Entry& slot = entries_[static_cast<std::size_t>(entry)];
  const int total = ClosesAfter(entry) + count;
  if (total < static_cast<int>(kManyCloses)) {
    slot = (slot & ~kClosesMask) | static_cast<Entry>(total);
    return;
  }
  slot |= kManyCloses;
  manyCloses_[entry] = total;
}

void GroupedRight::PushFront(EquationNode& node) {
  frontHasPartner_ = false;
  if (node.Kind() == TK_OPEN && !unmatched_.empty()) {
    frontHasPartner_ = true;
    frontPartner_ = unmatched_.back();
    unmatched_.pop_back();
  }
  entries_.push_back(reinterpret_cast<Entry>(&node));
  if (node.Kind() == TK_CLOSE) unmatched_.push_back({Size() - 1, false});
}

void GroupedRight::HideFrontPartner() {
  if (!FrontHasPartner()) return;
  if (!frontPartner_.counted) {
    NodeOf(entries_[static_cast<std::size_t>(frontPartner_.entry)]).SetText("");
  }
}

void GroupedRight::AddCloseAfterFrontPartner() {
  if (!FrontHasPartner()) return;
  if (frontPartner_.entry < 0) {
    ++closesAtEnd_;
  } else {
    AddCloses(frontPartner_.entry, 1);
  }
  unmatched_.push_back({frontPartner_.entry, true});
}

void GroupedRight::AddClosesAfter(int offset, int count) {
  const int entry = EntryIndex(offset);
  if (entry < 0 || entry >= Size()) throw std::out_of_range("GroupedRight::AddClosesAfter");
  AddCloses(entry, count);
  for (int i = 0; i < count; ++i)
    unmatched_.push_back({entry, true});
}

void GroupedRight::AddClosesAtEnd(int count) {
  closesAtEnd_ += count;
  // The row's last closes are the farthest from the front.
  for (int i = 0; i < count; ++i)
    unmatched_.push_front({-1, true});
}

void GroupedRight::ReplaceRow(NodeRow& row) {
  row.Clear();
  const std::size_t size =
      entries_.size() + countedCloses_ + static_cast<std::size_t>(closesAtEnd_);
  if (size > static_cast<std::size_t>(INT_MAX))
    throw std::length_error("GroupedRight: too many nodes");
  row.Reserve(static_cast<int>(size));
  EquationNode* close = size > entries_.size() ? &InvisibleBracket(line_, TK_CLOSE) : nullptr;
  // The entries go as they are written, so the stack and the row are not both whole at once.
  for (int entry = Size() - 1; entry >= 0; --entry) {
    row.Append(NodeOf(entries_.back()));
    for (int i = ClosesAfter(entry); i > 0; --i)
      row.Append(*close);
    entries_.pop_back();
  }
  for (int i = 0; i < closesAtEnd_; ++i)
    row.Append(*close);
  entries_ = {};
  unmatched_ = {};
  manyCloses_.clear();
  frontHasPartner_ = false;
  closesAtEnd_ = 0;
  countedCloses_ = 0;
}

}  // namespace kv

namespace kv {

// ---------------------------------------------------------------------------------------------
// OpensBefore

void OpensBefore::Add(int index, int count) {
  if (pending_.empty() || pending_.back().first < index) {
    pending_.push_back({index, count});
    return;
  }
  // Groups nest, so the newest index is nearly always the largest; otherwise it goes in order.
  const auto at = std::lower_bound(pending_.begin(), pending_.end(), std::pair<int, int>{index, 0});
  if (at != pending_.end() && at->first == index) {
    at->second += count;
  } else {
    pending_.insert(at, {index, count});
  }
}

int OpensBefore::Take(int index) {
  // Counts for nodes that the pass passed without asking are never asked for.
  while (!pending_.empty() && pending_.back().first > index)
    pending_.pop_back();
  if (pending_.empty() || pending_.back().first != index) return 0;
  const int count = pending_.back().second;
  pending_.pop_back();
  return count;
}

}  // namespace kv
