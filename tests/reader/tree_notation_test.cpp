#include "reader/tree_notation.h"

#include <gtest/gtest.h>

#include <string>

#include "support/node_builders.h"

namespace kv {
namespace {

using test::Leaf;

TEST(TreeNotation, WritesKindsTextsAndChildRows) {
  NodePool pool;
  NodeRow row;
  EXPECT_EQ(TreeNotation(row), "");

  // x^2 as the builder leaves it.
  row.Append(Leaf(pool, TK_VARIABLE, "x"));
  EquationNode& power = pool.CreateNode(TK_POWER);
  EquationNode& exponent = Leaf(pool, TK_BRACKETS, ",");
  exponent.row1.Append(Leaf(pool, TK_NUMBER, "2"));
  power.row1.Append(exponent);
  row.Append(power);
  EXPECT_EQ(TreeNotation(row), "VARIABLE\"x\" POWER{BRACKETS\",\"{NUMBER\"2\"}}");

  // A second row is written even when the first is empty; an empty first row then prints {}.
  NodeRow fraction;
  EquationNode& node = pool.CreateNode(TK_FRACTION);
  node.row2.Append(Leaf(pool, TK_NUMBER, "1"));
  node.row2.Append(Leaf(pool, TK_ADD, "+"));
  fraction.Append(node);
  EXPECT_EQ(TreeNotation(fraction), "FRACTION{}{NUMBER\"1\" ADD\"+\"}");
  node.row1.Append(pool.CreateNode(TK_OPEN));
  EXPECT_EQ(TreeNotation(fraction), "FRACTION{OPEN}{NUMBER\"1\" ADD\"+\"}");
}

TEST(TreeNotation, EscapesQuotesBackslashesAndBytesOutsidePrintableAscii) {
  EXPECT_EQ(NotationText(" ~az"), " ~az");
  EXPECT_EQ(NotationText("\"\\"), "\\\"\\\\");
  EXPECT_EQ(NotationText(std::string("\0\x1F\x7F\x80\xA7\xFF", 6)),
            "\\x00\\x1f\\x7f\\x80\\xa7\\xff");
}

TEST(TreeNotation, AddsAnnotationsBetweenEachKindAndItsText) {
  NodePool pool;
  NodeRow row;
  EquationNode& root = pool.CreateNode(TK_SQRT);
  root.row1.Append(Leaf(pool, TK_VARIABLE, "x"));
  row.Append(root);
  row.Append(Leaf(pool, TK_NUMBER, "2"));
  // Each node is annotated with its place: its index in its row and the row's size.
  const std::string text = TreeNotation(row, [](const NodeRow& in, int index) {
    const EquationNode& node = in.At(index);
    std::string annotation;
    if (node.Kind() != TK_VARIABLE) {
      annotation += '[';
      annotation += KindName(node.Kind());
      annotation += ' ';
      annotation += std::to_string(index);
      annotation += '/';
      annotation += std::to_string(in.Size());
      annotation += ']';
    }
    return annotation;
  });
  EXPECT_EQ(text, "SQRT[SQRT 0/2]{VARIABLE\"x\"} NUMBER[NUMBER 1/2]\"2\"");
}

TEST(TreeNotation, WritesTreesNestedFarDeeperThanTheStackWouldAllow) {
  constexpr int kDepth = 300000;
  NodePool pool;
  EquationNode* inner = &Leaf(pool, TK_NUMBER, "1");
  for (int level = 0; level < kDepth; ++level) {
    EquationNode& bracket = pool.CreateNode(TK_BRACKETS);
    bracket.row1.Append(*inner);
    inner = &bracket;
  }
  NodeRow row;
  row.Append(*inner);
  std::string expected;
  for (int level = 0; level < kDepth; ++level)
    expected += "BRACKETS{";
  expected += "NUMBER\"1\"";
  expected.append(kDepth, '}');
  EXPECT_EQ(TreeNotation(row), expected);
}

}  // namespace
}  // namespace kv
