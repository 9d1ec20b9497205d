#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/options_pages.h"

namespace kv {
namespace {

using S = EquationSettings;

// A sketch of a matrix between brackets, with the gap between two columns marked a and the gap
// between two rows marked b.
class MatrixSketch final : public QWidget {
 public:
  static constexpr int kRows = 2;
  static constexpr int kColumns = 3;

  explicit MatrixSketch(QWidget* parent) : QWidget(parent) {
    setObjectName("matrixSketch");
    setFixedSize(250, 130);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::WindowText);
    constexpr int kCell = 36, kColumnGap = 26, kRowGap = 22, kLeft = 30, kTop = 22;
    const auto cell = [](int row, int column) {
      return QRect(kLeft + column * (kCell + kColumnGap), kTop + row * (kCell + kRowGap), kCell,
                   kCell);
    };
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(palette().color(QPalette::Base));
    for (int row = 0; row < kRows; ++row)
      for (int column = 0; column < kColumns; ++column)
        painter.drawRect(cell(row, column));

    // The brackets around the cells.
    const QRect first = cell(0, 0), last = cell(kRows - 1, kColumns - 1);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(Qt::NoBrush);
    constexpr int kReach = 6, kBracketGap = 10;
    for (const int side : {-1, 1}) {
      const int x = side < 0 ? first.left() - kBracketGap : last.right() + kBracketGap;
      const QPolygon bracket({QPoint(x - side * kReach, first.top() - 6),
                              QPoint(x, first.top() - 6), QPoint(x, last.bottom() + 6),
                              QPoint(x - side * kReach, last.bottom() + 6)});
      painter.drawPolyline(bracket);
    }

    // The gaps: a between the first two columns, b between the two rows.
    painter.setPen(QPen(ink, 1));
    const int aY = first.top() - 10;
    DrawMeasure(painter, QPoint(first.right() + 1, aY), QPoint(cell(0, 1).left(), aY), "a");
    const int bX = last.right() + 26;
    DrawMeasure(painter, QPoint(bX, cell(0, 2).bottom() + 1), QPoint(bX, cell(1, 2).top()), "b");
  }

 private:
  // A dimension line from `from` to `to` with arrow heads and its letter beside it.
  static void DrawMeasure(QPainter& painter, QPoint from, QPoint to, const QString& letter) {
    painter.drawLine(from, to);
    const bool horizontal = from.y() == to.y();
    constexpr int kHead = 4;
    for (const auto& [tip, direction] : {std::pair{from, 1}, std::pair{to, -1}}) {
      const QPoint along = horizontal ? QPoint(direction * kHead, 0) : QPoint(0, direction * kHead);
      const QPoint across = horizontal ? QPoint(0, kHead) : QPoint(kHead, 0);
      painter.drawLine(tip, tip + along + across);
      painter.drawLine(tip, tip + along - across);
    }
    const QPoint middle = (from + to) / 2;
    const QPoint label = horizontal ? middle + QPoint(-3, -4) : middle + QPoint(6, 4);
    painter.drawText(label, letter);
  }
};

}  // namespace

KLVMatrixPropPage::KLVMatrixPropPage(SheetContext& context, QWidget* parent)
    : KLVPropertyPage(kIndex, tr("Matrix"), context, parent) {
  setObjectName("matrixPage");
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;

  auto* gaps = new QGroupBox(tr("Gaps"), this);
  auto* form = new QFormLayout(gaps);
  for (const auto& [id, label, setting] :
       {std::tuple{1021, "Column Gap (a)", &S::MatrixHorizontalSpacing},
        std::tuple{1022, "Row Gap (b)", &S::MatrixVerticalSpacing}}) {
    auto* row = new QHBoxLayout;
    row->addWidget(AddMillimetres(id, setting));
    row->addWidget(new QLabel(tr("mm"), gaps));
    form->addRow(tr(label), row);
  }
  auto* left = new QVBoxLayout;
  left->addWidget(gaps);
  left->addWidget(RadioGroupBox(
      tr("Cell Alignment"),
      AddRadios({{1023, tr("Left")}, {1024, tr("Center")}, {1025, tr("Right")}}, &S::MatrixAlign),
      this));
  top->addLayout(left);
  top->addWidget(new MatrixSketch(this), 0, Qt::AlignTop);
  layout->addLayout(top);

  auto* note = new QLabel(tr("Kalvane must be set to Detect Column Vectors (see Vectors page) to "
                             "detect matrices."),
                          this);
  note->setWordWrap(true);
  layout->addWidget(note);
  layout->addLayout(AddSetAsDefault(1039));
  layout->addStretch();
}

}  // namespace kv
