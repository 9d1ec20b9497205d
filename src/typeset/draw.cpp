#include "typeset/draw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "base/clamping.h"
#include "reader/equation_line.h"
#include "settings/equation_settings.h"
#include "typeset/matrix_layout.h"
#include "typeset/measure.h"
#include "typeset/node_font.h"
#include "typeset/stretch_glyph.h"
#include "typeset/typeset_constants.h"

namespace kv {
namespace {

// Characters drawn in place of what was typed (Windows-1252 or Symbol codes).
constexpr char kRaisedDot = '\xB7';
constexpr char kLongDashChar = '\x96';

constexpr std::int32_t kNegativeRaisedHyphen = 2;
constexpr std::int32_t kDoubleCapsArrow = 1;
constexpr std::int32_t kDoubleCapsLine = 2;

// An exponent is drawn this share of its measured raise above the base.
constexpr double kPowerDrawnRaise = 0.7;
// An inverse function's "-1" stands this many ascents (times PowerRaise) above the name.
constexpr double kInverseDrawnRaise = 1.1;
// A root's index sits beside this share of the sign's slanted stroke.
constexpr double kRootIndexOverlap = 0.75;
// Brackets stand clear of the pen that outlines them by this many pen widths.
constexpr double kBracketPenClearance = 1.5;
// Upper limits after a bracket stand this share of their height below the bracket's top.
constexpr double kBracketLimitShare = 0.7;
// Limits at the side of an integral: the lower starts at this share of the sign's width, the
// upper at the second.
constexpr double kIntegralLowerLimitShift = 0.7;
constexpr double kIntegralUpperLimitShift = 0.95;
// The "^^" mark drops this many descents below the top of its box.
constexpr double kCircumflexDrop = 2.5;
// Stretched signs: the share of the asked height left once the 5 % overlap is taken off, and the
// reach up to which a sign stays one glyph.
constexpr double kStretchHeightShare = 0.9523809523809523;
constexpr double kStretchSingleReach = 1.3;
// Pixel surfaces: a pen width is scaled by the pixels of 250 units, times this.
constexpr int kPenScaleProbe = 250;
constexpr double kPenScaleFactor = 0.006666666666666667;

// ------------------------------------------------------------------------------------------------
// Pens

bool IsSolidGeometric(std::int32_t style) {
  return style == (kPsGeometric | kPsInsideFrame) || style == (kPsGeometric | kPsSolid);
}

// ------------------------------------------------------------------------------------------------
// Stretched signs

struct StretchPieces {
  unsigned char top;
  unsigned char extension;
  unsigned char middle;  // 0: none
  unsigned char bottom;
};

bool PiecesOf(std::string_view glyph, StretchPieces& pieces) {
  struct Entry {
    std::string_view glyph;
    StretchPieces pieces;
  };
  static constexpr std::array<Entry, 8> kTable{{
      {"(", {0xE6, 0xE7, 0, 0xE8}},
      {"[", {0xE9, 0xEA, 0, 0xEB}},
      {"{", {0xEC, 0xEF, 0xED, 0xEE}},
      {")", {0xF6, 0xF7, 0, 0xF8}},
      {"]", {0xF9, 0xFA, 0, 0xFB}},
      {"}", {0xFC, 0xEF, 0xFD, 0xFE}},
      {"|", {0xEF, 0xEF, 0, 0xEF}},
      {"\xF2", {0xF3, 0xF4, 0, 0xF5}},
  }};
  for (const Entry& entry : kTable) {
    if (entry.glyph == glyph) {
      pieces = entry.pieces;
      return true;
    }
  }
  return false;
}

KVLogFont SymbolFont(int size, ColorRef colour) {
  KVLogFont font;
  font.SetFaceName(kSymbolFace);
  font.size = size;
  font.lfHeight = -size;
  font.colour = colour;
  return font;
}

// One column of pieces, piece 0 at the bottom.
void DrawPieceStack(Surface& surface, int x, int y, const StretchPieces& pieces, std::int64_t k,
                    int step) {
  for (std::int64_t i = 0; i <= k; ++i) {
    unsigned char code = pieces.extension;
    if (i == 0) code = pieces.bottom;
    if (i == k) code = pieces.top;
    if (pieces.middle != 0 && i == k / 2) code = pieces.middle;
    const char text = static_cast<char>(code);
    surface.TextOut(x, ClampLength(std::int64_t{y} + i * std::int64_t{step}),
                    std::string_view(&text, 1));
  }
}

// ------------------------------------------------------------------------------------------------
// The drawing walk

struct PendingRow {
  NodeRow* row;
  int x;
  int y;
};
struct PendingNode {
  EquationNode* node;
  int x;
  int y;
};
using Pending = std::variant<PendingRow, PendingNode>;

class Painter {
 public:
  Painter(Surface& surface, EquationSettings& settings) : surface_(surface), settings_(settings) {}

  void Run(Pending first) {
    pending_.push_back(first);
    while (!pending_.empty()) {
      const Pending next = pending_.back();
      pending_.pop_back();
      if (const auto* row = std::get_if<PendingRow>(&next)) {
        ScheduleRow(*row);
      } else {
        const auto& node = std::get<PendingNode>(next);
        DrawNode(*node.node, node.x, node.y);
      }
    }
  }

 private:
  // The nodes of a row, left to right: pushed in reverse so the first is drawn first.
  void ScheduleRow(const PendingRow& row) {
    std::vector<int> lefts;
    lefts.reserve(static_cast<std::size_t>(row.row->Size()));
    int x = row.x;
    for (int i = 0; i < row.row->Size(); ++i) {
      lefts.push_back(x);
      x = AddLengths(x, row.row->At(i).layout.box.width);
    }
    for (int i = row.row->Size() - 1; i >= 0; --i)
      pending_.push_back(PendingNode{&row.row->At(i), lefts[static_cast<std::size_t>(i)], row.y});
  }

  // Children are drawn after the node's own marks, in the order they are asked for.
  void Later(NodeRow& row, int x, int y) { children_.push_back(PendingRow{&row, x, y}); }
  void Later(EquationNode& node, int x, int y) { children_.push_back(PendingNode{&node, x, y}); }

  void DrawNode(EquationNode& node, int x, int y) {
    children_.clear();
    {
      NodeFont choice = SelectNodeFont(node, settings_);
      choice.pen = PenForSurface(surface_, choice.pen);
      const NodeFontScope font(surface_, choice);
      metrics_ = font.Metrics();
      mainColour_ = choice.brush.colour;
      DrawKind(node, x, AddLengths(y, node.layout.box.adjust));
    }
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
      pending_.push_back(*it);
  }

  void Text(int x, int y, std::string_view text) { surface_.TextOut(x, y, text); }
  void Line(Point from, Point to) {
    surface_.MoveTo(from);
    surface_.LineTo(to);
  }
  int Width(std::string_view text) const { return surface_.GetTextExtent(text).width; }

  void DrawKind(EquationNode& node, int x, int yb);
  void DrawNumber(EquationNode& node, int x, int yb);
  void DrawRoot(EquationNode& node, int x, int yb);
  void DrawStack(EquationNode& node, int x, int yb, bool withBar);
  void DrawBrackets(EquationNode& node, int x, int yb);
  void DrawBracketGlyph(std::string_view glyph, int x, int yb, int height);
  void DrawBigOperator(EquationNode& node, int x, int yb);
  void DrawIntegral(EquationNode& node, int x, int yb);
  void DrawMatrix(EquationNode& node, int x, int yb);

  Surface& surface_;
  EquationSettings& settings_;
  std::vector<Pending> pending_;
  std::vector<Pending> children_;
  TextMetrics metrics_;
  ColorRef mainColour_ = 0;
};

void Painter::DrawNumber(EquationNode& node, int x, int yb) {
  if (settings_.RaiseDecimal.Get()) {
    const std::size_t dot = node.Text().find('.');
    if (dot != std::string::npos) {
      std::string raised = node.Text();
      raised[dot] = kRaisedDot;
      node.SetText(std::move(raised));
      node.needsMeasure = false;  // the width was measured with the point; keep the layout
    }
  }
  const std::string& text = node.Text();
  if (text.empty() || text.front() != '-') {
    Text(x, yb, text);
    return;
  }
  switch (settings_.NegativeNumberStyle.Get()) {
    case kNegativeAsLongDash: {
      std::string dashed = text;
      dashed.front() = kLongDashChar;
      Text(x, yb, dashed);
      break;
    }
    case kNegativeRaisedHyphen:
      Text(x, AddLengths(yb, metrics_.descent), "-");
      Text(AddLengths(x, Width("-")), yb, std::string_view(text).substr(1));
      break;
    default:
      Text(x, yb, text);
      break;
  }
}

void Painter::DrawRoot(EquationNode& node, int x, int yb) {
  const NodeBox& q = node.row1.box;
  const NodeBox& r = node.row2.box;
  Later(node.row2, x, AddLengths(yb, q.height / 3));
  const int l = TruncateLength(r.height * kRootSlope);
  const int u = TruncateLength(r.width - l * kRootIndexOverlap);
  const int s = DrawRootSign(surface_, AddLengths(x, u), yb, q.width, q.height);
  Later(node.row1, ClampLength(std::int64_t{x} + u + s), yb);
}

void Painter::DrawStack(EquationNode& node, int x, int yb, bool withBar) {
  const int width = node.layout.box.width;
  const int barHeight =
      ClampLength(std::int64_t{yb} + settings_.FractionGap.Get() + node.layout.operatorHeight);
  Later(node.row1, AddLengths(x, SubtractLengths(width, node.row1.box.width) / 2), barHeight);
  Later(node.row2, AddLengths(x, SubtractLengths(width, node.row2.box.width) / 2), yb);
  if (withBar) Line({x, barHeight}, {AddLengths(x, width), barHeight});
}

void Painter::DrawBracketGlyph(std::string_view glyph, int x, int yb, int height) {
  std::string shown(glyph);
  const int base = metrics_.height;
  if (!DrawStretchGlyph(surface_, x, SubtractLengths(yb, metrics_.descent / 2), shown, height, base,
                        mainColour_)) {
    Text(x, yb, shown);
  }
}

void Painter::DrawBrackets(EquationNode& node, int x, int yb) {
  const std::string_view all(node.Text());
  const std::size_t comma = all.find(',');
  const std::string_view left = all.substr(0, comma);
  const std::string_view right =
      comma == std::string_view::npos ? std::string_view() : all.substr(comma + 1);
  const int nodeHeight = node.layout.box.height;
  const int pen = TruncateLength(settings_.GeneralPen.Current().width * kBracketPenClearance);
  const int asked = SubtractLengths(nodeHeight, pen);
  const int base = metrics_.height;

  DrawBracketGlyph(left, x, yb, asked);
  const int s = left.empty() ? 0 : MeasureStretchGlyph(surface_, left, nodeHeight, base).width;
  Later(node.row1, AddLengths(x, s), yb);
  const int rightX = ClampLength(std::int64_t{x} + s + node.row1.box.width);
  DrawBracketGlyph(right, rightX, yb, asked);
  if (node.row2.Size() != 2) return;
  const int r = right.empty() ? 0 : MeasureStretchGlyph(surface_, right, nodeHeight, base).width;
  const int limitsX = AddLengths(rightX, r);
  // The limits are kept as (lower, upper): the upper one goes to the top right, the lower one
  // to the bottom right.
  EquationNode& lower = node.row2.At(0);
  EquationNode& upper = node.row2.At(1);
  Later(upper, limitsX,
        TruncateLength(yb + static_cast<double>(nodeHeight) -
                       upper.layout.box.height * kBracketLimitShare));
  Later(lower, limitsX, yb);
}

void Painter::DrawIntegral(EquationNode& node, int x, int yb) {
  const NodeBox& q = node.row1.box;
  const NodeBox& r = node.row2.box;
  const int base = std::max(metrics_.height, 1);
  const int asked = node.layout.operatorHeight;
  const StretchGlyphSize g = MeasureStretchGlyph(surface_, kIntegralSign, asked, base);
  std::string sign(kIntegralSign);
  const int halfDescent = metrics_.descent / 2;
  if (settings_.IntegralStyle.Get() == kIntegralLimitsAboveBelow) {
    const int widest = std::max({g.width, q.width, r.width});
    const auto centred = [&](int width) {
      return AddLengths(x, SubtractLengths(widest, width) / 2);
    };
    const int signY = ClampLength(std::int64_t{yb} + q.height - halfDescent);
    if (!DrawStretchGlyph(surface_, centred(g.width), signY, sign, asked, base, mainColour_)) {
      Text(centred(g.width), signY, sign);
    }
    Later(node.row1, centred(q.width), yb);
    Later(node.row2, centred(r.width), ClampLength(std::int64_t{yb} + q.height + g.height));
    return;
  }
  const int signY = ClampLength(std::int64_t{yb} + q.height / 2 - halfDescent);
  if (!DrawStretchGlyph(surface_, x, signY, sign, asked, base, mainColour_)) Text(x, signY, sign);
  Later(node.row1, AddLengths(x, TruncateLength(g.width * kIntegralLowerLimitShift)), yb);
  Later(node.row2, AddLengths(x, TruncateLength(g.width * kIntegralUpperLimitShift)),
        ClampLength(std::int64_t{yb} + q.height / 2 + g.height - (2 * std::int64_t{r.height}) / 3));
}

void Painter::DrawBigOperator(EquationNode& node, int x, int yb) {
  const BigOperator op = BigOperatorOf(node.Text());
  if (op == BigOperator::kIntegral) {
    DrawIntegral(node, x, yb);
    return;
  }
  if (op == BigOperator::kUnknown) return;
  const int m = node.layout.box.width;
  const NodeBox& q = node.row1.box;
  const auto centred = [&](int width) { return AddLengths(x, SubtractLengths(m, width) / 2); };
  const std::string_view sign =
      op == BigOperator::kLimit ? kLimitWord : (op == BigOperator::kSum ? kSumSign : kProductSign);
  const TextExtent extent = surface_.GetTextExtent(sign);
  Text(centred(extent.width), ClampLength(std::int64_t{yb} + q.height - metrics_.descent), sign);
  Later(node.row1, centred(q.width), yb);
  if (op == BigOperator::kLimit) return;
  Later(node.row2, centred(node.row2.box.width),
        TruncateLength(
            yb + SumUpperLimitBottom(surface_, sign, extent.height, q.height, metrics_.descent)));
}

void Painter::DrawMatrix(EquationNode& node, int x, int yb) {
  static const MatrixPlacement kNotMeasured;
  const MatrixPlacement& placement = node.layout.matrix ? *node.layout.matrix : kNotMeasured;
  const std::int32_t align = settings_.MatrixAlign.Get();
  std::size_t column = 0;
  std::size_t cell = 0;
  bool afterSeparator = false;
  for (int i = 0; i < node.row1.Size(); ++i) {
    EquationNode& each = node.row1.At(i);
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
        MatrixCellOffset(placement.columnWidths[column], each.layout.box.width, align);
    Later(each, ClampLength(std::int64_t{x} + placement.columnOffsets[column] + offset),
          AddLengths(yb, placement.rowOffsets[k]));
  }
}

void Painter::DrawKind(EquationNode& node, int x, int yb) {
  const NodeBox& box = node.layout.box;
  const NodeBox& q = node.row1.box;
  switch (node.Kind()) {
    case TK_NUMBER:
      DrawNumber(node, x, yb);
      break;
    case TK_POWER:
      Later(node.row1, x,
            TruncateLength(settings_.PowerRaise.Get() * metrics_.ascent * kPowerDrawnRaise + yb));
      break;
    case TK_SUBSCRIPT:
      Later(node.row1, x, TruncateLength(yb - settings_.PowerRaise.Get() * metrics_.descent));
      break;
    case TK_ARCSINCOSTAN: {
      const std::string_view name = std::string_view(node.Text()).substr(0, kInverseNameLength);
      Text(x, yb, name);
      Later(node.row1, AddLengths(x, Width(name)),
            TruncateLength(settings_.PowerRaise.Get() * metrics_.ascent * kInverseDrawnRaise + yb));
      break;
    }
    case TK_SQRT: {
      const bool empty = q.width == 0;
      const int s = DrawRootSign(surface_, x, yb, empty ? metrics_.averageWidth : q.width,
                                 empty ? metrics_.height : q.height);
      Later(node.row1, AddLengths(x, s), yb);
      break;
    }
    case TK_ROOT:
      DrawRoot(node, x, yb);
      break;
    case TK_FRACTION:
    case TK_COLUMN:
      DrawStack(node, x, yb, node.Kind() == TK_FRACTION);
      break;
    case TK_BRACKETS:
      DrawBrackets(node, x, yb);
      break;
    case TK_CODEDRAW2:
      DrawBigOperator(node, x, yb);
      break;
    case TK_SPACEDSYMBOL:
    case TK_ADD:
    case TK_MULTIPLY:
    case TK_EQUAL:
    case TK_GREATER:
    case TK_LESS:
      Text(settings_.switches.SpacedOperators ? AddLengths(x, box.width / 4) : x, yb, node.Text());
      break;
    case TK_SUBTRACT:
      Text(AddLengths(x, box.width / 4), yb,
           settings_.ExpandSubtract.Get() ? kLongDash : std::string_view(node.Text()));
      break;
    case TK_QUOTED: {
      std::string text = node.Text();
      std::erase(text, '"');
      Text(x, yb, text);
      break;
    }
    case TK_MODIFIER:
      DrawDecoration(surface_, x, yb, q.width, q.height, node.Text(), settings_);
      Later(node.row1, x, yb);
      break;
    case TK_ABVECTOR:
    case TK_LCVECTOR: {
      TextExtent extent = surface_.GetTextExtent(node.Text());
      if (extent.width == 0) extent = {metrics_.averageWidth, metrics_.height};
      if (node.Kind() == TK_ABVECTOR) {
        DrawDecoration(surface_, x, yb, extent.width, extent.height, "AB", settings_);
        Text(x, yb, node.Text());
      } else {
        const int average = metrics_.averageWidth;
        DrawDecoration(surface_, x, yb, std::max(extent.width, average), extent.height, "LC",
                       settings_);
        Text(AddLengths(x, SubtractLengths(average, extent.width) / 2), yb, node.Text());
      }
      break;
    }
    case TK_IVRIGHT:
    case TK_IVLEFT:
    case TK_IVBOTH: {
      const std::string_view mark = node.Kind() == TK_IVRIGHT  ? "IVRIGHT"
                                    : node.Kind() == TK_IVLEFT ? "IVLEFT"
                                                               : "IVBOTH";
      DrawDecoration(surface_, x, yb, q.width, q.height, mark, settings_);
      Later(node.row1, x, yb);
      break;
    }
    case TK_MATRIX:
      DrawMatrix(node, x, yb);
      break;
    case TK_ROOTBASE:
    case TK_DIVIDE:
    case TK_OPEN:
    case TK_OPENLOGICAL:
    case TK_CLOSELOGICAL:
    case TK_PARAMETER:
    case TK_TAB:
      break;
    default:
      Text(x, yb, node.Text());
      break;
  }
}

// Arrow heads: a filled triangle with its point at `tip`, `length` long towards `direction`
// (+1 right, -1 left), spanning `2 * half` in height.
void DrawArrowHead(Surface& surface, Point tip, int length, int half, int direction) {
  const int backX = ClampLength(std::int64_t{tip.x} - std::int64_t{direction} * length);
  const std::array<Point, 3> head{tip, Point{backX, AddLengths(tip.y, half)},
                                  Point{backX, SubtractLengths(tip.y, half)}};
  surface.Polygon(head);
}

}  // namespace

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

int DrawRootSign(Surface& surface, int x, int y, int w, int h) {
  const auto along = [](int origin, int height, double share) {
    return TruncateLength(origin + height * share);
  };
  const std::array<Point, 5> sign{
      Point{x, along(y, h, 0.25)},
      Point{along(x, h, 0.04166667), along(y, h, 0.29166667)},
      Point{along(x, h, 0.29166667), along(y, h, 0.04166667)},
      Point{along(x, h, 0.304158019), along(y, h, 0.112508647)},
      Point{along(x, h, 0.08333333), along(y, h, 0.33333333)},
  };
  surface.Polygon(sign);
  const int t = along(x, h, kRootSlope);
  const int top = AddLengths(y, h);
  surface.MoveTo(sign[3]);
  surface.LineTo({t, top});
  surface.LineTo({AddLengths(t, w), top});
  return SubtractLengths(t, x);
}

void DrawDecoration(Surface& surface, int x, int y, int w, int h, std::string_view mark,
                    EquationSettings& settings) {
  const TextMetrics m = surface.GetTextMetrics();
  const int arrow = settings.VectorArrowSize.Get();
  const int half = arrow / 2;
  const int top = AddLengths(y, h);
  const int right = AddLengths(x, w);
  const auto line = [&](int fromX, int toX, int atY) {
    surface.MoveTo({fromX, atY});
    surface.LineTo({toX, atY});
  };
  const auto arrowLine = [&](bool rightHead, bool leftHead) {
    const int shaft = AddLengths(top, half);
    line(x, right, shaft);
    if (rightHead) DrawArrowHead(surface, {right, shaft}, arrow, half, 1);
    if (leftHead) DrawArrowHead(surface, {x, shaft}, arrow, half, -1);
  };
  const auto centredText = [&](std::string_view text, int atY) {
    const int width = surface.GetTextExtent(text).width;
    surface.TextOut(SubtractLengths(AddLengths(x, w / 2), width / 2), atY, text);
  };
  if (mark == "_") {
    line(x, right, AddLengths(top, m.descent / 3));
  } else if (mark == "AB") {
    const std::int32_t caps = settings.DoubleCaps.Get();
    if (caps == kDoubleCapsArrow || caps == kDoubleCapsLine)
      arrowLine(caps == kDoubleCapsArrow, false);
  } else if (mark == "IVRIGHT") {
    arrowLine(true, false);
  } else if (mark == "IVLEFT") {
    arrowLine(false, true);
  } else if (mark == "IVBOTH") {
    arrowLine(true, true);
  } else if (mark == ":") {
    centredText(".", SubtractLengths(top, m.descent));
  } else if (mark == "::") {
    const int dot = surface.GetTextExtent(".").width / 2;
    const int middle = AddLengths(x, w / 2);
    const int apart = m.averageWidth / 3;
    const int dotY = SubtractLengths(top, m.descent);
    surface.TextOut(SubtractLengths(SubtractLengths(middle, apart), dot), dotY, ".");
    surface.TextOut(SubtractLengths(AddLengths(middle, apart), dot), dotY, ".");
  } else if (mark == "^^") {
    centredText("^", TruncateLength(top - m.descent * kCircumflexDrop));
  } else if (mark == "LC") {
    switch (settings.DisplayVect.Get()) {
      case kDisplayVectUnderline:
        line(x, AddLengths(x, m.averageWidth), AddLengths(y, 2 * m.descent / 3));
        break;
      case kDisplayVectTilde:
        centredText("~", SubtractLengths(y, m.ascent / 2));
        break;
      case kDisplayVectArrow:
        arrowLine(true, false);
        break;
      default:
        break;
    }
  }
}

bool DrawStretchGlyph(Surface& surface, int x, int y, std::string& glyph, int height, int base,
                      ColorRef colour) {
  base = std::max(base, 1);
  const int shown = TruncateLength(height * kStretchHeightShare);
  const bool doubleBar = glyph == kDoubleBarLeft || glyph == kDoubleBarRight;
  if (shown <= kStretchSingleReach * base && !doubleBar) {
    if (glyph == "]|" || glyph == "|[") glyph.assign(1, '|');
    return false;
  }
  StretchPieces pieces{};
  if (!PiecesOf(doubleBar ? std::string_view("|") : std::string_view(glyph), pieces)) return false;
  const std::int64_t n = std::max<std::int64_t>(shown / base, 2) - 2;
  const std::int64_t k = std::min<std::int64_t>(
      2 * (static_cast<std::int64_t>(std::floor(static_cast<double>(n) * 0.5)) + 1),
      kMaximumStretchPieces);
  const int size = TruncateLength(shown / ((static_cast<double>(k) + 1) * kPieceHeightShare));
  const int step = static_cast<int>((std::int64_t{shown} - size) / k);
  const FontScope font(surface, SymbolFont(size, colour), size);
  DrawPieceStack(surface, x, y, pieces, k, step);
  if (doubleBar) {
    // The second bar stands half an average character to the right, inside the measured width.
    DrawPieceStack(surface, AddLengths(x, font.Metrics().averageWidth / 2), y, pieces, k, step);
  }
  return true;
}

NodeBox Draw(NodeRow& row, Surface& surface, int x, int y, EquationSettings& settings) {
  Painter(surface, settings).Run(PendingRow{&row, x, y});
  return row.box;
}

NodeBox Draw(EquationNode& node, Surface& surface, int x, int y, EquationSettings& settings) {
  Painter(surface, settings).Run(PendingNode{&node, x, y});
  return node.layout.box;
}

void DrawEquation(EquationLine& line, Surface& surface, int x, int y, EquationSettings& settings) {
  const unsigned callerAlign = surface.GetTextAlign();
  GetExtent(line, surface, settings);
  const NodeBox box = line.TopRow().box;
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
  Adjust(line.TopRow());
  Draw(line.TopRow(), surface, AddLengths(x, dx), AddLengths(y, dy), settings);
  surface.SetTextAlign(callerAlign);
}

}  // namespace kv
