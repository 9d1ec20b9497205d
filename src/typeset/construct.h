// A construct is a family of node kinds typeset alike (fractions and columns, roots, scripts,
// brackets, big operators, matrices, decorations, the text kinds). Each lives in one file that
// holds everything about it: which rows it measures, its box, its drawing and its font. The
// measuring and drawing walks (measure.cpp, draw.cpp) look a node's rules up in one table,
// RulesFor, and know nothing of any construct.
//
// Units: 0.01 mm, y growing upward. A rule's `yb` is the bottom of the node's box.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "reader/equation_node.h"
#include "settings/option_values.h"
#include "typeset/line_layout.h"
#include "typeset/measure.h"
#include "typeset/node_box.h"
#include "typeset/surface.h"

namespace kv {

class EquationSettings;
class Painter;

// Which of a node's rows its rule reads, so that measuring measures them first. `limitNodes`:
// the rule measures the nodes of row2 one by one (a bracket's limits), not row2 as a row.
struct RowsRead {
  bool row1 = false;
  bool row2 = false;
  bool limitNodes = false;
};

// What a measuring rule works with: the node, the metrics of its font (which is selected on the
// surface), and the boxes of the rows below it, measured already.
struct NodeMeasure {
  const EquationNode& node;
  const TextMetrics& metrics;
  MeasureContext& context;
  // The width of the node's row to its left; only tabs use it.
  int x = 0;

  Surface& GetSurface() const { return context.surface; }
  EquationSettings& Settings() const { return context.settings; }
  NodeBox RowBox(const NodeRow& row) const { return context.layout.Box(row); }
  // The box of `text` in the node's font: its extent, with the baseline the font's ascent below
  // the top.
  NodeBox TextBox(std::string_view text) const;
};

// What a drawing rule works with: the node with its box (adjust included), the metrics and
// colour of its font (selected on the surface with its pen and brush), and the painter that
// draws the rows and nodes below it after the node's own marks, in the order they are asked for.
struct NodeDrawing {
  const EquationNode& node;
  const NodeBox& box;
  const TextMetrics& metrics;
  ColorRef colour;
  Surface& surface;
  EquationSettings& settings;
  const LineLayout& layout;
  Painter& painter;

  NodeBox RowBox(const NodeRow& row) const { return layout.Box(row); }
  void Text(int x, int y, std::string_view text) const { surface.TextOut(x, y, text); }
  void Line(Point from, Point to) const;
  int Width(std::string_view text) const { return surface.GetTextExtent(text).width; }
  // Draws `row` with its bottom at y and its left edge at x.
  void DrawRow(const NodeRow& row, int x, int y) const;
  // Draws node `index` of `row`, whose row's bottom is at y, at x.
  void DrawNodeOf(const NodeRow& row, int index, int x, int y) const;
};

struct ConstructRules {
  RowsRead (*rowsRead)(const EquationNode& node);
  NodeBox (*measure)(const NodeMeasure& measuring);
  void (*draw)(const NodeDrawing& drawing, int x, int yb);
  // Changes the node's font from the main font shrunk by its levels to its kind's face and
  // style; may scale the size. Null for kinds in the main font.
  void (*style)(const EquationNode& node, EquationSettings& settings, KVLogFont& font,
                std::int64_t& size);
};

// The rules of the node's kind; kinds without rules of their own measure as nothing and draw
// their text.
const ConstructRules& RulesFor(TokenKind kind);

// The constructs, one file each.
const ConstructRules& TextRules();            // text_kinds.cpp: letters, words, symbols, spaces
const ConstructRules& QuotedTextRules();      // text_kinds.cpp
const ConstructRules& SpacedOperatorRules();  // text_kinds.cpp: + = > < and spaced symbols
const ConstructRules& SubtractRules();        // text_kinds.cpp
const ConstructRules& MultiplyRules();        // text_kinds.cpp
const ConstructRules& DegreeRules();          // text_kinds.cpp
const ConstructRules& NumberRules();          // text_kinds.cpp
const ConstructRules& TabRules();             // text_kinds.cpp
const ConstructRules& InvisibleRules();  // text_kinds.cpp: the reader's marks, drawn as nothing
const ConstructRules& UnclaimedRules();  // text_kinds.cpp: kinds the reader never makes
const ConstructRules& PowerRules();      // scripts.cpp
const ConstructRules& SubscriptRules();  // scripts.cpp
const ConstructRules& InverseFunctionRules();  // scripts.cpp
const ConstructRules& SquareRootRules();       // roots.cpp
const ConstructRules& RootRules();             // roots.cpp
const ConstructRules& FractionRules();         // fractions.cpp: fractions and columns
const ConstructRules& BracketRules();          // brackets.cpp
const ConstructRules& BigOperatorRules();      // big_operators.cpp: integrals, sums, products, lim
const ConstructRules& MatrixRules();           // matrices.cpp
const ConstructRules& AccentRules();           // decorations.cpp
const ConstructRules& VectorRules();           // decorations.cpp: AB and lower-case vectors
const ConstructRules& IntervalRules();         // decorations.cpp: arrows over intervals

// Shared by the constructs.

// The text a node shows, as measuring measures it and drawing draws it: the sign that stands
// for what was typed (multiplication, degree, a long subtraction dash), quoted text without its
// quotes, a negative number with its long dash, an inverse function's name without the "-1".
std::string ShownText(const EquationNode& node, EquationSettings& settings);

// Where node `index` of a measured row stands when it does not stand on the row's baseline (a
// power after a taller bracket sits on the bracket's shoulder): the height of its bottom above
// the row's bottom. Nothing for a node on the baseline.
std::optional<int> ShoulderHeight(const NodeRow& row, int index, const LineLayout& layout);

// Gives every integral of a measured row the box and sign height of the row's tallest integral
// (the first of equals), so that integrals side by side match.
void MatchIntegralsOfRow(const NodeRow& row, LineLayout& layout);

// The big operator a TK_CODEDRAW2 node names: "int", "sigma" or "sum", "product", "lim";
// anything else is unknown.
enum class BigOperator { kIntegral, kSum, kProduct, kLimit, kUnknown };
BigOperator BigOperatorOf(std::string_view text);

// IntegralStyle: the limits above and below the sign rather than at its side.
inline constexpr std::int32_t kIntegralLimitsAboveBelow = 1;

// The mark a decoration node draws over (or, for an underlined vector, under) its content.
enum class DecorationMark {
  kNone,
  kBar,            // accent "_": a bar over the box
  kDot,            // accent ":": a dot over the box
  kDoubleDot,      // accent "::": two dots
  kCircumflex,     // accent "^^"
  kCapitalsArrow,  // AB: an arrow or a bar as DoubleCaps asks
  kLetterVector,   // a lower-case vector: bold, underlined, a tilde or an arrow (DisplayVect)
  kArrowRight,     // intervals
  kArrowLeft,
  kArrowBoth,
};
DecorationMark MarkOf(const EquationNode& node);

// DisplayVect: how a lower-case vector is shown.
inline constexpr std::int32_t kDisplayVectBold = 0;
inline constexpr std::int32_t kDisplayVectUnderline = 1;
inline constexpr std::int32_t kDisplayVectTilde = 2;
inline constexpr std::int32_t kDisplayVectArrow = 3;
// DoubleCaps: what stands over a vector written as two capitals (other values: nothing).
inline constexpr std::int32_t kDoubleCapsArrow = 1;
inline constexpr std::int32_t kDoubleCapsLine = 2;
// MultiplyStyle (0 is the cross).
inline constexpr std::int32_t kMultiplyDot = 1;
inline constexpr std::int32_t kMultiplyAsterisk = 2;

// A box twice as wide: operators stand in a space as wide as themselves.
NodeBox DoubleWidth(NodeBox box);
// An empty content counts as one average character of the font.
NodeBox AtLeastOneCharacter(NodeBox box, const TextMetrics& metrics);

}  // namespace kv
