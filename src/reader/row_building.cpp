#include "reader/row_building.h"

#include <stdexcept>

namespace kv {

RecycledVector<int> ClosePartners(const NodeRow& row) {
  RecycledVector<int> partners(static_cast<std::size_t>(row.Size()), -1);
  RecycledVector<int> open;
  for (int i = 0; i < row.Size(); ++i) {
    const TokenKind kind = row.KindAt(i);
    if (kind == TK_OPEN) open.push_back(i);
    if (kind == TK_CLOSE && !open.empty()) {
      partners[static_cast<std::size_t>(open.back())] = i;
      open.pop_back();
    }
  }
  return partners;
}

RecycledVector<int> OpenPartners(const NodeRow& row) {
  const RecycledVector<int> closes = ClosePartners(row);
  RecycledVector<int> opens(closes.size(), -1);
  for (std::size_t k = 0; k < closes.size(); ++k) {
    if (closes[k] >= 0) opens[static_cast<std::size_t>(closes[k])] = static_cast<int>(k);
  }
  return opens;
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
  for (int offset = 1; offset < Size(); ++offset) {
    const TokenKind kind = KindAt(offset);
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
  for (int taken = 0; taken < count && !nodes_.empty(); ++taken)
    target.Append(PopFront());
}

NodeRow FoldedRight::TakeRow() {
  NodeRow row;
  while (!nodes_.empty())
    row.Append(PopFront());
  return row;
}

// ---------------------------------------------------------------------------------------------
// GroupedRight

TokenKind GroupedRight::KindAt(int offset) const {
  if (offset < 0 || offset >= Size()) return TK_ERROR;
  return entries_[static_cast<std::size_t>(EntryIndex(offset))].node->Kind();
}

EquationNode& GroupedRight::At(int offset) {
  if (offset < 0 || offset >= Size()) throw std::out_of_range("GroupedRight::At");
  return *entries_[static_cast<std::size_t>(EntryIndex(offset))].node;
}

void GroupedRight::PushFront(EquationNode& node) {
  Entry entry{&node, 0, false, {}};
  if (node.Kind() == TK_OPEN && !unmatched_.empty()) {
    entry.hasPartner = true;
    entry.partner = unmatched_.back();
    unmatched_.pop_back();
  }
  entries_.push_back(entry);
  if (node.Kind() == TK_CLOSE) unmatched_.push_back({Size() - 1, false});
}

bool GroupedRight::FrontHasPartner() const {
  return KindAt(0) == TK_OPEN && entries_.back().hasPartner;
}

void GroupedRight::HideFrontPartner() {
  if (!FrontHasPartner()) return;
  const CloseRef partner = entries_.back().partner;
  if (!partner.counted) entries_[static_cast<std::size_t>(partner.entry)].node->SetText("");
}

void GroupedRight::AddCloseAfterFrontPartner() {
  if (!FrontHasPartner()) return;
  const CloseRef partner = entries_.back().partner;
  if (partner.entry < 0) {
    ++closesAtEnd_;
  } else {
    ++entries_[static_cast<std::size_t>(partner.entry)].closesAfter;
  }
  unmatched_.push_back({partner.entry, true});
}

void GroupedRight::AddClosesAfter(int offset, int count) {
  const int entry = EntryIndex(offset);
  if (entry < 0 || entry >= Size()) throw std::out_of_range("GroupedRight::AddClosesAfter");
  entries_[static_cast<std::size_t>(entry)].closesAfter += count;
  for (int i = 0; i < count; ++i)
    unmatched_.push_back({entry, true});
}

void GroupedRight::AddClosesAtEnd(int count) {
  closesAtEnd_ += count;
  // The row's last closes are the farthest from the front.
  for (int i = 0; i < count; ++i)
    unmatched_.push_front({-1, true});
}

NodeRow GroupedRight::TakeRow() {
  NodeRow row;
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    row.Append(*it->node);
    for (int i = 0; i < it->closesAfter; ++i)
      row.Append(InvisibleBracket(line_, TK_CLOSE));
  }
  for (int i = 0; i < closesAtEnd_; ++i)
    row.Append(InvisibleBracket(line_, TK_CLOSE));
  entries_.clear();
  unmatched_.clear();
  closesAtEnd_ = 0;
  return row;
}

}  // namespace kv
