#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/cli_runner.h"

namespace kv {
namespace {

void ExpectTokens(std::vector<std::string> args, const std::string& expected) {
  args.insert(args.begin(), "tokens");
  const test::CliResult result = test::RunCliCaptured(args);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, expected);
  EXPECT_EQ(result.err, "");
}

TEST(TokensCommand, PrintsTheTokenRowOfEachLine) {
  ExpectTokens({"pi"}, "GREEK\"p\"\n");
  ExpectTokens({"|x|+|y|"},
               "OPEN\"|\" VARIABLE\"x\" CLOSE\"|\" ADD\"+\" OPEN\"|\" VARIABLE\"y\" CLOSE\"|\"\n");
  ExpectTokens({""}, "\n");
  // UTF-8 in, Windows-1252 bytes inside: the section sign and the right guillemet.
  ExpectTokens({"x\xC2\xA7"
                "1\xC2\xBB"},
               "VARIABLE\"x\" SUBSCRIPT\"\\xa7\" NUMBER\"1\" TAB\"\\xbb\"\n");
  ExpectTokens({"--", "-x"}, "SUBTRACT\"-\" VARIABLE\"x\"\n");
  ExpectTokens({"a\nb c"}, "VARIABLE\"a\"\nVARIABLE\"b\" SPACE\" \" VARIABLE\"c\"\n");
}

TEST(TokensCommand, TakesSettingsAndFeatureSwitches) {
  ExpectTokens({"a,b;c", "--set", "Separator=;"},
               "VARIABLE\"a\" RAW\",\" VARIABLE\"b\" SEPARATOR\";\" VARIABLE\"c\"\n");
  ExpectTokens({"--set", "UseIndicatedVectors=1", "--", "-->a"}, "IVRIGHT\"-->\" VARIABLE\"a\"\n");
  ExpectTokens({"xo", "--set=LetterODegree=0", "--set", "UseAutographEntry=0"},
               "VARIABLE\"x\" VARIABLE\"o\"\n");
  ExpectTokens({"km", "--set", "UnitsList=m"}, "VARIABLE\"k\" UNIT\"m\"\n");
}

TEST(TokensCommand, RefusesBadArguments) {
  const test::CliResult none = test::RunCliCaptured({"tokens"});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find("exactly one TEXT"), std::string::npos);
  EXPECT_EQ(test::RunCliCaptured({"tokens", "a", "b"}).status, 2);

  const test::CliResult unencodable = test::RunCliCaptured({"tokens", "x\xC4\x81"});  // U+0101
  EXPECT_EQ(unencodable.status, 2);
  EXPECT_EQ(unencodable.out, "");
  EXPECT_NE(unencodable.err.find("U+0101"), std::string::npos);

  const test::CliResult badKey = test::RunCliCaptured({"tokens", "x", "--set", "NoSuchKey=1"});
  EXPECT_EQ(badKey.status, 2);
  EXPECT_NE(badKey.err.find("NoSuchKey"), std::string::npos);
  EXPECT_EQ(test::RunCliCaptured({"tokens", "-x"}).status, 2);

  const test::CliResult help = test::RunCliCaptured({"tokens", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("kalvane-cli tokens TEXT"), std::string::npos);
}

}  // namespace
}  // namespace kv
