// Reads numbers straight out of an OpenType font file (the table directory, then big-endian
// fields at their documented offsets), so tests can check measured metrics against the file
// itself rather than against the code that measures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace kv::test {

class SfntReader {
 public:
  explicit SfntReader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (bytes_.size() < 12) return;
    const int tableCount = U16At(4);
    for (int i = 0; i < tableCount; ++i) {
      const std::size_t record = 12 + 16 * static_cast<std::size_t>(i);
      tables_[bytes_.substr(record, 4)] = U32At(record + 8);
    }
  }

  bool Has(const std::string& tag) const { return tables_.count(tag) != 0; }
  std::uint16_t U16(const std::string& tag, std::size_t offset) const {
    return U16At(tables_.at(tag) + offset);
  }
  std::int16_t S16(const std::string& tag, std::size_t offset) const {
    return static_cast<std::int16_t>(U16(tag, offset));
  }

  // Fields used by the tests.
  int UnitsPerEm() const { return U16("head", 18); }
  int AverageWidth() const { return S16("OS/2", 2); }
  int WinAscent() const { return U16("OS/2", 74); }
  int WinDescent() const { return U16("OS/2", 76); }
  int CapHeight() const { return S16("OS/2", 88); }  // OS/2 version 2 and later
  // The advance of a glyph from the horizontal metrics; glyphs past the last full record share
  // its advance.
  int Advance(std::uint32_t glyph) const {
    const std::uint32_t records = U16("hhea", 34);
    const std::uint32_t record = glyph < records ? glyph : records - 1;
    return U16("hmtx", 4 * static_cast<std::size_t>(record));
  }

 private:
  std::uint16_t U16At(std::size_t at) const {
    return static_cast<std::uint16_t>(Byte(at) << 8 | Byte(at + 1));
  }
  std::uint32_t U32At(std::size_t at) const {
    return std::uint32_t{U16At(at)} << 16 | U16At(at + 2);
  }
  unsigned Byte(std::size_t at) const {
    if (at >= bytes_.size()) {
      ADD_FAILURE() << "read past the end of the font file";
      return 0;
    }
    return static_cast<unsigned char>(bytes_[at]);
  }

  std::string bytes_;
  std::map<std::string, std::uint32_t> tables_;
};

}  // namespace kv::test
