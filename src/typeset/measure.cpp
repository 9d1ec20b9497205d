#include "typeset/measure.h"

#include <algorithm>
#include <vector>

#include "base/clamping.h"
#include "reader/equation_line.h"
#include "settings/equation_settings.h"
#include "typeset/measure_kinds.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

// A power after a taller bracket sits with its bottom at the bracket's height less this share of
// its own height.
constexpr double kPowerOverBracketShare = 0.8;

// The rows below `row` that measuring it will measure, parents before children. Measuring them
// in reverse order measures every row after the rows below it, so that no measure has to
// descend further than one level.
std::vector<NodeRow*> RowsToMeasure(NodeRow& top) {
  std::vector<NodeRow*> order;
  std::vector<NodeRow*> rows{&top};
  std::vector<EquationNode*> nodes;
  auto visitNode = [&](EquationNode& node) {
    if (!node.needsMeasure) return;
    nodes.push_back(&node);
  };
  while (!rows.empty() || !nodes.empty()) {
    if (!nodes.empty()) {
      EquationNode& node = *nodes.back();
      nodes.pop_back();
      // An inverse function replaces its row before measuring it.
      if (node.Kind() == TK_ARCSINCOSTAN) continue;
      const RowsRead read = RowsReadBy(node);
      if (read.row1) rows.push_back(&node.row1);
      if (read.row2) rows.push_back(&node.row2);
      if (read.limitNodes) {
        for (int i = 0; i < node.row2.Size(); ++i)
          visitNode(node.row2.At(i));
      }
      continue;
    }
    NodeRow& row = *rows.back();
    rows.pop_back();
    if (!row.needsMeasure) continue;
    order.push_back(&row);
    for (int i = 0; i < row.Size(); ++i)
      visitNode(row.At(i));
  }
  return order;
}

// The row measure proper, for a row whose nodes' rows are measured already (or shallow).
NodeBox MeasureRowNodes(NodeRow& row, MeasureContext& context) {
  NodeBox total;
  for (int i = 0; i < row.Size(); ++i) {
    const NodeBox box = Measure(row.At(i), total.width, context);
    total.width = AddLengths(total.width, box.width);
    const int above = std::max(SubtractLengths(box.height, box.align),
                               SubtractLengths(total.height, total.align));
    const int below = std::max(box.align, total.align);
    total.height = AddLengths(above, below);
    if (!box.raised) total.align = below;
    total.trailingGap = box.trailingGap;
  }
  return total;
}

// Every integral of the row takes the box and sign height of the row's tallest integral (the
// first of equals), so that integrals side by side match.
void UnifyIntegrals(NodeRow& row) {
  const EquationNode* tallest = nullptr;
  for (int i = 0; i < row.Size(); ++i) {
    const EquationNode& node = row.At(i);
    if (IsIntegral(node) &&
        (tallest == nullptr || node.layout.operatorHeight > tallest->layout.operatorHeight)) {
      tallest = &node;
    }
  }
  if (tallest == nullptr) return;
  const NodeBox box = tallest->layout.box;
  const int operatorHeight = tallest->layout.operatorHeight;
  for (int i = 0; i < row.Size(); ++i) {
    EquationNode& node = row.At(i);
    if (!IsIntegral(node)) continue;
    node.layout.box = box;
    node.layout.operatorHeight = operatorHeight;
  }
}

void AdjustNodesOf(NodeRow& row) {
  for (int i = 0; i < row.Size(); ++i) {
    EquationNode& node = row.At(i);
    NodeBox& box = node.layout.box;
    const EquationNode* left = i > 0 ? &row.At(i - 1) : nullptr;
    if (left != nullptr && left->Kind() == TK_BRACKETS && node.Kind() == TK_POWER &&
        box.height < left->layout.box.height) {
      box.adjust = TruncateLength(left->layout.box.height - box.height * kPowerOverBracketShare);
    } else {
      box.adjust = row.box.align;
    }
    if (!box.raised) box.adjust = SubtractLengths(box.adjust, box.align);
  }
}

}  // namespace

NodeBox Measure(EquationNode& node, int x, MeasureContext& context) {
  if (node.needsMeasure) {
    const NodeFontScope font(context.surface, SelectNodeFont(node, context.settings));
    node.layout.metrics = font.Metrics();
    node.layout.operatorHeight = 0;
    NodeBox box = MeasureKind(node, x, context);
    if (RowsReadBy(node).row1) box.adjust = node.row1.box.adjust;
    node.layout.box = box;
    node.needsMeasure = false;
  }
  node.layout.box.trailingGap = node.layout.metrics.averageWidth / 3;
  return node.layout.box;
}

NodeBox Measure(NodeRow& row, MeasureContext& context) {
  if (!row.needsMeasure) return row.box;
  const std::vector<NodeRow*> order = RowsToMeasure(row);
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    NodeRow& each = **it;
    if (!each.needsMeasure) continue;
    each.box = MeasureRowNodes(each, context);
    UnifyIntegrals(each);
    each.needsMeasure = false;
  }
  return row.box;
}

void Adjust(NodeRow& top) {
  std::vector<NodeRow*> rows{&top};
  while (!rows.empty()) {
    NodeRow& row = *rows.back();
    rows.pop_back();
    AdjustNodesOf(row);
    for (int i = 0; i < row.Size(); ++i) {
      rows.push_back(&row.At(i).row1);
      rows.push_back(&row.At(i).row2);
    }
  }
}

NodeBox GetExtent(EquationLine& line, Surface& surface, EquationSettings& settings) {
  if (line.TreeChanged()) {
    // A new tree: its top row is measured whatever its flag says (tokenizing alone leaves it).
    line.TopRow().needsMeasure = true;
    MeasureContext context{surface, settings, [&line](TokenKind kind) -> EquationNode& {
                             return line.CreateNode(kind);
                           }};
    NodeBox extent = Measure(line.TopRow(), context);
    Adjust(line.TopRow());
    extent.width = AddLengths(extent.width, extent.trailingGap);
    line.SetCachedExtent(extent);
    line.ClearTreeChanged();
  }
  return line.CachedExtent();
}

}  // namespace kv
