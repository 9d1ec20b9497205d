// The kinds that are text: letters, words, numbers, symbols and operators, quoted text, spaces
// and tabs, and the marks the reader leaves that show nothing. Each is its text's box in the
// node's font, drawn on the box's bottom edge; operators stand in a space twice their width.
#include <algorithm>
#include <string>
#include <string_view>

#include "base/clamping.h"
#include "settings/equation_settings.h"
#include "typeset/construct.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

// Signs drawn in place of what was typed (Windows-1252 or Symbol codes).
constexpr std::string_view kCrossSign = "\xB4";  // Symbol
constexpr std::string_view kDotSign = "\xD7";    // Symbol
constexpr std::string_view kAsteriskSign = "*";
constexpr std::string_view kDegreeSign = "\xB0";
constexpr std::string_view kLongDash = "\x96";
// A raised point takes the place of a number's decimal point (RaiseDecimal), in the width that
// was measured for the point.
constexpr char kRaisedDot = '\xB7';
constexpr char kLongDashChar = '\x96';

// NegativeNumberStyle: the minus as a long dash, or drawn raised by a descent, as a hyphen.
constexpr std::int32_t kNegativeAsLongDash = 1;
constexpr std::int32_t kNegativeRaisedHyphen = 2;
// The characters of an inverse function's name ("sin" of "sin-1").
constexpr std::size_t kInverseNameLength = 3;

RowsRead NoRows(const EquationNode&) {
  return {};
}

NodeBox NoBox(const NodeMeasure&) {
  return {};
}

void DrawNothing(const NodeDrawing&, int, int) {}

NodeBox ShownTextBox(const NodeMeasure& measuring) {
  return measuring.TextBox(ShownText(measuring.node, measuring.Settings()));
}

void DrawShownText(const NodeDrawing& drawing, int x, int yb) {
  drawing.Text(x, yb, ShownText(drawing.node, drawing.settings));
}

// ------------------------------------------------------------------------------------------------
// Letters, words and symbols

void TextStyle(const EquationNode& node, EquationSettings& s, KVLogFont& font, std::int64_t&) {
  switch (node.Kind()) {
    case TK_FUNCTION:
      SetBoldItalic(font, s.FunctionsBold.Get(), s.FunctionsItalic.Get());
      SetClassFace(font, s, &s.FunctionFont, s.FunctionColor);
      break;
    case TK_UNIT:
      SetBoldItalic(font, s.UnitsBold.Get(), s.UnitsItalic.Get());
      SetClassFace(font, s, &s.UnitsFont, s.UnitColor);
      break;
    case TK_VARIABLE:
      SetBoldItalic(font, s.VariablesBold.Get(), s.VariablesItalic.Get());
      SetClassFace(font, s, nullptr, s.VariableColor);
      break;
    case TK_GREEK:
      font.SetFaceName(kSymbolFace);
      SetBoldItalic(font, s.GreekBold.Get(), s.GreekItalic.Get());
      SetClassFace(font, s, nullptr, s.GreekColor);
      break;
    case TK_SYMBOL:
      font.SetFaceName(kSymbolFace);
      font.lfWeight = kWeightBold;
      break;
    default:
      break;
  }
}

void QuotedStyle(const EquationNode&, EquationSettings& s, KVLogFont& font, std::int64_t&) {
  SetBoldItalic(font, s.QuoteBold.Get(), s.QuoteItalic.Get());
  SetClassFace(font, s, &s.QuoteFont, s.QuoteColor);
}

// ------------------------------------------------------------------------------------------------
// Operators

bool SpacedOperators(EquationSettings& settings) {
  return settings.switches.SpacedOperators;
}

NodeBox SpacedOperatorBox(const NodeMeasure& measuring) {
  const NodeBox box = ShownTextBox(measuring);
  return SpacedOperators(measuring.Settings()) ? DoubleWidth(box) : box;
}

// Operators measured twice their width stand in the middle: a quarter of the space before them.
void DrawSpacedOperator(const NodeDrawing& drawing, int x, int yb) {
  const int left = SpacedOperators(drawing.settings) ? AddLengths(x, drawing.box.width / 4) : x;
  drawing.Text(left, yb, ShownText(drawing.node, drawing.settings));
}

void SpacedSymbolStyle(const EquationNode& node, EquationSettings&, KVLogFont& font,
                       std::int64_t&) {
  if (node.Kind() != TK_SPACEDSYMBOL) return;
  font.SetFaceName(kSymbolFace);
  font.lfWeight = kWeightBold;
}

NodeBox DoubledShownTextBox(const NodeMeasure& measuring) {
  return DoubleWidth(ShownTextBox(measuring));
}

// The subtraction sign is always measured twice its width.
void DrawSubtract(const NodeDrawing& drawing, int x, int yb) {
  drawing.Text(AddLengths(x, drawing.box.width / 4), yb, ShownText(drawing.node, drawing.settings));
}

std::string_view MultiplySign(EquationSettings& settings) {
  const std::int32_t style = settings.MultiplyStyle.Get();
  if (style == kMultiplyAsterisk) return kAsteriskSign;
  return style == kMultiplyDot ? kDotSign : kCrossSign;
}

// The cross and the dot are Symbol signs (the dot bold); the asterisk is the main font's.
void MultiplyStyle(const EquationNode&, EquationSettings& s, KVLogFont& font, std::int64_t&) {
  const std::int32_t style = s.MultiplyStyle.Get();
  if (style != kMultiplyAsterisk) font.SetFaceName(kSymbolFace);
  if (style == kMultiplyDot) font.lfWeight = kWeightBold;
}

// The degree sign stands as high as a letter's top: its box's baseline lies below its bottom.
NodeBox DegreeBox(const NodeMeasure& measuring) {
  const TextExtent extent = measuring.GetSurface().GetTextExtent(kDegreeSign);
  const TextMetrics& m = measuring.metrics;
  return {.width = extent.width,
          .height = extent.height,
          .align = ClampLength(std::int64_t{extent.height} - m.descent - m.ascent)};
}

// ------------------------------------------------------------------------------------------------
// Numbers

// A number is measured with its decimal point and its minus as ShownText gives them; drawing
// may raise the point and the minus (RaiseDecimal, NegativeNumberStyle 2) in the same width.
void DrawNumber(const NodeDrawing& drawing, int x, int yb) {
  std::string text = ShownText(drawing.node, drawing.settings);
  if (drawing.settings.RaiseDecimal.Get()) {
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) text[dot] = kRaisedDot;
  }
  const bool negative = !drawing.node.Text().empty() && drawing.node.Text().front() == '-';
  if (negative && drawing.settings.NegativeNumberStyle.Get() == kNegativeRaisedHyphen) {
    drawing.Text(x, AddLengths(yb, drawing.metrics.descent), "-");
    drawing.Text(AddLengths(x, drawing.Width("-")), yb, std::string_view(text).substr(1));
    return;
  }
  drawing.Text(x, yb, text);
}

// ------------------------------------------------------------------------------------------------
// Tabs

// From x to the next tab stop; a tab width of 0 or less gives no stops and no width.
NodeBox TabBox(const NodeMeasure& measuring) {
  const int tabWidth = measuring.Settings().TabWidth.Get();
  if (tabWidth <= 0) return {};
  const int intoStop = ((measuring.x % tabWidth) + tabWidth) % tabWidth;
  return {.width = tabWidth - intoStop};
}

}  // namespace

std::string ShownText(const EquationNode& node, EquationSettings& settings) {
  const std::string_view text = node.Text();
  switch (node.Kind()) {
    case TK_MULTIPLY:
      return std::string(MultiplySign(settings));
    case TK_DEGREE:
      return std::string(kDegreeSign);
    case TK_SUBTRACT:
      return std::string(settings.ExpandSubtract.Get() ? kLongDash : text);
    case TK_QUOTED: {
      std::string unquoted(text);
      std::erase(unquoted, '"');
      return unquoted;
    }
    case TK_NUMBER:
      if (!text.empty() && text.front() == '-' &&
          settings.NegativeNumberStyle.Get() == kNegativeAsLongDash) {
        return kLongDashChar + std::string(text.substr(1));
      }
      return std::string(text);
    case TK_ARCSINCOSTAN:
      return std::string(text.substr(0, kInverseNameLength));
    default:
      return std::string(text);
  }
}

NodeBox DoubleWidth(NodeBox box) {
  box.width = AddLengths(box.width, box.width);
  return box;
}

NodeBox AtLeastOneCharacter(NodeBox box, const TextMetrics& metrics) {
  if (box.width == 0) {
    box.width = metrics.averageWidth;
    box.height = metrics.height;
  }
  return box;
}

const ConstructRules& TextRules() {
  static const ConstructRules rules{NoRows, ShownTextBox, DrawShownText, TextStyle};
  return rules;
}

const ConstructRules& QuotedTextRules() {
  static const ConstructRules rules{NoRows, ShownTextBox, DrawShownText, QuotedStyle};
  return rules;
}

const ConstructRules& SpacedOperatorRules() {
  static const ConstructRules rules{NoRows, SpacedOperatorBox, DrawSpacedOperator,
                                    SpacedSymbolStyle};
  return rules;
}

const ConstructRules& SubtractRules() {
  static const ConstructRules rules{NoRows, DoubledShownTextBox, DrawSubtract, nullptr};
  return rules;
}

// Always measured twice its width, but drawn in the middle only when operators are spaced.
const ConstructRules& MultiplyRules() {
  static const ConstructRules rules{NoRows, DoubledShownTextBox, DrawSpacedOperator, MultiplyStyle};
  return rules;
}

const ConstructRules& DegreeRules() {
  static const ConstructRules rules{NoRows, DegreeBox, DrawShownText, nullptr};
  return rules;
}

const ConstructRules& NumberRules() {
  static const ConstructRules rules{NoRows, ShownTextBox, DrawNumber, nullptr};
  return rules;
}

const ConstructRules& TabRules() {
  static const ConstructRules rules{NoRows, TabBox, DrawNothing, nullptr};
  return rules;
}

const ConstructRules& InvisibleRules() {
  static const ConstructRules rules{NoRows, NoBox, DrawNothing, nullptr};
  return rules;
}

// A kind no construct claims (the reader makes none) takes no room and shows its text.
const ConstructRules& UnclaimedRules() {
  static const ConstructRules rules{NoRows, NoBox, DrawShownText, nullptr};
  return rules;
}

}  // namespace kv
