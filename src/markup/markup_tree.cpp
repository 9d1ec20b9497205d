// From the reader's tree to the markup tree. A script node follows its base in a row, so a row is
// read left to right and each script takes the item before it as its base; brackets, fractions,
// roots, big operators, matrices and decorations become the constructs they are drawn as; leaves
// get the characters their fonts draw (Windows-1252, or Symbol codes in a Symbol face).
#include "markup/markup_tree.h"

#include <optional>
#include <utility>

#include "base/symbol_encoding.h"
#include "base/utf8.h"
#include "base/windows1252.h"
#include "reader/node_rows.h"
#include "settings/equation_settings.h"
#include "typeset/brackets.h"
#include "typeset/construct.h"
#include "typeset/node_font.h"

namespace kv::markup {
namespace {

// Signs the markup writes in place of what the fonts draw.
constexpr char32_t kMinusSign = U'\u2212';
constexpr char32_t kCrossSign = U'\u00D7';
constexpr char32_t kDotOperator = U'\u22C5';
constexpr char32_t kAsteriskOperator = U'\u2217';
constexpr char32_t kPrime = U'\u2032';
constexpr char32_t kDoubleBar = U'\u2016';
constexpr char32_t kEllipsis = U'\u2026';
constexpr char32_t kRaisedDecimalPoint = U'\u00B7';
constexpr char32_t kIntegralSign = U'\u222B';
constexpr char32_t kSumSign = U'\u2211';
constexpr char32_t kProductSign = U'\u220F';
constexpr char32_t kReplacementCharacter = U'\uFFFD';
constexpr std::string_view kLimitWord = "lim";

// The Symbol face draws "f" as the straight phi, which Unicode gives U+03D5 since version 3.0,
// and "j" as the curly one, U+03C6; the face's own character map keeps the older assignment.
constexpr unsigned char kSymbolStraightPhi = 0x66;
constexpr unsigned char kSymbolCurlyPhi = 0x6A;

// A space character is about a quarter of an em wide; a tab stands for a whole em.
constexpr int kQuarterEmsPerTab = 4;
constexpr char32_t kFirstPrintable = 0x20;

char32_t SymbolCharacter(unsigned char code) {
  if (code == kSymbolStraightPhi) return U'\u03D5';
  if (code == kSymbolCurlyPhi) return U'\u03C6';
  const char32_t character = SymbolCodeToUnicode(code);
  return character == 0 ? kReplacementCharacter : character;
}

// The characters `bytes` show in `font`, UTF-8. Control characters, which XML does not allow,
// become the replacement character, so nothing is dropped without a trace.
std::string Characters(std::string_view bytes, const KVLogFont& font) {
  const bool symbol = TakesSymbolCodes(font);
  std::string out;
  out.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    char32_t character = symbol ? SymbolCharacter(code) : Windows1252ToUnicode(code);
    if (character < kFirstPrintable) character = kReplacementCharacter;
    AppendUtf8(out, character);
  }
  return out;
}

std::string Utf8Of(char32_t character) {
  std::string out;
  AppendUtf8(out, character);
  return out;
}

Item Leaf(ItemKind kind, std::string text, Variant variant = Variant::kDefault) {
  Item item;
  item.kind = kind;
  item.text = std::move(text);
  item.variant = variant;
  return item;
}

Item Construct(ItemKind kind, std::vector<Item> children) {
  Item item;
  item.kind = kind;
  item.children = std::move(children);
  return item;
}

Item EmptyRow() {
  return Construct(ItemKind::kRow, {});
}

Variant FontVariant(const KVLogFont& font) {
  const bool bold = font.lfWeight >= kWeightBold;
  const bool italic = font.lfItalic != 0;
  if (bold) return italic ? Variant::kBoldItalic : Variant::kBold;
  return italic ? Variant::kItalic : Variant::kNormal;
}

// Letter-like signs of the Symbol face are identifiers; the others are operators.
bool IsLetterLike(std::string_view utf8) {
  if (utf8.empty()) return false;
  std::size_t at = 0;
  const char32_t first = DecodeUtf8(utf8, at);
  if (first >= U'\u0370' && first <= U'\u03FF') return true;  // Greek
  switch (first) {
    case U'\u221E':  // infinity
    case U'\u2205':  // empty set
    case U'\u2202':  // partial
    case U'\u2207':  // nabla
    case U'\u2135':  // aleph
    case U'\u2111':  // Im
    case U'\u211C':  // Re
    case U'\u2118':  // Weierstrass p
      return true;
    default:
      return false;
  }
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// The first item that is not a script, a limit or a mark: what a construct is built around.
const Item& Core(const Item& item) {
  const Item* core = &item;
  while (!core->children.empty() &&
         (core->kind == ItemKind::kSuperscript || core->kind == ItemKind::kSubscript ||
          core->kind == ItemKind::kSubSuperscript || core->kind == ItemKind::kUnderOver ||
          core->kind == ItemKind::kUnder || core->kind == ItemKind::kOver)) {
    core = &core->children.front();
  }
  return *core;
}

// What multiplication can stand between: not operators, spaces or text, and not big operators
// with their limits.
bool IsOperand(const Item& item) {
  const Item& core = Core(item);
  switch (core.kind) {
    case ItemKind::kOperator:
    case ItemKind::kSpace:
    case ItemKind::kText:
    case ItemKind::kFunctionApplication:
    case ItemKind::kInvisibleTimes:
      return false;
    case ItemKind::kRow:
      return !core.children.empty();
    default:
      return !core.function;
  }
}

void DropLeadingSpaces(Item& row) {
  if (row.kind != ItemKind::kRow) return;
  std::size_t spaces = 0;
  while (spaces < row.children.size() && row.children[spaces].kind == ItemKind::kSpace)
    ++spaces;
  row.children.erase(row.children.begin(),
                     row.children.begin() + static_cast<std::ptrdiff_t>(spaces));
}

// A sign and the limits below and above it (either may be empty): at the sign's side, or
// under and over it.
Item WithLimits(Item sign, Item lower, Item upper, bool atTheSide) {
  const bool hasLower = !lower.children.empty();
  const bool hasUpper = !upper.children.empty();
  if (!hasLower && !hasUpper) return sign;
  if (hasLower && hasUpper) {
    return Construct(atTheSide ? ItemKind::kSubSuperscript : ItemKind::kUnderOver,
                     {std::move(sign), std::move(lower), std::move(upper)});
  }
  if (hasLower) {
    return Construct(atTheSide ? ItemKind::kSubscript : ItemKind::kUnder,
                     {std::move(sign), std::move(lower)});
  }
  return Construct(atTheSide ? ItemKind::kSuperscript : ItemKind::kOver,
                   {std::move(sign), std::move(upper)});
}

Item Marked(Mark mark, ItemKind kind, Item content) {
  Item item = Construct(kind, {std::move(content)});
  item.mark = mark;
  return item;
}

class TreeBuilder {
 public:
  TreeBuilder(const EquationSettings& settings, const MarkupOptions& options)
      : settings_(settings), options_(options) {}

  Item Row(const NodeRow& row, int depth);

 private:
  std::optional<Item> Node(const EquationNode& node, int depth);
  Item NodeOrEmpty(const EquationNode& node, int depth) {
    return Node(node, depth).value_or(EmptyRow());
  }
  void AttachScript(std::vector<Item>& items, const EquationNode& script, int depth);

  KVLogFont FontOf(const EquationNode& node) { return SelectNodeFont(node, settings_).font; }
  // The style a leaf is asked to have: its font's in Kalvane's style, otherwise `plain`.
  Variant StyleOf(const KVLogFont& font, Variant plain = Variant::kDefault) const {
    return options_.style == MarkupStyle::kKalvane ? FontVariant(font) : plain;
  }

  Item Identifier(const EquationNode& node, Variant plain = Variant::kDefault);
  Item SymbolSign(const EquationNode& node);
  Item Operator(const EquationNode& node);
  Item Sign(const EquationNode& node, char32_t sign);
  std::optional<Item> Number(const EquationNode& node);
  std::optional<Item> LooseText(const EquationNode& node);
  std::optional<Item> Quoted(const EquationNode& node);
  Item Brackets(const EquationNode& node, int depth);
  Item BigOperatorItem(const EquationNode& node, int depth);
  Item Column(const EquationNode& node, int depth);
  Item Matrix(const EquationNode& node, int depth);
  Item CapitalsVector(const EquationNode& node);
  Item LetterVector(const EquationNode& node);
  Item Decorated(const EquationNode& node, int depth);

  // Node texts are drawn in their node's font, which the settings decide; SelectNodeFont takes
  // them to change.
  EquationSettings settings_;
  MarkupOptions options_;
};

void CheckNesting(int depth) {
  if (depth > kMaximumNesting) {
    throw MarkupError("the equation nests deeper than " + std::to_string(kMaximumNesting) +
                      " levels, more than MathML and LaTeX are written for");
  }
}

Item TreeBuilder::Row(const NodeRow& row, int depth) {
  CheckNesting(depth);
  Item out = EmptyRow();
  bool awaitingArgument = false;  // the item before is a function's name
  for (const EquationNode* each : row.Nodes()) {
    const EquationNode& node = *each;
    if (node.Kind() == TK_POWER || node.Kind() == TK_SUBSCRIPT) {
      AttachScript(out.children, node, depth + 1);
      continue;
    }
    // The consumer spaces a function's name from its argument itself.
    if (awaitingArgument && node.Kind() == TK_SPACE) continue;
    std::optional<Item> item = Node(node, depth + 1);
    if (!item) continue;
    if (awaitingArgument) {
      DropLeadingSpaces(*item);
      out.children.push_back(Leaf(ItemKind::kFunctionApplication, {}));
    } else if (options_.invisibleTimes && !out.children.empty() && IsOperand(out.children.back()) &&
               IsOperand(*item)) {
      out.children.push_back(Leaf(ItemKind::kInvisibleTimes, {}));
    }
    awaitingArgument = item->function;
    out.children.push_back(std::move(*item));
  }
  return out;
}

// The script takes the item before it as its base (none at the start of a row).
void TreeBuilder::AttachScript(std::vector<Item>& items, const EquationNode& script, int depth) {
  Item base = EmptyRow();
  if (!items.empty()) {
    base = std::move(items.back());
    items.pop_back();
  }
  const bool function = base.function;
  Item scripted =
      Construct(script.Kind() == TK_POWER ? ItemKind::kSuperscript : ItemKind::kSubscript,
                {std::move(base), Row(script.row1, depth)});
  scripted.function = function;
  items.push_back(std::move(scripted));
}

std::optional<Item> TreeBuilder::Node(const EquationNode& node, int depth) {
  CheckNesting(depth);
  switch (node.Kind()) {
    case TK_VARIABLE:
    case TK_GREEK:
      return Identifier(node);
    case TK_POWER:
    case TK_SUBSCRIPT: {
      // A script standing alone (a limit, a cell) has nothing to raise or lower.
      std::vector<Item> alone;
      AttachScript(alone, node, depth + 1);
      return std::move(alone.front());
    }
    case TK_FUNCTION: {
      Item name = Identifier(node);
      name.function = true;
      return name;
    }
    case TK_UNIT:
      // Units are upright whatever the consumer does with letters.
      return Identifier(node, Variant::kNormal);
    case TK_NUMBER:
      return Number(node);
    case TK_ADD:
    case TK_EQUAL:
    case TK_GREATER:
    case TK_LESS:
    case TK_DEGREE:
      return Operator(node);
    case TK_SUBTRACT:
      return Sign(node, kMinusSign);
    case TK_MULTIPLY: {
      const std::int32_t style = settings_.MultiplyStyle.Get();
      return Sign(node, style == kMultiplyDot        ? kDotOperator
                        : style == kMultiplyAsterisk ? kAsteriskOperator
                                                     : kCrossSign);
    }
    case TK_SYMBOL:
    case TK_SPACEDSYMBOL:
      return SymbolSign(node);
    case TK_QUOTED:
      return Quoted(node);
    case TK_SPACE: {
      Item space = Leaf(ItemKind::kSpace, {});
      space.quarterEms = static_cast<int>(std::max<std::size_t>(node.Text().size(), 1));
      return space;
    }
    case TK_TAB: {
      Item tab = Leaf(ItemKind::kSpace, {});
      tab.quarterEms = kQuarterEmsPerTab;
      return tab;
    }
    case TK_ARCSINCOSTAN: {
      const KVLogFont font = FontOf(node);
      Item name =
          Leaf(ItemKind::kIdentifier, Characters(ShownText(node, settings_), font), StyleOf(font));
      name.function = true;
      Item inverse = Construct(ItemKind::kSuperscript,
                               {std::move(name), Row(InverseExponent(node), depth + 1)});
      inverse.function = true;
      return inverse;
    }
    case TK_SQRT: {
      Item radicand = Row(Radicand(node), depth + 1);
      DropLeadingSpaces(radicand);
      return Construct(ItemKind::kSquareRoot, {std::move(radicand)});
    }
    case TK_ROOT: {
      Item radicand = Row(Radicand(node), depth + 1);
      DropLeadingSpaces(radicand);
      return Construct(ItemKind::kRoot, {std::move(radicand), Row(RootIndex(node), depth + 1)});
    }
    case TK_FRACTION:
      return Construct(ItemKind::kFraction,
                       {Row(Numerator(node), depth + 1), Row(Denominator(node), depth + 1)});
    case TK_COLUMN:
      return Column(node, depth);
    case TK_MATRIX:
      return Matrix(node, depth);
    case TK_BRACKETS:
      return Brackets(node, depth);
    case TK_CODEDRAW2:
      return BigOperatorItem(node, depth);
    case TK_ABVECTOR:
      return CapitalsVector(node);
    case TK_LCVECTOR:
      return LetterVector(node);
    case TK_MODIFIER:
    case TK_IVRIGHT:
    case TK_IVLEFT:
    case TK_IVBOTH:
      return Decorated(node, depth);
    // The reader's marks show nothing.
    case TK_ROOTBASE:
    case TK_DIVIDE:
    case TK_OPEN:
    case TK_OPENLOGICAL:
    case TK_CLOSELOGICAL:
    case TK_PARAMETER:
      return std::nullopt;
    case TK_RAW:
    case TK_SEPARATOR:
    case TK_CLOSE:
    case TK_ERROR:
    case TK_ABS:
      break;
  }
  return LooseText(node);
}

Item TreeBuilder::Identifier(const EquationNode& node, Variant plain) {
  const KVLogFont font = FontOf(node);
  return Leaf(ItemKind::kIdentifier, Characters(node.Text(), font), StyleOf(font, plain));
}

// Signs of the Symbol face keep no style of their own: the face has none.
Item TreeBuilder::SymbolSign(const EquationNode& node) {
  std::string text = Characters(node.Text(), FontOf(node));
  const ItemKind kind = IsLetterLike(text) ? ItemKind::kIdentifier : ItemKind::kOperator;
  return Leaf(kind, std::move(text));
}

// An operator (the degree sign among them) is the characters its font shows.
Item TreeBuilder::Operator(const EquationNode& node) {
  const KVLogFont font = FontOf(node);
  if (TakesSymbolCodes(font)) return SymbolSign(node);
  return Leaf(ItemKind::kOperator, Characters(ShownText(node, settings_), font), StyleOf(font));
}

// A sign drawn from a font the markup does not keep (a long dash for the minus, a Symbol cross).
Item TreeBuilder::Sign(const EquationNode& node, char32_t sign) {
  const KVLogFont font = FontOf(node);
  const Variant variant = TakesSymbolCodes(font) ? Variant::kDefault : StyleOf(font);
  return Leaf(ItemKind::kOperator, Utf8Of(sign), variant);
}

// A negative number is a minus and the number; a decimal point is raised when the settings
// raise it; a run of full stops is an ellipsis.
std::optional<Item> TreeBuilder::Number(const EquationNode& node) {
  const KVLogFont font = FontOf(node);
  std::string_view digits = node.Text();
  const bool negative = digits.starts_with('-');
  if (negative) digits.remove_prefix(1);
  Item number;
  if (!digits.empty() && digits.find_first_not_of('.') == std::string_view::npos) {
    number = Leaf(ItemKind::kOperator, Utf8Of(kEllipsis));
  } else {
    std::string text = Characters(digits, font);
    if (options_.style == MarkupStyle::kKalvane && settings_.RaiseDecimal.Get()) {
      if (const std::size_t dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, Utf8Of(kRaisedDecimalPoint));
    }
    number = Leaf(ItemKind::kNumber, std::move(text), StyleOf(font));
  }
  if (digits.empty() && !negative) return std::nullopt;
  if (!negative) return number;
  Item minus = Leaf(ItemKind::kOperator, Utf8Of(kMinusSign));
  if (digits.empty()) return minus;
  return Construct(ItemKind::kRow, {std::move(minus), std::move(number)});
}

// Text no rule claimed (punctuation, a stray bracket): letters are identifiers, digits numbers,
// each other character an operator; an apostrophe is a prime.
std::optional<Item> TreeBuilder::LooseText(const EquationNode& node) {
  const std::string_view text = node.Text();
  if (text.empty()) return std::nullopt;
  const KVLogFont font = FontOf(node);
  const Variant variant = StyleOf(font);
  Item row = EmptyRow();
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i + 1;
    ItemKind kind = ItemKind::kOperator;
    if (IsAsciiLetter(text[i])) {
      while (end < text.size() && IsAsciiLetter(text[end]))
        ++end;
      kind = ItemKind::kIdentifier;
    } else if (IsAsciiDigit(text[i])) {
      while (end < text.size() && (IsAsciiDigit(text[end]) || text[end] == '.'))
        ++end;
      kind = ItemKind::kNumber;
    }
    const std::string_view piece = text.substr(i, end - i);
    if (piece == "'" && !TakesSymbolCodes(font)) {
      row.children.push_back(Leaf(kind, Utf8Of(kPrime)));
    } else {
      row.children.push_back(Leaf(kind, Characters(piece, font), variant));
    }
    i = end;
  }
  if (row.children.size() == 1) return std::move(row.children.front());
  return row;
}

std::optional<Item> TreeBuilder::Quoted(const EquationNode& node) {
  const std::string shown = ShownText(node, settings_);
  if (shown.empty()) return std::nullopt;
  const KVLogFont font = FontOf(node);
  return Leaf(ItemKind::kText, Characters(shown, font), StyleOf(font));
}

// The characters of a bracket's sign. The double bars are two-character keys; the bar halves
// "]|" and "|[" are one bar.
std::string BracketSign(std::string_view glyph) {
  if (glyph == kDoubleBarLeft || glyph == kDoubleBarRight) return Utf8Of(kDoubleBar);
  if (glyph == "]|" || glyph == "|[") return "|";
  std::string out;
  for (const char byte : glyph)
    AppendUtf8(out, Windows1252ToUnicode(static_cast<unsigned char>(byte)));
  return out;
}

// Visible brackets fence their content; invisible ones only group it. Limits written after a
// bracket are its scripts.
Item TreeBuilder::Brackets(const EquationNode& node, int depth) {
  const BracketGlyphs glyphs = BracketGlyphsOf(node);
  Item content = Row(BracketContent(node), depth + 1);
  Item result = std::move(content);
  if (!glyphs.open.empty() || !glyphs.close.empty()) {
    result.kind = ItemKind::kFence;
    result.text = BracketSign(glyphs.open);
    result.close = BracketSign(glyphs.close);
  }
  if (!HasBracketLimits(node)) return result;
  return Construct(ItemKind::kSubSuperscript,
                   {std::move(result), NodeOrEmpty(LowerBracketLimit(node), depth + 1),
                    NodeOrEmpty(UpperBracketLimit(node), depth + 1)});
}

Item TreeBuilder::BigOperatorItem(const EquationNode& node, int depth) {
  Item lower = Row(LowerLimit(node), depth + 1);
  Item upper = Row(UpperLimit(node), depth + 1);
  const auto sign = [](char32_t character, LargeOperator kind) {
    Item item = Leaf(ItemKind::kOperator, Utf8Of(character));
    item.largeOperator = kind;
    return item;
  };
  switch (BigOperatorOf(node.Text())) {
    case BigOperator::kIntegral:
      return WithLimits(sign(kIntegralSign, LargeOperator::kIntegral), std::move(lower),
                        std::move(upper),
                        settings_.IntegralStyle.Get() != kIntegralLimitsAboveBelow);
    case BigOperator::kSum:
      return WithLimits(sign(kSumSign, LargeOperator::kSum), std::move(lower), std::move(upper),
                        false);
    case BigOperator::kProduct:
      return WithLimits(sign(kProductSign, LargeOperator::kProduct), std::move(lower),
                        std::move(upper), false);
    case BigOperator::kLimit: {
      Item word = Leaf(ItemKind::kIdentifier, std::string(kLimitWord));
      word.largeOperator = LargeOperator::kLimit;
      Item limit = WithLimits(std::move(word), std::move(lower), std::move(upper), false);
      limit.function = true;
      return limit;
    }
    case BigOperator::kUnknown:
      break;
  }
  return WithLimits(Identifier(node), std::move(lower), std::move(upper), false);
}

Item TableRow(std::vector<Item> cells) {
  return Construct(ItemKind::kRow, std::move(cells));
}

// A column is a chain: each link holds one item over the rest of the column, whose first node
// is the next link or the last item. Walked link by link, so a long column costs no depth.
Item TreeBuilder::Column(const EquationNode& node, int depth) {
  Item table = Construct(ItemKind::kTable, {});
  const EquationNode* link = &node;
  while (true) {
    table.children.push_back(TableRow({Row(Numerator(*link), depth + 1)}));
    const NodeRow& rest = Denominator(*link);
    if (!rest.Empty() && rest.At(0).Kind() == TK_COLUMN) {
      link = &rest.At(0);
      continue;
    }
    table.children.push_back(TableRow({Row(rest, depth + 1)}));
    return table;
  }
}

// The cells come column after column, runs of spaces between the columns; a column shorter than
// the others is filled with empty cells at its foot.
Item TreeBuilder::Matrix(const EquationNode& node, int depth) {
  std::vector<std::vector<Item>> columns(1);
  bool afterSpace = false;
  for (const EquationNode* cell : MatrixCells(node).Nodes()) {
    if (cell->Kind() == TK_SPACE) {
      afterSpace = true;
      continue;
    }
    if (afterSpace && !columns.back().empty()) columns.emplace_back();
    afterSpace = false;
    columns.back().push_back(NodeOrEmpty(*cell, depth + 1));
  }
  std::size_t rows = 0;
  for (const auto& column : columns)
    rows = std::max(rows, column.size());
  Item table = Construct(ItemKind::kTable, {});
  for (std::size_t r = 0; r < rows; ++r) {
    std::vector<Item> cells;
    for (auto& column : columns)
      cells.push_back(r < column.size() ? std::move(column[r]) : EmptyRow());
    table.children.push_back(TableRow(std::move(cells)));
  }
  return table;
}

// Two capitals with an arrow or a bar over them, as DoubleCaps asks.
Item TreeBuilder::CapitalsVector(const EquationNode& node) {
  const KVLogFont font = FontOf(node);
  Item letters = EmptyRow();
  for (const char letter : node.Text()) {
    letters.children.push_back(
        Leaf(ItemKind::kIdentifier, Characters(std::string_view(&letter, 1), font), StyleOf(font)));
  }
  const std::int32_t caps = settings_.DoubleCaps.Get();
  if (caps == kDoubleCapsArrow) return Marked(Mark::kArrowRight, ItemKind::kOver, letters);
  if (caps == kDoubleCapsLine) return Marked(Mark::kBar, ItemKind::kOver, letters);
  return letters;
}

// A lower-case vector as DisplayVect shows it. Bold is the vector's mark, so it stays in the
// plain style too.
Item TreeBuilder::LetterVector(const EquationNode& node) {
  const std::int32_t display = settings_.DisplayVect.Get();
  const KVLogFont font = FontOf(node);
  Item letter =
      Leaf(ItemKind::kIdentifier, Characters(node.Text(), font),
           StyleOf(font, display == kDisplayVectBold ? Variant::kBold : Variant::kDefault));
  switch (display) {
    case kDisplayVectUnderline:
      return Marked(Mark::kLine, ItemKind::kUnder, std::move(letter));
    case kDisplayVectTilde:
      return Marked(Mark::kTilde, ItemKind::kOver, std::move(letter));
    case kDisplayVectArrow:
      return Marked(Mark::kArrowRight, ItemKind::kOver, std::move(letter));
    default:
      return letter;
  }
}

Item TreeBuilder::Decorated(const EquationNode& node, int depth) {
  Item content = Row(kv::Decorated(node), depth + 1);
  switch (MarkOf(node)) {
    case DecorationMark::kBar:
      return Marked(Mark::kBar, ItemKind::kOver, std::move(content));
    case DecorationMark::kDot:
      return Marked(Mark::kDot, ItemKind::kOver, std::move(content));
    case DecorationMark::kDoubleDot:
      return Marked(Mark::kDoubleDot, ItemKind::kOver, std::move(content));
    case DecorationMark::kCircumflex:
      return Marked(Mark::kHat, ItemKind::kOver, std::move(content));
    case DecorationMark::kArrowRight:
      return Marked(Mark::kArrowRight, ItemKind::kOver, std::move(content));
    case DecorationMark::kArrowLeft:
      return Marked(Mark::kArrowLeft, ItemKind::kOver, std::move(content));
    case DecorationMark::kArrowBoth:
      return Marked(Mark::kArrowBoth, ItemKind::kOver, std::move(content));
    default:
      return content;
  }
}

}  // namespace

Item BuildMarkupTree(EquationRows lines, const EquationSettings& settings,
                     const MarkupOptions& options) {
  while (!lines.empty() && lines.back() == nullptr)
    lines = lines.first(lines.size() - 1);
  TreeBuilder builder(settings, options);
  const auto lineItem = [&builder](const NodeRow* row) {
    return row == nullptr ? EmptyRow() : builder.Row(*row, 0);
  };
  if (lines.size() <= 1) return lines.empty() ? EmptyRow() : lineItem(lines.front());
  Item table = Construct(ItemKind::kTable, {});
  table.lines = true;
  for (const NodeRow* row : lines)
    table.children.push_back(TableRow({lineItem(row)}));
  return table;
}

bool IsSingleCharacter(std::string_view utf8) {
  if (utf8.empty()) return false;
  std::size_t at = 0;
  DecodeUtf8(utf8, at);
  return at == utf8.size();
}

}  // namespace kv::markup
