#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace kv {
namespace {

void ExpectMeasure(std::vector<std::string> args, const std::string& expected) {
  args.insert(args.begin(), "measure");
  const test::CliResult result = test::RunCliCaptured(args);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, expected);
  EXPECT_EQ(result.err, "");
}

// With fixed metrics and the default settings a character is 200 x 400 with its baseline 80 up,
// and a line ends with a trailing gap of 200 / 3.
TEST(MeasureCommand, PrintsEachLinesExtentWithFixedMetrics) {
  ExpectMeasure({"--metrics", "fixed", "x"}, "width=266 height=400 align=80\n");
  // The plus sign takes twice its width.
  ExpectMeasure({"x+1", "--metrics=fixed"}, "width=866 height=400 align=80\n");
  ExpectMeasure({"--metrics", "fixed", "ab\n\nx"},
                "width=466 height=400 align=80\nwidth=0 height=0 align=0\n"
                "width=266 height=400 align=80\n"
                "document width=466 height=2800 align=2720\n");
  // Settings reach the measuring: a main font of 800.
  ExpectMeasure(
      {"--metrics", "fixed", "x", "--set", "Font=-14,0,0,0,400,0,0,0,0,7,48,2,2,0,800,Arial"},
      "width=533 height=800 align=160\n");
}

// Several lines are also stacked into one picture, VerticalSpacing (1000) apart; the empty line
// between two others takes one spacing: (400 + 1000) x 2 + 1000 - 1000 = 2800 high, its align
// the height less the first line's align. A negative spacing can make the sum of heights and
// spacings zero while lines still have text: two lines of 400 overlapping by 400 are 400 high.
TEST(MeasureCommand, MeasuresTheStackOfSeveralLines) {
  ExpectMeasure({"--metrics", "fixed", "--set", "VerticalSpacing=-400", "x\nx"},
                "width=266 height=400 align=80\nwidth=266 height=400 align=80\n"
                "document width=266 height=400 align=320\n");
}

TEST(MeasureCommand, PrintsTheBoxOfEveryNode) {
  ExpectMeasure({"--metrics", "fixed", "--boxes", "x"}, "VARIABLE[200,400,80,0,0]\"x\"\n");
  ExpectMeasure({"--metrics", "fixed", "--boxes", "ab"},
                "VARIABLE[200,400,80,0,0]\"a\" VARIABLE[200,400,80,0,0]\"b\"\n");
}

// The ^ becomes a power over its exponent: the power is
// 0.7 x 320 + 280 = 504 high with its baseline 56 up, on the baseline of the x.
TEST(MeasureCommand, MeasuresAPower) {
  ExpectMeasure({"--metrics", "fixed", "x^2"}, "width=406 height=528 align=80\n");
}

TEST(MeasureCommand, MeasuresWithRealFonts) {
  const test::CliResult result = test::RunCliCaptured({"measure", "x+1\nsqrt(b2-4ac)"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(std::regex_match(
      result.out, std::regex("(width=[1-9][0-9]* height=[1-9][0-9]* align=[0-9]+\n){2}"
                             "document width=[1-9][0-9]* height=[1-9][0-9]* align=[0-9]+\n")))
      << result.out;
}

TEST(MeasureCommand, RefusesWhatItCannotUse) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"measure"},
                                               {"measure", "x", "y"},
                                               {"measure", "x", "--metrics", "pixels"},
                                               {"measure", "x", "--set", "NoSuchKey=1"}}) {
    const test::CliResult result = test::RunCliCaptured(args);
    EXPECT_EQ(result.status, 2) << args.back();
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err, "");
  }
}

}  // namespace
}  // namespace kv
