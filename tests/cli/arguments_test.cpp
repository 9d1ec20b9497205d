#include "cli/arguments.h"

#include <gtest/gtest.h>

namespace kv::cli {
namespace {

TEST(Arguments, OptionsPositionalsAndTheEndMarker) {
  const std::vector<std::string> args = {"x^2",       "--set", "Separator=;", "--set=UseOneFont=0",
                                         "--metrics", "fixed", "-v",          "--",
                                         "-x",        "--set"};
  const Arguments parsed(args, {"--set", "--metrics"}, {"-v"});
  EXPECT_EQ(parsed.Positional(), (std::vector<std::string>{"x^2", "-x", "--set"}));
  EXPECT_EQ(parsed.Values("--set"), (std::vector<std::string>{"Separator=;", "UseOneFont=0"}));
  EXPECT_EQ(parsed.Value("--metrics"), "fixed");
  EXPECT_TRUE(parsed.Has("-v"));
  EXPECT_FALSE(parsed.Value("-o").has_value());

  const EquationSettings settings = SettingsFromArguments(parsed);
  EXPECT_EQ(settings.Separator.Current(), ";");
  EXPECT_FALSE(settings.UseOneFont.Current());

  const std::vector<std::string> unknown = {"--frob"};
  EXPECT_THROW(Arguments(unknown, {"--set"}, {}), CliError);
  const std::vector<std::string> missing = {"--set"};
  EXPECT_THROW(Arguments(missing, {"--set"}, {}), CliError);
  const std::vector<std::string> bad = {"--set", "Nope=1"};
  EXPECT_THROW(SettingsFromArguments(Arguments(bad, {"--set"}, {})), CliError);
  const std::vector<std::string> noEquals = {"--set", "UseOneFont"};
  EXPECT_THROW(SettingsFromArguments(Arguments(noEquals, {"--set"}, {})), CliError);
}

TEST(Arguments, EquationTextIsWindows1252WithCrLfLines) {
  EXPECT_EQ(EquationTextFromArgument("a\nb\r\nc"), "a\r\nb\r\nc");
  EXPECT_EQ(EquationTextFromArgument("\xC2\xA7x"), "\xA7x");
  EXPECT_THROW(EquationTextFromArgument("\xE2\x88\x9A"), CliError);  // the root sign
}

}  // namespace
}  // namespace kv::cli
