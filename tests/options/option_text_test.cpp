#include "options/option_text.h"

#include <gtest/gtest.h>

#include "settings/equation_settings.h"

namespace kv {
namespace {

TEST(OptionText, IntegerReadRules) {
  IntOption option;
  option.Configure("Options", "MatrixVerticalSpacing", 0, 400, 0, 10000);
  ReadOptionText(option, "20000");  // out of range: the midpoint
  EXPECT_EQ(option.Current(), 5000);
  EXPECT_EQ(option.Saved(), 5000);
  ReadOptionText(option, "");  // missing: the default
  EXPECT_EQ(option.Current(), 400);
  ReadOptionText(option, "12abc");
  EXPECT_EQ(option.Current(), 12);
  ReadOptionText(option, "abc");  // no number reads as 0
  EXPECT_EQ(option.Current(), 0);

  // -1 means "missing" even inside the range.
  IntOption wide;
  wide.Configure("Options", "TabWidth", 0, 1000, -32768, 32767);
  ReadOptionText(wide, "-1");
  EXPECT_EQ(wide.Current(), 1000);
  ReadOptionText(wide, "-2");
  EXPECT_EQ(wide.Current(), -2);
}

TEST(OptionText, FlagColourRealAndTextReadRules) {
  BoolOption flag;
  flag.Configure("Options", "UseOneFont", 0, true);
  ReadOptionText(flag, "2");
  EXPECT_FALSE(flag.Current());
  ReadOptionText(flag, "1");
  EXPECT_TRUE(flag.Current());
  ReadOptionText(flag, "0");
  ReadOptionText(flag, "-1");
  EXPECT_TRUE(flag.Current());  // the default

  ColorOption colour;
  colour.Configure("Options", "GreekColor", 0, 0x0000FF);
  ReadOptionText(colour, "65280");
  EXPECT_EQ(colour.Current(), 0x00FF00);
  ReadOptionText(colour, "-1");
  EXPECT_EQ(colour.Current(), 0x0000FF);

  DoubleOption real;
  real.Configure("Options", "PowerRaise", 0, 0.7, 0.0, 1.0);
  ReadOptionText(real, "0.25");
  EXPECT_EQ(real.Current(), 0.25);
  ReadOptionText(real, "3");
  EXPECT_EQ(real.Current(), 0.5);
  ReadOptionText(real, "");
  EXPECT_EQ(real.Current(), 0.7);
  ReadOptionText(real, "nan");
  EXPECT_EQ(real.Current(), 0.5);

  StringOption text;
  text.Configure("Options", "UnitsFont", 0, "Arial", 3);
  ReadOptionText(text, "Liberation");
  EXPECT_EQ(text.Current(), "Lib");
  ReadOptionText(text, "");
  EXPECT_EQ(text.Current(), "Ari");
}

TEST(OptionText, WriteRules) {
  DoubleOption real;
  real.Configure("Options", "PowerRaise", 0, 0.7, 0.0, 1.0);
  EXPECT_EQ(WriteOptionText(real, false), "0.700000");
  real.Set(2.0);
  EXPECT_EQ(WriteOptionText(real, false), "0.500000");  // repaired before writing

  IntOption number;
  number.Configure("Options", "FractionGap", 0, 0, 0, 200);
  number.Set(50);
  // Writing the default leaves the current value, which becomes the saved value.
  EXPECT_EQ(WriteOptionText(number, true), "0");
  EXPECT_EQ(number.Current(), 50);
  EXPECT_EQ(number.Saved(), 50);

  BoolOption flag;
  flag.Configure("Options", "UseOneFont", 0, true);
  EXPECT_EQ(WriteOptionText(flag, false), "1");
}

TEST(OptionText, PenAndFontForms) {
  const KVLogPen pen{.mode = 2, .type = 0x10006, .colour = 0x00332211, .width = 30.0};
  EXPECT_EQ(FormatPenText(pen), "17,34,51,65542,2,30.000000");
  KVLogPen read;
  ParsePenText("17,34,51,65542,2,30.000000", read);
  EXPECT_EQ(read, pen);

  // The worked example: a new font description.
  EXPECT_EQ(FormatFontText(KVLogFont{}), "-14,0,0,0,400,0,0,0,0,7,48,2,2,0,400,Arial");

  KVLogFont font;
  ParseFontText("-20,1,2,3,700,1,0,1,2,3,4,5,6,255,500,Times, New, Roman", font);
  EXPECT_EQ(font.lfHeight, -20);
  EXPECT_EQ(font.lfWidth, 1);
  EXPECT_EQ(font.lfWeight, 700);
  EXPECT_EQ(font.lfItalic, 1);
  EXPECT_EQ(font.lfStrikeOut, 1);
  EXPECT_EQ(font.lfPitchAndFamily, 6);
  EXPECT_EQ(font.colour, 255);
  EXPECT_EQ(font.size, 500);
  EXPECT_EQ(font.FaceName(), "Times, New, Roman");

  // Byte fields keep their low 8 bits; a long face is cut to 31 characters.
  ParseFontText("0,0,0,0,0,257,0,0,0,0,0,0,0,0,0," + std::string(40, 'x'), font);
  EXPECT_EQ(font.lfItalic, 1);
  EXPECT_EQ(font.FaceName().size(), 31u);

  // Short texts do not fail; the fields they lack keep their values.
  KVLogFont partial;
  ParseFontText("-30,5", partial);
  EXPECT_EQ(partial.lfHeight, -30);
  EXPECT_EQ(partial.lfWidth, 5);
  EXPECT_EQ(partial.FaceName(), "Arial");
  KVLogPen partialPen;
  ParsePenText("1", partialPen);
  EXPECT_EQ(partialPen, KVLogPen{});

  KVOptionKVLogFont option;
  option.Configure("Options", "Font", 0, KVLogFont{});
  option.Current().size = 999;
  ReadOptionText(option, "");
  EXPECT_EQ(option.Current(), KVLogFont{});
}

TEST(OptionText, SettingsFromCommandLineText) {
  EquationSettings s;
  SetSettingFromText(s, "Separator", ";");
  EXPECT_EQ(s.Separator.Current(), ";");
  SetSettingFromText(s, "UseIndicatedVectors", "1");
  EXPECT_TRUE(s.UseIndicatedVectors.Current());
  SetSettingFromText(s, "PlusMinusSymbol", "0");
  EXPECT_FALSE(s.switches.PlusMinusSymbol);
  SetSettingFromText(s, "UnitsList", "kg,m,s");
  EXPECT_EQ(s.UnitsList.Current(), "kg,m,s");
  SetSettingFromText(s, "PowerRaise", "0.5");
  EXPECT_EQ(s.PowerRaise.Current(), 0.5);
  SetSettingFromText(s, "MultiplyStyle", "7");  // accepted, repaired like a file's value
  EXPECT_EQ(s.MultiplyStyle.Current(), 1);

  EXPECT_THROW(SetSettingFromText(s, "NoSuchKey", "1"), std::invalid_argument);
  EXPECT_THROW(SetSettingFromText(s, "UseOneFont", "yes"), std::invalid_argument);
  EXPECT_THROW(SetSettingFromText(s, "TabWidth", "10mm"), std::invalid_argument);
  EXPECT_THROW(SetSettingFromText(s, "PowerRaise", "half"), std::invalid_argument);
  EXPECT_THROW(SetSettingFromText(s, "DecimalPoint", ".,"), std::invalid_argument);
}

TEST(OptionText, SettingsAsCommandLineText) {
  EquationSettings s;
  s.ResetToDefaults(",");
  EXPECT_EQ(SettingAsText(s, "DecimalPoint"), ",");
  EXPECT_EQ(SettingAsText(s, "Separator"), ";");
  EXPECT_EQ(SettingAsText(s, "BracketLimits"), "1");
  EXPECT_EQ(SettingAsText(s, "FracLevelRatio"), "0.300000");  // the file's form, not the locale's
  EXPECT_EQ(SettingAsText(s, "GeneralPen"), "0,0,0,65542,2,30.000000");
  // An out-of-range value shows as the value it is used with; the record itself is untouched.
  s.SqrtGap.Set(900);
  EXPECT_EQ(SettingAsText(s, "SqrtGap"), "250");
  EXPECT_EQ(s.SqrtGap.Current(), 900);
  EXPECT_EQ(s.SqrtGap.Saved(), 100);
  EXPECT_THROW(SettingAsText(s, "NoSuchKey"), std::invalid_argument);

  // Every text shown is taken back unchanged by --set.
  EquationSettings copy;
  copy.ResetToDefaults(".");
  s.UnitsList.Set("m=\xB5m");
  s.UseOneFont.Set(false);
  s.switches.QuotedText = false;
  for (const SettingDescriptor& d : SettingsTable())
    SetSettingFromText(copy, d.key, SettingAsText(s, d.key));
  for (std::string_view name : FeatureSwitchNames())
    SetSettingFromText(copy, name, SettingAsText(s, name));
  for (const SettingDescriptor& d : SettingsTable())
    EXPECT_EQ(SettingAsText(copy, d.key), SettingAsText(s, d.key)) << d.key;
  EXPECT_EQ(copy.switches, s.switches);
}

}  // namespace
}  // namespace kv
