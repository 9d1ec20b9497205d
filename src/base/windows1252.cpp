#include "base/windows1252.h"

#include <array>
#include <cstdio>

#include "base/utf8.h"

namespace kv {
namespace {

// Code points of the bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

std::string DescribeCodePoint(char32_t codePoint) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(codePoint));
  return buffer;
}

// Decodes one UTF-8 sequence starting at `pos`, advancing it; throws on malformed input
// (overlong forms, surrogates and code points above U+10FFFF included).
char32_t DecodeUtf8OrThrow(std::string_view in, std::size_t& pos) {
  Utf8Fault fault;
  const char32_t c = DecodeUtf8(in, pos, &fault);
  if (c != kNotACharacter) return c;
  if (fault.cutShort)
    throw EncodingError("the text is not valid UTF-8 (it ends inside a character)");
  throw EncodingError("the text is not valid UTF-8 (byte " + std::to_string(fault.byte + 1) + ")");
}

}  // namespace

char32_t Windows1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

std::optional<unsigned char> UnicodeToWindows1252(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<unsigned char>(codePoint);
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::string Utf8ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t start = pos;
    const char32_t c = DecodeUtf8OrThrow(utf8, pos);
    const auto byte = UnicodeToWindows1252(c);
    if (!byte) {
      throw EncodingError("the character " + DescribeCodePoint(c) + " \"" +
                          std::string(utf8.substr(start, pos - start)) +
                          "\" has no Windows-1252 form");
    }
    out += static_cast<char>(*byte);
  }
  return out;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text)
    AppendUtf8(out, Windows1252ToUnicode(static_cast<unsigned char>(ch)));
  return out;
}

}  // namespace kv
