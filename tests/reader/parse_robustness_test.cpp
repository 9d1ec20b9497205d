// The reader on hostile input: very long texts made of one construct, which nest as deep as the
// text is long, and a long editing session, which must not let memory grow.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "reader/equation_line.h"
#include "support/allocation_probe.h"
#include "support/parse_tree.h"
#include "support/sanitizer.h"

namespace kv {
namespace {

using test::kSanitized;

// The sanitizer build runs tens of times slower; an eighth of the length still nests over a
// hundred thousand levels deep, far beyond what any stack would hold.
constexpr std::size_t kMegabyte = 1 << 20;
constexpr std::size_t kLongText = kSanitized ? kMegabyte / 8 : kMegabyte;

// Memory a long line may take while it is read. Measuring its tree later needs a few dozen bytes
// per node more, and the whole program must fit a megabyte line of any construct in 256 MB: so
// the reader stays within kPeakBytesPerByte, and needs at most kWorkingBytesPerByte beyond the
// nodes of the tree it ends with. Bytes are those of the text after macros are expanded.
constexpr double kPeakBytesPerByte = 130;
constexpr double kWorkingBytesPerByte = 48;
// The two invisible brackets every line shares.
constexpr std::size_t kSharedNodes = 2;

std::string Repeated(std::string_view construct, std::size_t bytes) {
  std::string text;
  text.reserve(bytes);
  while (text.size() + construct.size() <= bytes)
    text += construct;
  return text;
}

// Keys of the syntax mixed with single characters, from a fixed seed.
std::string RandomSyntax(std::size_t bytes) {
  constexpr std::array<std::string_view, 40> kKeys = {
      "sqrt", "sr", "root", "sin", "sin-1", "log", "int", "sigma", "lim", "^",
      "\\",   "/",  ",",    ";",   "(",     ")",   "[",   "]",     "|",   "|[",
      "]|",   "E",  "E-",   "::",  ":",     " :",  "^^",  "_",     "+-",  "-->",
      "<->",  "->", "=",    "-",   " ",     "\"",  "pi",  "AB",    "ijk", "qf"};
  std::mt19937 engine(20240611);
  std::string text;
  while (text.size() < bytes) {
    if (engine() % 4 == 0) {
      text += static_cast<char>(' ' + engine() % 95);
    } else {
      text += kKeys[engine() % kKeys.size()];
    }
  }
  text.resize(bytes);
  return text;
}

// What a walk over the finished tree finds.
struct TreeFacts {
  int depth = 0;              // the deepest nesting of rows below the top row
  std::size_t nodes = 0;      // the nodes the tree holds
  bool idsFit = true;         // every node has an Id of its own, below NodeCount()
  bool sharedInTree = false;  // a shared invisible bracket was left in the tree
};

TreeFacts Walk(const EquationLine& line) {
  struct Step {
    const NodeRow* row;
    int depth;
  };
  TreeFacts facts;
  std::vector<bool> idSeen(line.NodeCount(), false);
  std::vector<Step> pending{{&line.TopRow(), 0}};
  while (!pending.empty()) {
    const Step step = pending.back();
    pending.pop_back();
    facts.depth = std::max(facts.depth, step.depth);
    for (int i = 0; i < step.row->Size(); ++i) {
      const EquationNode& node = step.row->At(i);
      ++facts.nodes;
      facts.sharedInTree = facts.sharedInTree || node.IsShared();
      if (node.Id() >= idSeen.size() || idSeen[node.Id()]) {
        facts.idsFit = false;
      } else {
        idSeen[node.Id()] = true;
      }
      if (!node.row1.Empty()) pending.push_back({&node.row1, step.depth + 1});
      if (!node.row2.Empty()) pending.push_back({&node.row2, step.depth + 1});
    }
  }
  return facts;
}

// The bytes of the text once macros are expanded, and its typed closing brackets.
struct TextFacts {
  std::size_t expandedBytes = 0;
  std::size_t closes = 0;
};

TextFacts Examine(const std::string& text, const EquationSettings& settings) {
  TextFacts facts;
  EquationLine line;
  line.LoadText(text);
  line.ExpandMacros(settings);
  for (int i = 0; i < line.TopRow().Size(); ++i)
    facts.expandedBytes += line.TopRow().At(i).Text().size();
  line.Tokenize(text, settings);
  for (int i = 0; i < line.TopRow().Size(); ++i)
    facts.closes += line.TopRow().KindAt(i) == TK_CLOSE ? 1 : 0;
  return facts;
}

// Each construct repeated over a megabyte builds a tree as deep as the text is long (or a row as
// long); every pass must get through it without recursing and without quadratic work. Memory
// follows the text: every node a parse makes stays in the tree, but for the typed closing
// brackets that fold into their pair's text and the shared invisible brackets; and the heap at
// its highest stays within the tree's nodes and a little working memory per byte.
TEST(ParseRobustness, MegabyteOfOneConstructFinishesWithMemoryThatFollowsTheText) {
  const EquationSettings settings = test::DefaultSettings();
  enum class Shape { kNests, kFlat, kAny };
  struct Case {
    std::string_view name;
    std::string text;
    Shape shape;
  };
  const std::vector<Case> cases = {
      {"(", Repeated("(", kLongText), Shape::kNests},
      {"|", Repeated("|", kLongText), Shape::kNests},
      {"^", Repeated("^", kLongText), Shape::kFlat},
      {"x^", Repeated("x^", kLongText), Shape::kNests},
      {"sqrt(", Repeated("sqrt(", kLongText), Shape::kNests},
      {"1/", Repeated("1/", kLongText), Shape::kNests},
      {"\"", Repeated("\"", kLongText), Shape::kFlat},
      {",", Repeated(",", kLongText), Shape::kNests},
      {"root", Repeated("root", kLongText), Shape::kNests},
      {"a\\", Repeated("a\\", kLongText), Shape::kFlat},
      {"x2", Repeated("x2", kLongText), Shape::kFlat},
      {"sr", Repeated("sr", kLongText), Shape::kFlat},
      {"(,)", Repeated("(,)", kLongText), Shape::kFlat},
      {"a", Repeated("a", kLongText), Shape::kFlat},
      // A macro expands ten times over: a sixteenth of the text is as long once expanded.
      {"qf", Repeated("qf", kLongText / 16), Shape::kFlat},
      {"random", RandomSyntax(kLongText), Shape::kAny},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TextFacts text = Examine(c.text, settings);
    const auto bytes = static_cast<double>(text.expandedBytes);
    EquationLine line;
    const std::size_t before = test::LiveHeapBytes();
    test::ResetPeakHeapBytes();
    line.Parse(c.text, settings);
    const auto peak = static_cast<double>(test::PeakHeapBytes() - before);
    ASSERT_FALSE(line.TopRow().Empty());

    const TreeFacts tree = Walk(line);
    if (c.shape == Shape::kNests) {
      // At least one level per ten bytes: the tree really is that deep.
      EXPECT_GT(tree.depth, static_cast<int>(c.text.size() / 10));
    } else if (c.shape == Shape::kFlat) {
      EXPECT_LE(tree.depth, 8);
    }
    EXPECT_TRUE(tree.idsFit);
    EXPECT_FALSE(tree.sharedInTree);
    EXPECT_LE(line.NodeCount(), tree.nodes + text.closes + kSharedNodes);
    EXPECT_LE(peak, kPeakBytesPerByte * bytes);
    const auto treeNodeBytes = static_cast<double>(tree.nodes * sizeof(EquationNode));
    EXPECT_LE(peak, treeNodeBytes + kWorkingBytesPerByte * bytes)
        << "nodes per byte " << static_cast<double>(tree.nodes) / bytes;
  }
}

// Twenty lines edited over and over: every parse frees the tree before it, so the heap after the
// last round holds no more than after the first.
TEST(ParseRobustness, RepeatedParsingKeepsMemoryFlat) {
  const EquationSettings settings = test::DefaultSettings();
  const std::vector<std::string> lines = {"x=(-b+-sqrt(b^2-4ac))/2a",
                                          "sin^2 x+cos^2 x=1",
                                          "int(0,1)x^2 dx",
                                          "sigma(i=1,n)i=n(n+1)/2",
                                          "|[1,2 3,4]|",
                                          "3root(x+1)",
                                          "e^(i pi)+1=0",
                                          "lim(x->0+)1/x",
                                          "6.67E-11 kg",
                                          "a=2i+3j-k",
                                          "AB+BC=AC",
                                          "(a+b)2=a2+2ab+b2",
                                          "log2 8=3",
                                          "f(x)^2,0",
                                          "0.3:=1/3",
                                          "\"text\" x\\1",
                                          "1,-2,3/4",
                                          "[0,1)",
                                          "sqrt x/y",
                                          "qf"};
  constexpr int kRounds = kSanitized ? 200 : 5000;  // 20 lines: 4,000 or 100,000 parses
  std::vector<EquationLine> equation(lines.size());

  const auto parseRound = [&](int round) {
    // A changing text every round, so every parse reads and builds anew.
    std::string suffix = "+";
    suffix += std::to_string(round % 10);
    for (std::size_t i = 0; i < lines.size(); ++i)
      equation[i].Parse(lines[i] + suffix, settings);
  };
  for (int round = 0; round < 10; ++round)
    parseRound(round);
  const std::size_t settled = test::LiveHeapBytes();
  for (int round = 10; round < kRounds; ++round)
    parseRound(round);
  const std::size_t after = test::LiveHeapBytes();
  // The same texts come round every ten parses; a little slack for allocator-held blocks.
  constexpr std::size_t kSlack = 16 * 1024;
  EXPECT_LE(after, settled + kSlack);
}

}  // namespace
}  // namespace kv
