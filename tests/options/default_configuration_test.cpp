#include "options/default_configuration.h"

#include <gtest/gtest.h>

#include "options/option_store.h"
#include "settings/equation_settings.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScratchEnvironment;
using test::WriteFileBytes;

class DefaultConfiguration : public ::testing::Test {
 protected:
  ScratchEnvironment env;

  fs::path DefaultFile() const { return env.ProgramFolder() / "KLV3_Default.ini"; }
  fs::path OptionsFile() const { return env.ConfigHome() / "Morvak" / "KLV300.ini"; }

  // What a start of the program begins with.
  EquationSettings Restart(ImportResult expected) {
    EquationSettings master;
    ConfigStore optionsStore = OptionsStore();
    EXPECT_EQ(LoadStartUpSettings(master, optionsStore), expected);
    return master;
  }

  // "Set As Default": the master settings saved to the options store.
  void SaveAsUserOptions(EquationSettings& master) {
    ConfigStore optionsStore = OptionsStore();
    ASSERT_TRUE(SaveAll(master, optionsStore, false)) << optionsStore.LastError();
  }

  // The settings a configuration file holds.
  static EquationSettings SettingsIn(const fs::path& file) {
    EquationSettings settings;
    IniFile store;
    store.SetPath(file.string());
    EXPECT_TRUE(store.LoadFromPath());
    ReadAll(settings, store);
    return settings;
  }
};

TEST_F(DefaultConfiguration, ResetThenRestartGivesTheDefaults) {
  EquationSettings master;
  master.UseOneFont.Set(false);
  master.TabWidth.Set(20);
  SaveAsUserOptions(master);
  master.TabWidth.Set(30);

  std::string asked;
  const ConfigurationOutcome outcome = ResetOptions(master, [&](std::string_view question) {
    asked = question;
    return true;
  });
  EXPECT_EQ(asked, "About to reset all options to original default values");
  EXPECT_EQ(outcome.status, ConfigurationOutcome::Status::Done);
  EXPECT_EQ(outcome.message,
            "All options have been reset to factory defaults.\n\n"
            "Kalvane must be restarted to load new options.");
  // The settings do not change, and the saved value is the current one, not the default written.
  EXPECT_FALSE(master.UseOneFont.Current());
  EXPECT_EQ(master.TabWidth.Current(), 30);
  EXPECT_EQ(master.TabWidth.Saved(), 30);
  EXPECT_EQ(SettingsIn(DefaultFile()), EquationSettings());

  EXPECT_EQ(Restart(ImportResult::Imported), EquationSettings());
  EXPECT_EQ(SettingsIn(OptionsFile()), EquationSettings());
  EXPECT_FALSE(fs::exists(DefaultFile()));
  // The next start finds nothing more to import.
  EXPECT_EQ(Restart(ImportResult::NoFile), EquationSettings());
}

TEST_F(DefaultConfiguration, CancelledResetWritesNothing) {
  EquationSettings master;
  const ConfigurationOutcome outcome = ResetOptions(master, [](std::string_view) { return false; });
  EXPECT_EQ(outcome.status, ConfigurationOutcome::Status::Cancelled);
  EXPECT_FALSE(outcome.Succeeded());
  EXPECT_EQ(outcome.message, "");
  EXPECT_TRUE(fs::is_empty(env.ProgramFolder()));
}

TEST_F(DefaultConfiguration, WrittenFileWinsOverLaterUserOptions) {
  EquationSettings master;
  master.UseOneFont.Set(false);
  master.QuoteFont.Set("Courier");
  const ConfigurationOutcome outcome = WriteDefaultConfiguration(master);
  EXPECT_TRUE(outcome.Succeeded());
  EXPECT_EQ(outcome.message, "A default configuration file has been written to\n" +
                                 DefaultFile().string() +
                                 "\n\n"
                                 "Read the installation instructions for details\n"
                                 "on how to use this feature.");

  // Later changes made the user's defaults through the options sheet.
  master.UseOneFont.Set(true);
  master.TabWidth.Set(5);
  SaveAsUserOptions(master);

  const EquationSettings started = Restart(ImportResult::Imported);
  EXPECT_FALSE(started.UseOneFont.Current());
  EXPECT_EQ(started.QuoteFont.Current(), "Courier");
  EXPECT_EQ(started.TabWidth.Current(), 1000);
  EXPECT_EQ(SettingsIn(OptionsFile()), started);
}

TEST_F(DefaultConfiguration, SettingsMissingFromTheFileTakeTheirDefaults) {
  EquationSettings master;
  master.TabWidth.Set(20);
  SaveAsUserOptions(master);
  WriteFileBytes(DefaultFile(), "[Options]\r\nUseOneFont=0\r\n");

  EquationSettings expected;
  expected.UseOneFont.Set(false);
  expected.UseOneFont.MarkSaved();
  const EquationSettings started = Restart(ImportResult::Imported);
  EXPECT_EQ(started.TabWidth.Current(), 1000);  // not the user's 20
  EXPECT_EQ(started, expected);
  EXPECT_EQ(SettingsIn(OptionsFile()), expected);
}

TEST_F(DefaultConfiguration, WithoutAFileTheUserOptionsStay) {
  EquationSettings master;
  master.TabWidth.Set(20);
  SaveAsUserOptions(master);
  const std::string before = ReadFileBytes(OptionsFile());
  EXPECT_EQ(Restart(ImportResult::NoFile).TabWidth.Current(), 20);
  EXPECT_EQ(ReadFileBytes(OptionsFile()), before);
  // A default configuration file that cannot be opened is no error either.
  fs::create_directory(DefaultFile());
  EXPECT_EQ(Restart(ImportResult::NoFile).TabWidth.Current(), 20);
}

TEST_F(DefaultConfiguration, FailedSavesAreReported) {
  // The program folder is a plain file: the default configuration file cannot be written.
  WriteFileBytes(env.Root() / "plain", "x");
  env.Set("KALVANE_PROGRAM_FOLDER", (env.Root() / "plain").string());
  EquationSettings master;
  const ConfigurationOutcome reset = ResetOptions(master, [](std::string_view) { return true; });
  EXPECT_EQ(reset.status, ConfigurationOutcome::Status::Failed);
  EXPECT_EQ(reset.message.rfind("The options could not be reset to factory defaults.\n\n"
                                "Unable to write ini file \"" +
                                    (env.Root() / "plain" / "KLV3_Default.ini").string() + "\": ",
                                0),
            0u)
      << reset.message;
  const ConfigurationOutcome written = WriteDefaultConfiguration(master);
  EXPECT_EQ(written.status, ConfigurationOutcome::Status::Failed);
  EXPECT_EQ(written.message.rfind("The default configuration file could not be written.\n\n", 0),
            0u);
  EXPECT_NE(written.message.find("Not a directory"), std::string::npos);

  // The options store cannot be saved: the imported values are used, and the default
  // configuration file stays, since it still holds the only copy of them.
  env.Set("KALVANE_PROGRAM_FOLDER", env.ProgramFolder().string());
  WriteFileBytes(DefaultFile(), "[Options]\r\nUseOneFont=0\r\n");
  fs::create_directories(OptionsFile() / "in-the-way");
  EquationSettings started;
  ConfigStore optionsStore = OptionsStore();
  std::string error;
  EXPECT_EQ(LoadStartUpSettings(started, optionsStore, &error), ImportResult::NotSaved);
  EXPECT_FALSE(started.UseOneFont.Current());
  EXPECT_NE(error.find("KLV300.ini"), std::string::npos);
  EXPECT_TRUE(fs::exists(DefaultFile()));
}

}  // namespace
}  // namespace kv
