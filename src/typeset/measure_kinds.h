// The measuring rule of each node kind, used by the measuring driver (measure.cpp).
#pragma once

#include "typeset/measure.h"

namespace kv {

// Which of a node's rows its rule measures. `limitNodes`: the rule measures the two nodes of
// row2 one by one (a bracket's limits) but not row2 as a row.
struct RowsRead {
  bool row1 = false;
  bool row2 = false;
  bool limitNodes = false;
};

RowsRead RowsReadBy(const EquationNode& node);

// A node that the row measure gives the box of the row's tallest integral.
bool IsIntegral(const EquationNode& node);

// The box of the node by its kind's rule, with the node's font selected on the surface and its
// metrics in node.layout. May set node.layout.operatorHeight and node.layout.matrix, and replace
// the text of multiplication and degree signs by the sign drawn.
NodeBox MeasureKind(EquationNode& node, int x, MeasureContext& context);

}  // namespace kv
