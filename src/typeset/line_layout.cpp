#include "typeset/line_layout.h"

#include "reader/equation_line.h"

namespace kv {
namespace {

// A layout keeps the storage of a tree this many times larger than the next one before it gives
// it back, so that editing a line does not reallocate, but one huge line does not hold its memory
// for good.
constexpr std::size_t kKeptStorageFactor = 4;
constexpr std::size_t kAlwaysKeptRecords = 1024;

}  // namespace

void LineLayout::Reset(std::size_t nodeCount) {
  const std::size_t kept = std::max(nodeCount * kKeptStorageFactor, kAlwaysKeptRecords);
  if (records_.capacity() > kept) {
    records_ = std::vector<Record>();
    raised_ = std::vector<bool>();
  }
  records_.assign(nodeCount, Record{});
  raised_.assign(nodeCount, false);
  signHeights_.clear();
  placements_.clear();
  heldTree_ = 0;
  extent_ = {};
}

LineLayout::Record& LineLayout::RecordFor(std::uint32_t id) {
  if (id >= records_.size()) {
    records_.resize(std::size_t{id} + 1);
    raised_.resize(std::size_t{id} + 1);
  }
  return records_[id];
}

const LineLayout::Record* LineLayout::Find(std::uint32_t id) const {
  return id < records_.size() ? &records_[id] : nullptr;
}

NodeBox LineLayout::Box(const EquationNode& node) const {
  const Record* record = Find(node.Id());
  if (record == nullptr) return {};
  return {.width = record->width,
          .height = record->height,
          .align = record->align,
          .raised = raised_[node.Id()]};
}

NodeBox LineLayout::Box(const NodeRow& row) const {
  if (row.Empty()) return {};
  const Record* record = Find(row.At(0).Id());
  if (record == nullptr) return {};
  return {.width = record->rowWidth, .height = record->rowHeight, .align = record->rowAlign};
}

void LineLayout::SetBox(const EquationNode& node, const NodeBox& box) {
  Record& record = RecordFor(node.Id());
  record.width = box.width;
  record.height = box.height;
  record.align = box.align;
  raised_[node.Id()] = box.raised;
}

void LineLayout::SetBox(const NodeRow& row, const NodeBox& box) {
  if (row.Empty()) return;
  Record& record = RecordFor(row.At(0).Id());
  record.rowWidth = box.width;
  record.rowHeight = box.height;
  record.rowAlign = box.align;
}

int LineLayout::SignHeight(const EquationNode& integral) const {
  const auto found = signHeights_.find(integral.Id());
  return found == signHeights_.end() ? 0 : found->second;
}

void LineLayout::SetSignHeight(const EquationNode& integral, int height) {
  signHeights_[integral.Id()] = height;
}

const MatrixPlacement& LineLayout::Placement(const EquationNode& matrix) const {
  static const MatrixPlacement kNotMeasured;
  const auto found = placements_.find(matrix.Id());
  return found == placements_.end() ? kNotMeasured : found->second;
}

MatrixPlacement& LineLayout::SetPlacement(const EquationNode& matrix) {
  return placements_[matrix.Id()];
}

bool LineLayout::Holds(const EquationLine& line) const {
  return heldTree_ != 0 && heldTree_ == line.TreeNumber();
}

void LineLayout::SetHeld(const EquationLine& line, const NodeBox& extent) {
  heldTree_ = line.TreeNumber();
  extent_ = extent;
}

}  // namespace kv
