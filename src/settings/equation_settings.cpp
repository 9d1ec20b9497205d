#include "settings/equation_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>

#include "base/archive.h"
#include "base/windows1252.h"

namespace kv {
namespace {

using S = EquationSettings;

constexpr std::int32_t kShortMin = -32768;
constexpr std::int32_t kShortMax = 32767;
constexpr ColorRef kBlack = 0x000000;

// The pen of every drawn line: a geometric inside-frame pen 0.3 mm wide.
constexpr KVLogPen kGeneralPen = {.mode = 2, .type = 0x10006, .colour = kBlack, .width = 30.0};

// The main font: a new font description (Arial, 4 mm, normal, black).
constexpr KVLogFont kMainFont{};

constexpr std::array<SettingDescriptor, kKeyedSettingCount> kSettings = {{
    {"DecimalPoint", LocaleCharSetting{&S::DecimalPoint}},
    {"Separator", LocaleCharSetting{&S::Separator}},
    {"LowerCase", IntSetting{&S::LowerCase, 1, kShortMin, kShortMax}},
    {"DisplayVect", IntSetting{&S::DisplayVect, 0, kShortMin, kShortMax}},
    {"DoubleCaps", IntSetting{&S::DoubleCaps, 1, kShortMin, kShortMax}},
    {"TabWidth", IntSetting{&S::TabWidth, 1000, kShortMin, kShortMax}},
    {"VerticalSpacing", IntSetting{&S::VerticalSpacing, 1000, kShortMin, kShortMax}},
    {"RaiseDecimal", BoolSetting{&S::RaiseDecimal, false}},
    {"DetectColumnVectors", BoolSetting{&S::DetectColumnVectors, true}},
    {"FunctionsItalic", BoolSetting{&S::FunctionsItalic, false}},
    {"FunctionsBold", BoolSetting{&S::FunctionsBold, false}},
    {"VariablesItalic", BoolSetting{&S::VariablesItalic, true}},
    {"VariablesBold", BoolSetting{&S::VariablesBold, false}},
    {"GreekItalic", BoolSetting{&S::GreekItalic, false}},
    {"GreekBold", BoolSetting{&S::GreekBold, false}},
    {"LettersA", BoolSetting{&S::LettersA, false}},
    {"LettersB", BoolSetting{&S::LettersB, false}},
    {"LettersC", BoolSetting{&S::LettersC, false}},
    {"LettersD", BoolSetting{&S::LettersD, false}},
    {"LettersE", BoolSetting{&S::LettersE, false}},
    {"LettersF", BoolSetting{&S::LettersF, false}},
    {"LettersG", BoolSetting{&S::LettersG, false}},
    {"LettersH", BoolSetting{&S::LettersH, false}},
    {"LettersI", BoolSetting{&S::LettersI, true}},
    {"LettersJ", BoolSetting{&S::LettersJ, true}},
    {"LettersK", BoolSetting{&S::LettersK, true}},
    {"LettersL", BoolSetting{&S::LettersL, false}},
    {"LettersM", BoolSetting{&S::LettersM, false}},
    {"LettersN", BoolSetting{&S::LettersN, false}},
    {"LettersO", BoolSetting{&S::LettersO, false}},
    {"LettersP", BoolSetting{&S::LettersP, false}},
    {"LettersQ", BoolSetting{&S::LettersQ, false}},
    {"LettersR", BoolSetting{&S::LettersR, true}},
    {"LettersS", BoolSetting{&S::LettersS, false}},
    {"LettersT", BoolSetting{&S::LettersT, false}},
    {"LettersU", BoolSetting{&S::LettersU, false}},
    {"LettersV", BoolSetting{&S::LettersV, false}},
    {"LettersW", BoolSetting{&S::LettersW, false}},
    {"LettersX", BoolSetting{&S::LettersX, false}},
    {"LettersY", BoolSetting{&S::LettersY, false}},
    {"LettersZ", BoolSetting{&S::LettersZ, false}},
    {"Font", FontSetting{&S::Font, kMainFont}},
    {"UsePhiVariant", BoolSetting{&S::UsePhiVariant, false}},
    {"UseSigmaVariant", BoolSetting{&S::UseSigmaVariant, false}},
    {"UseThetaVariant", BoolSetting{&S::UseThetaVariant, false}},
    {"UseUpsilonVariant", BoolSetting{&S::UseUpsilonVariant, false}},
    {"PowerRaise", DoubleSetting{&S::PowerRaise, 0.7, 0.0, 1.0}},
    {"FractionGap", IntSetting{&S::FractionGap, 0, 0, 200}},
    {"SqrtGap", IntSetting{&S::SqrtGap, 100, 0, 500}},
    {"SqrtThickness1", IntSetting{&S::SqrtThickness1, 30, 0, 200}},
    {"SqrtThickness2", IntSetting{&S::SqrtThickness2, 90, 0, 400}},
    {"MultiplyStyle", IntSetting{&S::MultiplyStyle, 0, 0, 2}},
    {"FracLevelMax", IntSetting{&S::FracLevelMax, 4, 0, 10}},
    {"PowerLevelMax", IntSetting{&S::PowerLevelMax, 2, 0, 10}},
    {"FracLevelRatio", DoubleSetting{&S::FracLevelRatio, 0.3, 0.0, 1.0}},
    {"PowerLevelRatio", DoubleSetting{&S::PowerLevelRatio, 0.3, 0.0, 1.0}},
    {"VectorArrowSize", IntSetting{&S::VectorArrowSize, 150, 0, 500}},
    {"GeneralPen", PenSetting{&S::GeneralPen, kGeneralPen}},
    {"IntegralStyle", IntSetting{&S::IntegralStyle, 0, 0, 1}},
    {"UseAutographEntry", BoolSetting{&S::UseAutographEntry, true}},
    {"UseIndicatedVectors", BoolSetting{&S::UseIndicatedVectors, false}},
    {"UseAutomaticVectors", BoolSetting{&S::UseAutomaticVectors, true}},
    {"UseOneFont", BoolSetting{&S::UseOneFont, true}},
    {"UnitsBold", BoolSetting{&S::UnitsBold, true}},
    {"UnitsItalic", BoolSetting{&S::UnitsItalic, true}},
    {"QuoteBold", BoolSetting{&S::QuoteBold, false}},
    {"QuoteItalic", BoolSetting{&S::QuoteItalic, true}},
    {"UnitsFont", TextSetting{&S::UnitsFont, "Arial"}},
    {"QuoteFont", TextSetting{&S::QuoteFont, "Arial"}},
    {"FunctionFont", TextSetting{&S::FunctionFont, "Arial"}},
    {"VectorFont", TextSetting{&S::VectorFont, "Arial"}},
    {"GreekColor", ColorSetting{&S::GreekColor, kBlack}},
    {"VariableColor", ColorSetting{&S::VariableColor, kBlack}},
    {"FunctionColor", ColorSetting{&S::FunctionColor, kBlack}},
    {"UnitColor", ColorSetting{&S::UnitColor, kBlack}},
    {"QuoteColor", ColorSetting{&S::QuoteColor, kBlack}},
    {"VectorColor", ColorSetting{&S::VectorColor, kBlack}},
    {"UnitsList", TextSetting{&S::UnitsList, "cm,km,mm,L,mL,cL,kL,ML,mg,kg"}},
    {"MacroList",
     TextSetting{&S::MacroList,
                 "qf%x=(-b+-sr(b2-4ac))/2a%pv7%3.1415927%pv20%3.14159265358979323846%"}},
    {"ShrinkNonAlgebraicFractions", BoolSetting{&S::ShrinkNonAlgebraicFractions, true}},
    {"ExpandSubtract", BoolSetting{&S::ExpandSubtract, true}},
    {"NegativeNumberStyle", IntSetting{&S::NegativeNumberStyle, 0, 0, 2}},
    {"MatrixVerticalSpacing", IntSetting{&S::MatrixVerticalSpacing, 400, 0, 10000}},
    {"MatrixHorizontalSpacing", IntSetting{&S::MatrixHorizontalSpacing, 600, 0, 10000}},
    {"MatrixAlign", IntSetting{&S::MatrixAlign, 1, 0, 2}},
    {"UseWordFont", BoolSetting{&S::UseWordFont, false}},
}};

FixedLists DefaultFixedLists() {
  FixedLists lists;
  lists.relations =
      ">=,179,<=,163,<>,185,!=,185,=/,185,=~,64,->,174,=>,222,<=>,219,/ ,184,~=,64,~~,187,-=,186,"
      "prop,181";
  lists.symbols =
      "tri,D,ang,208,inf,165,perp,^,and,199,or,200,element,206,notelement,207,notsubset,203,"
      "propersubset,205,subset,204,tf,92,/*^^,173*/";
  lists.greek =
      "pi,112,th,113,al,97,be,98,ch,99,de,100,ph,102,ga,103,la,108,mu,109,rh,114,SI,S,om,119,OM,87,"
      "si,115,DE,D";
  lists.functions =
      "sin,cos,tan,asin,acos,atan,sec,cosec,cot,cosh,sinh,tanh,ln,log,abs,arg,cis,mod";
  lists.inverseFunctions = "sin-1,cos-1,tan-1";
  lists.shorthand =
      "xx,x2,xxx,x3,xxxx,x4,xxxxx,x5,xxxxxx,x6,yy,y2,yyy,y3,yyyy,y4,yyyyy,y5,yyyyyy,y6";
  lists.bigOperators = "int,sigma,product,lim";
  lists.accents = "::,:,^^,_";
  return lists;
}

constexpr std::array<std::string_view, 11> kFeatureSwitchNames = {
    "ExpandMacros",    "SpacedOperators", "ScientificNotation", "BackslashSubscripts",
    "BuildMatrices",   "QuotedText",      "PlusMinusSymbol",    "LetterODegree",
    "BackquoteDegree", "GuillemetTab",    "BracketLimits"};

constexpr std::array<bool FeatureSwitches::*, 11> kFeatureSwitchMembers = {
    &FeatureSwitches::ExpandMacros,       &FeatureSwitches::SpacedOperators,
    &FeatureSwitches::ScientificNotation, &FeatureSwitches::BackslashSubscripts,
    &FeatureSwitches::BuildMatrices,      &FeatureSwitches::QuotedText,
    &FeatureSwitches::PlusMinusSymbol,    &FeatureSwitches::LetterODegree,
    &FeatureSwitches::BackquoteDegree,    &FeatureSwitches::GuillemetTab,
    &FeatureSwitches::BracketLimits};

constexpr std::array<BoolOption EquationSettings::*, 26> kLetterMembers = {
    &S::LettersA, &S::LettersB, &S::LettersC, &S::LettersD, &S::LettersE, &S::LettersF,
    &S::LettersG, &S::LettersH, &S::LettersI, &S::LettersJ, &S::LettersK, &S::LettersL,
    &S::LettersM, &S::LettersN, &S::LettersO, &S::LettersP, &S::LettersQ, &S::LettersR,
    &S::LettersS, &S::LettersT, &S::LettersU, &S::LettersV, &S::LettersW, &S::LettersX,
    &S::LettersY, &S::LettersZ};

// Every configured option carries section "Options" and flag 0.
constexpr std::uint8_t kNoFlag = 0;

struct Configurer {
  EquationSettings& settings;
  std::string_view key;
  char decimalPoint;

  void operator()(const IntSetting& s) const {
    (settings.*s.option).Configure(S::kSection, key, kNoFlag, s.defaultValue, s.minimum, s.maximum);
  }
  void operator()(const DoubleSetting& s) const {
    (settings.*s.option).Configure(S::kSection, key, kNoFlag, s.defaultValue, s.minimum, s.maximum);
  }
  void operator()(const BoolSetting& s) const {
    (settings.*s.option).Configure(S::kSection, key, kNoFlag, s.defaultValue);
  }
  void operator()(const ColorSetting& s) const {
    (settings.*s.option).Configure(S::kSection, key, kNoFlag, s.defaultValue);
  }
  void operator()(const TextSetting& s) const {
    (settings.*s.option)
        .Configure(S::kSection, key, kNoFlag, s.defaultValue, StringOption::kNoLimit);
  }
  void operator()(const LocaleCharSetting& s) const {
    // The separator between arguments must differ from the decimal point: "," goes with ".".
    const char value =
        s.option == &S::DecimalPoint ? decimalPoint : (decimalPoint == '.' ? ',' : ';');
    (settings.*s.option).Configure(S::kSection, key, kNoFlag, value);
  }
  void operator()(const PenSetting& s) const {
    (settings.*s.option).Configure(S::kSection, key, kNoFlag, s.defaultValue);
  }
  void operator()(const FontSetting& s) const {
    (settings.*s.option).Configure(S::kSection, key, kNoFlag, s.defaultValue);
  }
};

struct Archiver {
  EquationSettings& settings;
  Archive& ar;

  template <typename Setting>
  void operator()(const Setting& s) const {
    (settings.*s.option).Serialize(ar);
  }
  // The decimal point and separator belong to the reader's locale, not to the document.
  void operator()(const LocaleCharSetting&) const {}
};

}  // namespace

EquationSettings::EquationSettings() {
  ResetToDefaults();
}

void EquationSettings::ResetToDefaults() {
  ResetToDefaults(UserDecimalSeparator());
}

void EquationSettings::ResetToDefaults(std::string_view localeDecimalSeparator) {
  // An empty locale answer gives an empty decimal point (a NUL character is no character) and
  // the ';' separator.
  const char decimalPoint = localeDecimalSeparator.empty() ? '\0' : localeDecimalSeparator.front();
  for (const SettingDescriptor& descriptor : kSettings) {
    std::visit(Configurer{*this, descriptor.key, decimalPoint}, descriptor.kind);
  }
  lists = DefaultFixedLists();
  switches = FeatureSwitches{};
}

void EquationSettings::Serialize(Archive& ar) {
  if (ar.IsStoring()) {
    ar.WriteString(kArchiveTag);
    ar.WriteWord(kArchiveVersion);
  } else {
    if (ar.ReadString() != kArchiveTag) return;
    const std::uint16_t version = ar.ReadWord();
    if (static_cast<std::int16_t>(version) < 1) return;
  }
  for (const SettingDescriptor& descriptor : kSettings) {
    std::visit(Archiver{*this, ar}, descriptor.kind);
  }
  if (ar.IsStoring()) {
    ar.WriteString(kArchiveClosingTag);
  } else {
    ar.ReadString();  // the closing tag is read but not compared
  }
}

BoolOption& EquationSettings::Letter(int index) {
  return this->*kLetterMembers.at(index);
}

const BoolOption& EquationSettings::Letter(int index) const {
  return this->*kLetterMembers.at(index);
}

std::span<const SettingDescriptor> SettingsTable() {
  return kSettings;
}

const SettingDescriptor* FindSetting(std::string_view key) {
  const auto it = std::find_if(kSettings.begin(), kSettings.end(),
                               [key](const SettingDescriptor& d) { return d.key == key; });
  return it == kSettings.end() ? nullptr : &*it;
}

std::span<const std::string_view> FeatureSwitchNames() {
  return kFeatureSwitchNames;
}

bool* FindFeatureSwitch(FeatureSwitches& switches, std::string_view name) {
  for (std::size_t i = 0; i < kFeatureSwitchNames.size(); ++i) {
    if (kFeatureSwitchNames[i] == name) return &(switches.*kFeatureSwitchMembers[i]);
  }
  return nullptr;
}

namespace {

std::string QueryUserDecimalSeparator() {
  const locale_t userLocale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (userLocale == static_cast<locale_t>(nullptr)) return ".";
  std::string radix = nl_langinfo_l(RADIXCHAR, userLocale);
  freelocale(userLocale);
  try {
    radix = Utf8ToWindows1252(radix);
  } catch (const EncodingError&) {
    return ".";
  }
  return radix.empty() ? "." : radix.substr(0, 1);
}

}  // namespace

// Every new settings record starts from this, so the locale is asked once per run: loading a
// locale costs far more than the rest of making a record.
std::string UserDecimalSeparator() {
  static const std::string separator = QueryUserDecimalSeparator();
  return separator;
}

}  // namespace kv
