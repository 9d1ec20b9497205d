// The text forms of option values in a configuration store, and the rules by which an option
// takes its value from such a text or gives the text to store. A store hands over the text it
// holds for the option's key; an empty text means the key is missing or empty, and the option
// then falls back to its default. Reading never fails.
#pragma once

#include <string>
#include <string_view>

#include "settings/option_values.h"

namespace kv {

class EquationSettings;

// Read rules. Each sets the current value from `stored` and makes it the saved value.
void ReadOptionText(IntOption& option, std::string_view stored);
void ReadOptionText(ColorOption& option, std::string_view stored);
void ReadOptionText(BoolOption& option, std::string_view stored);
void ReadOptionText(DoubleOption& option, std::string_view stored);
void ReadOptionText(StringOption& option, std::string_view stored);
void ReadOptionText(KVOptionKVLogPen& option, std::string_view stored);
void ReadOptionText(KVOptionKVLogFont& option, std::string_view stored);

// Write rules. Each returns the text to store for the current value, or for the default value
// when `useDefaults` is set; ranged values are first repaired, and the current value becomes the
// saved value.
std::string WriteOptionText(IntOption& option, bool useDefaults);
std::string WriteOptionText(ColorOption& option, bool useDefaults);
std::string WriteOptionText(BoolOption& option, bool useDefaults);
std::string WriteOptionText(DoubleOption& option, bool useDefaults);
std::string WriteOptionText(StringOption& option, bool useDefaults);
std::string WriteOptionText(KVOptionKVLogPen& option, bool useDefaults);
std::string WriteOptionText(KVOptionKVLogFont& option, bool useDefaults);

// "red,green,blue,type,mode,width": the colour split into its three bytes, width with six
// decimals. Parsing splits at commas from the left; missing fields keep the pen's values.
std::string FormatPenText(const KVLogPen& pen);
void ParsePenText(std::string_view text, KVLogPen& pen);

// The sixteen font fields in order, comma-separated, the face name last; everything after the
// fifteenth comma, commas included, is the face name. Missing fields keep the font's values.
std::string FormatFontText(const KVLogFont& font);
void ParseFontText(std::string_view text, KVLogFont& font);

// Sets one keyed setting or feature switch from its configuration-file text, as a command-line
// user gives it: booleans as 0 or 1, numbers as numbers, DecimalPoint and Separator as the
// character itself. Out-of-range numbers are accepted and repaired when used, as from a file.
// Throws std::invalid_argument, naming the key, for an unknown key or a value of the wrong form.
void SetSettingFromText(EquationSettings& settings, std::string_view key, std::string_view value);

// The text of one keyed setting or feature switch as SetSettingFromText takes it: the
// configuration-file text form (an out-of-range number as the value it is used with), the
// character itself for DecimalPoint and Separator, 0 or 1 for a switch. Throws
// std::invalid_argument for an unknown key.
std::string SettingAsText(const EquationSettings& settings, std::string_view key);

}  // namespace kv
