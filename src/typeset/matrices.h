// Matrices: the cells are the nodes of the matrix's row, column after column, with runs of
// TK_SPACE nodes between the columns. Every column and every cell counts, however many there are.
// The cells of a matrix row share a baseline; columns stand MatrixHorizontalSpacing apart (half a
// spacing more for each extra separator), rows MatrixVerticalSpacing; cells are placed in their
// column by MatrixAlign.
#pragma once

#include <vector>

#include "reader/equation_node.h"
#include "typeset/line_layout.h"
#include "typeset/node_box.h"

namespace kv {

struct MatrixColumns {
  std::vector<std::vector<const EquationNode*>> cells;  // per column, top cell first
  // Per column: the separators beyond the first in the run that follows it.
  std::vector<int> extraSeparators;
};

// The columns of a matrix row. A run of TK_SPACE nodes ends a column; a run at the start leaves
// the first column empty.
MatrixColumns SplitMatrixColumns(const NodeRow& row);

struct MatrixSpacing {
  int horizontal = 0;  // MatrixHorizontalSpacing
  int vertical = 0;    // MatrixVerticalSpacing
};

struct MatrixSize {
  int width = 0;
  int height = 0;
};

// Lays out measured cells: fills `placement` with the column widths, column offsets and row
// offsets, raises each cell's align in `layout` so the cells of a matrix row share a baseline,
// and returns the matrix's width and height.
MatrixSize LayOutMatrix(const MatrixColumns& columns, MatrixSpacing spacing,
                        MatrixPlacement& placement, LineLayout& layout);

// How far a cell of `cellWidth` stands from its column's left edge under MatrixAlign
// (0 left, 1 centre, 2 right).
int MatrixCellOffset(int columnWidth, int cellWidth, int matrixAlign);

}  // namespace kv
