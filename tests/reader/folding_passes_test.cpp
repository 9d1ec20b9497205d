// The folding passes and the parse as a whole: expected trees worked out from the syntax rules by
// hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "settings/equation_settings.h"
#include "support/parse_tree.h"

namespace kv {
namespace {

using test::ParsedTree;

const auto kIndicatedVectors = [](EquationSettings& s) { s.UseIndicatedVectors.Set(true); };

TEST(FoldingPasses, ArrowsTakeTheItemAfterThem) {
  EXPECT_EQ(ParsedTree("x-->y", kIndicatedVectors), R"t(VARIABLE"x" IVRIGHT"-->"{VARIABLE"y"})t");
  EXPECT_EQ(ParsedTree("<--2", kIndicatedVectors), R"t(IVLEFT"<--"{NUMBER"2"})t");
  EXPECT_EQ(ParsedTree("-->(a+b)", kIndicatedVectors),
            R"t(IVRIGHT"-->"{BRACKETS","{VARIABLE"a" ADD"+" VARIABLE"b"}})t");
  EXPECT_EQ(ParsedTree("<->+", kIndicatedVectors), R"t(IVBOTH"<->" ADD"+")t");
  // Arrows inside other nodes' rows are reached too.
  EXPECT_EQ(ParsedTree("x^(-->v)", kIndicatedVectors),
            R"t(VARIABLE"x" POWER{BRACKETS","{IVRIGHT"-->"{VARIABLE"v"}}})t");
}

TEST(FoldingPasses, SubscriptsFoldInEveryRow) {
  EXPECT_EQ(ParsedTree("x^(a\\b)"),
            R"t(VARIABLE"x" POWER{BRACKETS","{VARIABLE"a" SUBSCRIPT{BRACKETS","{VARIABLE"b"}}}})t");
  EXPECT_EQ(ParsedTree("e^(E\\a/kT)", [](EquationSettings& s) { s.LowerCase.Set(0); }),
            R"t(VARIABLE"e" POWER{BRACKETS","{VARIABLE"E" SUBSCRIPT{BRACKETS","{VARIABLE"a"}} )t"
            R"t(FRACTION{BRACKETS","{SPACE" "}}{BRACKETS","{VARIABLE"k" VARIABLE"T"}}}})t");
  // Without the switch the backslash is plain text.
  EXPECT_EQ(ParsedTree("x\\y", [](EquationSettings& s) { s.switches.BackslashSubscripts = false; }),
            R"t(VARIABLE"x" RAW"\\" VARIABLE"y")t");
}

TEST(FoldingPasses, SquareRoots) {
  EXPECT_EQ(ParsedTree("sqrt(x+1)"),
            R"t(BRACKETS","{SQRT{BRACKETS","{VARIABLE"x" ADD"+" NUMBER"1"}}})t");
  // The spaces and the group after them form the radicand.
  EXPECT_EQ(ParsedTree("sqrt x"), R"t(BRACKETS","{SQRT{SPACE" " BRACKETS","{VARIABLE"x"}}})t");
  EXPECT_EQ(ParsedTree("sr2"), R"t(BRACKETS","{SQRT{BRACKETS","{NUMBER"2"}}})t");
  EXPECT_EQ(ParsedTree("sqrt(sqrt x)"), R"t(BRACKETS","{SQRT{BRACKETS","{BRACKETS","{)t"
                                        R"t(SQRT{SPACE" " BRACKETS","{VARIABLE"x"}}}}}})t");
}

TEST(FoldingPasses, BigOperators) {
  EXPECT_EQ(ParsedTree("int(0,1)"), R"t(CODEDRAW2"int"{NUMBER"0"}{NUMBER"1"})t");
  EXPECT_EQ(ParsedTree("sigma(i=1,n)"),
            R"t(CODEDRAW2"sigma"{VARIABLE"i" EQUAL"=" NUMBER"1"}{VARIABLE"n"})t");
  // Without brackets the operator has no limits.
  EXPECT_EQ(ParsedTree("int x"), R"t(CODEDRAW2"int" SPACE" " VARIABLE"x")t");
  // The last separator splits; the ones before it stay in the lower limit.
  EXPECT_EQ(ParsedTree("int(a,b,c)"),
            R"t(CODEDRAW2"int"{COLUMN{BRACKETS","{VARIABLE"a"}}{BRACKETS","{VARIABLE"b"}}})t"
            R"t({VARIABLE"c"})t");
  // An operator inside another's limits is folded once: it keeps its own limits and the group
  // after it stays in the outer limit.
  EXPECT_EQ(ParsedTree("int(int(a)(b))"),
            R"t(CODEDRAW2"int"{CODEDRAW2"int"{VARIABLE"a"} BRACKETS"(,)"{VARIABLE"b"}})t");
  // A trailing sign of lim is raised; the raised minus has no text.
  EXPECT_EQ(ParsedTree("lim(x->0-)"),
            R"t(CODEDRAW2"lim"{VARIABLE"x" SPACEDSYMBOL"\xae" NUMBER"0" POWER{SUBTRACT}})t");
  EXPECT_EQ(ParsedTree("lim(x->0+)"),
            R"t(CODEDRAW2"lim"{VARIABLE"x" SPACEDSYMBOL"\xae" NUMBER"0" POWER{ADD"+"}})t");
}

TEST(FoldingPasses, FractionsAndTheirOperands) {
  EXPECT_EQ(ParsedTree("a/b"), R"t(FRACTION{BRACKETS","{VARIABLE"a"}}{BRACKETS","{VARIABLE"b"}})t");
  EXPECT_EQ(ParsedTree("a/b+c"), R"t(FRACTION{BRACKETS","{VARIABLE"a"}}{BRACKETS","{VARIABLE"b"}})t"
                                 R"t( ADD"+" VARIABLE"c")t");
  EXPECT_EQ(ParsedTree("(a+b)/(c+d)"), R"t(FRACTION{BRACKETS","{VARIABLE"a" ADD"+" VARIABLE"b"}})t"
                                       R"t({BRACKETS","{VARIABLE"c" ADD"+" VARIABLE"d"}})t");
  EXPECT_EQ(ParsedTree("a/b/c"), R"t(FRACTION{BRACKETS","{VARIABLE"a"}}{FRACTION{BRACKETS","{)t"
                                 R"t(VARIABLE"b"}}{BRACKETS","{VARIABLE"c"}}})t");
  // A bracket with no partner after "/" reaches to the row's end.
  EXPECT_EQ(ParsedTree("a/(b"),
            R"t(FRACTION{BRACKETS","{VARIABLE"a"}}{BRACKETS","{VARIABLE"b"}})t");
  EXPECT_EQ(ParsedTree("1/2/3"), R"t(FRACTION{BRACKETS","{NUMBER"1"}}{FRACTION{BRACKETS","{)t"
                                 R"t(NUMBER"2"}}{BRACKETS","{NUMBER"3"}}})t");
  // A fraction inside a typed bracket of another's numerator is folded in the numerator's row.
  EXPECT_EQ(
      ParsedTree("(a/b)/c"),
      R"t(FRACTION{BRACKETS","{FRACTION{BRACKETS","{VARIABLE"a"}}{BRACKETS","{VARIABLE"b"}}}})t"
      R"t({BRACKETS","{VARIABLE"c"}})t");
  EXPECT_EQ(ParsedTree("x^2/3"),
            R"t(FRACTION{BRACKETS","{VARIABLE"x" POWER{BRACKETS","{NUMBER"2"}}}})t"
            R"t({BRACKETS","{NUMBER"3"}})t");
  EXPECT_EQ(ParsedTree("/"), R"t(FRACTION{BRACKETS","{SPACE" "}}{BRACKETS","{SPACE" "}})t");
  // A stray closing bracket before "/" stays before the fraction; the left operand is empty.
  EXPECT_EQ(ParsedTree("a)/b"), R"t(VARIABLE"a" CLOSE")" FRACTION{BRACKETS","{SPACE" "}})t"
                                R"t({BRACKETS","{VARIABLE"b"}})t");
}

TEST(FoldingPasses, ColumnsFromSeparators) {
  EXPECT_EQ(ParsedTree("1,2,3"),
            R"t(COLUMN{BRACKETS","{NUMBER"1"}}{COLUMN{BRACKETS","{NUMBER"2"}})t"
            R"t({BRACKETS","{NUMBER"3"}}})t");
  EXPECT_EQ(ParsedTree("1,-2,3/4"),
            R"t(COLUMN{BRACKETS","{NUMBER"1"}}{COLUMN{BRACKETS","{NUMBER"-2"}}{FRACTION{)t"
            R"t(BRACKETS","{NUMBER"3"}}{BRACKETS","{NUMBER"4"}}}})t");
  EXPECT_EQ(ParsedTree("1;2", [](EquationSettings& s) { s.Separator.Set(";"); }),
            R"t(COLUMN{BRACKETS","{NUMBER"1"}}{BRACKETS","{NUMBER"2"}})t");
  EXPECT_EQ(ParsedTree("1,2", [](EquationSettings& s) { s.DetectColumnVectors.Set(false); }),
            R"t(NUMBER"1" SEPARATOR"," NUMBER"2")t");
}

TEST(FoldingPasses, NegativeNumbersAfterEachOperatorKind) {
  EXPECT_EQ(ParsedTree("-3"), R"t(NUMBER"-3")t");
  EXPECT_EQ(ParsedTree("1+ -2"), R"t(NUMBER"1" ADD"+" SPACE" " NUMBER"-2")t");
  EXPECT_EQ(ParsedTree("1--2"), R"t(NUMBER"1" SUBTRACT"-" NUMBER"-2")t");
  EXPECT_EQ(ParsedTree("1*-2"), R"t(NUMBER"1" MULTIPLY"*" NUMBER"-2")t");
  EXPECT_EQ(ParsedTree("2/-3"), R"t(FRACTION{BRACKETS","{NUMBER"2"}}{BRACKETS","{NUMBER"-3"}})t");
  EXPECT_EQ(ParsedTree("(-3)"), R"t(BRACKETS"(,)"{NUMBER"-3"})t");
  EXPECT_EQ(ParsedTree("x = -3"), R"t(VARIABLE"x" SPACE" " EQUAL"=" SPACE" " NUMBER"-3")t");
  // After an operand it stays a subtraction, also across a space.
  EXPECT_EQ(ParsedTree("a-3"), R"t(VARIABLE"a" SUBTRACT"-" NUMBER"3")t");
  EXPECT_EQ(ParsedTree("x -3"), R"t(VARIABLE"x" SPACE" " SUBTRACT"-" NUMBER"3")t");
  EXPECT_EQ(ParsedTree(" -3"), R"t(SPACE" " SUBTRACT"-" NUMBER"3")t");
  EXPECT_EQ(ParsedTree("--3"), R"t(SUBTRACT"-" NUMBER"-3")t");
}

TEST(FoldingPasses, BracketNodes) {
  EXPECT_EQ(ParsedTree("()"), R"t(BRACKETS"(,)"{SPACE" "})t");
  EXPECT_EQ(ParsedTree("[x)"), R"t(BRACKETS"[,)"{VARIABLE"x"})t");
  EXPECT_EQ(ParsedTree("|[x]|"), R"t(BRACKETS"|[,]|"{VARIABLE"x"})t");
  EXPECT_EQ(ParsedTree("||x||"), R"t(BRACKETS"|,|"{BRACKETS"|,|"{VARIABLE"x"}})t");
  EXPECT_EQ(ParsedTree("|x|+|y|"),
            R"t(BRACKETS"|,|"{VARIABLE"x"} ADD"+" BRACKETS"|,|"{VARIABLE"y"})t");
  // An open bracket with no partner takes the rest of the row.
  EXPECT_EQ(ParsedTree("(x"), R"t(BRACKETS"("{VARIABLE"x"})t");
  EXPECT_EQ(ParsedTree("("), R"t(BRACKETS"("{SPACE" "})t");
  // A stray closing bracket ends the pairing for its row.
  EXPECT_EQ(ParsedTree(")(x)"), R"t(CLOSE")" OPEN"(" VARIABLE"x" CLOSE")")t");
  // A bracket and its power are grouped.
  EXPECT_EQ(ParsedTree("f(x)^2"), R"t(VARIABLE"f" BRACKETS","{BRACKETS"(,)"{VARIABLE"x"} )t"
                                  R"t(POWER{BRACKETS","{NUMBER"2"}}})t");
}

TEST(FoldingPasses, Matrices) {
  const std::string twoByTwo = R"t(MATRIX{BRACKETS","{NUMBER"1"} BRACKETS","{NUMBER"2"} SPACE" " )t"
                               R"t(BRACKETS","{NUMBER"3"} BRACKETS","{NUMBER"4"}})t";
  EXPECT_EQ(ParsedTree("1,2 3,4"), twoByTwo);
  EXPECT_EQ(ParsedTree("(1,2 3,4)"), "BRACKETS\"(,)\"{" + twoByTwo + "}");
  // A shorter column is padded at its bottom with empty cells.
  EXPECT_EQ(ParsedTree("1,2,3 4,5"),
            R"t(MATRIX{BRACKETS","{NUMBER"1"} BRACKETS","{NUMBER"2"} BRACKETS","{NUMBER"3"} )t"
            R"t(SPACE" " BRACKETS","{NUMBER"4"} BRACKETS","{NUMBER"5"} BRACKETS})t");
  // Matrices inside a column's items are built before the column joins a matrix.
  EXPECT_EQ(
      ParsedTree("(1,2 3,4),5 6,7"),
      "MATRIX{BRACKETS\",\"{" + twoByTwo + "} " +
          R"t(BRACKETS","{NUMBER"5"} SPACE" " BRACKETS","{NUMBER"6"} BRACKETS","{NUMBER"7"}})t");
  // One column and one space is no matrix; one column and two spaces is.
  EXPECT_EQ(ParsedTree("1,2 "),
            R"t(COLUMN{BRACKETS","{NUMBER"1"}}{BRACKETS","{NUMBER"2"}} SPACE" ")t");
  EXPECT_EQ(ParsedTree("1,2  "),
            R"t(MATRIX{BRACKETS","{NUMBER"1"} BRACKETS","{NUMBER"2"} SPACE" " SPACE" "})t");
  EXPECT_EQ(ParsedTree("1,2 3,4", [](EquationSettings& s) { s.switches.BuildMatrices = false; }),
            R"t(COLUMN{BRACKETS","{NUMBER"1"}}{BRACKETS","{NUMBER"2"}} SPACE" " )t"
            R"t(COLUMN{BRACKETS","{NUMBER"3"}}{BRACKETS","{NUMBER"4"}})t");
}

TEST(FoldingPasses, MatricesKeepEveryCellOfTallColumns) {
  // 25 items in the first column, 2 in the second: no cap on the height, and the second column
  // padded to 25.
  std::string text = "1";
  for (int i = 0; i < 24; ++i)
    text += ",1";
  text += " 2,2";
  EquationLine line;
  line.Parse(text, test::DefaultSettings());
  ASSERT_EQ(line.TopRow().Size(), 1);
  const EquationNode& matrix = line.TopRow().At(0);
  ASSERT_EQ(matrix.Kind(), TK_MATRIX);
  EXPECT_EQ(matrix.row1.Size(), 25 + 1 + 25);
  EXPECT_EQ(matrix.row1.At(25).Kind(), TK_SPACE);
  EXPECT_EQ(TreeNotation(matrix.row1).substr(0, 18), R"t(BRACKETS","{NUMBER)t");
  for (int cell = 28; cell < matrix.row1.Size(); ++cell) {
    EXPECT_EQ(matrix.row1.At(cell).Kind(), TK_BRACKETS);
    EXPECT_TRUE(matrix.row1.At(cell).Text().empty() && matrix.row1.At(cell).row1.Empty());
  }
}

TEST(FoldingPasses, InverseFunctionsCarryTheirMinusOne) {
  // The "-1" of the name is drawn raised: it is the one node of the function's first row, in
  // every row of the tree; the argument stays beside the function.
  EXPECT_EQ(ParsedTree("sin-1 x"),
            R"t(BRACKETS","{ARCSINCOSTAN"sin-1"{NUMBER"-1"} SPACE" " BRACKETS","{VARIABLE"x"}})t");
  EXPECT_EQ(ParsedTree("x^(cos-1 y)"),
            R"t(VARIABLE"x" POWER{BRACKETS","{BRACKETS","{ARCSINCOSTAN"cos-1"{NUMBER"-1"} )t"
            R"t(SPACE" " BRACKETS","{VARIABLE"y"}}}})t");
}

TEST(FoldingPasses, BracketLimits) {
  EXPECT_EQ(ParsedTree("[x]^2,0"),
            R"t(BRACKETS"[,]"{VARIABLE"x"}{BRACKETS","{NUMBER"0"} BRACKETS","{NUMBER"2"}})t");
  EXPECT_EQ(ParsedTree("(f)^b,a"),
            R"t(BRACKETS"(,)"{VARIABLE"f"}{BRACKETS","{VARIABLE"a"} BRACKETS","{VARIABLE"b"}})t");
  EXPECT_EQ(ParsedTree("(f)^b,a", [](EquationSettings& s) { s.switches.BracketLimits = false; }),
            R"t(BRACKETS"(,)"{VARIABLE"f"} COLUMN{BRACKETS","{POWER{BRACKETS","{VARIABLE"b"}}}})t"
            R"t({BRACKETS","{VARIABLE"a"}})t");
}

// The first node of `kind` with `text` in the tree, searched depth first.
const EquationNode* Find(const NodeRow& top, TokenKind kind, const std::string& text) {
  std::vector<const NodeRow*> pending{&top};
  while (!pending.empty()) {
    const NodeRow& row = *pending.back();
    pending.pop_back();
    for (int i = 0; i < row.Size(); ++i) {
      const EquationNode& node = row.At(i);
      if (node.Kind() == kind && node.Text() == text) return &node;
      pending.push_back(&node.row1);
      pending.push_back(&node.row2);
    }
  }
  return nullptr;
}

struct Levels {
  std::int32_t fraction;
  double script;
  bool operator==(const Levels&) const = default;
};

Levels LevelsOf(const std::string& text, TokenKind kind, const std::string& nodeText) {
  EquationLine line;
  line.Parse(text, test::DefaultSettings());
  const EquationNode* node = Find(line.TopRow(), kind, nodeText);
  if (node == nullptr) return {-1, -1.0};
  return {node->FractionLevel(), node->ScriptLevel()};
}

TEST(FoldingPasses, LevelsOfFractionsAndScripts) {
  // Numeric fractions shrink their rows; algebraic ones do not.
  EXPECT_EQ(LevelsOf("1/2", TK_NUMBER, "2"), (Levels{1, 0.0}));
  EXPECT_EQ(LevelsOf("1/2", TK_NUMBER, "1"), (Levels{1, 0.0}));
  EXPECT_EQ(LevelsOf("x/2", TK_NUMBER, "2"), (Levels{0, 0.0}));
  // A fraction in a denominator is not numeric: only the inner fraction shrinks.
  EXPECT_EQ(LevelsOf("1/(2/3)", TK_NUMBER, "3"), (Levels{1, 0.0}));
  EXPECT_EQ(LevelsOf("1/(2/3)", TK_NUMBER, "1"), (Levels{0, 0.0}));
  // Exponents one step, subscripts one and a half, a root's index one, its radicand none.
  EXPECT_EQ(LevelsOf("x^2", TK_NUMBER, "2"), (Levels{0, 1.0}));
  EXPECT_EQ(LevelsOf("x^(y^2)", TK_NUMBER, "2"), (Levels{0, 2.0}));
  EXPECT_EQ(LevelsOf("x\\2", TK_NUMBER, "2"), (Levels{0, 1.5}));
  EXPECT_EQ(LevelsOf("3root 5", TK_NUMBER, "3"), (Levels{0, 1.0}));
  EXPECT_EQ(LevelsOf("3root 5", TK_NUMBER, "5"), (Levels{0, 0.0}));
  EXPECT_EQ(LevelsOf("int(0,1)", TK_NUMBER, "1"), (Levels{0, 1.0}));
  // An inverse function's "-1" is one step up from its name, in a fraction's levels too.
  EXPECT_EQ(LevelsOf("sin-1 x", TK_NUMBER, "-1"), (Levels{0, 1.0}));
  EXPECT_EQ(LevelsOf("x^(cos-1 y)", TK_NUMBER, "-1"), (Levels{0, 2.0}));
  EXPECT_EQ(LevelsOf("1/(tan-1 2)", TK_NUMBER, "-1"), (Levels{0, 1.0}));

  EquationSettings flat = test::DefaultSettings();
  flat.ShrinkNonAlgebraicFractions.Set(false);
  EquationLine line;
  line.Parse("1/2", flat);
  EXPECT_EQ(Find(line.TopRow(), TK_NUMBER, "2")->FractionLevel(), 0);
}

}  // namespace
}  // namespace kv
