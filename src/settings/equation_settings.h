// The settings record: every option that governs how equation text is read and typeset. The
// application keeps one as the defaults for new documents; each document keeps its own copy and
// saves it in its file. Every keyed setting is described once, in SettingsTable(), which drives
// configuring, archiving and the configuration store.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "settings/option_values.h"

namespace kv {

class Archive;

// The eleven switches that turn passes of the reader (and the spacing of operators) on and off.
struct FeatureSwitches {
  bool ExpandMacros = true;
  bool SpacedOperators = true;
  bool ScientificNotation = true;
  bool BackslashSubscripts = true;
  bool BuildMatrices = true;
  bool QuotedText = true;
  bool PlusMinusSymbol = true;
  bool LetterODegree = true;
  bool BackquoteDegree = true;
  bool GuillemetTab = true;
  bool BracketLimits = true;
  bool operator==(const FeatureSwitches&) const = default;
};

// The recognition lists that are part of the program rather than of the user's options: they
// are never stored in a configuration file or a document.
struct FixedLists {
  std::string relations;
  std::string symbols;
  std::string greek;
  std::string functions;
  std::string inverseFunctions;
  std::string shorthand;
  std::string bigOperators;
  std::string accents;
  bool operator==(const FixedLists&) const = default;
};

class EquationSettings {
 public:
  static constexpr std::string_view kSection = "Options";
  static constexpr std::string_view kArchiveTag = "KLVOptions";
  static constexpr std::string_view kArchiveClosingTag = "/KLVOptions/";
  static constexpr std::uint16_t kArchiveVersion = 1;

  // Defaults with the decimal point of the user's locale.
  EquationSettings();

  // Every keyed setting gets its key, section, default and range, with current and saved value
  // set to the default; the fixed lists and feature switches get their values. The decimal
  // point is the first character of `localeDecimalSeparator` (the user's locale when omitted),
  // and the separator follows from it.
  void ResetToDefaults();
  void ResetToDefaults(std::string_view localeDecimalSeparator);

  // Writes or reads the settings block of a document. Reading compares the opening tag first:
  // a different tag, or a version below 1, leaves the rest of the block unread.
  void Serialize(Archive& ar);

  // The option that says whether the lower-case letter 'a' + index is taken as a vector.
  BoolOption& Letter(int index);
  const BoolOption& Letter(int index) const;

  bool operator==(const EquationSettings&) const = default;

  // Keyed settings in declaration order (the order of the archive and of the store).
  StringOption DecimalPoint;
  StringOption Separator;
  IntOption LowerCase;
  IntOption DisplayVect;
  IntOption DoubleCaps;
  IntOption TabWidth;
  IntOption VerticalSpacing;
  BoolOption RaiseDecimal;
  BoolOption DetectColumnVectors;
  BoolOption FunctionsItalic;
  BoolOption FunctionsBold;
  BoolOption VariablesItalic;
  BoolOption VariablesBold;
  BoolOption GreekItalic;
  BoolOption GreekBold;
  BoolOption LettersA, LettersB, LettersC, LettersD, LettersE, LettersF, LettersG, LettersH,
      LettersI, LettersJ, LettersK, LettersL, LettersM, LettersN, LettersO, LettersP, LettersQ,
      LettersR, LettersS, LettersT, LettersU, LettersV, LettersW, LettersX, LettersY, LettersZ;
  KVOptionKVLogFont Font;
  BoolOption UsePhiVariant;
  BoolOption UseSigmaVariant;
  BoolOption UseThetaVariant;
  BoolOption UseUpsilonVariant;
  DoubleOption PowerRaise;
  IntOption FractionGap;
  IntOption SqrtGap;
  IntOption SqrtThickness1;
  IntOption SqrtThickness2;
  IntOption MultiplyStyle;
  IntOption FracLevelMax;
  IntOption PowerLevelMax;
  DoubleOption FracLevelRatio;
  DoubleOption PowerLevelRatio;
  IntOption VectorArrowSize;
  KVOptionKVLogPen GeneralPen;
  IntOption IntegralStyle;
  BoolOption UseAutographEntry;
  BoolOption UseIndicatedVectors;
  BoolOption UseAutomaticVectors;
  BoolOption UseOneFont;
  BoolOption UnitsBold;
  BoolOption UnitsItalic;
  BoolOption QuoteBold;
  BoolOption QuoteItalic;
  StringOption UnitsFont;
  StringOption QuoteFont;
  StringOption FunctionFont;
  StringOption VectorFont;
  ColorOption GreekColor;
  ColorOption VariableColor;
  ColorOption FunctionColor;
  ColorOption UnitColor;
  ColorOption QuoteColor;
  ColorOption VectorColor;
  StringOption UnitsList;
  StringOption MacroList;
  BoolOption ShrinkNonAlgebraicFractions;
  BoolOption ExpandSubtract;
  IntOption NegativeNumberStyle;
  IntOption MatrixVerticalSpacing;
  IntOption MatrixHorizontalSpacing;
  IntOption MatrixAlign;
  BoolOption UseWordFont;

  FixedLists lists;
  FeatureSwitches switches;
};

// ---------------------------------------------------------------------------------------------
// The table of keyed settings

struct IntSetting {
  IntOption EquationSettings::*option;
  std::int32_t defaultValue, minimum, maximum;
};
struct DoubleSetting {
  DoubleOption EquationSettings::*option;
  double defaultValue, minimum, maximum;
};
struct BoolSetting {
  BoolOption EquationSettings::*option;
  bool defaultValue;
};
struct ColorSetting {
  ColorOption EquationSettings::*option;
  ColorRef defaultValue;
};
struct TextSetting {
  StringOption EquationSettings::*option;
  std::string_view defaultValue;
};
// A one-character text that follows the locale; never archived and never kept in a store.
struct LocaleCharSetting {
  StringOption EquationSettings::*option;
};
struct PenSetting {
  KVOptionKVLogPen EquationSettings::*option;
  KVLogPen defaultValue;
};
struct FontSetting {
  KVOptionKVLogFont EquationSettings::*option;
  KVLogFont defaultValue;
};

using SettingKind = std::variant<IntSetting, DoubleSetting, BoolSetting, ColorSetting, TextSetting,
                                 LocaleCharSetting, PenSetting, FontSetting>;

struct SettingDescriptor {
  std::string_view key;
  SettingKind kind;
};

inline constexpr std::size_t kKeyedSettingCount = 86;

// Every keyed setting, in declaration order.
std::span<const SettingDescriptor> SettingsTable();

// The descriptor with this key, or nullptr.
const SettingDescriptor* FindSetting(std::string_view key);

// The feature switch with this name, or nullptr.
bool* FindFeatureSwitch(FeatureSwitches& switches, std::string_view name);
std::span<const std::string_view> FeatureSwitchNames();

// The first character of the user's locale decimal separator, as Windows-1252 text; "." when the
// locale cannot be read. The locale is read at the first call, from the environment of that time.
std::string UserDecimalSeparator();

}  // namespace kv
