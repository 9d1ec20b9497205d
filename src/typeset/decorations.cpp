// Decorations: marks over a box — accents over a letter or digit (a bar, one or two dots, a
// circumflex), the arrow or bar over a vector (AB, or a lower-case letter shown as DisplayVect
// asks), and the arrows over an interval. The box leaves room above its content for the mark.
#include <algorithm>
#include <array>
#include <string_view>

#include "base/clamping.h"
#include "reader/node_rows.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"
#include "typeset/node_font.h"

namespace kv {

namespace {

DecorationMark AccentMark(std::string_view accent) {
  if (accent == "_") return DecorationMark::kBar;
  if (accent == ":") return DecorationMark::kDot;
  if (accent == "::") return DecorationMark::kDoubleDot;
  if (accent == "^^") return DecorationMark::kCircumflex;
  return DecorationMark::kNone;
}

}  // namespace

DecorationMark MarkOf(const EquationNode& node) {
  switch (node.Kind()) {
    case TK_MODIFIER:
      return AccentMark(node.Text());
    case TK_ABVECTOR:
      return DecorationMark::kCapitalsArrow;
    case TK_LCVECTOR:
      return DecorationMark::kLetterVector;
    case TK_IVRIGHT:
      return DecorationMark::kArrowRight;
    case TK_IVLEFT:
      return DecorationMark::kArrowLeft;
    default:
      return DecorationMark::kArrowBoth;
  }
}

namespace {

// The "^^" mark drops this many descents below the top of its box.
constexpr double kCircumflexDrop = 2.5;

bool IsArrow(DecorationMark mark, std::int32_t displayVect) {
  switch (mark) {
    case DecorationMark::kCapitalsArrow:
    case DecorationMark::kArrowRight:
    case DecorationMark::kArrowLeft:
    case DecorationMark::kArrowBoth:
      return true;
    case DecorationMark::kLetterVector:
      return displayVect == kDisplayVectArrow;
    default:
      return false;
  }
}

// The room above the content that the mark takes: a descent, half an ascent more for the
// circumflex, at least the arrow's size for arrows, nothing for a bold, underlined or tilde
// vector letter.
int MarkRoom(DecorationMark mark, const TextMetrics& metrics, EquationSettings& settings) {
  int room = metrics.descent;
  if (mark == DecorationMark::kCircumflex) room = AddLengths(room, metrics.ascent / 2);
  const std::int32_t display = settings.DisplayVect.Get();
  if (IsArrow(mark, display)) room = std::max(room, settings.VectorArrowSize.Get());
  if (mark == DecorationMark::kLetterVector && display >= kDisplayVectBold &&
      display <= kDisplayVectTilde) {
    room = 0;
  }
  return room;
}

bool HasOwnText(const EquationNode& node) {
  return node.Kind() == TK_ABVECTOR || node.Kind() == TK_LCVECTOR;
}

RowsRead DecoratedRow(const EquationNode& node) {
  return {.row1 = !HasOwnText(node)};
}

// The content is the node's own text (vectors) or its row; an empty one counts as one average
// character.
NodeBox DecoratedBox(const NodeMeasure& measuring) {
  const EquationNode& node = measuring.node;
  const TextMetrics& metrics = measuring.metrics;
  NodeBox content;
  if (HasOwnText(node)) {
    const TextExtent extent = measuring.GetSurface().GetTextExtent(node.Text());
    content = AtLeastOneCharacter({.width = extent.width, .height = extent.height}, metrics);
    content.align = SubtractLengths(content.height, metrics.ascent);
  } else {
    content = AtLeastOneCharacter(measuring.RowBox(Decorated(node)), metrics);
  }
  const int room = MarkRoom(MarkOf(node), metrics, measuring.Settings());
  return {.width = std::max(metrics.averageWidth, content.width),
          .height = AddLengths(content.height, room),
          .align = content.align};
}

// ------------------------------------------------------------------------------------------------
// Drawing the marks

// A filled triangle with its point at `tip`, `length` long towards `direction` (+1 right, -1
// left), spanning `2 * half` in height.
void DrawArrowHead(Surface& surface, Point tip, int length, int half, int direction) {
  const int backX = ClampLength(std::int64_t{tip.x} - std::int64_t{direction} * length);
  const std::array<Point, 3> head{tip, Point{backX, AddLengths(tip.y, half)},
                                  Point{backX, SubtractLengths(tip.y, half)}};
  surface.Polygon(head);
}

// The mark over or under the box (x, y, w, h), in the node's font and pen.
void DrawMark(Surface& surface, int x, int y, int w, int h, DecorationMark mark,
              EquationSettings& settings) {
  const TextMetrics metrics = surface.GetTextMetrics();
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
  switch (mark) {
    case DecorationMark::kBar:
      line(x, right, AddLengths(top, metrics.descent / 3));
      break;
    case DecorationMark::kCapitalsArrow: {
      const std::int32_t caps = settings.DoubleCaps.Get();
      if (caps == kDoubleCapsArrow || caps == kDoubleCapsLine) {
        arrowLine(caps == kDoubleCapsArrow, false);
      }
      break;
    }
    case DecorationMark::kArrowRight:
      arrowLine(true, false);
      break;
    case DecorationMark::kArrowLeft:
      arrowLine(false, true);
      break;
    case DecorationMark::kArrowBoth:
      arrowLine(true, true);
      break;
    case DecorationMark::kDot:
      centredText(".", SubtractLengths(top, metrics.descent));
      break;
    case DecorationMark::kDoubleDot: {
      const int dot = surface.GetTextExtent(".").width / 2;
      const int middle = AddLengths(x, w / 2);
      const int apart = metrics.averageWidth / 3;
      const int dotY = SubtractLengths(top, metrics.descent);
      surface.TextOut(SubtractLengths(SubtractLengths(middle, apart), dot), dotY, ".");
      surface.TextOut(SubtractLengths(AddLengths(middle, apart), dot), dotY, ".");
      break;
    }
    case DecorationMark::kCircumflex:
      centredText("^", TruncateLength(top - metrics.descent * kCircumflexDrop));
      break;
    case DecorationMark::kLetterVector:
      switch (settings.DisplayVect.Get()) {
        case kDisplayVectUnderline:
          line(x, AddLengths(x, metrics.averageWidth), AddLengths(y, 2 * metrics.descent / 3));
          break;
        case kDisplayVectTilde:
          centredText("~", SubtractLengths(y, metrics.ascent / 2));
          break;
        case kDisplayVectArrow:
          arrowLine(true, false);
          break;
        default:
          break;
      }
      break;
    case DecorationMark::kNone:
      break;
  }
}

// Accents and intervals: the mark over the row, then the row.
void DrawDecoratedRow(const NodeDrawing& drawing, int x, int yb) {
  const NodeRow& content = Decorated(drawing.node);
  const NodeBox box = drawing.RowBox(content);
  DrawMark(drawing.surface, x, yb, box.width, box.height, MarkOf(drawing.node), drawing.settings);
  drawing.DrawRow(content, x, yb);
}

// Vectors: the mark over the letters, then the letters; a lower-case vector's letter is
// centred in an average character's width.
void DrawVector(const NodeDrawing& drawing, int x, int yb) {
  const std::string_view text = drawing.node.Text();
  TextExtent extent = drawing.surface.GetTextExtent(text);
  if (extent.width == 0) extent = {drawing.metrics.averageWidth, drawing.metrics.height};
  const DecorationMark mark = MarkOf(drawing.node);
  if (mark == DecorationMark::kCapitalsArrow) {
    DrawMark(drawing.surface, x, yb, extent.width, extent.height, mark, drawing.settings);
    drawing.Text(x, yb, text);
    return;
  }
  const int average = drawing.metrics.averageWidth;
  DrawMark(drawing.surface, x, yb, std::max(extent.width, average), extent.height, mark,
           drawing.settings);
  drawing.Text(AddLengths(x, SubtractLengths(average, extent.width) / 2), yb, text);
}

void AccentStyle(const EquationNode&, EquationSettings&, KVLogFont& font, std::int64_t&) {
  font.lfWeight = kWeightBold;
}

void VectorStyle(const EquationNode& node, EquationSettings& settings, KVLogFont& font,
                 std::int64_t&) {
  if (node.Kind() == TK_LCVECTOR && settings.DisplayVect.Get() == kDisplayVectBold) {
    font.lfWeight = kWeightHeavy;
  }
}

}  // namespace

const ConstructRules& AccentRules() {
  static const ConstructRules rules{DecoratedRow, DecoratedBox, DrawDecoratedRow, AccentStyle};
  return rules;
}

const ConstructRules& VectorRules() {
  static const ConstructRules rules{DecoratedRow, DecoratedBox, DrawVector, VectorStyle};
  return rules;
}

const ConstructRules& IntervalRules() {
  static const ConstructRules rules{DecoratedRow, DecoratedBox, DrawDecoratedRow, nullptr};
  return rules;
}

}  // namespace kv
