// The character passes of the tokenizer: quoted text, numbers and the single-character classes.
// Each pass looks only at the tokens that are still TK_RAW and cuts classified pieces out of
// them; whatever no pass claims stays TK_RAW and is typeset as plain text.
#include <array>
#include <string_view>

#include "reader/equation_line.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

constexpr char kQuote = '"';
// The number pass always reads the full stop, whatever the DecimalPoint setting says.
constexpr std::string_view kNumberCharacters = "01234567890.";
constexpr char kBar = '|';
constexpr std::string_view kBackquote = "\x60";
constexpr std::string_view kRightGuillemet = "\xBB";
// The backslash and the section sign.
constexpr std::string_view kSubscriptMarks = "\\\xA7";
constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The token kind each byte takes in the single-character pass. A class added earlier keeps its
// characters: a later class that names them too does not get them.
class CharacterClasses {
 public:
  CharacterClasses() { kinds_.fill(TK_RAW); }
  void Add(std::string_view characters, TokenKind kind) {
    for (char c : characters) {
      TokenKind& taken = kinds_[static_cast<unsigned char>(c)];
      if (taken == TK_RAW) taken = kind;
    }
  }
  // TK_RAW for a byte no class takes.
  TokenKind KindOf(char c) const { return kinds_[static_cast<unsigned char>(c)]; }

 private:
  std::array<TokenKind, 256> kinds_{};
};

void FindQuotedText(std::string_view text, TextCuts& cuts) {
  std::size_t position = 0;
  while (true) {
    const std::size_t open = text.find(kQuote, position);
    if (open == std::string_view::npos) return;
    const std::size_t close = text.find(kQuote, open + 1);
    if (close == std::string_view::npos) {
      cuts.push_back({open, text.size() - 1, TK_QUOTED, {}});
      return;
    }
    cuts.push_back({open, close, TK_QUOTED, {}});
    position = close + 1;
  }
}

void FindNumbers(std::string_view text, TextCuts& cuts) {
  std::size_t position = 0;
  while (true) {
    const std::size_t first = text.find_first_of(kNumberCharacters, position);
    if (first == std::string_view::npos) return;
    std::size_t next = text.find_first_not_of(kNumberCharacters, first);
    if (next == std::string_view::npos) next = text.size();
    cuts.push_back({first, next - 1, TK_NUMBER, {}});
    position = next;
  }
}

// The first character of the Separator setting, or nothing when it is empty.
std::string_view SeparatorCharacter(const EquationSettings& settings) {
  return std::string_view(settings.Separator.Current()).substr(0, 1);
}

}  // namespace

void EquationLine::CutQuotedText() {
  CutRawTokens(FindQuotedText);
}

void EquationLine::CutNumbers() {
  CutRawTokens(FindNumbers);
}

// The order matters: a class takes its characters before the later ones see them, so a lower-case
// o that no list took becomes a degree sign, not a letter. Every character of a class becomes a
// token of its own, so all classes are cut in one sweep.
void EquationLine::CutSingleCharacters(const EquationSettings& settings) {
  const FeatureSwitches& on = settings.switches;
  CharacterClasses classes;
  classes.Add(" ", TK_SPACE);
  classes.Add("|", TK_ABS);
  classes.Add("[{(", TK_OPEN);
  classes.Add(")}]", TK_CLOSE);
  classes.Add("+", TK_ADD);
  classes.Add("-", TK_SUBTRACT);
  classes.Add("*", TK_MULTIPLY);
  classes.Add(SeparatorCharacter(settings), TK_SEPARATOR);
  classes.Add("=", TK_EQUAL);
  classes.Add(">", TK_GREATER);
  classes.Add("<", TK_LESS);
  if (on.BackquoteDegree) classes.Add(kBackquote, TK_DEGREE);
  if (on.LetterODegree) classes.Add("o", TK_DEGREE);
  if (on.GuillemetTab) classes.Add(kRightGuillemet, TK_TAB);
  classes.Add("/", TK_DIVIDE);
  classes.Add("^", TK_POWER);
  if (on.BackslashSubscripts) classes.Add(kSubscriptMarks, TK_SUBSCRIPT);
  classes.Add(kLetters, TK_VARIABLE);
  CutRawTokens([&classes](std::string_view text, TextCuts& cuts) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const TokenKind kind = classes.KindOf(text[i]);
      if (kind != TK_RAW) cuts.push_back({i, i, kind, {}});
    }
  });
  // Bars are paired by their neighbours, which are the same tokens whether or not the other
  // classes were cut first.
  PairVerticalBars();
}

// A bar opens when no pair is open. Otherwise it closes, except that a bar directly after another
// bar that opened continues the opening: ||x|| is two nested pairs, |a|+|b| two pairs side by
// side. The previous token's kind is taken as it was before this pass turned bars into brackets.
void EquationLine::PairVerticalBars() {
  int depth = 0;
  bool mayOpen = true;  // the last bar decision was a closing one (or there was none)
  TokenKind previousKind = TK_RAW;
  for (int i = 0; i < top_.Size(); ++i) {
    EquationNode& token = top_.At(i);
    const TokenKind kind = token.Kind();
    if (kind == TK_ABS) {
      const bool opens = depth == 0 || (previousKind == TK_ABS && !mayOpen);
      if (opens) {
        ++depth;
        mayOpen = false;
      } else {
        --depth;
        mayOpen = true;
      }
      token.SetNode(opens ? TK_OPEN : TK_CLOSE, std::string(1, kBar), {});
    }
    previousKind = kind;
  }
}

}  // namespace kv
