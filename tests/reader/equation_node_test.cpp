#include "reader/equation_node.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>

#include "support/node_builders.h"

namespace kv {
namespace {

using test::Leaf;

// A row of new nodes of the given kinds, each with its position as its text.
NodeRow RowOf(NodePool& pool, std::initializer_list<TokenKind> kinds) {
  NodeRow row;
  for (TokenKind kind : kinds)
    row.Append(Leaf(pool, kind, std::to_string(row.Size())));
  return row;
}

// A column chain of the numbers 1..count, folded from the right as the column pass folds it.
EquationNode& ColumnOf(NodePool& pool, int count) {
  EquationNode* rest = &Leaf(pool, TK_NUMBER, std::to_string(count));
  for (int item = count - 1; item >= 1; --item) {
    EquationNode& column = pool.CreateNode(TK_COLUMN);
    column.row1.Append(Leaf(pool, TK_NUMBER, std::to_string(item)));
    column.row2.Append(*rest);
    rest = &column;
  }
  return *rest;
}

TEST(NodeRow, EditsKeepOrderAndRefuseIndicesOutsideTheRow) {
  NodePool pool;
  NodeRow row = RowOf(pool, {TK_NUMBER, TK_ADD, TK_VARIABLE});
  EXPECT_EQ(row.KindAt(1), TK_ADD);
  EXPECT_EQ(row.KindAt(-1), TK_ERROR);
  EXPECT_EQ(row.KindAt(3), TK_ERROR);

  row.InsertAt(0, pool.CreateNode(TK_OPEN));
  row.InsertAt(4, pool.CreateNode(TK_CLOSE));  // at the end
  row.RemoveAt(2);                             // the "+"
  row.ReplaceAt(2, pool.CreateNode(TK_POWER));
  ASSERT_EQ(row.Size(), 4);
  EXPECT_EQ(row.KindAt(0), TK_OPEN);
  EXPECT_EQ(row.At(1).Text(), "0");
  EXPECT_EQ(row.KindAt(2), TK_POWER);
  EXPECT_EQ(row.KindAt(3), TK_CLOSE);

  EquationNode& spare = pool.CreateNode(TK_SPACE);
  EXPECT_THROW(row.At(4), std::out_of_range);
  EXPECT_THROW(row.At(-1), std::out_of_range);
  EXPECT_THROW(row.InsertAt(5, spare), std::out_of_range);
  EXPECT_THROW(row.RemoveAt(4), std::out_of_range);
  EXPECT_THROW(row.ReplaceAt(-1, spare), std::out_of_range);
  EXPECT_THROW(row.RemoveRange(2, 4), std::out_of_range);
  EXPECT_EQ(row.Size(), 4);

  // Taking a group: nodes 0..1 move, in order, to the end of another row.
  NodeRow target = RowOf(pool, {TK_VARIABLE});
  row.MoveRangeTo(0, 1, target);
  row.MoveRangeTo(1, 0, target);  // an empty range moves nothing
  ASSERT_EQ(target.Size(), 3);
  EXPECT_EQ(target.KindAt(1), TK_OPEN);
  EXPECT_EQ(target.At(2).Text(), "0");
  EXPECT_EQ(row.Size(), 2);
  EXPECT_THROW(row.MoveRangeTo(1, 2, target), std::out_of_range);
  EXPECT_THROW(row.MoveRangeTo(0, 0, row), std::invalid_argument);
  target.RemoveWhere([](const EquationNode& node) { return node.Kind() == TK_VARIABLE; });
  EXPECT_EQ(target.KindAt(0), TK_OPEN);
}

TEST(NodeRow, FindsBracketPartners) {
  NodePool pool;
  // ( a ( b ) ) c
  const NodeRow row =
      RowOf(pool, {TK_OPEN, TK_VARIABLE, TK_OPEN, TK_VARIABLE, TK_CLOSE, TK_CLOSE, TK_VARIABLE});
  EXPECT_EQ(row.MatchingClose(0), 5);
  EXPECT_EQ(row.MatchingClose(2), 4);
  EXPECT_EQ(row.MatchingClose(1), 1);  // not an opening bracket: a group of one node
  EXPECT_EQ(row.MatchingOpen(5), 0);
  EXPECT_EQ(row.MatchingOpen(4), 2);
  EXPECT_EQ(row.MatchingOpen(3), -1);
  EXPECT_EQ(row.InnermostPair(0), (BracketPair{2, 4}));
  EXPECT_EQ(row.InnermostPair(3), (BracketPair{-1, -1}));  // a close comes first
  EXPECT_EQ(row.InnermostPair(6), (BracketPair{-1, -1}));

  // ( ( x ): the outer bracket has no partner.
  const NodeRow unclosed = RowOf(pool, {TK_OPEN, TK_OPEN, TK_VARIABLE, TK_CLOSE});
  EXPECT_EQ(unclosed.MatchingClose(0), -1);
  EXPECT_EQ(unclosed.MatchingOpen(3), 1);

  // ) ( x ): a stray closing bracket hides the pair after it.
  const NodeRow stray = RowOf(pool, {TK_CLOSE, TK_OPEN, TK_VARIABLE, TK_CLOSE});
  EXPECT_EQ(stray.InnermostPair(0), (BracketPair{-1, -1}));
  EXPECT_EQ(stray.MatchingOpen(0), -1);

  // ( x ( y: the row ends, the last open is remembered.
  const NodeRow open = RowOf(pool, {TK_OPEN, TK_VARIABLE, TK_OPEN, TK_VARIABLE});
  EXPECT_EQ(open.InnermostPair(0), (BracketPair{2, -1}));
}

TEST(ExpressionTree, ColumnChainsCountAndIndexTheirItems) {
  NodePool pool;
  const EquationNode& two = ColumnOf(pool, 2);
  const EquationNode& three = ColumnOf(pool, 3);
  EXPECT_EQ(ColumnDepth(two), 2);
  EXPECT_EQ(ColumnDepth(three), 3);
  EXPECT_EQ(ColumnDepth(Leaf(pool, TK_NUMBER, "1")), 0);
  EXPECT_EQ(ColumnItem(three, 0)->Text(), "1");
  EXPECT_EQ(ColumnItem(three, 1)->Text(), "2");
  EXPECT_EQ(ColumnItem(three, 2)->Text(), "3");
  EXPECT_EQ(ColumnItem(two, 4)->Text(), "2");  // past the end the last item answers
  EXPECT_EQ(ColumnItem(pool.CreateNode(TK_COLUMN), 0), nullptr);

  // A chain as long as a long comma-separated text is walked without recursion.
  constexpr int kLongChain = 200000;
  EquationNode& longChain = ColumnOf(pool, kLongChain);
  EXPECT_EQ(ColumnDepth(longChain), kLongChain);
  EXPECT_EQ(ColumnItem(longChain, kLongChain - 1)->Text(), std::to_string(kLongChain));
}

TEST(ExpressionTree, NumericRowsHoldOnlyNumbersAndBrackets) {
  NodePool pool;
  NodeRow row;
  EXPECT_TRUE(IsNumeric(row));
  row.Append(Leaf(pool, TK_NUMBER, "2"));
  EquationNode& bracket = pool.CreateNode(TK_BRACKETS);
  bracket.row1.Append(Leaf(pool, TK_NUMBER, "3"));
  row.Append(bracket);
  EXPECT_TRUE(IsNumeric(row));
  bracket.row2.Append(Leaf(pool, TK_VARIABLE, "n"));  // a variable in a limit counts too
  EXPECT_FALSE(IsNumeric(row));

  // Brackets nested far deeper than a stack of recursive calls would allow.
  EquationNode* inner = &Leaf(pool, TK_NUMBER, "1");
  for (int level = 0; level < 200000; ++level) {
    EquationNode& wrapper = pool.CreateNode(TK_BRACKETS);
    wrapper.row1.Append(*inner);
    inner = &wrapper;
  }
  NodeRow deep;
  deep.Append(*inner);
  EXPECT_TRUE(IsNumeric(deep));
}

TEST(ExpressionTree, NodesAreNumberedFromZeroInEveryParse) {
  NodePool pool;
  for (int round = 0; round < 2; ++round) {
    // More nodes than the pool keeps between parses, so old storage and new storage both serve.
    for (std::uint32_t i = 0; i < 2 * NodePool::kRetainedNodes; ++i)
      EXPECT_EQ(pool.CreateNode(TK_VARIABLE).Id(), i);
    pool.Clear();
  }
}

}  // namespace
}  // namespace kv
