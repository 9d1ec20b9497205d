// The tokenizing steps of a parse, checked as tree notation of the top row.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

EquationSettings DefaultSettings() {
  EquationSettings settings;
  settings.ResetToDefaults(".");  // separator ","
  return settings;
}

struct Case {
  std::string_view text;
  std::string_view tokens;
};

void ExpectTokens(std::initializer_list<Case> cases,
                  const EquationSettings& settings = DefaultSettings()) {
  for (const Case& c : cases) {
    EquationLine line;
    line.Tokenize(c.text, settings);
    EXPECT_EQ(TreeNotation(line.TopRow()), c.tokens) << "text: " << c.text;
  }
}

EquationSettings With(const std::function<void(EquationSettings&)>& change) {
  EquationSettings settings = DefaultSettings();
  change(settings);
  return settings;
}

TEST(Tokenizer, CutsQuotedTextNumbersAndSingleCharacters) {
  ExpectTokens({
      {"", ""},
      // Quoted text keeps its quotes; an unclosed quote runs to the end, also after a pair.
      {R"(!"x+1"?"pi"!)", R"(RAW"!" QUOTED"\"x+1\"" RAW"?" QUOTED"\"pi\"" RAW"!")"},
      {R"("ab c+)", R"(QUOTED"\"ab c+")"},
      {R"("a"b"c)", R"(QUOTED"\"a\"" VARIABLE"b" QUOTED"\"c")"},
      // Numbers are runs of digits and full stops; signs and exponents are not read yet.
      {"12.5x", R"(NUMBER"12.5" VARIABLE"x")"},
      {"1e5", R"(NUMBER"1" VARIABLE"e" NUMBER"5")"},
      {".5-1.5.2", R"(NUMBER".5" SUBTRACT"-" NUMBER"1.5.2")"},
      // Every single-character class, in a text that no list claims.
      {"[{(a)}]+b-c*d,e=f>g<h/i^j",
       R"x(OPEN"[" OPEN"{" OPEN"(" VARIABLE"a" CLOSE")" CLOSE"}" CLOSE"]" ADD"+" VARIABLE"b" )x"
       R"(SUBTRACT"-" VARIABLE"c" MULTIPLY"*" VARIABLE"d" SEPARATOR"," VARIABLE"e" EQUAL"=" )"
       R"(VARIABLE"f" GREATER">" VARIABLE"g" LESS"<" VARIABLE"h" DIVIDE"/" VARIABLE"i" )"
       R"(POWER"^" VARIABLE"j")"},
      // Every o that no list took is a degree sign.
      {"x o", R"(VARIABLE"x" SPACE" " DEGREE"o")"},
      {"box45`", R"(VARIABLE"b" DEGREE"o" VARIABLE"x" NUMBER"45" DEGREE"`")"},
      {"a\xBB"
       "b\\1\xA7y",
       R"(VARIABLE"a" TAB"\xbb" VARIABLE"b" SUBSCRIPT"\\" NUMBER"1" SUBSCRIPT"\xa7" VARIABLE"y")"},
      // Bytes no class claims stay as typed.
      {"?", R"(RAW"?")"},
      {std::string_view("a!?\0\x80", 5), R"(VARIABLE"a" RAW"!?\x00\x80")"},
  });
}

TEST(Tokenizer, FeatureSwitchesAndTheSeparatorChooseClasses) {
  ExpectTokens({{"a,b;c", R"(VARIABLE"a" RAW"," VARIABLE"b" SEPARATOR";" VARIABLE"c")"}},
               With([](EquationSettings& s) { s.Separator.Set(";"); }));
  ExpectTokens({{"a;2,5", R"(VARIABLE"a" RAW";" NUMBER"2" RAW"," NUMBER"5")"}},
               With([](EquationSettings& s) { s.Separator.Set(""); }));
  ExpectTokens({{R"("box`)"
                 "\xBB\\\xA7",
                 R"(RAW"\"" VARIABLE"b" VARIABLE"o" VARIABLE"x" )"
                 R"(RAW"`\xbb\\\xa7")"}},
               With([](EquationSettings& s) {
                 s.switches.QuotedText = false;
                 s.switches.LetterODegree = false;
                 s.switches.BackquoteDegree = false;
                 s.switches.GuillemetTab = false;
                 s.switches.BackslashSubscripts = false;
               }));
}

TEST(Tokenizer, PairsVerticalBars) {
  ExpectTokens({
      {"|x|+|y|", R"(OPEN"|" VARIABLE"x" CLOSE"|" ADD"+" OPEN"|" VARIABLE"y" CLOSE"|")"},
      // After a bar that opened, a bar opens a nested pair; after a bar that closed, with a pair
      // still open, it closes.
      {"||x||", R"(OPEN"|" OPEN"|" VARIABLE"x" CLOSE"|" CLOSE"|")"},
      // After a bar that closed the last open pair, a bar opens.
      {"|x||", R"(OPEN"|" VARIABLE"x" CLOSE"|" OPEN"|")"},
      {"|a|b|", R"(OPEN"|" VARIABLE"a" CLOSE"|" VARIABLE"b" OPEN"|")"},
      {"| |", R"(OPEN"|" SPACE" " CLOSE"|")"},
      {"|[x]|", R"(OPEN"|[" VARIABLE"x" CLOSE"]|")"},  // the two-character keys of the lists
  });
}

TEST(Recognition, MainListsFindWordsAndSymbols) {
  ExpectTokens({
      {"pi", R"(GREEK"p")"},
      {"sin-1 sin", R"(ARCSINCOSTAN"sin-1" SPACE" " FUNCTION"sin")"},
      {"<=>", R"(SPACEDSYMBOL"\xdb")"},
      // No word boundaries, and case matters.
      {"using", R"(VARIABLE"u" FUNCTION"sin" VARIABLE"g")"},
      {"Sin", R"(VARIABLE"S" VARIABLE"i" VARIABLE"n")"},
      // om is found first; the scan goes on in "ega" and finds ga.
      {"omega", R"(GREEK"w" VARIABLE"e" GREEK"g")"},
      {"LaL", R"(UNIT"L" VARIABLE"a" UNIT"L")"},
      {"sqrt root int", R"(SQRT"sqrt" SPACE" " ROOT"root" SPACE" " CODEDRAW2"int")"},
      {"tri inf /*^^", R"(SYMBOL"D" SPACE" " SYMBOL"\xa5" SPACE" " SYMBOL"\xad")"},
      // A slash and a space is a division sign; a slash alone a fraction.
      {"a/ b/c", R"(VARIABLE"a" SPACEDSYMBOL"\xb8" VARIABLE"b" DIVIDE"/" VARIABLE"c")"},
      // A space and a colon is a ratio; a colon and two colons are accents.
      {"a :b:c::", R"(VARIABLE"a" NUMBER" :" VARIABLE"b" MODIFIER":" VARIABLE"c" MODIFIER"::")"},
      {"+-3", R"(RAW"\xb1" NUMBER"3")"},
      {"-->", R"(SUBTRACT"-" SPACEDSYMBOL"\xae")"},
      // Macros, expanded and read like typed text.
      {"qf", R"(VARIABLE"x" EQUAL"=" OPEN"(" SUBTRACT"-" VARIABLE"b" RAW"\xb1" SQRT"sr" )"
             R"(OPEN"(" VARIABLE"b" NUMBER"2" SUBTRACT"-" NUMBER"4" VARIABLE"a" VARIABLE"c" )"
             R"x(CLOSE")" CLOSE")" DIVIDE"/" NUMBER"2" VARIABLE"a")x"},
      {"pv7", R"(NUMBER"3.1415927")"},
      // Shorthand: the longest key first, then what is left.
      {"xx+xxxxxxx", R"(VARIABLE"x" NUMBER"2" ADD"+" VARIABLE"x" NUMBER"6" VARIABLE"x")"},
  });

  // Replaced tokens keep the typed characters; plain-list tokens are the typed characters.
  EquationLine line;
  line.Tokenize("pi+- :sin", DefaultSettings());
  const NodeRow& row = line.TopRow();
  ASSERT_EQ(TreeNotation(row), R"(GREEK"p" RAW"\xb1" NUMBER" :" FUNCTION"sin")");
  EXPECT_EQ(row.At(0).SourceText(), "pi");
  EXPECT_EQ(row.At(1).SourceText(), "+-");
  EXPECT_EQ(row.At(2).SourceText(), " :");
  EXPECT_EQ(row.At(3).SourceText(), "");
}

TEST(Recognition, SettingsChangeTheLists) {
  // A key in two lists takes the later list's kind; an empty key never matches.
  ExpectTokens({{"5Hz mod", R"(NUMBER"5" UNIT"Hz" SPACE" " FUNCTION"mod")"}},
               With([](EquationSettings& s) { s.UnitsList.Set("mod,Hz,"); }));
  // A macro whose body holds its own name expands once; a body "2" is the byte 2, which no later
  // pass claims, while "0" stays a digit.
  ExpectTokens({{"abab", R"(VARIABLE"a" VARIABLE"b" ADD"+" NUMBER"1" VARIABLE"a" VARIABLE"b" )"
                         R"(ADD"+" NUMBER"1")"},
                {"t u", R"(RAW"\x02" SPACE" " NUMBER"0")"}},
               With([](EquationSettings& s) { s.MacroList.Set("ab%ab+1%t%2%u%0%"); }));
  ExpectTokens({{"qf xx +-", R"(VARIABLE"q" VARIABLE"f" SPACE" " VARIABLE"x" VARIABLE"x" )"
                             R"(SPACE" " ADD"+" SUBTRACT"-")"},
                {"-->a<--b<->", R"(IVRIGHT"-->" VARIABLE"a" IVLEFT"<--" VARIABLE"b" IVBOTH"<->")"}},
               With([](EquationSettings& s) {
                 s.switches.ExpandMacros = false;
                 s.switches.PlusMinusSymbol = false;
                 s.UseAutographEntry.Set(false);
                 s.UseIndicatedVectors.Set(true);
               }));

  // Tables are kept between parses: one line read under changing lists follows each change,
  // also back to lists it has seen before.
  const EquationSettings hertz = With([](EquationSettings& s) { s.UnitsList.Set("Hz"); });
  const EquationSettings noMacros = With([](EquationSettings& s) { s.MacroList.Set(""); });
  EquationLine reused;
  for (int round = 0; round < 2; ++round) {
    reused.Tokenize("5cm 5Hz", DefaultSettings());
    EXPECT_EQ(TreeNotation(reused.TopRow()),
              R"(NUMBER"5" UNIT"cm" SPACE" " NUMBER"5" VARIABLE"H" VARIABLE"z")");
    reused.Tokenize("5cm 5Hz", hertz);
    EXPECT_EQ(TreeNotation(reused.TopRow()),
              R"(NUMBER"5" VARIABLE"c" VARIABLE"m" SPACE" " NUMBER"5" UNIT"Hz")");
    reused.Tokenize("qf", noMacros);
    EXPECT_EQ(TreeNotation(reused.TopRow()), R"(VARIABLE"q" VARIABLE"f")");
    reused.Tokenize("qf", DefaultSettings());
    EXPECT_NE(TreeNotation(reused.TopRow()), R"(VARIABLE"q" VARIABLE"f")") << "qf is a macro";
  }

  // A pair entry with an empty replacement gives the typed key as the text. Within a position
  // the table's order decides, not the key's length.
  EquationLine line;
  line.LoadText("x zz abc");
  RecognitionTable table;
  table.SetList("zz,", TK_SYMBOL, ListForm::kPairs, ',');
  table.AddList(",ab,abc", TK_UNIT, ListForm::kPlain, ',');
  line.ApplyTable(CompiledTable(std::move(table)));
  EXPECT_EQ(TreeNotation(line.TopRow()), R"(RAW"x " SYMBOL"zz" RAW" " UNIT"ab" RAW"c")");
  EXPECT_EQ(line.TopRow().At(1).SourceText(), "");
}

}  // namespace
}  // namespace kv
