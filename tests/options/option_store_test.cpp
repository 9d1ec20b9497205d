#include "options/option_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <variant>

#include "settings/equation_settings.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScratchEnvironment;
using test::WriteFileBytes;

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
    ParseFontText("-20,3,900,450,700,1,1,1,2,3,4,5,34,255,635,Times, New Roman", font);
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
                 "RaiseDecimal=1\r\n"
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
  expected.RaiseDecimal.Set(true);
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

}  // namespace
}  // namespace kv
