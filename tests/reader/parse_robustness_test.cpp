// The reader on hostile input: very long texts made of one construct, which nest as deep as the
// text is long, and a long editing session, which must not let memory grow.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "reader/equation_line.h"
#include "support/allocation_probe.h"
#include "support/parse_tree.h"

namespace kv {
namespace {

// The sanitizer build runs tens of times slower; an eighth of the length still nests over a
// hundred thousand levels deep, far beyond what any stack would hold.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr std::size_t kMegabyte = 1 << 20;
constexpr std::size_t kLongText = kSanitized ? kMegabyte / 8 : kMegabyte;

std::string Repeated(std::string_view construct, std::size_t bytes) {
  std::string text;
  text.reserve(bytes);
  while (text.size() + construct.size() <= bytes)
    text += construct;
  return text;
}

// The deepest nesting of rows below `row`, walked without recursion.
int Depth(const NodeRow& row) {
  struct Step {
    const NodeRow* row;
    int depth;
  };
  std::vector<Step> pending{{&row, 0}};
  int deepest = 0;
  while (!pending.empty()) {
    const Step step = pending.back();
    pending.pop_back();
    deepest = std::max(deepest, step.depth);
    for (int i = 0; i < step.row->Size(); ++i) {
      const EquationNode& node = step.row->At(i);
      if (!node.row1.Empty()) pending.push_back({&node.row1, step.depth + 1});
      if (!node.row2.Empty()) pending.push_back({&node.row2, step.depth + 1});
    }
  }
  return deepest;
}

// Each construct repeated over a megabyte builds a tree as deep as the text is long (or a row
// as long); every pass must get through it without recursing and without quadratic work.
TEST(ParseRobustness, MegabyteOfOneConstructFinishes) {
  const EquationSettings settings = test::DefaultSettings();
  struct Case {
    std::string_view construct;
    bool nests;
  };
  for (const Case& c :
       {Case{"(", true}, Case{"|", true}, Case{"^", false}, Case{"x^", true}, Case{"sqrt(", true},
        Case{"1/", true}, Case{"\"", false}, Case{",", true}, Case{"root", true}}) {
    SCOPED_TRACE(c.construct);
    EquationLine line;
    line.Parse(Repeated(c.construct, kLongText), settings);
    ASSERT_FALSE(line.TopRow().Empty());
    const int depth = Depth(line.TopRow());
    if (c.nests) {
      // At least one level per ten bytes: the tree really is that deep.
      EXPECT_GT(depth, static_cast<int>(kLongText / 10));
    } else {
      EXPECT_LE(depth, 3);
    }
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
