// The markup tree: an equation as the constructs that MathML and LaTeX share (identifiers,
// numbers, operators, text, rows, fences, fractions, roots, scripts, limits, marks over and
// under, tables), made from the reader's tree with the characters and styles Kalvane draws.
// MathML and LaTeX are each written from it, so the two always show the same structure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "markup/markup.h"

namespace kv {

class EquationSettings;

namespace markup {

// How deep constructs may nest: consumers of markup recurse over it (so do the writers), and no
// equation a person types comes near it.
inline constexpr int kMaximumNesting = 200;

enum class ItemKind {
  kIdentifier,
  kNumber,
  kOperator,
  kText,
  kSpace,
  kFunctionApplication,  // between a function's name and its argument
  kInvisibleTimes,       // between operands set side by side, when asked for
  kRow,
  kFence,
  kFraction,
  kSquareRoot,
  kRoot,
  kSuperscript,
  kSubscript,
  kSubSuperscript,
  kUnderOver,
  kUnder,
  kOver,
  kTable,
};

// A leaf's style. kDefault leaves it to the consumer; the others are asked for.
enum class Variant { kDefault, kNormal, kItalic, kBold, kBoldItalic };

// What stands over (or under) the content of kOver and kUnder.
enum class Mark {
  kBar,
  kDot,
  kDoubleDot,
  kHat,
  kArrowRight,
  kArrowLeft,
  kArrowBoth,
  kTilde,
  kLine
};

// What an operator sign or a limit word is, for the LaTeX command that makes it.
enum class LargeOperator { kNone, kIntegral, kSum, kProduct, kLimit };

struct Item {
  ItemKind kind = ItemKind::kRow;
  // Leaves: their characters, UTF-8. kFence: the opening sign (empty: none).
  std::string text;
  // kFence: the closing sign (empty: none).
  std::string close;
  Variant variant = Variant::kDefault;
  bool function = false;  // an identifier that names a function
  LargeOperator largeOperator = LargeOperator::kNone;
  Mark mark = Mark::kBar;  // kOver, kUnder
  int quarterEms = 0;      // kSpace: its width
  bool lines = false;      // kTable: the lines of an equation rather than a matrix
  // kRow, kFence: the items in order. kFraction: numerator, denominator. kSquareRoot: the
  // radicand. kRoot: radicand, index. kSuperscript, kSubscript: base, script. kSubSuperscript:
  // base, subscript, superscript. kUnderOver: base, under, over. kUnder, kOver: the content,
  // which `mark` marks; or, for a big operator's limit, the sign and the limit. kTable: its rows
  // (kRow items), whose children are the cells.
  std::vector<Item> children;
};

// The equation's lines (see EquationRows) as one line's item, or a kTable of its lines. Throws
// MarkupError for an equation nested deeper than kMaximumNesting.
Item BuildMarkupTree(EquationRows lines, const EquationSettings& settings,
                     const MarkupOptions& options);

// Whether a leaf's text is one character (one code point), which markup styles differently.
bool IsSingleCharacter(std::string_view utf8);

std::string WriteMathML(const Item& equation);
std::string WriteLatex(const Item& equation);

}  // namespace markup
}  // namespace kv
