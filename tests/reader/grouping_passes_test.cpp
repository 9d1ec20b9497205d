// The grouping passes, seen through the finished tree: each case says how far an operand reaches.
// Expected trees are worked out from the syntax rules by hand.
#include <gtest/gtest.h>

#include "support/parse_tree.h"

namespace kv {
namespace {

using test::ParsedTree;

TEST(GroupingPasses, AccentsTakeTheLetterOrTheLastDigit) {
  EXPECT_EQ(ParsedTree("pi:"), R"t(MODIFIER":"{GREEK"p"})t");
  // A recurring-decimal mark over the last digit only.
  EXPECT_EQ(ParsedTree("0.3:"), R"t(NUMBER"0." MODIFIER":"{NUMBER"3"})t");
  // "_" between two numbers takes the number after it.
  EXPECT_EQ(ParsedTree("1_2"), R"t(NUMBER"1" MODIFIER"_"{NUMBER"2"})t");
  // Each accent is handled once: after taking b, the walk goes on left of the accent, and a
  // stays a letter of its own.
  EXPECT_EQ(ParsedTree("ab:"), R"t(VARIABLE"a" MODIFIER":"{VARIABLE"b"})t");
  // An accent after an accent holds a space.
  EXPECT_EQ(ParsedTree("x:_"), R"t(MODIFIER":"{VARIABLE"x"} MODIFIER"_"{SPACE" "})t");
}

TEST(GroupingPasses, ScientificNotationNeedsACapitalEBetweenNumbers) {
  EXPECT_EQ(ParsedTree("2E5"),
            R"t(NUMBER"2" MULTIPLY"*" NUMBER"10" POWER{BRACKETS","{NUMBER"5"}})t");
  // With a sign: the minus joins the exponent's number.
  EXPECT_EQ(ParsedTree("6.67E-11"),
            R"t(NUMBER"6.67" MULTIPLY"*" NUMBER"10" POWER{BRACKETS","{NUMBER"-11"}})t");
  // Lower-case e, a letter before E, or a sign before a letter: no scientific notation.
  EXPECT_EQ(ParsedTree("2e5"), R"t(NUMBER"2" VARIABLE"e" POWER{BRACKETS","{NUMBER"5"}})t");
  EXPECT_EQ(ParsedTree("xE5"), R"t(VARIABLE"x" VARIABLE"E" POWER{BRACKETS","{NUMBER"5"}})t");
  EXPECT_EQ(ParsedTree("2E-x"), R"t(NUMBER"2" VARIABLE"E" SUBTRACT"-" VARIABLE"x")t");
  EXPECT_EQ(ParsedTree("2E5", [](EquationSettings& s) { s.switches.ScientificNotation = false; }),
            R"t(NUMBER"2" VARIABLE"E" POWER{BRACKETS","{NUMBER"5"}})t");
}

TEST(GroupingPasses, PowerAndSubscriptOperands) {
  EXPECT_EQ(ParsedTree("x^2ab"),
            R"t(VARIABLE"x" POWER{BRACKETS","{NUMBER"2" VARIABLE"a" VARIABLE"b"}})t");
  EXPECT_EQ(ParsedTree("x^2^3"),
            R"t(VARIABLE"x" POWER{BRACKETS","{NUMBER"2" POWER{BRACKETS","{NUMBER"3"}}}})t");
  // The run ends with a "^" whose own operand is then empty.
  EXPECT_EQ(ParsedTree("x^2^"),
            R"t(VARIABLE"x" POWER{BRACKETS","{NUMBER"2" POWER{BRACKETS","{SPACE" "}}}})t");
  // A sign after "^" leaves the exponent empty.
  EXPECT_EQ(ParsedTree("e^-x"),
            R"t(VARIABLE"e" POWER{BRACKETS","{SPACE" "}} SUBTRACT"-" VARIABLE"x")t");
  // Typed brackets after "^" group the exponent and are not drawn.
  EXPECT_EQ(ParsedTree("x^(a+b)"),
            R"t(VARIABLE"x" POWER{BRACKETS","{VARIABLE"a" ADD"+" VARIABLE"b"}})t");
  EXPECT_EQ(ParsedTree("x\\ab"),
            R"t(VARIABLE"x" SUBSCRIPT{BRACKETS","{VARIABLE"a" VARIABLE"b"}})t");
  EXPECT_EQ(ParsedTree("x^"), R"t(VARIABLE"x" POWER)t");
}

TEST(GroupingPasses, ImplicitPowersAfterLettersBracketsUnitsAndFunctions) {
  EXPECT_EQ(ParsedTree("x2y"), R"t(VARIABLE"x" POWER{BRACKETS","{NUMBER"2"}} VARIABLE"y")t");
  EXPECT_EQ(ParsedTree("cm2"), R"t(UNIT"cm" POWER{BRACKETS","{NUMBER"2"}})t");
  EXPECT_EQ(ParsedTree("pi2"), R"t(GREEK"p" POWER{BRACKETS","{NUMBER"2"}})t");
  EXPECT_EQ(ParsedTree("(a+b)2"), R"t(BRACKETS","{BRACKETS"(,)"{VARIABLE"a" ADD"+" VARIABLE"b"} )t"
                                  R"t(POWER{BRACKETS","{NUMBER"2"}}})t");
  // After log the number is the base, a subscript.
  EXPECT_EQ(ParsedTree("log2 x"),
            R"t(BRACKETS","{FUNCTION"log" SUBSCRIPT{BRACKETS","{NUMBER"2"}} )t"
            R"t(BRACKETS","{SPACE" " VARIABLE"x"}})t");
}

TEST(GroupingPasses, FunctionArguments) {
  EXPECT_EQ(ParsedTree("sin x"),
            R"t(BRACKETS","{FUNCTION"sin" SPACE" " BRACKETS","{VARIABLE"x"}})t");
  EXPECT_EQ(ParsedTree("sin 2x"),
            R"t(BRACKETS","{FUNCTION"sin" SPACE" " BRACKETS","{NUMBER"2" VARIABLE"x"}})t");
  EXPECT_EQ(ParsedTree("sin x+1"),
            R"t(BRACKETS","{FUNCTION"sin" SPACE" " BRACKETS","{VARIABLE"x"}} ADD"+" NUMBER"1")t");
  EXPECT_EQ(ParsedTree("sin x^2"), R"t(BRACKETS","{FUNCTION"sin" SPACE" " )t"
                                   R"t(BRACKETS","{VARIABLE"x" POWER{BRACKETS","{NUMBER"2"}}}})t");
  EXPECT_EQ(ParsedTree("sin(x)"), R"t(BRACKETS","{FUNCTION"sin" BRACKETS"(,)"{VARIABLE"x"}})t");
  // After a power of the function the argument follows the exponent; spaces fall inside it.
  EXPECT_EQ(ParsedTree("sin^2 x"), R"t(BRACKETS","{FUNCTION"sin" POWER{BRACKETS","{NUMBER"2"}} )t"
                                   R"t(BRACKETS","{SPACE" " VARIABLE"x"}})t");
  EXPECT_EQ(ParsedTree("sin^2(x)"), R"t(BRACKETS","{FUNCTION"sin" POWER{BRACKETS","{NUMBER"2"}} )t"
                                    R"t(BRACKETS"(,)"{VARIABLE"x"}})t");
  EXPECT_EQ(ParsedTree("sin2 x"), R"t(BRACKETS","{FUNCTION"sin" POWER{BRACKETS","{NUMBER"2"}} )t"
                                  R"t(BRACKETS","{SPACE" " VARIABLE"x"}})t");
  // The run after the power takes the closing bracket of a bracket it opened.
  EXPECT_EQ(ParsedTree("sin^2 x(a)"),
            R"t(BRACKETS","{FUNCTION"sin" POWER{BRACKETS","{NUMBER"2"}} )t"
            R"t(BRACKETS","{SPACE" " VARIABLE"x" BRACKETS"(,)"{VARIABLE"a"}}})t");
}

TEST(GroupingPasses, RootOperands) {
  EXPECT_EQ(ParsedTree("3root x"), R"t(BRACKETS","{ROOT{BRACKETS","{SPACE" " VARIABLE"x"}})t"
                                   R"t({BRACKETS","{NUMBER"3"}}})t");
  // A bracket index: its typed brackets, and those of the radicand, are not drawn.
  EXPECT_EQ(ParsedTree("(n)root(x+1)"),
            R"t(BRACKETS","{ROOT{BRACKETS","{VARIABLE"x" ADD"+" NUMBER"1"}})t"
            R"t({BRACKETS","{VARIABLE"n"}}})t");
  // No index group before the root: the index stays empty.
  EXPECT_EQ(ParsedTree("1+root x"),
            R"t(NUMBER"1" ADD"+" BRACKETS","{ROOT{BRACKETS","{SPACE" " VARIABLE"x"}}})t");
  // At the row's start the index is an empty invisible group.
  EXPECT_EQ(ParsedTree("root x"), R"t(BRACKETS","{ROOT{BRACKETS","{SPACE" " VARIABLE"x"}})t"
                                  R"t({BRACKETS","{SPACE" "}}})t");
  EXPECT_EQ(ParsedTree("3 root x"),
            R"t(NUMBER"3" SPACE" " BRACKETS","{ROOT{BRACKETS","{SPACE" " VARIABLE"x"}}})t");
  // A root inside another root's index is folded too.
  EXPECT_EQ(ParsedTree("(2root 3)root x"),
            R"t(BRACKETS","{ROOT{BRACKETS","{SPACE" " VARIABLE"x"}}{BRACKETS","{BRACKETS","{)t"
            R"t(ROOT{BRACKETS","{SPACE" " NUMBER"3"}}{BRACKETS","{NUMBER"2"}}}}}})t");
}

TEST(GroupingPasses, TwoCapitalVectors) {
  EXPECT_EQ(ParsedTree("ABC"), R"t(VARIABLE"A" VARIABLE"B" VARIABLE"C")t");
  EXPECT_EQ(ParsedTree("AB C"), R"t(ABVECTOR"AB" SPACE" " VARIABLE"C")t");
  EXPECT_EQ(ParsedTree("AB", [](EquationSettings& s) { s.UseAutomaticVectors.Set(false); }),
            R"t(VARIABLE"A" VARIABLE"B")t");
}

TEST(GroupingPasses, LowerCaseVectorsByContextAndByLetter) {
  EXPECT_EQ(ParsedTree("i+j"), R"t(LCVECTOR"i" ADD"+" LCVECTOR"j")t");
  EXPECT_EQ(ParsedTree("xi+j"), R"t(VARIABLE"x" VARIABLE"i" ADD"+" VARIABLE"j")t");
  EXPECT_EQ(ParsedTree("3i+2j-k"), R"t(NUMBER"3" LCVECTOR"i" ADD"+" NUMBER"2" LCVECTOR"j" )t"
                                   R"t(SUBTRACT"-" LCVECTOR"k")t");
  EXPECT_EQ(ParsedTree("a=2i+j"),
            R"t(LCVECTOR"a" EQUAL"=" NUMBER"2" LCVECTOR"i" ADD"+" LCVECTOR"j")t");
  EXPECT_EQ(ParsedTree("x=3i"), R"t(VARIABLE"x" EQUAL"=" NUMBER"3" VARIABLE"i")t");
  // After "=" only i, j and k may stand.
  EXPECT_EQ(ParsedTree("i=b"), R"t(VARIABLE"i" EQUAL"=" VARIABLE"b")t");

  const auto byLetter = [](EquationSettings& s) {
    s.LowerCase.Set(2);
    s.LettersB.Set(true);
  };
  // By default i, j and k are vector letters; b is switched on here; x is a coordinate but
  // counts for nothing in this mode.
  EXPECT_EQ(ParsedTree("abc+i+x", byLetter),
            R"t(VARIABLE"a" LCVECTOR"b" VARIABLE"c" ADD"+" LCVECTOR"i" ADD"+" VARIABLE"x")t");
  EXPECT_EQ(ParsedTree("i+j", [](EquationSettings& s) { s.LowerCase.Set(0); }),
            R"t(VARIABLE"i" ADD"+" VARIABLE"j")t");
  // Out of range reads as the midpoint of the range, which is no mode.
  EXPECT_EQ(ParsedTree("i+j", [](EquationSettings& s) { s.LowerCase.Set(-70000); }),
            R"t(VARIABLE"i" ADD"+" VARIABLE"j")t");
}

}  // namespace
}  // namespace kv
