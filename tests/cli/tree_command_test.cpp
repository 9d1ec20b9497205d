#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace kv {
namespace {

void ExpectTree(std::vector<std::string> args, const std::string& expected) {
  args.insert(args.begin(), "tree");
  const test::CliResult result = test::RunCliCaptured(args);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, expected);
  EXPECT_EQ(result.err, "");
}

TEST(TreeCommand, PrintsTheTreeOfEachLine) {
  ExpectTree({"x^2"}, "VARIABLE\"x\" POWER{BRACKETS\",\"{NUMBER\"2\"}}\n");
  ExpectTree({"a/b"}, "FRACTION{BRACKETS\",\"{VARIABLE\"a\"}}{BRACKETS\",\"{VARIABLE\"b\"}}\n");
  ExpectTree({""}, "\n");
  ExpectTree({"a\n-3"}, "VARIABLE\"a\"\nNUMBER\"-3\"\n");
}

TEST(TreeCommand, TakesSettingsAndRefusesBadArguments) {
  ExpectTree({"1;2", "--set", "Separator=;"},
             "COLUMN{BRACKETS\",\"{NUMBER\"1\"}}{BRACKETS\",\"{NUMBER\"2\"}}\n");
  ExpectTree({"1,2 3,4", "--set", "BuildMatrices=0", "--set", "DetectColumnVectors=0"},
             "NUMBER\"1\" SEPARATOR\",\" NUMBER\"2\" SPACE\" \" NUMBER\"3\" SEPARATOR\",\" "
             "NUMBER\"4\"\n");
  EXPECT_EQ(test::RunCliCaptured({"tree"}).status, 2);
  EXPECT_EQ(test::RunCliCaptured({"tree", "a", "b"}).status, 2);
  EXPECT_EQ(test::RunCliCaptured({"tree", "x", "--set", "NoSuchKey=1"}).status, 2);
}

}  // namespace
}  // namespace kv
