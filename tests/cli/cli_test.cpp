#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kv {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result RunCommand(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(Cli, HelpVersionAndUnknownCommands) {
  const Result help = RunCommand({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: kalvane-cli"), std::string::npos);
  EXPECT_TRUE(help.err.empty());

  const Result version = RunCommand({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kalvane-cli ", 0), 0u);

  const Result unknown = RunCommand({"frobnicate"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(unknown.out.empty());
  EXPECT_NE(unknown.err.find("frobnicate"), std::string::npos);

  EXPECT_EQ(RunCommand({}).status, 2);
}

}  // namespace
}  // namespace kv
