#include "options/option_text.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "base/c_number.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

// What the store's integer read gives: -1 for an empty text, else the text as atoi reads it.
constexpr std::int32_t kMissingNumber = -1;

std::int32_t StoredNumber(std::string_view stored) {
  return stored.empty() ? kMissingNumber : CAtoi(stored);
}

// Splits at the first `count` commas; the last piece is everything after the last of them.
std::vector<std::string_view> SplitFields(std::string_view text, std::size_t count) {
  std::vector<std::string_view> fields;
  while (fields.size() < count) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) break;
    fields.push_back(text.substr(0, comma));
    text.remove_prefix(comma + 1);
  }
  fields.push_back(text);
  return fields;
}

std::string Join(std::initializer_list<std::string> pieces) {
  std::string out;
  for (const std::string& piece : pieces)
    out += piece + ',';
  out.pop_back();
  return out;
}

std::string Byte(std::uint8_t value) {
  return std::to_string(unsigned{value});
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Read rules

void ReadOptionText(IntOption& option, std::string_view stored) {
  const std::int32_t number = StoredNumber(stored);
  option.Set(number == kMissingNumber ? option.Default() : number);
  option.Repair();
  option.MarkSaved();
}

void ReadOptionText(ColorOption& option, std::string_view stored) {
  const std::int32_t number = StoredNumber(stored);
  option.Set(number == kMissingNumber ? option.Default() : number);
  option.MarkSaved();
}

void ReadOptionText(BoolOption& option, std::string_view stored) {
  const std::int32_t number = StoredNumber(stored);
  option.Set(number == kMissingNumber ? option.Default() : number == 1);
  option.MarkSaved();
}

void ReadOptionText(DoubleOption& option, std::string_view stored) {
  option.Set(stored.empty() ? option.Default() : CStrtod(stored));
  option.Repair();
  option.MarkSaved();
}

void ReadOptionText(StringOption& option, std::string_view stored) {
  option.Set(stored.empty() ? option.Default() : std::string(stored));
  option.MarkSaved();
}

void ReadOptionText(KVOptionKVLogPen& option, std::string_view stored) {
  if (stored.empty()) {
    option.ResetToDefault();
    return;
  }
  ParsePenText(stored, option.Current());
}

void ReadOptionText(KVOptionKVLogFont& option, std::string_view stored) {
  if (stored.empty()) {
    option.ResetToDefault();
    return;
  }
  ParseFontText(stored, option.Current());
}

// ---------------------------------------------------------------------------------------------
// Write rules

std::string WriteOptionText(IntOption& option, bool useDefaults) {
  option.Repair();
  option.MarkSaved();
  return FormatInt(useDefaults ? option.Default() : option.Current());
}

std::string WriteOptionText(ColorOption& option, bool useDefaults) {
  option.MarkSaved();
  return FormatInt(useDefaults ? option.Default() : option.Current());
}

std::string WriteOptionText(BoolOption& option, bool useDefaults) {
  option.MarkSaved();
  return (useDefaults ? option.Default() : option.Current()) ? "1" : "0";
}

std::string WriteOptionText(DoubleOption& option, bool useDefaults) {
  option.Repair();
  option.MarkSaved();
  return FormatFixed6(useDefaults ? option.Default() : option.Current());
}

std::string WriteOptionText(StringOption& option, bool useDefaults) {
  option.EnforceMaximumLength();
  option.MarkSaved();
  return useDefaults ? option.Default() : option.Current();
}

std::string WriteOptionText(KVOptionKVLogPen& option, bool useDefaults) {
  return FormatPenText(useDefaults ? option.Default() : option.Current());
}

std::string WriteOptionText(KVOptionKVLogFont& option, bool useDefaults) {
  return FormatFontText(useDefaults ? option.Default() : option.Current());
}

// ---------------------------------------------------------------------------------------------
// Pen and font text forms

std::string FormatPenText(const KVLogPen& pen) {
  const auto colour = static_cast<std::uint32_t>(pen.colour);
  return Join({std::to_string(colour & 0xFF), std::to_string(colour >> 8 & 0xFF),
               std::to_string(colour >> 16 & 0xFF), FormatInt(pen.type), FormatInt(pen.mode),
               FormatFixed6(pen.width)});
}

void ParsePenText(std::string_view text, KVLogPen& pen) {
  const auto fields = SplitFields(text, 5);
  auto number = [&](std::size_t i) { return CAtoi(fields[i]); };
  if (fields.size() >= 3) {
    pen.colour = static_cast<ColorRef>(static_cast<std::uint32_t>(number(0)) +
                                       static_cast<std::uint32_t>(number(1)) * 256u +
                                       static_cast<std::uint32_t>(number(2)) * 65536u);
  }
  if (fields.size() >= 4) pen.type = number(3);
  if (fields.size() >= 5) pen.mode = number(4);
  if (fields.size() >= 6) pen.width = CStrtod(fields[5]);
}

std::string FormatFontText(const KVLogFont& f) {
  return Join({FormatInt(f.lfHeight), FormatInt(f.lfWidth), FormatInt(f.lfEscapement),
               FormatInt(f.lfOrientation), FormatInt(f.lfWeight), Byte(f.lfItalic),
               Byte(f.lfUnderline), Byte(f.lfStrikeOut), Byte(f.lfCharSet), Byte(f.lfOutPrecision),
               Byte(f.lfClipPrecision), Byte(f.lfQuality), Byte(f.lfPitchAndFamily),
               FormatInt(f.colour), FormatInt(f.size), f.FaceName()});
}

void ParseFontText(std::string_view text, KVLogFont& f) {
  const auto fields = SplitFields(text, 15);
  std::int32_t* const numbers[] = {&f.lfHeight, &f.lfWidth, &f.lfEscapement, &f.lfOrientation,
                                   &f.lfWeight};
  std::uint8_t* const bytes[] = {&f.lfItalic,  &f.lfUnderline,     &f.lfStrikeOut,
                                 &f.lfCharSet, &f.lfOutPrecision,  &f.lfClipPrecision,
                                 &f.lfQuality, &f.lfPitchAndFamily};
  const std::size_t numberFields = std::min<std::size_t>(fields.size(), 15);
  for (std::size_t i = 0; i < numberFields; ++i) {
    const std::int32_t value = CAtoi(fields[i]);
    if (i < 5) {
      *numbers[i] = value;
    } else if (i < 13) {
      *bytes[i - 5] = static_cast<std::uint8_t>(value & 0xFF);
    } else if (i == 13) {
      f.colour = value;
    } else {
      f.size = value;
    }
  }
  if (fields.size() > 15) f.SetFaceName(fields[15]);
}

// ---------------------------------------------------------------------------------------------
// Command-line settings

namespace {

[[noreturn]] void Refuse(std::string_view key, std::string_view value, std::string_view wanted) {
  throw std::invalid_argument("the value '" + std::string(value) + "' of " + std::string(key) +
                              " is not " + std::string(wanted));
}

bool IsWholeNumber(std::string_view text) {
  std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

bool IsRealNumber(std::string_view text) {
  std::size_t consumed = 0;
  (void)CStrtod(text, &consumed);
  return !text.empty() && consumed == text.size() && text.find_first_of(" \t") == text.npos;
}

bool ParseFlag(std::string_view key, std::string_view value) {
  if (value != "0" && value != "1") Refuse(key, value, "0 or 1");
  return value == "1";
}

struct TextSetter {
  EquationSettings& settings;
  std::string_view key;
  std::string_view value;

  void operator()(const IntSetting& s) const {
    if (!IsWholeNumber(value)) Refuse(key, value, "a whole number");
    ReadOptionText(settings.*s.option, value);
  }
  void operator()(const ColorSetting& s) const {
    if (!IsWholeNumber(value)) Refuse(key, value, "a colour number (0x00BBGGRR in decimal)");
    ReadOptionText(settings.*s.option, value);
  }
  void operator()(const BoolSetting& s) const { (settings.*s.option).Set(ParseFlag(key, value)); }
  void operator()(const DoubleSetting& s) const {
    if (!IsRealNumber(value)) Refuse(key, value, "a number");
    ReadOptionText(settings.*s.option, value);
  }
  void operator()(const TextSetting& s) const { (settings.*s.option).Set(std::string(value)); }
  void operator()(const LocaleCharSetting& s) const {
    if (value.size() != 1) Refuse(key, value, "a single character");
    (settings.*s.option).Set(std::string(value));
  }
  void operator()(const PenSetting& s) const {
    if (value.empty()) Refuse(key, value, "a pen (red,green,blue,type,mode,width)");
    ReadOptionText(settings.*s.option, value);
  }
  void operator()(const FontSetting& s) const {
    if (value.empty()) Refuse(key, value, "a font (sixteen comma-separated fields)");
    ReadOptionText(settings.*s.option, value);
  }
};

// Gives the text of a copy of the option, so that the settings record itself does not change.
struct TextGetter {
  const EquationSettings& settings;

  template <typename Setting>
  std::string operator()(const Setting& s) const {
    auto option = settings.*s.option;
    return WriteOptionText(option, false);
  }
  std::string operator()(const LocaleCharSetting& s) const {
    return (settings.*s.option).Current();
  }
};

}  // namespace

void SetSettingFromText(EquationSettings& settings, std::string_view key, std::string_view value) {
  if (bool* flag = FindFeatureSwitch(settings.switches, key)) {
    *flag = ParseFlag(key, value);
    return;
  }
  const SettingDescriptor* descriptor = FindSetting(key);
  if (descriptor == nullptr) {
    throw std::invalid_argument("there is no setting or feature switch named '" + std::string(key) +
                                "'");
  }
  std::visit(TextSetter{settings, key, value}, descriptor->kind);
}

std::string SettingAsText(const EquationSettings& settings, std::string_view key) {
  FeatureSwitches switches = settings.switches;
  if (const bool* flag = FindFeatureSwitch(switches, key)) return *flag ? "1" : "0";
  const SettingDescriptor* descriptor = FindSetting(key);
  if (descriptor == nullptr) {
    throw std::invalid_argument("there is no setting or feature switch named '" + std::string(key) +
                                "'");
  }
  return std::visit(TextGetter{settings}, descriptor->kind);
}

}  // namespace kv
