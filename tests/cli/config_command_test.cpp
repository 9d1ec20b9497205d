#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScratchEnvironment;
using test::WriteFileBytes;

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

bool HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

class ConfigCommand : public ::testing::Test {
 protected:
  ScratchEnvironment env;

  std::string DefaultFile() const { return (env.ProgramFolder() / "KLV3_Default.ini").string(); }
  std::string OptionsFile() const { return (env.ConfigHome() / "Morvak" / "KLV300.ini").string(); }
  std::string File(const std::string& name, std::string_view text) const {
    WriteFileBytes(env.Root() / name, text);
    return (env.Root() / name).string();
  }
};

TEST_F(ConfigCommand, PrintsWhereTheFilesLive) {
  const Result all = RunCommand({"config", "path"});
  EXPECT_EQ(all.status, 0) << all.err;
  const std::string config = env.ConfigHome().string();
  EXPECT_EQ(all.out, "options store: " + config + "/Morvak/KLV300.ini\n" +
                         "exchange store: " + config + "/Morvak/KLV3ADJ.ini\n" +
                         "default configuration file: " + DefaultFile() + "\n");

  EXPECT_EQ(RunCommand({"config", "path", "options"}).out, OptionsFile() + "\n");
  EXPECT_EQ(RunCommand({"config", "path", "default"}).out, DefaultFile() + "\n");

  const Result unknown = RunCommand({"config", "path", "everything"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("'everything'"), std::string::npos);
  EXPECT_EQ(RunCommand({"config", "path", "options", "default"}).status, 2);

  // Without a home folder the exchange and options stores fall back to the program folder.
  env.Set("HOME", std::nullopt);
  env.Set("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(RunCommand({"config", "path", "exchange"}).out,
            (env.ProgramFolder() / "KLV3ADJ.ini").string() + "\n");
}

TEST_F(ConfigCommand, ShowsTheDefaultsInTheFileForms) {
  const Result shown =
      RunCommand({"config", "show", "--set", "DecimalPoint=.", "--set", "Separator=,"});
  EXPECT_EQ(shown.status, 0) << shown.err;
  // 86 keyed settings and 11 feature switches.
  EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\n'), 97);
  EXPECT_EQ(shown.out.rfind("DecimalPoint=.\nSeparator=,\nLowerCase=1\n", 0), 0u);
  for (const char* line :
       {"Font=-14,0,0,0,400,0,0,0,0,7,48,2,2,0,400,Arial", "GeneralPen=0,0,0,65542,2,30.000000",
        "PowerRaise=0.700000", "MatrixHorizontalSpacing=600", "UseOneFont=1", "ExpandMacros=1"}) {
    EXPECT_TRUE(HasLine(shown.out, line)) << line;
  }
  EXPECT_TRUE(
      shown.out.ends_with("\nUseWordFont=0\nExpandMacros=1\nSpacedOperators=1\n"
                          "ScientificNotation=1\nBackslashSubscripts=1\nBuildMatrices=1\n"
                          "QuotedText=1\nPlusMinusSymbol=1\nLetterODegree=1\n"
                          "BackquoteDegree=1\nGuillemetTab=1\nBracketLimits=1\n"));
}

TEST_F(ConfigCommand, ShowsSettingsFromOptionsFilesAndSet) {
  const std::string first = File("a.ini",
                                 "[Options]\r\nUseOneFont=0\r\nTabWidth=40000\r\n"
                                 "UnitsList=\xB5m,s\r\n[Other]\r\nQuoteFont=Ignored\r\n");
  const std::string second = File("b.ini", "[Options]\nTabWidth=30\nQuoteFont=Courier\n");

  // 40000 is beyond the range -32768..32767 and is used as its midpoint, 0.
  const Result alone = RunCommand({"config", "show", "--options", first});
  EXPECT_EQ(alone.status, 0) << alone.err;
  EXPECT_TRUE(HasLine(alone.out, "UseOneFont=0"));
  EXPECT_TRUE(HasLine(alone.out, "TabWidth=0"));
  EXPECT_TRUE(HasLine(alone.out, "UnitsList=\xC2\xB5m,s"));  // Windows-1252 shown as UTF-8
  EXPECT_TRUE(HasLine(alone.out, "QuoteFont=Arial"));

  // A later file wins key by key, and --set wins over the files wherever it stands.
  const Result merged = RunCommand({"config", "show", "--set", "QuoteFont=Times", "--options",
                                    first, "--options=" + second, "--set", "UseOneFont=1"});
  EXPECT_EQ(merged.status, 0) << merged.err;
  EXPECT_TRUE(HasLine(merged.out, "TabWidth=30"));
  EXPECT_TRUE(HasLine(merged.out, "QuoteFont=Times"));
  EXPECT_TRUE(HasLine(merged.out, "UseOneFont=1"));
  EXPECT_TRUE(HasLine(merged.out, "UnitsList=\xC2\xB5m,s"));
}

TEST_F(ConfigCommand, RefusesUnusableOptionsFiles) {
  const Result missing =
      RunCommand({"config", "show", "--options", (env.Root() / "no.ini").string()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "kalvane-cli config: --options: there is no file '" +
                             (env.Root() / "no.ini").string() + "'\n");

  const Result folder = RunCommand({"config", "show", "--options", env.Home().string()});
  EXPECT_EQ(folder.status, 2);
  EXPECT_NE(folder.err.find("cannot read the configuration file"), std::string::npos);

  const std::string noSection = File("plain.ini", "UseOneFont=0\n");
  const Result headerless = RunCommand({"config", "show", "--options", noSection});
  EXPECT_EQ(headerless.status, 2);
  EXPECT_NE(headerless.err.find("has no section [Options]"), std::string::npos);

  EXPECT_EQ(RunCommand({"config", "show", "--options"}).status, 2);
  EXPECT_EQ(RunCommand({"config", "show", "--set", "Nope=1"}).status, 2);
  EXPECT_EQ(RunCommand({"config", "show", "extra"}).status, 2);
}

TEST_F(ConfigCommand, ResetAndWriteDefault) {
  const Result reset = RunCommand({"config", "reset"});
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_EQ(reset.out,
            "All options have been reset to factory defaults.\n\n"
            "Kalvane must be restarted to load new options.\n");
  const std::string resetText = ReadFileBytes(DefaultFile());
  EXPECT_EQ(resetText.rfind("[Options]\r\nLowerCase=1\r\n", 0), 0u);
  EXPECT_NE(resetText.find("\r\nUseOneFont=1\r\n"), std::string::npos);

  // write-default takes the user's options store.
  fs::create_directories(fs::path(OptionsFile()).parent_path());
  WriteFileBytes(OptionsFile(), "[Options]\r\nUseOneFont=0\r\n");
  const Result written = RunCommand({"config", "write-default"});
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(written.out, "A default configuration file has been written to\n" + DefaultFile() +
                             "\n\nRead the installation instructions for details\n"
                             "on how to use this feature.\n");
  const std::string writtenText = ReadFileBytes(DefaultFile());
  EXPECT_NE(writtenText.find("\r\nUseOneFont=0\r\n"), std::string::npos);
  EXPECT_NE(writtenText.find("\r\nTabWidth=1000\r\n"), std::string::npos);
  // Reading the options store does not change it.
  EXPECT_EQ(ReadFileBytes(OptionsFile()), "[Options]\r\nUseOneFont=0\r\n");
}

TEST_F(ConfigCommand, FailedWritesAreErrors) {
  WriteFileBytes(env.Root() / "plain", "x");
  env.Set("KALVANE_PROGRAM_FOLDER", (env.Root() / "plain").string());
  const Result reset = RunCommand({"config", "reset"});
  EXPECT_EQ(reset.status, 2);
  EXPECT_EQ(reset.out, "");
  EXPECT_EQ(reset.err.rfind("kalvane-cli config: The options could not be reset to factory "
                            "defaults.\n\nUnable to write ini file",
                            0),
            0u)
      << reset.err;
  const Result written = RunCommand({"config", "write-default"});
  EXPECT_EQ(written.status, 2);
  EXPECT_NE(written.err.find("The default configuration file could not be written."),
            std::string::npos);
}

TEST_F(ConfigCommand, HelpAndMistakes) {
  const Result help = RunCommand({"config", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: kalvane-cli config path", 0), 0u);
  EXPECT_NE(RunCommand({"--help"}).out.find("\n  config "), std::string::npos);

  EXPECT_EQ(RunCommand({"config"}).status, 2);
  const Result unknown = RunCommand({"config", "erase"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("'erase'"), std::string::npos);
  EXPECT_EQ(RunCommand({"config", "reset", "--set", "UseOneFont=0"}).status, 2);
  EXPECT_EQ(RunCommand({"config", "write-default", "now"}).status, 2);
  EXPECT_FALSE(fs::exists(DefaultFile()));
}

}  // namespace
}  // namespace kv
