#include "reader/recognition_table.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/c_number.h"

namespace kv {
namespace {

// The two constants of number evaluation, with exactly these ten significant digits: lists and
// typed option values were written against them.
constexpr double kPiFactor = 3.141592654;
constexpr double kEFactor = 2.718281828;

// A replacement that evaluates to a whole number from 1 to 255 stands for that one byte.
constexpr double kByteValues = 256.0;

}  // namespace

int RecognitionTable::SetList(std::string_view list, TokenKind kind, ListForm form,
                              char separator) {
  entries_.clear();
  return AddList(list, kind, form, separator);
}

int RecognitionTable::AddList(std::string_view list, TokenKind kind, ListForm form,
                              char separator) {
  if (form == ListForm::kPairs) {
    AddPairList(list, kind, separator);
  } else {
    AddPlainList(list, kind, separator);
  }
  return static_cast<int>(entries_.size()) - 1;
}

// Every piece between separators is a key, the last one included: a trailing separator gives an
// empty key, which never matches.
void RecognitionTable::AddPlainList(std::string_view list, TokenKind kind, char separator) {
  std::size_t start = 0;
  while (true) {
    const std::size_t end = list.find(separator, start);
    entries_.push_back({std::string(list.substr(start, end - start)), {}, kind});
    if (end == std::string_view::npos) return;
    start = end + 1;
  }
}

// Key and replacement alternate. With one separator left, the replacement is all that follows
// it; a key with no separator after it is dropped.
void RecognitionTable::AddPairList(std::string_view list, TokenKind kind, char separator) {
  std::size_t start = 0;
  while (true) {
    const std::size_t keyEnd = list.find(separator, start);
    if (keyEnd == std::string_view::npos) return;
    const std::size_t replacementEnd = list.find(separator, keyEnd + 1);
    const std::string_view key = list.substr(start, keyEnd - start);
    const std::string_view replacement = list.substr(
        keyEnd + 1, replacementEnd == std::string_view::npos ? std::string_view::npos
                                                             : replacementEnd - keyEnd - 1);
    entries_.push_back({std::string(key), ConvertReplacement(replacement), kind});
    if (replacementEnd == std::string_view::npos) return;
    start = replacementEnd + 1;
  }
}

// The order is that of an exchange sort (for i from 1, for j below i, exchange entries i and j when
// key i is at least as long as key j): longest keys first, and among equal lengths the entry added
// later first, so a key repeated in a later list wins. Reversing and then sorting stably by length
// gives that same order in n log n steps, which matters for long user lists.
void RecognitionTable::SortByKeyLength() {
  std::reverse(entries_.begin(), entries_.end());
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const RecognitionEntry& a, const RecognitionEntry& b) {
                     return a.key.size() > b.key.size();
                   });
}

double ParseNumberValue(std::string_view text) {
  const std::size_t slash = text.find('/');
  const std::string_view numeratorText = text.substr(0, slash);
  std::string numerator;
  bool timesPi = false;
  bool timesE = false;
  for (std::size_t i = 0; i < numeratorText.size(); ++i) {
    const char c = numeratorText[i];
    if (c == ',') {
      numerator += '.';
    } else if (c == 'e') {
      timesE = true;
    } else if (c == 'p') {
      timesPi = true;
      ++i;  // "pi" is one factor of pi
    } else {
      numerator += c;
    }
  }
  double value = 1.0;
  if (numerator == "-") {
    value = -1.0;
  } else if (!numerator.empty()) {
    value = CStrtod(numerator);
  }
  if (timesPi) value *= kPiFactor;
  if (timesE) value *= kEFactor;
  double denominator = 1.0;
  if (slash != std::string_view::npos && slash + 1 < text.size()) {
    denominator = CStrtod(text.substr(slash + 1));
  }
  return value / denominator;
}

std::string ConvertReplacement(std::string_view replacement) {
  if (replacement.empty()) return {};
  const double value = ParseNumberValue(replacement);
  const bool whole = std::isfinite(value) && std::trunc(value) == value;
  if (!whole || value == 0.0 || value >= kByteValues) return std::string(replacement);
  // The low byte in two's complement, computed on the real value so that no huge negative
  // number is converted to an integer type.
  double lowByte = std::fmod(value, kByteValues);
  if (lowByte < 0.0) lowByte += kByteValues;
  if (lowByte == 0.0) return std::string(replacement);  // a NUL byte would end the text
  return std::string(1, static_cast<char>(static_cast<unsigned char>(lowByte)));
}

CompiledTable::CompiledTable(RecognitionTable table) : table_(std::move(table)) {
  for (const RecognitionEntry& entry : table_.Entries()) {
    if (!entry.key.empty())
      byFirstByte_[static_cast<unsigned char>(entry.key[0])].push_back(&entry);
  }
}

const RecognitionEntry* CompiledTable::MatchAt(std::string_view text, std::size_t position) const {
  const std::string_view rest = text.substr(position);
  for (const RecognitionEntry* entry : byFirstByte_[static_cast<unsigned char>(rest[0])]) {
    if (rest.starts_with(entry->key)) return entry;
  }
  return nullptr;
}

}  // namespace kv
