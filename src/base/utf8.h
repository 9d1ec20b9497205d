// UTF-8, the text of the world outside the engine: decoding that never throws (each caller
// decides what an ill-formed sequence means to it) and encoding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

// What DecodeUtf8 gives for an ill-formed sequence; no code point is this large.
inline constexpr char32_t kNotACharacter = 0xFFFFFFFF;

// Why a sequence is ill-formed.
struct Utf8Fault {
  bool cutShort = false;  // the text ends inside the character
  std::size_t byte = 0;   // otherwise the offset of the offending byte
};

// The code point of the UTF-8 sequence at `at` (within `text`), which is moved past it. For an
// ill-formed sequence (a bad lead or continuation byte, cut short, overlong, a surrogate, beyond
// U+10FFFF): kNotACharacter, `at` moved on one byte, and `fault`, when given, says why.
char32_t DecodeUtf8(std::string_view text, std::size_t& at, Utf8Fault* fault = nullptr);

// Appends the UTF-8 form of a code point up to U+10FFFF.
void AppendUtf8(std::string& out, char32_t code);

}  // namespace kv
