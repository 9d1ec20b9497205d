// Recognition lists: words and character sequences of the linear syntax (functions, Greek
// letters, relations, units, macros, ...) are found by lists, not by grammar rules. A list is a
// text of items separated by one character; the table built from one or more lists is matched
// against the text that no pass has classified yet.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/token_kind.h"

namespace kv {

struct RecognitionEntry {
  std::string key;          // the characters searched for, case-sensitive
  std::string replacement;  // the text that replaces the key; empty keeps the typed key
  TokenKind kind = TK_RAW;  // the kind the matched piece gets
  bool operator==(const RecognitionEntry&) const = default;
};

// A plain list has keys only; a pair list alternates key and replacement.
enum class ListForm { kPlain, kPairs };

// An ordered array of entries: matching takes the first entry that fits.
class RecognitionTable {
 public:
  // Empties the table, then AddList.
  int SetList(std::string_view list, TokenKind kind, ListForm form, char separator);
  // Parses the list text and appends its entries; returns the index of the last entry (-1 for a
  // table that is still empty).
  int AddList(std::string_view list, TokenKind kind, ListForm form, char separator);
  // Longest keys first; among keys of equal length the entry added later comes first.
  void SortByKeyLength();
  void Clear() { entries_.clear(); }

  std::span<const RecognitionEntry> Entries() const { return entries_; }

 private:
  void AddPlainList(std::string_view list, TokenKind kind, char separator);
  void AddPairList(std::string_view list, TokenKind kind, char separator);

  std::vector<RecognitionEntry> entries_;
};

// A table ready for matching: its entries grouped by the first byte of their key, in table
// order, so that a position of the text is compared only with the keys that can start there.
// Empty keys never match and are left out. Holds pointers into its own entries, so it is
// neither copied nor moved.
class CompiledTable {
 public:
  explicit CompiledTable(RecognitionTable table);
  CompiledTable(const CompiledTable&) = delete;
  CompiledTable& operator=(const CompiledTable&) = delete;

  // The first entry whose key starts at `position` of `text`, or null.
  const RecognitionEntry* MatchAt(std::string_view text, std::size_t position) const;

 private:
  RecognitionTable table_;
  std::array<std::vector<const RecognitionEntry*>, 256> byFirstByte_;
};

// Evaluates a number as the lists and the options pages write them: "179", "2.5", "-", "p" (pi),
// "p/2", "e", "4/2". Up to the first "/": a comma reads as a full stop, "e" multiplies by e and
// is dropped, "p" multiplies by pi and is dropped with the character after it; what is left is
// the numerator (empty: 1, "-": -1, otherwise its leading number in the C locale). The text after
// the "/" is the denominator (empty: 1). A zero denominator gives an infinite or NaN result,
// which callers must check for.
double ParseNumberValue(std::string_view text);

// The text a pair-list replacement stands for: a single character when it evaluates to a whole
// number that is not 0 and below 256 (negative values give their low byte), otherwise the text
// as written. An empty replacement stays empty.
std::string ConvertReplacement(std::string_view replacement);

}  // namespace kv
