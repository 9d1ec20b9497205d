#include "options/option_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <variant>

#include "support/scratch_environment.h"
#include "typeset/equation_settings.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScratchEnvironment;
using test::WriteFileBytes;

TEST(OptionStore, EachKindReadsAndWritesUnderItsKey) {
  IniFile store;
  store.WriteString("Options", "Spacing", "20000", true);
  store.WriteString("Options", "Tab", "-1", true);
  store.WriteString("Options", "Two", "2", true);
  store.WriteString("Options", "One", "1", true);

  IntOption spacing;
  spacing.Configure("Options", "Spacing", 0, 400, 0, 10000);
  ReadOption(spacing, store);
  EXPECT_EQ(spacing.Current(), 5000);  // out of range: the midpoint

  IntOption tab;  // -1 lies inside the range, and still means "take the default"
  tab.Configure("Options", "Tab", 0, 1000, -32768, 32767);
  ReadOption(tab, store);
  EXPECT_EQ(tab.Current(), 1000);

  BoolOption two, one, missing;
  two.Configure("Options", "Two", 0, true);
  one.Configure("Options", "One", 0, false);
  missing.Configure("Elsewhere", "One", 0, true);
  ReadOption(two, store);
  ReadOption(one, store);
  missing.Set(false);
  ReadOption(missing, store);
  EXPECT_FALSE(two.Current());
  EXPECT_TRUE(one.Current());
  EXPECT_TRUE(missing.Current());

  // Writing creates the section and key; a real has six decimals.
  DoubleOption raise;
  raise.Configure("Options", "PowerRaise", 0, 0.7, 0.0, 1.0);
  EXPECT_TRUE(WriteOption(raise, store, false));
  EXPECT_EQ(store.ReadString("Options", "PowerRaise"), "0.700000");

  // Writing the default leaves the current value, which becomes the saved value.
  IntOption gap;
  gap.Configure("Numbers", "FractionGap", 0, 0, 0, 200);
  gap.Set(50);
  EXPECT_TRUE(WriteOption(gap, store, true));
  EXPECT_EQ(store.ReadString("Numbers", "FractionGap"), "0");
  EXPECT_EQ(gap.Current(), 50);
  EXPECT_EQ(gap.Saved(), 50);
  gap.Set(900);  // out of range: repaired to 100 before it is written
  EXPECT_TRUE(WriteOption(gap, store, false));
  EXPECT_EQ(store.ReadString("Numbers", "FractionGap"), "100");
  EXPECT_EQ(gap.Current(), 100);
}

// Changes every stored setting away from its default, each kind in its own way.
struct ChangeSetting {
  EquationSettings& s;

  void operator()(const IntSetting& d) const {
    (s.*d.option).Set(d.defaultValue < d.maximum ? d.defaultValue + 1 : d.defaultValue - 1);
  }
  void operator()(const DoubleSetting& d) const {
    (s.*d.option).Set(d.defaultValue == 0.25 ? 0.5 : 0.25);
  }
  void operator()(const BoolSetting& d) const { (s.*d.option).Set(!d.defaultValue); }
  void operator()(const ColorSetting& d) const { (s.*d.option).Set(d.defaultValue ^ 0x123456); }
  void operator()(const TextSetting& d) const {
    (s.*d.option).Set(std::string(d.defaultValue) + ",\xB5=x");
  }
  void operator()(const LocaleCharSetting&) const {}
  void operator()(const PenSetting& d) const {
    (s.*d.option).Set(KVLogPen{.mode = 1, .type = 3, .colour = 0x00332211, .width = 12.5});
  }
  void operator()(const FontSetting& d) const {
    KVLogFont font;
    font.lfHeight = -20;
    font.lfWidth = 3;
    font.lfEscapement = 900;
    font.lfOrientation = 450;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfUnderline = 1;
    font.lfStrikeOut = 1;
    font.lfCharSet = 2;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 4;
    font.lfQuality = 5;
    font.lfPitchAndFamily = 34;
    font.colour = 0x0000FF;
    font.size = 635;
    font.SetFaceName("Times, New Roman");
    ASSERT_NE(font, d.defaultValue);
    (s.*d.option).Set(font);
  }
};

class OptionStoreFiles : public ::testing::Test {
 protected:
  ScratchEnvironment env;
  fs::path OptionsFile() const { return env.ConfigHome() / "Morvak" / "KLV300.ini"; }
};

TEST_F(OptionStoreFiles, SaveAllWritesTheStoredSettingsInDeclarationOrder) {
  EquationSettings settings;
  ConfigStore store = OptionsStore();
  ASSERT_TRUE(SaveAll(settings, store, false));
  const std::string text = ReadFileBytes(OptionsFile());

  // 84 settings: DecimalPoint and Separator follow the locale and are not stored.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 84 + 1);
  EXPECT_EQ(text.find("DecimalPoint"), std::string::npos);
  EXPECT_EQ(text.find("Separator"), std::string::npos);
  EXPECT_EQ(text.rfind("[Options]\r\nLowerCase=1\r\nDisplayVect=0\r\nDoubleCaps=1\r\n", 0), 0u);
  EXPECT_TRUE(text.ends_with("MatrixAlign=1\r\nUseWordFont=0\r\n\r\n"));
  for (const char* line : {
           "\r\nFont=-14,0,0,0,400,0,0,0,0,7,48,2,2,0,400,Arial\r\n",
           "\r\nGeneralPen=0,0,0,65542,2,30.000000\r\n",
           "\r\nPowerRaise=0.700000\r\n",
           "\r\nFracLevelRatio=0.300000\r\n",
           "\r\nUnitsList=cm,km,mm,L,mL,cL,kL,ML,mg,kg\r\n",
           "\r\nMacroList=qf%x=(-b+-sr(b2-4ac))/2a%pv7%3.1415927%pv20%3.14159265358979323846%\r\n",
           "\r\nLettersI=1\r\nLettersJ=1\r\nLettersK=1\r\nLettersL=0\r\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST_F(OptionStoreFiles, RoundTripWithEverySettingChanged) {
  const EquationSettings defaults;
  EquationSettings changed;
  for (const SettingDescriptor& d : SettingsTable())
    std::visit(ChangeSetting{changed}, d.kind);
  for (const SettingDescriptor& d : SettingsTable()) {
    if (std::holds_alternative<LocaleCharSetting>(d.kind)) continue;
    EXPECT_NE(SettingAsText(changed, d.key), SettingAsText(defaults, d.key)) << d.key;
  }

  ConfigStore store = OptionsStore();
  ASSERT_TRUE(SaveAll(changed, store, false)) << store.LastError();
  const std::string text = ReadFileBytes(OptionsFile());
  EXPECT_NE(text.find("\r\nFont=-20,3,900,450,700,1,1,1,2,3,4,5,34,255,635,Times, New Roman\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\nGeneralPen=17,34,51,3,1,12.500000\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nUnitsFont=Arial,\xB5=x\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nTabWidth=1001\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nMultiplyStyle=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nIntegralStyle=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nMatrixAlign=2\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nGreekColor=1193046\r\n"), std::string::npos);

  EquationSettings loaded;
  ConfigStore reader = OptionsStore();
  EXPECT_TRUE(LoadAll(loaded, reader));
  EXPECT_EQ(loaded.Font.Current().FaceName(), "Times, New Roman");
  EXPECT_EQ(loaded, changed);
}

TEST_F(OptionStoreFiles, LoadAllFallsBackToDefaultsAndRepairs) {
  fs::create_directories(OptionsFile().parent_path());
  WriteFileBytes(OptionsFile(),
                 "[Options]\r\n"
                 "MatrixVerticalSpacing=20000\r\n"
                 "TabWidth=-1\r\n"
                 "UseOneFont=2\r\n"
                 "PowerRaise=abc\r\n"
                 "FracLevelRatio=1.5\r\n"
                 "Font=-20,1\r\n"
                 "GeneralPen=1,2,3\r\n"
                 "UnitsFont=\r\n"
                 "DecimalPoint=;\r\n"
                 "NoSuchSetting=1\r\n"
                 "\r\n"
                 "[options]\r\n"
                 "UseWordFont=1\r\n");
  EquationSettings settings;
  settings.LowerCase.Set(7);  // not in the file: back to its default
  ConfigStore store = OptionsStore();
  EXPECT_TRUE(LoadAll(settings, store));

  EquationSettings expected;
  expected.MatrixVerticalSpacing.Set(5000);
  expected.UseOneFont.Set(false);
  expected.PowerRaise.Set(0.0);  // no number reads as 0, which is in range
  expected.FracLevelRatio.Set(0.5);
  KVLogFont font;
  font.lfHeight = -20;
  font.lfWidth = 1;
  expected.Font.Set(font);
  KVLogPen pen = expected.GeneralPen.Default();
  pen.colour = 0x030201;
  expected.GeneralPen.Set(pen);
  for (const SettingDescriptor& d : SettingsTable()) {
    EXPECT_EQ(SettingAsText(settings, d.key), SettingAsText(expected, d.key)) << d.key;
  }

  // No file at all: every setting takes its default, and the result says the file was missing.
  fs::remove(OptionsFile());
  EquationSettings again;
  again.UseOneFont.Set(false);
  ConfigStore empty = OptionsStore();
  EXPECT_FALSE(LoadAll(again, empty));
  EXPECT_EQ(again, EquationSettings());
}

TEST_F(OptionStoreFiles, SaveAllReportsAFailedSave) {
  WriteFileBytes(env.Root() / "plain", "x");
  env.Set("KALVANE_PROGRAM_FOLDER", (env.Root() / "plain").string());
  EquationSettings settings;
  ConfigStore store = DefaultConfigurationStore();
  EXPECT_FALSE(SaveAll(settings, store, false));
  EXPECT_NE(store.LastError().find("Not a directory"), std::string::npos);
}

}  // namespace
}  // namespace kv
