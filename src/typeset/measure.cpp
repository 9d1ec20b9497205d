#include "typeset/measure.h"

#include <algorithm>
#include <vector>

#include "base/clamping.h"
#include "reader/equation_line.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

// The non-empty rows below `top` that measuring reads, parents before children, `top` first.
// Measuring them in reverse order measures every row after the rows below it, so that no rule has
// to descend further than one level.
std::vector<const NodeRow*> RowsToMeasure(const NodeRow& top) {
  std::vector<const NodeRow*> order;
  std::vector<const NodeRow*> rows{&top};
  std::vector<const EquationNode*> nodes;
  const auto pushRow = [&rows](const NodeRow& row) {
    if (!row.Empty()) rows.push_back(&row);
  };
  while (!rows.empty() || !nodes.empty()) {
    if (!nodes.empty()) {
      const EquationNode& node = *nodes.back();
      nodes.pop_back();
      const RowsRead read = RulesFor(node.Kind()).rowsRead(node);
      if (read.row1) pushRow(node.row1);
      if (read.row2) pushRow(node.row2);
      // A bracket's limits are measured one by one, not as a row.
      if (read.limitNodes) {
        for (int i = 0; i < node.row2.Size(); ++i)
          nodes.push_back(&node.row2.At(i));
      }
      continue;
    }
    const NodeRow& row = *rows.back();
    rows.pop_back();
    order.push_back(&row);
    for (int i = 0; i < row.Size(); ++i)
      nodes.push_back(&row.At(i));
  }
  return order;
}

// The row measure proper, for a row whose nodes' rows are measured already.
NodeBox MeasureRowNodes(const NodeRow& row, MeasureContext& context) {
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

}  // namespace

NodeBox Measure(const EquationNode& node, int x, MeasureContext& context) {
  const NodeFontScope font(context.surface, SelectNodeFont(node, context.settings));
  const NodeMeasure measuring{node, font.Metrics(), context, x};
  NodeBox box = RulesFor(node.Kind()).measure(measuring);
  context.layout.SetBox(node, box);
  box.trailingGap = font.Metrics().averageWidth / 3;
  return box;
}

NodeBox Measure(const NodeRow& row, MeasureContext& context) {
  const std::vector<const NodeRow*> order = RowsToMeasure(row);
  NodeBox box;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const NodeRow& each = **it;
    box = MeasureRowNodes(each, context);
    context.layout.SetBox(each, box);
    MatchIntegralsOfRow(each, context.layout);
  }
  // The last row measured is `row` itself (an empty row measures as nothing).
  return row.Empty() ? NodeBox{} : box;
}

NodeBox BoxInRow(const LineLayout& layout, const NodeRow& row, int index) {
  NodeBox box = layout.Box(row.At(index));
  box.adjust = ShoulderHeight(row, index, layout).value_or(layout.Box(row).align);
  if (!box.raised) box.adjust = SubtractLengths(box.adjust, box.align);
  return box;
}

NodeBox GetExtent(const EquationLine& line, LineLayout& layout, Surface& surface,
                  EquationSettings& settings) {
  if (!layout.Holds(line)) {
    layout.Reset(line.NodeCount());
    MeasureContext context{surface, settings, layout};
    NodeBox extent = Measure(line.TopRow(), context);
    extent.width = AddLengths(extent.width, extent.trailingGap);
    layout.SetHeld(line, extent);
  }
  return layout.Extent();
}

}  // namespace kv
