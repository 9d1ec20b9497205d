// The layout of a matrix: its cells are the nodes of its row, column after column, with runs of
// TK_SPACE nodes between the columns. Every column and every cell counts, however many there are.
#pragma once

#include <vector>

#include "typeset/node_box.h"

namespace kv {

class EquationNode;
class NodeRow;

struct MatrixColumns {
  std::vector<std::vector<EquationNode*>> cells;  // per column, top cell first
  // Per column: the separators beyond the first in the run that follows it.
  std::vector<int> extraSeparators;
};

// The columns of a matrix row. A run of TK_SPACE nodes ends a column; a run at the start leaves
// the first column empty.
MatrixColumns SplitMatrixColumns(NodeRow& row);

struct MatrixSpacing {
  int horizontal = 0;  // MatrixHorizontalSpacing
  int vertical = 0;    // MatrixVerticalSpacing
};

struct MatrixSize {
  int width = 0;
  int height = 0;
};

// Lays out measured cells: fills `placement` with the column widths, column offsets and row
// offsets, raises each cell's align so the cells of a matrix row share a baseline, and returns
// the matrix's width and height.
MatrixSize LayOutMatrix(const MatrixColumns& columns, MatrixSpacing spacing,
                        MatrixPlacement& placement);

// How far a cell of `cellWidth` stands from its column's left edge under MatrixAlign
// (0 left, 1 centre, 2 right).
int MatrixCellOffset(int columnWidth, int cellWidth, int matrixAlign);

}  // namespace kv
