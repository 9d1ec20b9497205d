#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/cli_runner.h"

namespace kv {
namespace {

TEST(Cli, HelpVersionAndUnknownCommands) {
  const test::CliResult help = test::RunCliCaptured({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: kalvane-cli"), std::string::npos);
  EXPECT_TRUE(help.err.empty());

  const test::CliResult version = test::RunCliCaptured({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kalvane-cli ", 0), 0u);

  const test::CliResult unknown = test::RunCliCaptured({"frobnicate"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(unknown.out.empty());
  EXPECT_NE(unknown.err.find("frobnicate"), std::string::npos);

  EXPECT_EQ(test::RunCliCaptured({}).status, 2);
}

}  // namespace
}  // namespace kv
