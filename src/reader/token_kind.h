// The kinds of tokens and tree nodes. The values are fixed: layout and drawing switch on them.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace kv {

enum TokenKind : std::int32_t {
  TK_ERROR = 0,  // reserved; the reader never produces it
  TK_NUMBER = 1,
  TK_POWER = 2,
  TK_FUNCTION = 3,
  TK_ARCSINCOSTAN = 4,
  TK_SQRT = 5,
  TK_ROOT = 6,
  TK_ROOTBASE = 7,  // reserved
  TK_CODEDRAW2 = 8,
  TK_SEPARATOR = 9,
  TK_UNIT = 10,
  TK_SYMBOL = 11,
  TK_SPACEDSYMBOL = 12,
  TK_GREEK = 13,
  TK_MODIFIER = 14,
  TK_ADD = 15,
  TK_SUBTRACT = 16,
  TK_DIVIDE = 17,
  TK_MULTIPLY = 18,
  TK_RAW = 19,
  TK_QUOTED = 20,
  TK_SPACE = 21,
  TK_OPEN = 22,
  TK_CLOSE = 23,
  TK_OPENLOGICAL = 24,   // reserved
  TK_CLOSELOGICAL = 25,  // reserved
  TK_VARIABLE = 26,
  TK_SUBSCRIPT = 27,
  TK_ABVECTOR = 28,
  TK_EQUAL = 29,
  TK_LCVECTOR = 30,
  TK_BRACKETS = 31,
  TK_FRACTION = 32,
  TK_COLUMN = 33,
  TK_PARAMETER = 34,  // reserved
  TK_IVRIGHT = 35,
  TK_IVLEFT = 36,
  TK_IVBOTH = 37,
  TK_GREATER = 38,
  TK_LESS = 39,
  TK_DEGREE = 40,
  TK_TAB = 41,
  TK_MATRIX = 42,
  TK_ABS = 43,  // a vertical bar before the bar pairing decides whether it opens or closes
};

inline constexpr int kTokenKindCount = 44;

// A set of token kinds.
class TokenKindSet {
 public:
  constexpr TokenKindSet() = default;
  constexpr TokenKindSet(std::initializer_list<TokenKind> kinds) {
    for (TokenKind kind : kinds)
      Add(kind);
  }
  constexpr void Add(TokenKind kind) { bits_ |= Bit(kind); }
  constexpr bool Has(TokenKind kind) const { return (bits_ & Bit(kind)) != 0; }
  constexpr bool HasAny(std::initializer_list<TokenKind> kinds) const {
    for (TokenKind kind : kinds) {
      if (Has(kind)) return true;
    }
    return false;
  }
  constexpr TokenKindSet operator|(TokenKindSet other) const {
    TokenKindSet both;
    both.bits_ = bits_ | other.bits_;
    return both;
  }

 private:
  static_assert(kTokenKindCount <= 64, "a set holds 64 kinds");
  // Kinds outside the enumeration are never members.
  static constexpr std::uint64_t Bit(TokenKind kind) {
    const auto index = static_cast<std::int32_t>(kind);
    return index >= 0 && index < kTokenKindCount ? std::uint64_t{1} << index : 0;
  }
  std::uint64_t bits_ = 0;
};

// The kind's name without the "TK_" prefix ("NUMBER", "OPEN"), or "UNKNOWN" for a value outside
// the enumeration.
constexpr std::string_view KindName(TokenKind kind) {
  constexpr std::array<std::string_view, kTokenKindCount> kNames = {
      "ERROR",        "NUMBER",       "POWER",     "FUNCTION",  "ARCSINCOSTAN", "SQRT",
      "ROOT",         "ROOTBASE",     "CODEDRAW2", "SEPARATOR", "UNIT",         "SYMBOL",
      "SPACEDSYMBOL", "GREEK",        "MODIFIER",  "ADD",       "SUBTRACT",     "DIVIDE",
      "MULTIPLY",     "RAW",          "QUOTED",    "SPACE",     "OPEN",         "CLOSE",
      "OPENLOGICAL",  "CLOSELOGICAL", "VARIABLE",  "SUBSCRIPT", "ABVECTOR",     "EQUAL",
      "LCVECTOR",     "BRACKETS",     "FRACTION",  "COLUMN",    "PARAMETER",    "IVRIGHT",
      "IVLEFT",       "IVBOTH",       "GREATER",   "LESS",      "DEGREE",       "TAB",
      "MATRIX",       "ABS"};
  const auto index = static_cast<std::int32_t>(kind);
  if (index < 0 || index >= kTokenKindCount) return "UNKNOWN";
  return kNames[static_cast<std::size_t>(index)];
}

}  // namespace kv
