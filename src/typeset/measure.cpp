#include "typeset/measure.h"

#include <algorithm>
#include <deque>
#include <vector>

#include "base/clamping.h"
#include "reader/equation_line.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

// The non-empty rows that must be measured before `node`: the rows its rule reads and, for a
// bracket whose limits are measured one by one, the rows their rules read.
void RowsBelow(const EquationNode& node, std::vector<const NodeRow*>& rows,
               std::vector<const EquationNode*>& pending) {
  rows.clear();
  pending.assign(1, &node);
  while (!pending.empty()) {
    const EquationNode& each = *pending.back();
    pending.pop_back();
    const RowsRead read = RulesFor(each.Kind()).rowsRead(each);
    if (read.row1 && !each.row1.Empty()) rows.push_back(&each.row1);
    if (read.row2 && !each.row2.Empty()) rows.push_back(&each.row2);
    if (!read.limitNodes) continue;
    for (int i = each.row2.Size() - 1; i >= 0; --i)
      pending.push_back(&each.row2.At(i));
  }
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

// Depth first, each row after the rows below its nodes, keeping only the path from `row` to the
// row being walked: a tree as deep as its text is long holds no list of all its rows.
NodeBox Measure(const NodeRow& row, MeasureContext& context) {
  struct Step {
    const NodeRow* row;
    int node = 0;   // the node whose rows below are being measured
    int below = 0;  // how many of them are done
  };
  std::deque<Step> path{{&row}};
  std::vector<const NodeRow*> below;
  std::vector<const EquationNode*> pending;
  NodeBox box;
  while (!path.empty()) {
    Step& step = path.back();
    if (step.node < step.row->Size()) {
      RowsBelow(step.row->At(step.node), below, pending);
      if (static_cast<std::size_t>(step.below) < below.size()) {
        path.push_back({below[static_cast<std::size_t>(step.below++)]});
      } else {
        ++step.node;
        step.below = 0;
      }
      continue;
    }
    box = MeasureRowNodes(*step.row, context);
    context.layout.SetBox(*step.row, box);
    MatchIntegralsOfRow(*step.row, context.layout);
    path.pop_back();
  }
  // The last row measured is `row` itself.
  return box;
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
