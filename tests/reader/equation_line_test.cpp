#include "reader/equation_line.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "reader/tree_notation.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

TEST(EquationLine, ParsesAgainOnlyForNewTextOrWhenAsked) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  EquationLine line;
  EXPECT_EQ(line.TreeNumber(), 0u);
  line.Parse("x+1", settings);
  const std::uint64_t firstTree = line.TreeNumber();
  EXPECT_NE(firstTree, 0u);
  EXPECT_FALSE(line.NeedsRebuild());
  EquationNode* first = &line.TopRow().At(0);

  line.Parse("x+1", settings);  // same text, no rebuild asked: the tree stays
  EXPECT_EQ(line.TreeNumber(), firstTree);
  EXPECT_EQ(&line.TopRow().At(0), first);

  line.MarkForRebuild();
  line.Parse("x+1", settings);
  const std::uint64_t rebuiltTree = line.TreeNumber();
  EXPECT_NE(rebuiltTree, firstTree);
  EXPECT_FALSE(line.NeedsRebuild());
  EXPECT_EQ(TreeNotation(line.TopRow()), R"(VARIABLE"x" ADD"+" NUMBER"1")");

  // After tokenizing alone, a Parse of the same text reads it again.
  line.Tokenize("x+1", settings);
  const std::uint64_t tokenized = line.TreeNumber();
  line.Parse("x+1", settings);
  EXPECT_NE(line.TreeNumber(), tokenized);
  EXPECT_NE(tokenized, rebuiltTree);
  // No other line's tree ever has the same number.
  EquationLine other;
  other.Parse("x+1", settings);
  EXPECT_NE(other.TreeNumber(), line.TreeNumber());

  line.Parse("", settings);
  EXPECT_TRUE(line.TopRow().Empty());

  // Earlier trees are freed: a line edited for a long time holds only its current parse.
  std::string text;
  for (int edit = 0; edit < 300; ++edit) {
    text += "x+";
    line.Parse(text, settings);
  }
  EXPECT_LE(line.NodeCount(), 2 * text.size());
  line.Parse("y", settings);
  EXPECT_LE(line.NodeCount(), 3u);
}

// Lines move (a document keeps them in a vector): the tree goes with the line, and the line moved
// from reads any text again as a new line would.
TEST(EquationLine, MovesWithItsTree) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  const auto fresh = [&](std::string_view text) {
    EquationLine line;
    line.Parse(text, settings);
    return TreeNotation(line.TopRow());
  };
  EquationLine line;
  line.Parse("(a,b)/2", settings);
  const std::string tree = TreeNotation(line.TopRow());
  EquationLine moved(std::move(line));
  EXPECT_EQ(TreeNotation(moved.TopRow()), tree);
  EXPECT_TRUE(line.TopRow().Empty());  // NOLINT(bugprone-use-after-move): left as a new line
  for (const std::string_view text : {"x^2,y", "1/(2", "(a,b)/2"}) {
    line.Parse(text, settings);
    EXPECT_EQ(TreeNotation(line.TopRow()), fresh(text));
  }
  line = std::move(moved);
  EXPECT_EQ(TreeNotation(line.TopRow()), tree);
  moved.Parse("sqrt(x", settings);
  EXPECT_EQ(TreeNotation(moved.TopRow()), fresh("sqrt(x"));
}

TEST(EquationLine, SplitRawCutsOnePieceOutOfARawToken) {
  EquationLine line;
  line.LoadText("abc");
  EquationNode* token = &line.TopRow().At(0);
  line.SplitRaw(0, 1, 1, TK_SYMBOL, "");
  EXPECT_EQ(TreeNotation(line.TopRow()), R"(RAW"a" SYMBOL"b" RAW"c")");
  EXPECT_EQ(&line.TopRow().At(1), token);  // the piece re-uses the token

  // The whole text: both parts are empty and stay until DropEmptyRaw.
  line.LoadText("pi");
  line.SplitRaw(0, 0, 1, TK_GREEK, "p");
  EXPECT_EQ(TreeNotation(line.TopRow()), R"(RAW GREEK"p" RAW)");
  EXPECT_EQ(line.TopRow().At(1).SourceText(), "pi");
  line.DropEmptyRaw();
  EXPECT_EQ(TreeNotation(line.TopRow()), R"(GREEK"p")");

  // Cuts that do not fit the row or the token are faults of the caller.
  EXPECT_THROW(line.SplitRaw(1, 0, 0, TK_SYMBOL, ""), std::out_of_range);
  EXPECT_THROW(line.SplitRaw(0, 0, 0, TK_SYMBOL, ""), std::invalid_argument);  // not TK_RAW
  line.LoadText("ab");
  EXPECT_THROW(line.SplitRaw(0, 1, 2, TK_SYMBOL, ""), std::out_of_range);
  EXPECT_THROW(line.CutRawTokens([](std::string_view, TextCuts& cuts) {
    cuts.push_back({0, 1, TK_UNIT, {}});
    cuts.push_back({1, 1, TK_UNIT, {}});  // overlaps the first
  }),
               std::out_of_range);
  EXPECT_EQ(TreeNotation(line.TopRow()), R"(RAW"ab")");
}

}  // namespace
}  // namespace kv
