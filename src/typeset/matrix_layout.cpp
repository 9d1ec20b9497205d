#include "typeset/matrix_layout.h"

#include <algorithm>
#include <cstddef>

#include "base/clamping.h"
#include "reader/equation_node.h"

namespace kv {
namespace {

constexpr int kAlignCentre = 1;
constexpr int kAlignRight = 2;
// Each separator beyond the first widens the gap after its column by half a spacing.
constexpr double kExtraSeparatorShare = 0.5;

int ExtraGap(int extraSeparators, int horizontal) {
  return TruncateLength(extraSeparators * static_cast<double>(horizontal) * kExtraSeparatorShare);
}

// The greatest height and align of each matrix row (cell index) over all columns.
struct RowExtremes {
  std::vector<int> heights;
  std::vector<int> aligns;
};

RowExtremes MeasureRows(const MatrixColumns& columns) {
  RowExtremes rows;
  for (const auto& column : columns.cells) {
    if (column.size() > rows.heights.size()) {
      rows.heights.resize(column.size(), 0);
      rows.aligns.resize(column.size(), 0);
    }
    for (std::size_t k = 0; k < column.size(); ++k) {
      const NodeBox& box = column[k]->layout.box;
      rows.heights[k] = std::max(rows.heights[k], box.height);
      rows.aligns[k] = std::max(rows.aligns[k], box.align);
    }
  }
  return rows;
}

int MatrixWidth(const MatrixColumns& columns, const std::vector<int>& widths, int horizontal) {
  int width = 0;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const int gap = ExtraGap(columns.extraSeparators[i], horizontal);
    if (i == 0) {
      width = AddLengths(gap, widths[0]);
    } else if (widths[i] > 0) {
      width = AddLengths(width, ClampLength(std::int64_t{gap} + horizontal + widths[i]));
    }
  }
  return width;
}

}  // namespace

MatrixColumns SplitMatrixColumns(NodeRow& row) {
  MatrixColumns columns;
  columns.cells.emplace_back();
  columns.extraSeparators.push_back(0);
  int run = 0;
  for (int i = 0; i < row.Size(); ++i) {
    EquationNode& node = row.At(i);
    if (node.Kind() == TK_SPACE) {
      ++run;
      continue;
    }
    if (run > 0) {
      columns.extraSeparators.back() = run - 1;
      columns.cells.emplace_back();
      columns.extraSeparators.push_back(0);
      run = 0;
    }
    columns.cells.back().push_back(&node);
  }
  if (run > 0) columns.extraSeparators.back() = run - 1;
  return columns;
}

MatrixSize LayOutMatrix(const MatrixColumns& columns, MatrixSpacing spacing,
                        MatrixPlacement& placement) {
  const std::size_t columnCount = columns.cells.size();
  placement.columnWidths.assign(columnCount, 0);
  for (std::size_t i = 0; i < columnCount; ++i) {
    for (const EquationNode* cell : columns.cells[i]) {
      placement.columnWidths[i] = std::max(placement.columnWidths[i], cell->layout.box.width);
    }
  }
  placement.columnOffsets.assign(columnCount, 0);
  for (std::size_t i = 1; i < columnCount; ++i) {
    const std::int64_t step =
        std::int64_t{ExtraGap(columns.extraSeparators[i - 1], spacing.horizontal)} +
        placement.columnWidths[i - 1] + spacing.horizontal;
    placement.columnOffsets[i] = ClampLength(placement.columnOffsets[i - 1] + step);
  }

  const RowExtremes rows = MeasureRows(columns);
  const std::size_t rowCount = rows.heights.size();
  placement.rowOffsets.assign(rowCount, 0);
  for (std::size_t k = rowCount; k-- > 1;) {
    const int below = rows.heights[k];
    const int gap = below != 0 ? spacing.vertical : 0;
    placement.rowOffsets[k - 1] = ClampLength(std::int64_t{placement.rowOffsets[k]} + below + gap);
  }

  // Raising each cell by what its matrix row lacks of the deepest baseline.
  const int deepestAlign =
      rows.aligns.empty() ? 0 : *std::max_element(rows.aligns.begin(), rows.aligns.end());
  for (const auto& column : columns.cells) {
    for (std::size_t k = 0; k < column.size(); ++k) {
      NodeBox& box = column[k]->layout.box;
      box.align = AddLengths(box.align, deepestAlign - rows.aligns[k]);
    }
  }

  MatrixSize size;
  size.width = MatrixWidth(columns, placement.columnWidths, spacing.horizontal);
  if (rowCount > 0) size.height = AddLengths(rows.heights[0], placement.rowOffsets[0]);
  return size;
}

int MatrixCellOffset(int columnWidth, int cellWidth, int matrixAlign) {
  const std::int64_t room = std::int64_t{columnWidth} - cellWidth;
  if (matrixAlign == kAlignCentre) return ClampLength(room / 2);
  if (matrixAlign == kAlignRight) return ClampLength(room);
  return 0;
}

}  // namespace kv
