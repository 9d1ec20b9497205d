#include "typeset/draw.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/clamping.h"
#include "reader/equation_line.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"
#include "typeset/measure.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

// Pixel surfaces: a pen width is scaled by the pixels of 250 units, times this.
constexpr int kPenScaleProbe = 250;
constexpr double kPenScaleFactor = 0.006666666666666667;

bool IsSolidGeometric(std::int32_t style) {
  return style == (kPsGeometric | kPsInsideFrame) || style == (kPsGeometric | kPsSolid);
}

}  // namespace

// The drawing walk: a stack of rows and nodes still to draw. A node draws its own marks at once
// and asks for the rows and nodes below it; those are drawn after it, in the order asked for.
class Painter {
 public:
  Painter(Surface& surface, const LineLayout& layout, EquationSettings& settings)
      : surface_(surface), layout_(layout), settings_(settings) {}

  void Run(const NodeRow& row, int x, int y) {
    pending_.push_back({&row, -1, x, y});
    while (!pending_.empty()) {
      const Pending next = pending_.back();
      pending_.pop_back();
      if (next.index < 0) {
        ScheduleRow(*next.row, next.x, next.y);
      } else {
        DrawNode(*next.row, next.index, next.x, next.y);
      }
    }
  }

  // Called by the constructs' rules while a node is drawn.
  void Later(const NodeRow& row, int x, int y) { children_.push_back({&row, -1, x, y}); }
  void Later(const NodeRow& row, int index, int x, int y) {
    children_.push_back({&row, index, x, y});
  }

 private:
  // A row (index -1) with its bottom-left corner at (x, y), or node `index` of a row whose
  // bottom is at y, at x.
  struct Pending {
    const NodeRow* row;
    int index;
    int x;
    int y;
  };

  // The nodes of a row, left to right: pushed in reverse so the first is drawn first.
  void ScheduleRow(const NodeRow& row, int x, int y) {
    lefts_.clear();
    for (int i = 0; i < row.Size(); ++i) {
      lefts_.push_back(x);
      x = AddLengths(x, layout_.Box(row.At(i)).width);
    }
    for (int i = row.Size() - 1; i >= 0; --i)
      pending_.push_back({&row, i, lefts_[static_cast<std::size_t>(i)], y});
  }

  void DrawNode(const NodeRow& row, int index, int x, int y) {
    const EquationNode& node = row.At(index);
    const NodeBox box = BoxInRow(layout_, row, index);
    children_.clear();
    {
      NodeFont choice = SelectNodeFont(node, settings_);
      choice.pen = PenForSurface(surface_, choice.pen);
      const NodeFontScope font(surface_, choice);
      const NodeDrawing drawing{node,     box,       font.Metrics(), choice.brush.colour,
                                surface_, settings_, layout_,        *this};
      RulesFor(node.Kind()).draw(drawing, x, AddLengths(y, box.adjust));
    }
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
      pending_.push_back(*it);
  }

  Surface& surface_;
  const LineLayout& layout_;
  EquationSettings& settings_;
  std::vector<Pending> pending_;
  std::vector<Pending> children_;
  std::vector<int> lefts_;
};

void NodeDrawing::Line(Point from, Point to) const {
  surface.MoveTo(from);
  surface.LineTo(to);
}

void NodeDrawing::DrawRow(const NodeRow& row, int x, int y) const {
  painter.Later(row, x, y);
}

void NodeDrawing::DrawNodeOf(const NodeRow& row, int index, int x, int y) const {
  painter.Later(row, index, x, y);
}

PenAttributes PenForSurface(const Surface& surface, PenAttributes pen) {
  switch (surface.Mapping()) {
    case SurfaceMapping::kPixel: {
      const int perProbe = surface.HimetricToDevice(kPenScaleProbe);
      pen.width =
          std::max(1, TruncateLength(pen.width * static_cast<double>(perProbe) * kPenScaleFactor));
      break;
    }
    case SurfaceMapping::kMetafile:
      if (!IsSolidGeometric(pen.style)) pen.width = 1;
      pen.style &= ~kPsGeometric;
      break;
    case SurfaceMapping::kTrueSize:
      break;
  }
  return pen;
}

NodeBox Draw(const NodeRow& row, const LineLayout& layout, Surface& surface, int x, int y,
             EquationSettings& settings) {
  Painter(surface, layout, settings).Run(row, x, y);
  return layout.Box(row);
}

void DrawEquation(const EquationLine& line, LineLayout& layout, Surface& surface, int x, int y,
                  EquationSettings& settings) {
  const unsigned callerAlign = surface.GetTextAlign();
  GetExtent(line, layout, surface, settings);
  const NodeBox box = layout.Box(line.TopRow());
  int dy = 0;
  switch (callerAlign & kTaVerticalMask) {
    case kTaBaseline:
      // The baseline lies `align` above the bottom, so the bottom goes that far below y.
      dy = -box.align;
      break;
    case kTaBottom:
      dy = 0;
      break;
    default:
      dy = -box.height;
      break;
  }
  int dx = 0;
  switch (callerAlign & kTaHorizontalMask) {
    case kTaRight:
      dx = -box.width;
      break;
    case kTaCenter:
      dx = TruncateLength(-box.width * 0.5);
      break;
    default:
      break;
  }
  surface.SetTextAlign(kTaLeft | kTaBottom);
  surface.SetBackgroundMode(BackgroundMode::kTransparent);
  Draw(line.TopRow(), layout, surface, AddLengths(x, dx), AddLengths(y, dy), settings);
  surface.SetTextAlign(callerAlign);
}

}  // namespace kv
