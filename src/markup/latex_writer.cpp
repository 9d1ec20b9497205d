// LaTeX from the markup tree, in the commands of LaTeX's own math mode (and amsmath's
// \operatorname and \boldsymbol), so that a LaTeX document and the web's TeX renderers take it.
// Big operators keep their limits where Kalvane draws them (\limits); visible brackets stretch
// (\left ... \right); tables are matrix environments, several lines an array of lines.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>

#include "base/utf8.h"
#include "markup/markup_tree.h"

namespace kv::markup {
namespace {

struct Command {
  char32_t character;
  std::string_view command;
};

// The math-mode command of each character the markup tree can hold beyond ASCII.
// clang-format off
constexpr std::array kCommands = std::to_array<Command>({
    {U'\u0391', "A"}, {U'\u0392', "B"}, {U'\u0393', "\\Gamma"}, {U'\u0394', "\\Delta"},
    {U'\u0395', "E"}, {U'\u0396', "Z"}, {U'\u0397', "H"}, {U'\u0398', "\\Theta"},
    {U'\u0399', "I"}, {U'\u039A', "K"}, {U'\u039B', "\\Lambda"}, {U'\u039C', "M"},
    {U'\u039D', "N"}, {U'\u039E', "\\Xi"}, {U'\u039F', "O"}, {U'\u03A0', "\\Pi"},
    {U'\u03A1', "P"}, {U'\u03A3', "\\Sigma"}, {U'\u03A4', "T"}, {U'\u03A5', "\\Upsilon"},
    {U'\u03A6', "\\Phi"}, {U'\u03A7', "X"}, {U'\u03A8', "\\Psi"}, {U'\u03A9', "\\Omega"},
    {U'\u03B1', "\\alpha"}, {U'\u03B2', "\\beta"}, {U'\u03B3', "\\gamma"}, {U'\u03B4', "\\delta"},
    {U'\u03B5', "\\epsilon"}, {U'\u03B6', "\\zeta"}, {U'\u03B7', "\\eta"}, {U'\u03B8', "\\theta"},
    {U'\u03B9', "\\iota"}, {U'\u03BA', "\\kappa"}, {U'\u03BB', "\\lambda"}, {U'\u03BC', "\\mu"},
    {U'\u03BD', "\\nu"}, {U'\u03BE', "\\xi"}, {U'\u03BF', "o"}, {U'\u03C0', "\\pi"},
    {U'\u03C1', "\\rho"}, {U'\u03C2', "\\varsigma"}, {U'\u03C3', "\\sigma"}, {U'\u03C4', "\\tau"},
    {U'\u03C5', "\\upsilon"}, {U'\u03C6', "\\varphi"}, {U'\u03C7', "\\chi"}, {U'\u03C8', "\\psi"},
    {U'\u03C9', "\\omega"}, {U'\u03D1', "\\vartheta"}, {U'\u03D2', "\\Upsilon"},
    {U'\u03D5', "\\phi"}, {U'\u03D6', "\\varpi"},
    {U'\u00AC', "\\neg"}, {U'\u00B0', "{}^{\\circ}"}, {U'\u00B1', "\\pm"}, {U'\u00B7', "{\\cdot}"},
    {U'\u00D7', "\\times"}, {U'\u00F7', "\\div"}, {U'\u2016', "\\|"}, {U'\u2022', "\\bullet"},
    {U'\u2026', "\\ldots"}, {U'\u2032', "'"}, {U'\u2033', "''"}, {U'\u203E', "\\overline{\\ }"},
    {U'\u2111', "\\Im"}, {U'\u2118', "\\wp"}, {U'\u211C', "\\Re"}, {U'\u2135', "\\aleph"},
    {U'\u2190', "\\leftarrow"}, {U'\u2191', "\\uparrow"}, {U'\u2192', "\\rightarrow"},
    {U'\u2193', "\\downarrow"}, {U'\u2194', "\\leftrightarrow"}, {U'\u21B5', "\\hookleftarrow"},
    {U'\u21D0', "\\Leftarrow"}, {U'\u21D1', "\\Uparrow"}, {U'\u21D2', "\\Rightarrow"},
    {U'\u21D3', "\\Downarrow"}, {U'\u21D4', "\\Leftrightarrow"}, {U'\u2200', "\\forall"},
    {U'\u2202', "\\partial"}, {U'\u2203', "\\exists"}, {U'\u2205', "\\emptyset"},
    {U'\u2207', "\\nabla"}, {U'\u2208', "\\in"}, {U'\u2209', "\\notin"}, {U'\u220B', "\\ni"},
    {U'\u220F', "\\prod"}, {U'\u2211', "\\sum"}, {U'\u2212', "-"}, {U'\u2217', "\\ast"},
    {U'\u221A', "\\surd"}, {U'\u221D', "\\propto"}, {U'\u221E', "\\infty"}, {U'\u2220', "\\angle"},
    {U'\u2227', "\\wedge"}, {U'\u2228', "\\vee"}, {U'\u2229', "\\cap"}, {U'\u222A', "\\cup"},
    {U'\u222B', "\\int"}, {U'\u2234', "\\therefore"}, {U'\u223C', "\\sim"}, {U'\u2245', "\\cong"},
    {U'\u2248', "\\approx"}, {U'\u2260', "\\neq"}, {U'\u2261', "\\equiv"}, {U'\u2264', "\\leq"},
    {U'\u2265', "\\geq"}, {U'\u2282', "\\subset"}, {U'\u2283', "\\supset"},
    {U'\u2284', "\\not\\subset"}, {U'\u2286', "\\subseteq"}, {U'\u2287', "\\supseteq"},
    {U'\u2295', "\\oplus"}, {U'\u2297', "\\otimes"}, {U'\u22A5', "\\perp"}, {U'\u22C5', "\\cdot"},
    {U'\u2329', "\\langle"}, {U'\u232A', "\\rangle"}, {U'\u25CA', "\\lozenge"},
    {U'\u2663', "\\clubsuit"}, {U'\u2665', "\\heartsuit"}, {U'\u2666', "\\diamondsuit"},
    {U'\u2660', "\\spadesuit"}, {U'\u2013', "-"}, {U'\u2014', "-"},
    {U'\u00A0', "~"}, {U'\u00A3', "\\pounds"}, {U'\u00A5', "\\yen"}, {U'\u00A7', "\\S"},
    {U'\u00A9', "\\copyright"}, {U'\u00AE', "\\circledR"}, {U'\u00B5', "\\mu"},
    {U'\u00B6', "\\P"}, {U'\u2020', "\\dagger"}, {U'\u2021', "\\ddagger"},
    {U'\u2018', "\\text{\\textquoteleft}"}, {U'\u2019', "\\text{\\textquoteright}"},
    {U'\u201C', "\\text{\\textquotedblleft}"}, {U'\u201D', "\\text{\\textquotedblright}"},
});
// clang-format on

// Function names that LaTeX has a command for.
constexpr auto kFunctionCommands = std::to_array<std::string_view>(
    {"arccos", "arcsin", "arctan", "arg", "cos", "cosh", "cot",  "coth", "csc", "deg",
     "det",    "dim",    "exp",    "gcd", "hom", "inf",  "ker",  "lg",   "lim", "ln",
     "log",    "max",    "min",    "Pr",  "sec", "sin",  "sinh", "sup",  "tan", "tanh"});

std::string_view CommandOf(char32_t character) {
  for (const Command& entry : kCommands) {
    if (entry.character == character) return entry.command;
  }
  return {};
}

// ASCII characters LaTeX gives a meaning of its own, and what stands for each in math mode and
// inside \text{...}.
struct AsciiCommand {
  char character;
  std::string_view math;
  std::string_view text;
};
constexpr auto kAsciiCommands = std::to_array<AsciiCommand>({
    {'\\', "\\backslash", "\\textbackslash{}"},
    {'{', "\\{", "\\{"},
    {'}', "\\}", "\\}"},
    {'$', "\\$", "\\$"},
    {'&', "\\&", "\\&"},
    {'#', "\\#", "\\#"},
    {'%', "\\%", "\\%"},
    {'_', "\\_", "\\_"},
    {'^', "\\hat{}", "\\textasciicircum{}"},
    {'~', "\\sim", "\\textasciitilde{}"},
    // Text fonts of the old encodings have other characters in these places.
    {'<', "<", "\\textless{}"},
    {'>', ">", "\\textgreater{}"},
    {'|', "|", "\\textbar{}"},
});

const AsciiCommand* AsciiCommandOf(char c) {
  for (const AsciiCommand& entry : kAsciiCommands) {
    if (entry.character == c) return &entry;
  }
  return nullptr;
}

// Letters beyond ASCII that text mode takes as they are: the accented Latin letters of the
// character set equations are typed in.
bool IsTextLetter(char32_t c) {
  switch (c) {
    case U'\u00D7':
    case U'\u00F7':
      return false;
    case U'\u0152':
    case U'\u0153':
    case U'\u0160':
    case U'\u0161':
    case U'\u0178':
    case U'\u017D':
    case U'\u017E':
      return true;
    default:
      return c >= U'\u00C0' && c <= U'\u00FF';
  }
}

// Signs beyond ASCII that text mode takes as they are.
bool IsTextSign(char32_t c) {
  switch (c) {
    case U'\u00A3':
    case U'\u00A5':
    case U'\u00A9':
    case U'\u00AE':
    case U'\u00B0':
    case U'\u00B7':
    case U'\u2013':
    case U'\u2014':
    case U'\u2018':
    case U'\u2019':
    case U'\u201C':
    case U'\u201D':
    case U'\u2026':
      return true;
    default:
      return false;
  }
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Whether `out` ends in a control word (a backslash and letters), which a following letter
// would lengthen.
bool EndsInControlWord(const std::string& out) {
  std::size_t i = out.size();
  while (i > 0 && IsLetter(out[i - 1]))
    --i;
  return i < out.size() && i > 0 && out[i - 1] == '\\';
}

class LatexWriter {
 public:
  std::string Write(const Item& equation) {
    Content(equation);
    return std::move(out_);
  }

 private:
  // Appends a piece, keeping a control word apart from a letter after it.
  void Put(std::string_view piece) {
    if (!piece.empty() && IsLetter(piece.front()) && EndsInControlWord(out_)) out_ += ' ';
    out_ += piece;
  }

  // A character in math mode: ASCII as itself (or its command), others by their command, and
  // a character with none as text.
  void MathCharacter(char32_t character) {
    if (character < 0x80) {
      const char c = static_cast<char>(character);
      const AsciiCommand* command = AsciiCommandOf(c);
      Put(command != nullptr ? command->math : std::string_view(&c, 1));
      return;
    }
    const std::string_view command = CommandOf(character);
    if (!command.empty()) {
      Put(command);
    } else if (IsTextLetter(character)) {
      Put("\\text{");
      AppendUtf8(out_, character);
      out_ += '}';
    } else {
      CharacterNumber(character);
    }
  }

  // A character by its number, which TeX takes where it has no command for it.
  void CharacterNumber(char32_t character) {
    std::array<char, 8> digits{};
    const auto end =
        std::to_chars(digits.begin(), digits.end(), static_cast<std::uint32_t>(character), 16).ptr;
    out_ += "{\\char\"";
    for (const char* digit = digits.begin(); digit != end; ++digit)
      out_ += static_cast<char>(*digit >= 'a' ? *digit - 'a' + 'A' : *digit);
    out_ += '}';
  }

  void MathCharacters(std::string_view utf8) {
    std::size_t at = 0;
    while (at < utf8.size())
      MathCharacter(DecodeUtf8(utf8, at));
  }

  void TextCharacters(std::string_view utf8) {
    std::size_t at = 0;
    while (at < utf8.size()) {
      const char32_t character = DecodeUtf8(utf8, at);
      if (character >= 0x80) {
        if (IsTextLetter(character) || IsTextSign(character)) {
          AppendUtf8(out_, character);
        } else {
          CharacterNumber(character);
        }
        continue;
      }
      const char c = static_cast<char>(character);
      const AsciiCommand* command = AsciiCommandOf(c);
      if (command != nullptr) {
        out_ += command->text;
      } else {
        out_ += c;
      }
    }
  }

  // `body` wrapped in the font command the variant asks for.
  template <typename Body>
  void Styled(Variant variant, bool singleLetter, Body body) {
    std::string_view command;
    switch (variant) {
      case Variant::kDefault:
        break;
      case Variant::kNormal:
        command = "\\mathrm{";
        break;
      case Variant::kItalic:
        if (!singleLetter) command = "\\mathit{";
        break;
      case Variant::kBold:
        command = "\\mathbf{";
        break;
      case Variant::kBoldItalic:
        command = "\\boldsymbol{";
        break;
    }
    if (command.empty()) {
      body();
      return;
    }
    Put(command);
    body();
    out_ += '}';
  }

  void Identifier(const Item& leaf) {
    if (leaf.largeOperator == LargeOperator::kLimit) {
      Put("\\lim\\limits");
      return;
    }
    const bool single = IsSingleCharacter(leaf.text);
    if (single) {
      Styled(leaf.variant, true, [&] { MathCharacters(leaf.text); });
      return;
    }
    const bool knownFunction =
        leaf.function && std::find(kFunctionCommands.begin(), kFunctionCommands.end(), leaf.text) !=
                             kFunctionCommands.end();
    // A word is upright unless its style says otherwise: a function's name by its command or
    // \operatorname, any other word (a unit) in \mathrm.
    if (leaf.variant == Variant::kDefault || leaf.variant == Variant::kNormal) {
      if (knownFunction) {
        Put("\\");
        out_ += leaf.text;
      } else {
        Put(leaf.function ? "\\operatorname{" : "\\mathrm{");
        MathCharacters(leaf.text);
        out_ += '}';
      }
      return;
    }
    Styled(leaf.variant, false, [&] { MathCharacters(leaf.text); });
  }

  void Number(const Item& leaf) {
    Styled(leaf.variant == Variant::kNormal ? Variant::kDefault : leaf.variant, false, [&] {
      std::size_t at = 0;
      while (at < leaf.text.size()) {
        const char32_t character = DecodeUtf8(leaf.text, at);
        // A comma between digits is a decimal comma, not punctuation followed by a space.
        if (character == U',') {
          out_ += "{,}";
        } else {
          MathCharacter(character);
        }
      }
    });
  }

  void Operator(const Item& leaf) {
    switch (leaf.largeOperator) {
      case LargeOperator::kIntegral:
        Put("\\int");
        return;
      case LargeOperator::kSum:
        Put("\\sum\\limits");
        return;
      case LargeOperator::kProduct:
        Put("\\prod\\limits");
        return;
      default:
        break;
    }
    const Variant variant = leaf.variant == Variant::kNormal || leaf.variant == Variant::kItalic
                                ? Variant::kDefault
                                : leaf.variant;
    Styled(variant, false, [&] { MathCharacters(leaf.text); });
  }

  void Text(const Item& leaf) {
    std::string_view command = "\\text{";
    std::string_view close = "}";
    switch (leaf.variant) {
      case Variant::kItalic:
        command = "\\textit{";
        break;
      case Variant::kBold:
        command = "\\textbf{";
        break;
      case Variant::kBoldItalic:
        command = "\\textbf{\\textit{";
        close = "}}";
        break;
      default:
        break;
    }
    Put(command);
    TextCharacters(leaf.text);
    out_ += close;
  }

  // A root's index is an optional argument, braced when a bracket in it would end it.
  void Index(const Item& index) {
    const std::size_t start = out_.size();
    out_ += '[';
    Content(index);
    if (out_.find(']', start + 1) != std::string::npos) {
      out_.insert(start + 1, 1, '{');
      out_ += '}';
    }
    out_ += ']';
  }

  void Group(const Item& item) {
    out_ += '{';
    Content(item);
    out_ += '}';
  }

  // A script's base: a leaf or a fence stands as it is, anything else in braces.
  void Base(const Item& base) {
    const Item* core = &base;
    while (core->kind == ItemKind::kRow && core->children.size() == 1)
      core = &core->children.front();
    switch (core->kind) {
      case ItemKind::kIdentifier:
      case ItemKind::kNumber:
      case ItemKind::kOperator:
      case ItemKind::kFence:
        Content(*core);
        return;
      default:
        Group(*core);
    }
  }

  void Scripts(const Item& item, const Item* below, const Item* above) {
    Base(item.children.front());
    if (below != nullptr) {
      out_ += '_';
      Group(*below);
    }
    if (above != nullptr) {
      out_ += '^';
      Group(*above);
    }
  }

  // A delimiter after \left or \right; a sign that cannot be one stands alone beside it.
  void Delimiter(std::string_view side, std::string_view sign) {
    Put(side);
    if (sign.empty()) {
      out_ += '.';
      return;
    }
    static constexpr std::array<std::string_view, 6> kPlain = {"(", ")", "[", "]", "|", "/"};
    if (std::find(kPlain.begin(), kPlain.end(), sign) != kPlain.end()) {
      out_ += sign;
    } else if (sign == "{") {
      out_ += "\\{";
    } else if (sign == "}") {
      out_ += "\\}";
    } else if (sign == "\u2016") {
      out_ += "\\|";
    } else if (sign == "\u2329") {
      out_ += "\\langle";
    } else if (sign == "\u232A") {
      out_ += "\\rangle";
    } else {
      out_ += '.';
      MathCharacters(sign);
    }
  }

  void Fence(const Item& fence) {
    Delimiter("\\left", fence.text);
    for (const Item& child : fence.children)
      Content(child);
    Delimiter("\\right", fence.close);
  }

  void Marked(const Item& item) {
    std::string_view command;
    switch (item.mark) {
      case Mark::kBar:
        command = "\\overline{";
        break;
      case Mark::kDot:
        command = "\\dot{";
        break;
      case Mark::kDoubleDot:
        command = "\\ddot{";
        break;
      case Mark::kHat:
        command = "\\widehat{";
        break;
      case Mark::kArrowRight:
        command = "\\overrightarrow{";
        break;
      case Mark::kArrowLeft:
        command = "\\overleftarrow{";
        break;
      case Mark::kArrowBoth:
        command = "\\overleftrightarrow{";
        break;
      case Mark::kTilde:
        command = "\\widetilde{";
        break;
      case Mark::kLine:
        command = "\\underline{";
        break;
    }
    Put(command);
    Content(item.children.front());
    out_ += '}';
  }

  void Table(const Item& table) {
    Put(table.lines ? "\\begin{array}{l}" : "\\begin{matrix}");
    for (std::size_t r = 0; r < table.children.size(); ++r) {
      if (r > 0) out_ += " \\\\ ";
      const Item& row = table.children[r];
      for (std::size_t c = 0; c < row.children.size(); ++c) {
        if (c > 0) out_ += " & ";
        Content(row.children[c]);
      }
    }
    Put(table.lines ? "\\end{array}" : "\\end{matrix}");
  }

  void Content(const Item& item) {
    switch (item.kind) {
      case ItemKind::kIdentifier:
        return Identifier(item);
      case ItemKind::kNumber:
        return Number(item);
      case ItemKind::kOperator:
        return Operator(item);
      case ItemKind::kText:
        return Text(item);
      case ItemKind::kSpace:
        for (int i = 0; i < item.quarterEms; ++i)
          Put("\\;");
        return;
      case ItemKind::kFunctionApplication:
      case ItemKind::kInvisibleTimes:
        return;
      case ItemKind::kRow:
        for (const Item& child : item.children)
          Content(child);
        return;
      case ItemKind::kFence:
        return Fence(item);
      case ItemKind::kFraction:
        Put("\\frac");
        Group(item.children[0]);
        Group(item.children[1]);
        return;
      case ItemKind::kSquareRoot:
        Put("\\sqrt");
        Group(item.children[0]);
        return;
      case ItemKind::kRoot:
        Put("\\sqrt");
        Index(item.children[1]);
        Group(item.children[0]);
        return;
      case ItemKind::kSuperscript:
        return Scripts(item, nullptr, &item.children[1]);
      case ItemKind::kSubscript:
        return Scripts(item, &item.children[1], nullptr);
      case ItemKind::kSubSuperscript:
        return Scripts(item, &item.children[1], &item.children[2]);
      case ItemKind::kUnderOver:
        return Scripts(item, &item.children[1], &item.children[2]);
      case ItemKind::kUnder:
        if (item.children.size() == 1) return Marked(item);
        return Scripts(item, &item.children[1], nullptr);
      case ItemKind::kOver:
        if (item.children.size() == 1) return Marked(item);
        return Scripts(item, nullptr, &item.children[1]);
      case ItemKind::kTable:
        return Table(item);
    }
  }

  std::string out_;
};

}  // namespace

std::string WriteLatex(const Item& equation) {
  return LatexWriter().Write(equation);
}

}  // namespace kv::markup
