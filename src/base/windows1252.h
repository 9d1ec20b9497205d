// Windows-1252 is the single-byte character set of equation text, lists and document strings
// inside the engine. These conversions are used at the edges: the command line and the editor
// take UTF-8, and documents may carry UTF-16 strings.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kv {

// Raised when text cannot be converted; the message names the offending character.
class EncodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The Unicode code point of a Windows-1252 byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control with the same number, so every byte
// survives a round trip.
char32_t Windows1252ToUnicode(unsigned char byte);

// The Windows-1252 byte of a code point, or nothing when the code page has no such character.
std::optional<unsigned char> UnicodeToWindows1252(char32_t codePoint);

// UTF-8 to Windows-1252. Throws EncodingError on malformed UTF-8 or on a character with no
// Windows-1252 form; nothing is silently dropped.
std::string Utf8ToWindows1252(std::string_view utf8);

// Windows-1252 to UTF-8; always succeeds.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace kv
