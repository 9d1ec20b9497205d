// Builds expected byte sequences by hand, field by field, for comparison with what the program
// writes. Independent of the archive code under test.
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace kv::test {

class Bytes {
 public:
  Bytes& Raw(std::initializer_list<int> bytes) {
    for (int b : bytes)
      data_.push_back(static_cast<std::uint8_t>(b));
    return *this;
  }
  Bytes& Byte(int value) { return Raw({value}); }
  Bytes& Word(unsigned value) { return Raw({int(value & 0xFF), int(value >> 8 & 0xFF)}); }
  Bytes& Int32(std::int64_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    return Raw({int(u & 0xFF), int(u >> 8 & 0xFF), int(u >> 16 & 0xFF), int(u >> 24 & 0xFF)});
  }
  // An IEEE 754 double, little-endian.
  Bytes& Double(double value) {
    const auto u = std::bit_cast<std::uint64_t>(value);
    Int32(static_cast<std::int64_t>(u & 0xFFFFFFFF));
    return Int32(static_cast<std::int64_t>(u >> 32));
  }
  // A short string: one length byte (under 255) and the characters.
  Bytes& ShortString(std::string_view text) {
    Byte(static_cast<int>(text.size()));
    return Text(text);
  }
  Bytes& Text(std::string_view text) {
    for (char c : text)
      data_.push_back(static_cast<std::uint8_t>(c));
    return *this;
  }
  Bytes& Zeros(int count) {
    data_.insert(data_.end(), static_cast<std::size_t>(count), 0);
    return *this;
  }
  const std::vector<std::uint8_t>& data() const { return data_; }
  std::size_t size() const { return data_.size(); }

 private:
  std::vector<std::uint8_t> data_;
};

}  // namespace kv::test
