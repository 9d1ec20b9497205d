#include "settings/equation_settings.h"

#include <gtest/gtest.h>

#include <set>

#include "base/archive.h"
#include "support/bytes.h"

namespace kv {
namespace {

using test::Bytes;

std::vector<std::uint8_t> Archived(EquationSettings& settings) {
  Archive ar = Archive::ForStoring();
  settings.Serialize(ar);
  return ar.Bytes();
}

// IEEE doubles, little-endian, worked out by hand.
constexpr std::initializer_list<int> k0_7 = {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0xE6, 0x3F};
constexpr std::initializer_list<int> k0_3 = {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xD3, 0x3F};
constexpr std::initializer_list<int> k30_0 = {0, 0, 0, 0, 0, 0, 0x3E, 0x40};

Bytes DefaultBlock() {
  Bytes b;
  b.ShortString("KLVOptions").Word(1);
  b.Int32(1).Int32(0).Int32(1).Int32(1000).Int32(1000);  // LowerCase .. VerticalSpacing
  b.Raw({0, 1, 0, 0, 1, 0, 0, 0});  // RaiseDecimal, DetectColumnVectors, .., GreekBold
  // LettersA..LettersZ: only i, j, k and r are set.
  b.Raw({0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
  // Font: height -14, weight 400, four style bytes, face, colour, size.
  b.Int32(-14).Int32(400).Raw({0, 0, 0, 0}).Text("Arial").Zeros(27).Int32(0).Int32(400);
  b.Raw({0, 0, 0, 0});  // the four variant flags
  b.Raw(k0_7);          // PowerRaise
  b.Int32(0).Int32(100).Int32(30).Int32(90).Int32(0).Int32(4).Int32(2);
  b.Raw(k0_3).Raw(k0_3);                          // FracLevelRatio, PowerLevelRatio
  b.Int32(150);                                   // VectorArrowSize
  b.Int32(2).Int32(0x10006).Int32(0).Raw(k30_0);  // GeneralPen
  b.Int32(0);                                     // IntegralStyle
  b.Raw({1, 0, 1, 1, 1, 1, 0, 1});                // UseAutographEntry .. QuoteItalic
  b.ShortString("Arial").ShortString("Arial").ShortString("Arial").ShortString("Arial");
  b.Int32(0).Int32(0).Int32(0).Int32(0).Int32(0).Int32(0);  // colours
  b.ShortString("cm,km,mm,L,mL,cL,kL,ML,mg,kg");
  b.ShortString("qf%x=(-b+-sr(b2-4ac))/2a%pv7%3.1415927%pv20%3.14159265358979323846%");
  b.Raw({1, 1});                              // ShrinkNonAlgebraicFractions, ExpandSubtract
  b.Int32(0).Int32(400).Int32(600).Int32(1);  // NegativeNumberStyle .. MatrixAlign
  b.Byte(0);                                  // UseWordFont
  b.ShortString("/KLVOptions/");
  return b;
}

// Changes every keyed setting away from its default.
void ChangeEverySetting(EquationSettings& s) {
  int n = 0;
  for (const SettingDescriptor& d : SettingsTable()) {
    ++n;
    std::visit(
        [&](const auto& setting) {
          using T = std::decay_t<decltype(setting)>;
          auto& option = s.*setting.option;
          if constexpr (std::is_same_v<T, IntSetting>) {
            option.Set(setting.minimum + (setting.defaultValue == setting.minimum ? 1 : 0));
          } else if constexpr (std::is_same_v<T, DoubleSetting>) {
            option.Set(setting.defaultValue == 0.25 ? 0.5 : 0.25);
          } else if constexpr (std::is_same_v<T, BoolSetting>) {
            option.Set(!setting.defaultValue);
          } else if constexpr (std::is_same_v<T, ColorSetting>) {
            option.Set(0x010203 * n);
          } else if constexpr (std::is_same_v<T, TextSetting>) {
            option.Set("changed " + std::string(d.key));
          } else if constexpr (std::is_same_v<T, LocaleCharSetting>) {
            option.Set("#");
          } else if constexpr (std::is_same_v<T, PenSetting>) {
            option.Set(KVLogPen{.mode = 0, .type = 9, .colour = 0xFF, .width = 2.5});
          } else if constexpr (std::is_same_v<T, FontSetting>) {
            KVLogFont font;
            font.lfHeight = -99;
            font.lfWeight = 700;
            font.lfItalic = 1;
            font.SetFaceName("Liberation Serif");
            font.colour = 0x00FF00;
            font.size = 555;
            option.Set(font);
          }
        },
        d.kind);
  }
}

TEST(EquationSettings, TableListsEveryKeyOnceInDeclarationOrder) {
  const auto table = SettingsTable();
  ASSERT_EQ(table.size(), 86u);
  std::set<std::string_view> keys;
  for (const auto& d : table)
    EXPECT_TRUE(keys.insert(d.key).second) << d.key;
  EXPECT_EQ(table.front().key, "DecimalPoint");
  EXPECT_EQ(table[1].key, "Separator");
  EXPECT_EQ(table[2].key, "LowerCase");
  EXPECT_EQ(table.back().key, "UseWordFont");

  // Configuring gives every option its own key and the section "Options".
  EquationSettings s(EquationSettings{});
  EXPECT_EQ(s.PowerRaise.Key(), "PowerRaise");
  EXPECT_EQ(s.PowerRaise.Section(), "Options");
  EXPECT_EQ(s.LettersQ.Key(), "LettersQ");
  EXPECT_EQ(s.Font.Key(), "Font");
  EXPECT_EQ(s.GeneralPen.Key(), "GeneralPen");
  EXPECT_EQ(s.MacroList.Key(), "MacroList");
  EXPECT_EQ(&s.Letter(16), &s.LettersQ);
}

TEST(EquationSettings, DefaultsAndRanges) {
  EquationSettings s;
  s.ResetToDefaults(".");
  EXPECT_EQ(s.FracLevelMax.Current(), 4);
  EXPECT_EQ(s.FracLevelMax.Minimum(), 0);
  EXPECT_EQ(s.FracLevelMax.Maximum(), 10);
  EXPECT_EQ(s.MatrixHorizontalSpacing.Maximum(), 10000);
  EXPECT_EQ(s.TabWidth.Minimum(), -32768);
  EXPECT_EQ(s.PowerRaise.Current(), 0.7);
  EXPECT_EQ(s.GeneralPen.Current(), (KVLogPen{2, 0x10006, 0, 30.0}));
  EXPECT_EQ(s.Font.Current(), KVLogFont{});
  EXPECT_EQ(s.UnitsList.Current(), "cm,km,mm,L,mL,cL,kL,ML,mg,kg");
  EXPECT_TRUE(s.LettersI.Current() && s.LettersJ.Current() && s.LettersK.Current() &&
              s.LettersR.Current());
  EXPECT_FALSE(s.LettersA.Current() || s.LettersS.Current() || s.LettersZ.Current());
  EXPECT_EQ(s.lists.greek,
            "pi,112,th,113,al,97,be,98,ch,99,de,100,ph,102,ga,103,la,108,mu,109,rh,114,SI,S,om,"
            "119,OM,87,si,115,DE,D");
  EXPECT_EQ(s.lists.accents, "::,:,^^,_");
  EXPECT_EQ(s.switches, FeatureSwitches{});
  bool* plusMinus = FindFeatureSwitch(s.switches, "PlusMinusSymbol");
  ASSERT_NE(plusMinus, nullptr);
  EXPECT_TRUE(*plusMinus);
  EXPECT_EQ(FindFeatureSwitch(s.switches, "NoSuchSwitch"), nullptr);
  EXPECT_EQ(FeatureSwitchNames().size(), 11u);
}

TEST(EquationSettings, DecimalPointAndSeparatorFollowTheLocale) {
  EquationSettings s;
  s.ResetToDefaults(",");
  EXPECT_EQ(s.DecimalPoint.Current(), ",");
  EXPECT_EQ(s.Separator.Current(), ";");
  s.ResetToDefaults(".");
  EXPECT_EQ(s.DecimalPoint.Current(), ".");
  EXPECT_EQ(s.Separator.Current(), ",");
  s.ResetToDefaults("");  // the locale gives nothing
  EXPECT_EQ(s.DecimalPoint.Current(), "");
  EXPECT_EQ(s.Separator.Current(), ";");
  s.ResetToDefaults("\xB7x");  // only the first character counts
  EXPECT_EQ(s.DecimalPoint.Current(), "\xB7");
  EXPECT_EQ(s.Separator.Current(), ";");
  EXPECT_EQ(UserDecimalSeparator().size(), 1u);
}

TEST(EquationSettings, RangeRepairOnRead) {
  EquationSettings s;
  s.MultiplyStyle.Set(7);
  EXPECT_EQ(s.MultiplyStyle.Get(), 1);
  EXPECT_EQ(s.MultiplyStyle.Current(), 1);
  s.MatrixAlign.Set(-1);
  EXPECT_EQ(s.MatrixAlign.Get(), 1);
  s.PowerRaise.Set(1.5);
  EXPECT_EQ(s.PowerRaise.Get(), 0.5);
  s.FracLevelMax.Set(25);
  EXPECT_EQ(s.FracLevelMax.Get(), 5);
  EXPECT_EQ(s.FracLevelMax.Current(), 5);
}

TEST(EquationSettings, DefaultBlockMatchesTheLayoutByteForByte) {
  EquationSettings s;
  EXPECT_EQ(Archived(s), DefaultBlock().data());
}

TEST(EquationSettings, LettersAndFontSitWhereTheLayoutPutsThem) {
  EquationSettings s;
  s.LettersA.Set(true);
  s.LettersZ.Set(true);
  s.UsePhiVariant.Set(true);
  const auto bytes = Archived(s);
  // Tag 11 bytes, version 2, five integers 20, eight flags 8: the letters start at 41.
  constexpr std::size_t kLetters = 11 + 2 + 20 + 8;
  EXPECT_EQ(bytes[kLetters], 1);
  EXPECT_EQ(bytes[kLetters + 25], 1);
  // The 52-byte font follows LettersZ; UsePhiVariant follows the font.
  EXPECT_EQ(bytes[kLetters + 26], 0xF2);  // low byte of -14
  EXPECT_EQ(bytes[kLetters + 26 + 52], 1);
}

TEST(EquationSettings, SerializeRoundTripsEverySetting) {
  EquationSettings changed;
  ChangeEverySetting(changed);
  const auto bytes = Archived(changed);

  EquationSettings read;
  Archive in = Archive::ForLoading(bytes);
  read.Serialize(in);
  EXPECT_EQ(in.Remaining(), 0u);
  EXPECT_EQ(Archived(read), bytes);
  // Every archived setting changed; the locale characters are not archived.
  EquationSettings defaults;
  for (const SettingDescriptor& d : SettingsTable()) {
    std::visit(
        [&](const auto& setting) {
          using T = std::decay_t<decltype(setting)>;
          const bool same =
              (read.*setting.option).Current() == (defaults.*setting.option).Current();
          EXPECT_EQ(same, (std::is_same_v<T, LocaleCharSetting>)) << d.key;
        },
        d.kind);
  }
}

TEST(EquationSettings, ReadingStopsAtAForeignTagOrVersionZero) {
  EquationSettings changed;
  ChangeEverySetting(changed);

  // Another tag: nothing after the first string is read, and the settings keep their values.
  const auto foreign = Bytes().ShortString("KLVOther").Word(1).Int32(5);
  Archive in = Archive::ForLoading(foreign.data());
  EquationSettings s = changed;
  s.Serialize(in);
  EXPECT_EQ(s, changed);
  EXPECT_EQ(in.Position(), 9u);

  // Version 0 (and a version with its top bit set): tag and version only.
  for (unsigned version : {0u, 0x8001u}) {
    const auto old = Bytes().ShortString("KLVOptions").Word(version).Int32(5);
    Archive in2 = Archive::ForLoading(old.data());
    EquationSettings s2 = changed;
    s2.Serialize(in2);
    EXPECT_EQ(s2, changed);
    EXPECT_EQ(in2.Position(), 13u);
  }

  // A later version reads the same layout.
  auto later = DefaultBlock().data();
  later[11] = 2;
  Archive in3 = Archive::ForLoading(later);
  EquationSettings s3 = changed;
  s3.Serialize(in3);
  EXPECT_EQ(in3.Remaining(), 0u);
  EXPECT_EQ(s3.LowerCase.Current(), 1);
}

TEST(EquationSettings, TruncatedBlockRaisesAtEveryOffset) {
  const auto full = DefaultBlock().data();
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    Archive in = Archive::ForLoading(std::span(full).first(cut));
    EquationSettings s;
    EXPECT_THROW(s.Serialize(in), ArchiveError) << cut;
  }
}

TEST(EquationSettings, CopyComparesEqualSettingBySetting) {
  EquationSettings master;
  ChangeEverySetting(master);
  master.switches.BracketLimits = false;
  master.lists.greek = "pi,112";

  EquationSettings document;
  document = master;
  EXPECT_EQ(document, master);
  for (const SettingDescriptor& d : SettingsTable()) {
    std::visit(
        [&](const auto& setting) {
          EXPECT_EQ(document.*setting.option, master.*setting.option) << d.key;
          EXPECT_EQ((document.*setting.option).Key(), d.key);
        },
        d.kind);
  }
  EXPECT_EQ(document.FracLevelMax.Maximum(), 10);
  EXPECT_FALSE(document.switches.BracketLimits);
  EXPECT_EQ(document.lists.greek, "pi,112");
}

}  // namespace
}  // namespace kv
