#include "typeset/matrices.h"

#include <algorithm>
#include <cstddef>

#include "base/clamping.h"
#include "reader/node_rows.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"

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

RowExtremes MeasureRows(const MatrixColumns& columns, const LineLayout& layout) {
  RowExtremes rows;
  for (const auto& column : columns.cells) {
    if (column.size() > rows.heights.size()) {
      rows.heights.resize(column.size(), 0);
      rows.aligns.resize(column.size(), 0);
    }
    for (std::size_t k = 0; k < column.size(); ++k) {
      const NodeBox box = layout.Box(*column[k]);
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

MatrixColumns SplitMatrixColumns(const NodeRow& row) {
  MatrixColumns columns;
  columns.cells.emplace_back();
  columns.extraSeparators.push_back(0);
  int run = 0;
  for (int i = 0; i < row.Size(); ++i) {
    const EquationNode& node = row.At(i);
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
                        MatrixPlacement& placement, LineLayout& layout) {
  const std::size_t columnCount = columns.cells.size();
  placement.columnWidths.assign(columnCount, 0);
  for (std::size_t i = 0; i < columnCount; ++i) {
    for (const EquationNode* cell : columns.cells[i]) {
      placement.columnWidths[i] = std::max(placement.columnWidths[i], layout.Box(*cell).width);
    }
  }
  placement.columnOffsets.assign(columnCount, 0);
  for (std::size_t i = 1; i < columnCount; ++i) {
    const std::int64_t step =
        std::int64_t{ExtraGap(columns.extraSeparators[i - 1], spacing.horizontal)} +
        placement.columnWidths[i - 1] + spacing.horizontal;
    placement.columnOffsets[i] = ClampLength(placement.columnOffsets[i - 1] + step);
  }

  const RowExtremes rows = MeasureRows(columns, layout);
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
      NodeBox box = layout.Box(*column[k]);
      box.align = AddLengths(box.align, deepestAlign - rows.aligns[k]);
      layout.SetBox(*column[k], box);
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

namespace {

// A matrix's baseline is halfway up.
constexpr double kMatrixBaselineShare = 0.5;

RowsRead Cells(const EquationNode&) {
  return {.row1 = true};
}

NodeBox MatrixBox(const NodeMeasure& measuring) {
  EquationSettings& settings = measuring.Settings();
  const MatrixSpacing spacing{settings.MatrixHorizontalSpacing.Get(),
                              settings.MatrixVerticalSpacing.Get()};
  LineLayout& layout = measuring.context.layout;
  const MatrixSize size = LayOutMatrix(SplitMatrixColumns(MatrixCells(measuring.node)), spacing,
                                       layout.SetPlacement(measuring.node), layout);
  return {.width = size.width,
          .height = size.height,
          .align = TruncateLength(size.height * kMatrixBaselineShare)};
}

// Each cell where the placement puts its column and matrix row; cells the placement has no
// place for (none, when it was measured) are not drawn.
void DrawMatrix(const NodeDrawing& drawing, int x, int yb) {
  const MatrixPlacement& placement = drawing.layout.Placement(drawing.node);
  const NodeRow& cells = MatrixCells(drawing.node);
  const std::int32_t align = drawing.settings.MatrixAlign.Get();
  std::size_t column = 0;
  std::size_t cell = 0;
  bool afterSeparator = false;
  for (int i = 0; i < cells.Size(); ++i) {
    const EquationNode& each = cells.At(i);
    if (each.Kind() == TK_SPACE) {
      if (!afterSeparator) ++column;
      cell = 0;
      afterSeparator = true;
      continue;
    }
    afterSeparator = false;
    const std::size_t k = cell++;
    if (column >= placement.columnOffsets.size() || k >= placement.rowOffsets.size()) continue;
    const int offset =
        MatrixCellOffset(placement.columnWidths[column], drawing.layout.Box(each).width, align);
    drawing.DrawNodeOf(cells, i,
                       ClampLength(std::int64_t{x} + placement.columnOffsets[column] + offset),
                       AddLengths(yb, placement.rowOffsets[k]));
  }
}

}  // namespace

const ConstructRules& MatrixRules() {
  static const ConstructRules rules{Cells, MatrixBox, DrawMatrix, nullptr};
  return rules;
}

}  // namespace kv
