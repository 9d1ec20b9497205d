#include "reader/equation_node.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "reader/recycling_allocator.h"
#include "support/allocation_probe.h"
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

// The heap the program holds and the blocks the thread keeps for reuse. With every class of kept
// blocks full (FillKeptBlocks), a block taken from them goes back to them and any other back to
// the heap, so storage that is all given back leaves both as they were.
struct HeapMark {
  std::size_t live = test::LiveHeapBytes();
  std::size_t kept = recycling::KeptBytes();
  bool operator==(const HeapMark&) const = default;
};

void FillKeptBlocks() {
  for (std::size_t bytes = recycling::kSmallestClassBytes; bytes <= recycling::kLargestKeptBytes;
       bytes = recycling::ClassBytesFor(bytes + 1)) {
    std::vector<void*> blocks(recycling::kKeptBytesPerClass / bytes + 1);
    for (void*& block : blocks)
      block = recycling::Allocate(bytes);
    for (void* block : blocks)
      recycling::Release(block, bytes);
  }
}

// The texts of the row's nodes, in order.
std::string Texts(const NodeRow& row) {
  std::string texts;
  for (int i = 0; i < row.Size(); ++i)
    texts += row.At(i).Text();
  return texts;
}

// A row keeps no node, one node or a block of them; every edit must read the same whichever it
// holds before and after, and a row that shrinks to one node gives its block back.
TEST(NodeRow, GrowsAndShrinksThroughEverySizeAndFreesWhatItHeld) {
  NodePool pool;
  std::vector<EquationNode*> nodes;
  for (char c = 'a'; c <= 'h'; ++c)
    nodes.push_back(&Leaf(pool, TK_VARIABLE, std::string(1, c)));
  FillKeptBlocks();
  const HeapMark before;
  {
    NodeRow row;
    EXPECT_TRUE(row.Empty());
    EXPECT_THROW(row.At(0), std::out_of_range);
    EXPECT_THROW(row.RemoveAt(0), std::out_of_range);
    row.RemoveRange(0, -1);  // the empty range of an empty row
    row.InsertAt(0, *nodes[1]);
    row.InsertAt(0, *nodes[0]);  // one node to two
    for (int k = 2; k < 8; ++k)
      row.Append(*nodes[static_cast<std::size_t>(k)]);
    EXPECT_EQ(Texts(row), "abcdefgh");
    row.RemoveRange(1, 6);
    EXPECT_EQ(Texts(row), "ah");
    row.RemoveAt(1);  // down to one node: the block goes
    EXPECT_EQ(Texts(row), "a");
    EXPECT_EQ(HeapMark(), before);
    row.InsertAt(1, *nodes[2]);
    row.ReplaceAt(0, *nodes[3]);
    EXPECT_EQ(Texts(row), "dc");
    row.RemoveWhere([](const EquationNode& node) { return node.Text() == "d"; });
    EXPECT_EQ(Texts(row), "c");
    row.RemoveWhere([](const EquationNode&) { return true; });
    EXPECT_TRUE(row.Empty());

    // Moving ranges between rows of every size.
    for (int k = 0; k < 5; ++k)
      row.Append(*nodes[static_cast<std::size_t>(k)]);
    NodeRow single;
    single.Append(*nodes[7]);
    row.MoveRangeTo(3, 4, single);
    EXPECT_EQ(Texts(single), "hde");
    NodeRow empty;
    row.MoveRangeTo(0, 0, empty);
    EXPECT_EQ(Texts(empty), "a");
    EXPECT_EQ(Texts(row), "bc");
    EXPECT_THROW(row.MoveRangeTo(1, 2, empty), std::out_of_range);

    // Copies are rows of their own; moves leave the source empty and free what the target held.
    NodeRow copy = single;
    copy.Append(*nodes[0]);
    EXPECT_EQ(Texts(single), "hde");
    EXPECT_EQ(Texts(copy), "hdea");
    copy = row;
    EXPECT_EQ(Texts(copy), "bc");
    single = std::move(empty);
    EXPECT_EQ(Texts(single), "a");
    EXPECT_TRUE(empty.Empty());  // NOLINT(bugprone-use-after-move): moved-from rows are empty
    NodeRow& alias = copy;
    copy = std::move(alias);
    EXPECT_EQ(Texts(copy), "bc");
    row.Reserve(100);
    EXPECT_EQ(Texts(row), "bc");
    copy = std::move(row);
    single = copy;
  }
  EXPECT_EQ(HeapMark(), before);
}

// Up to seven bytes of text and source text together are kept in the node; more go to the
// heap. Either may be set from a view of the node's own texts.
TEST(EquationNode, KeepsTextsWhateverTheirLengthAndWhereverTheyComeFrom) {
  NodePool pool;
  EquationNode& node = pool.CreateNode(TK_GREEK);
  FillKeptBlocks();
  const HeapMark before;
  struct Texts {
    std::string text;
    std::string source;
  };
  for (const Texts& t :
       {Texts{"p", "pi"}, Texts{"abc", "defg"}, Texts{"abcd", "efgh"}, Texts{"", "1234567"},
        Texts{"12345678", ""}, Texts{std::string(3, '\0'), ""},
        Texts{"\xFF\xFE", std::string(300, 'x')}, Texts{"", ""}}) {
    node.SetNode(TK_GREEK, t.text, t.source);
    EXPECT_EQ(node.Text(), t.text);
    EXPECT_EQ(node.SourceText(), t.source);
    node.SetText(t.source);  // the text changes, the source text stays
    EXPECT_EQ(node.Text(), t.source);
    EXPECT_EQ(node.SourceText(), t.source);
  }
  EXPECT_EQ(HeapMark(), before);

  // Views of the node's own texts, inline and on the heap.
  for (const std::string& text : {std::string("sin"), std::string("a longer text")}) {
    node.SetNode(TK_FUNCTION, text, "src");
    node.SetNode(node.Kind(), node.Text(), node.SourceText());
    EXPECT_EQ(node.Text(), text);
    EXPECT_EQ(node.SourceText(), "src");
    node.SetText(node.Text().substr(1));
    EXPECT_EQ(node.Text(), text.substr(1));
    node.SetNode(TK_FUNCTION, node.SourceText(), node.Text());
    EXPECT_EQ(node.Text(), "src");
    EXPECT_EQ(node.SourceText(), text.substr(1));
  }
  node.SetNode(TK_FUNCTION, {}, {});
  EXPECT_EQ(HeapMark(), before);
  EXPECT_EQ(node.Kind(), TK_FUNCTION);
}

// Script levels are sums of steps of one and one and a half, and come back exactly.
TEST(EquationNode, LevelsComeBackExactly) {
  NodePool pool;
  EquationNode& node = pool.CreateNode(TK_NUMBER);
  for (const double level : {0.0, 1.0, 1.5, 2.5, 3.0, 1.5 * 99999 + 1.0, -1.5}) {
    node.SetLevels(7, level);
    EXPECT_EQ(node.ScriptLevel(), level);
    EXPECT_EQ(node.FractionLevel(), 7);
  }
  EXPECT_THROW(node.SetLevels(0, 0.7), std::invalid_argument);
  EXPECT_THROW(node.SetLevels(0, 1e300), std::invalid_argument);
  EXPECT_EQ(node.ScriptLevel(), -1.5);
}

// A shared invisible bracket stands in many places at once: hiding it again is harmless, any
// real change a fault.
TEST(EquationNode, SharedBracketsNeverChange) {
  NodePool pool;
  EquationNode& shared = pool.CreateSharedNode(TK_OPEN);
  EXPECT_TRUE(shared.IsShared());
  shared.SetText("");
  shared.SetNode(TK_OPEN, "", "");
  EXPECT_THROW(shared.SetText("("), std::logic_error);
  EXPECT_THROW(shared.SetNode(TK_BRACKETS, "", ""), std::logic_error);
  EXPECT_THROW(shared.SetLevels(0, 1.0), std::logic_error);
  EXPECT_THROW(pool.Release(shared), std::logic_error);
  EXPECT_EQ(shared.Kind(), TK_OPEN);
  EXPECT_TRUE(shared.Text().empty());
  EXPECT_FALSE(pool.CreateNode(TK_OPEN).IsShared());
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

// A node given back is made anew in its place, with its Id, and nothing of what it held.
TEST(ExpressionTree, AReleasedNodeIsTheNextNodeMade) {
  NodePool pool;
  EquationNode& first = Leaf(pool, TK_VARIABLE, "a longer text than fits");
  first.row1.Append(Leaf(pool, TK_NUMBER, "1"));
  first.row1.Append(Leaf(pool, TK_NUMBER, "2"));
  first.SetLevels(2, 1.5);
  const std::uint32_t id = first.Id();
  const std::size_t places = pool.Size();
  pool.Release(first);
  EquationNode& again = pool.CreateNode(TK_POWER);
  EXPECT_EQ(&again, &first);
  EXPECT_EQ(again.Id(), id);
  EXPECT_EQ(pool.Size(), places);
  EXPECT_EQ(again.Kind(), TK_POWER);
  EXPECT_TRUE(again.Text().empty());
  EXPECT_TRUE(again.row1.Empty());
  EXPECT_EQ(again.FractionLevel(), 0);
  EXPECT_EQ(again.ScriptLevel(), 0.0);
  EXPECT_EQ(pool.CreateNode(TK_POWER).Id(), places);
}

TEST(ExpressionTree, NodesAreNumberedFromZeroInEveryParse) {
  NodePool pool;
  for (int round = 0; round < 2; ++round) {
    // More nodes than the pool keeps between parses, so old storage and new storage both serve.
    for (std::uint32_t i = 0; i < 2 * NodePool::kRetainedNodes; ++i)
      EXPECT_EQ(pool.CreateNode(TK_VARIABLE).Id(), i);
    pool.Clear();
  }
  // A pool moves with its nodes and is left as a new pool.
  EquationNode& kept = Leaf(pool, TK_NUMBER, "7");
  NodePool moved(std::move(pool));
  EXPECT_EQ(moved.Size(), 1u);
  EXPECT_EQ(kept.Text(), "7");
  EXPECT_EQ(pool.Size(), 0u);  // NOLINT(bugprone-use-after-move)
  for (std::uint32_t i = 0; i < 100; ++i)
    EXPECT_EQ(pool.CreateNode(TK_VARIABLE).Id(), i);
  EXPECT_EQ(moved.CreateNode(TK_VARIABLE).Id(), 1u);
}

}  // namespace
}  // namespace kv
