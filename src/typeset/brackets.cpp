// Brackets: the two glyphs around the content, stretched to its height, and limits written
// after a bracket ((a+b)^(n,k): the upper at the top right, the lower at the bottom right).
#include "typeset/brackets.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/clamping.h"
#include "reader/node_rows.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

// Measuring keeps a sign one glyph up to this multiple of the base size; drawing, which asks
// for the height less the pen's clearance and takes off the pieces' 5 % overlap first, up to
// the second. The two differ on purpose: a sign just over the measured reach is measured
// with its pieces' width but may still be drawn as one glyph.
constexpr double kMeasuredSingleReach = 1.5;
constexpr double kDrawnSingleReach = 1.3;
// A piece's font size is the height divided by this share of the piece count.
constexpr double kPieceHeightShare = 0.75;
// Pieces are measured half as wide again as the glyph, and overlap to 105 % of the asked
// height; drawing covers the height less that overlap.
constexpr double kPieceWidthFactor = 1.5;
constexpr double kPieceHeightFactor = 1.05;
constexpr double kDrawnHeightShare = 0.9523809523809523;  // 1 / 1.05
// Brackets stand clear of the pen that outlines them by this many pen widths.
constexpr double kBracketPenClearance = 1.5;
// Limits written after a bracket take this multiple of their width; the upper one stands this
// share of its height below the bracket's top.
constexpr double kBracketLimitWidth = 1.5;
constexpr double kBracketLimitShare = 0.7;

bool IsDoubleBar(std::string_view glyph) {
  return glyph == kDoubleBarLeft || glyph == kDoubleBarRight;
}

// The single bar halves of the two-character bar keys stand as one bar when short.
std::string_view AsSingleGlyph(std::string_view glyph) {
  return glyph == "]|" || glyph == "|[" ? std::string_view("|") : glyph;
}

struct StretchPieces {
  unsigned char top;
  unsigned char extension;
  unsigned char middle;  // 0: none
  unsigned char bottom;
};

std::optional<StretchPieces> PiecesOf(std::string_view glyph) {
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
      {"\xF2", {0xF3, 0xF4, 0, 0xF5}},  // the integral sign
  }};
  for (const Entry& entry : kTable) {
    if (entry.glyph == glyph) return entry.pieces;
  }
  return std::nullopt;
}

// One column of steps + 1 pieces, piece 0 at the bottom, a brace's middle at steps / 2.
void DrawPieceStack(Surface& surface, int x, int y, const StretchPieces& pieces, std::int64_t steps,
                    int step) {
  for (std::int64_t i = 0; i <= steps; ++i) {
    unsigned char code = pieces.extension;
    if (i == 0) code = pieces.bottom;
    if (i == steps) code = pieces.top;
    if (pieces.middle != 0 && i == steps / 2) code = pieces.middle;
    const char text = static_cast<char>(code);
    surface.TextOut(x, ClampLength(std::int64_t{y} + i * std::int64_t{step}),
                    std::string_view(&text, 1));
  }
}

// ------------------------------------------------------------------------------------------------
// The bracket node

RowsRead ContentAndLimits(const EquationNode& brackets) {
  return {.row1 = true, .limitNodes = HasBracketLimits(brackets)};
}

NodeBox BracketsBox(const NodeMeasure& measuring) {
  const EquationNode& brackets = measuring.node;
  const NodeBox content = measuring.RowBox(BracketContent(brackets));
  NodeBox box = content;
  if (!brackets.Text().empty()) {
    const BracketGlyphs glyphs = BracketGlyphsOf(brackets);
    const int base = measuring.metrics.height;
    Surface& surface = measuring.GetSurface();
    const StretchGlyphSize open = MeasureStretchGlyph(surface, glyphs.open, content.height, base);
    const StretchGlyphSize close = MeasureStretchGlyph(surface, glyphs.close, content.height, base);
    box = {.width = ClampLength(std::int64_t{open.width} + content.width + close.width),
           .height = close.height,
           .align = content.align};
  }
  if (HasBracketLimits(brackets)) {
    // Each limit is measured as a node on its own.
    const int lower = Measure(LowerBracketLimit(brackets), 0, measuring.context).width;
    const int upper = Measure(UpperBracketLimit(brackets), 0, measuring.context).width;
    box.width = TruncateLength(std::max(lower, upper) * kBracketLimitWidth + box.width);
  }
  return box;
}

void DrawBracketGlyph(const NodeDrawing& drawing, std::string_view glyph, int x, int yb,
                      int height) {
  const std::optional<std::string_view> asText =
      DrawStretchGlyph(drawing.surface, x, SubtractLengths(yb, drawing.metrics.descent / 2), glyph,
                       height, drawing.metrics.height, drawing.colour);
  if (asText) drawing.Text(x, yb, *asText);
}

// The width a glyph was measured with, which places what follows it.
int MeasuredGlyphWidth(const NodeDrawing& drawing, std::string_view glyph, int height) {
  if (glyph.empty()) return 0;
  return MeasureStretchGlyph(drawing.surface, glyph, height, drawing.metrics.height).width;
}

void DrawBrackets(const NodeDrawing& drawing, int x, int yb) {
  const EquationNode& brackets = drawing.node;
  const BracketGlyphs glyphs = BracketGlyphsOf(brackets);
  const int height = drawing.box.height;
  const int pen =
      TruncateLength(drawing.settings.GeneralPen.Current().width * kBracketPenClearance);
  const int asked = SubtractLengths(height, pen);

  DrawBracketGlyph(drawing, glyphs.open, x, yb, asked);
  const int contentX = AddLengths(x, MeasuredGlyphWidth(drawing, glyphs.open, height));
  drawing.DrawRow(BracketContent(brackets), contentX, yb);
  const int closeX =
      ClampLength(std::int64_t{contentX} + drawing.RowBox(BracketContent(brackets)).width);
  DrawBracketGlyph(drawing, glyphs.close, closeX, yb, asked);
  if (!HasBracketLimits(brackets)) return;
  const int limitsX = AddLengths(closeX, MeasuredGlyphWidth(drawing, glyphs.close, height));
  const int upperHeight = drawing.layout.Box(UpperBracketLimit(brackets)).height;
  drawing.DrawNodeOf(
      BracketLimits(brackets), 1, limitsX,
      TruncateLength(yb + static_cast<double>(height) - upperHeight * kBracketLimitShare));
  drawing.DrawNodeOf(BracketLimits(brackets), 0, limitsX, yb);
}

}  // namespace

BracketGlyphs BracketGlyphsOf(const EquationNode& brackets) {
  const std::string_view text = brackets.Text();
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return {text, {}};
  return {text.substr(0, comma), text.substr(comma + 1)};
}

PiecePlan PlanStretchPieces(int height, int base) {
  base = std::max(base, 1);
  // Two base sizes go to the top and bottom pieces; the extensions come in pairs, so that a
  // brace's middle piece has as many below as above it.
  const std::int64_t extensions = std::max<std::int64_t>(height / base, 2) - 2;
  const std::int64_t steps = std::min<std::int64_t>(
      2 * (static_cast<std::int64_t>(std::floor(static_cast<double>(extensions) * 0.5)) + 1),
      kMaximumStretchPieces);
  const int size = TruncateLength(height / ((static_cast<double>(steps) + 1) * kPieceHeightShare));
  return {steps, size};
}

StretchGlyphSize MeasureStretchGlyph(Surface& surface, std::string_view glyph, int height,
                                     int base) {
  base = std::max(base, 1);
  if (height <= kMeasuredSingleReach * base && !IsDoubleBar(glyph)) {
    const FontScope font(surface, SymbolFont(base, 0), base);
    return {font.Font().ExtentWidth(AsSingleGlyph(glyph)), height};
  }
  const int pieceSize = PlanStretchPieces(height, base).pieceSize;
  const FontScope piece(surface, SymbolFont(pieceSize, 0), pieceSize);
  const int glyphWidth =
      IsDoubleBar(glyph) ? piece.Metrics().averageWidth : piece.Font().ExtentWidth(glyph);
  return {TruncateLength(kPieceWidthFactor * glyphWidth),
          TruncateLength(height * kPieceHeightFactor)};
}

std::optional<std::string_view> DrawStretchGlyph(Surface& surface, int x, int y,
                                                 std::string_view glyph, int height, int base,
                                                 ColorRef colour) {
  base = std::max(base, 1);
  const int shown = TruncateLength(height * kDrawnHeightShare);
  const bool doubleBar = IsDoubleBar(glyph);
  if (shown <= kDrawnSingleReach * base && !doubleBar) return AsSingleGlyph(glyph);
  const std::optional<StretchPieces> pieces = PiecesOf(doubleBar ? "|" : glyph);
  if (!pieces) return glyph;
  const PiecePlan plan = PlanStretchPieces(shown, base);
  const int step = static_cast<int>((std::int64_t{shown} - plan.pieceSize) / plan.steps);
  const FontScope font(surface, SymbolFont(plan.pieceSize, colour), plan.pieceSize);
  DrawPieceStack(surface, x, y, *pieces, plan.steps, step);
  if (doubleBar) {
    // The second bar stands half an average character to the right, inside the measured width.
    DrawPieceStack(surface, AddLengths(x, font.Metrics().averageWidth / 2), y, *pieces, plan.steps,
                   step);
  }
  return std::nullopt;
}

const ConstructRules& BracketRules() {
  static const ConstructRules rules{ContentAndLimits, BracketsBox, DrawBrackets, nullptr};
  return rules;
}

}  // namespace kv
