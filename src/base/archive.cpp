#include "base/archive.h"

#include <algorithm>
#include <bit>

#include "base/windows1252.h"

namespace kv {
namespace {

// Length-prefix markers of the archive string.
constexpr std::uint8_t kLongLengthByte = 0xFF;
constexpr std::uint16_t kUnicodeMarker = 0xFFFE;
constexpr std::uint16_t kLongLengthWord = 0xFFFF;
constexpr std::size_t kLongestByteLength = 0xFE;    // 254
constexpr std::size_t kLongestWordLength = 0xFFFD;  // 65533

constexpr unsigned char kUnknownCharacter = '?';

std::string Utf16ToWindows1252(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit = bytes[i] | (char32_t{bytes[i + 1]} << 8);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = bytes[i + 2] | (char32_t{bytes[i + 3]} << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    const auto byte = UnicodeToWindows1252(unit);
    out += static_cast<char>(byte ? *byte : kUnknownCharacter);
  }
  return out;
}

}  // namespace

ArchiveError::ArchiveError() : std::runtime_error("Unexpected end of file.") {}
ArchiveError::ArchiveError(const std::string& message) : std::runtime_error(message) {}

Archive Archive::ForStoring() {
  return Archive(true);
}

Archive Archive::ForLoading(std::span<const std::uint8_t> bytes) {
  Archive archive(false);
  archive.input_ = bytes;
  return archive;
}

void Archive::WriteUnsigned(std::uint64_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i)
    buffer_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Archive::WriteByte(std::uint8_t value) {
  buffer_.push_back(value);
}
void Archive::WriteWord(std::uint16_t value) {
  WriteUnsigned(value, 2);
}
void Archive::WriteInt32(std::int32_t value) {
  WriteUnsigned(static_cast<std::uint32_t>(value), 4);
}
void Archive::WriteDouble(double value) {
  WriteUnsigned(std::bit_cast<std::uint64_t>(value), 8);
}

void Archive::WriteBytes(std::span<const std::uint8_t> bytes) {
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void Archive::WriteString(std::string_view text) {
  const std::size_t length = text.size();
  if (length <= kLongestByteLength) {
    WriteByte(static_cast<std::uint8_t>(length));
  } else if (length <= kLongestWordLength) {
    WriteByte(kLongLengthByte);
    WriteWord(static_cast<std::uint16_t>(length));
  } else {
    if (length > UINT32_MAX) throw std::length_error("archive string longer than 4 GiB");
    WriteByte(kLongLengthByte);
    WriteWord(kLongLengthWord);
    WriteUnsigned(length, 4);
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
  WriteBytes({data, length});
}

void Archive::Need(std::size_t count) const {
  if (count > Remaining()) throw ArchiveError();
}

std::uint64_t Archive::ReadUnsigned(int byteCount) {
  Need(byteCount);
  std::uint64_t value = 0;
  for (int i = 0; i < byteCount; ++i)
    value |= std::uint64_t{input_[position_ + i]} << (8 * i);
  position_ += byteCount;
  return value;
}

std::uint8_t Archive::ReadByte() {
  return static_cast<std::uint8_t>(ReadUnsigned(1));
}
std::uint16_t Archive::ReadWord() {
  return static_cast<std::uint16_t>(ReadUnsigned(2));
}
std::int32_t Archive::ReadInt32() {
  return static_cast<std::int32_t>(ReadUnsigned(4));
}
double Archive::ReadDouble() {
  return std::bit_cast<double>(ReadUnsigned(8));
}

void Archive::ReadBytes(std::span<std::uint8_t> out) {
  Need(out.size());
  std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(position_), out.size(), out.begin());
  position_ += out.size();
}

std::uint32_t Archive::ReadLengthPrefix(bool& unicode) {
  const std::uint8_t first = ReadByte();
  if (first != kLongLengthByte) return first;
  std::uint16_t word = ReadWord();
  if (word == kUnicodeMarker && !unicode) {
    unicode = true;
    return ReadLengthPrefix(unicode);
  }
  if (word != kLongLengthWord) return word;
  return static_cast<std::uint32_t>(ReadUnsigned(4));
}

std::string Archive::ReadString() {
  bool unicode = false;
  const std::uint64_t length = ReadLengthPrefix(unicode);
  const std::uint64_t byteCount = unicode ? length * 2 : length;
  // Checked before anything is allocated: a damaged prefix must not cost gigabytes.
  if (byteCount > Remaining()) throw ArchiveError();
  const auto bytes = input_.subspan(position_, static_cast<std::size_t>(byteCount));
  position_ += bytes.size();
  if (unicode) return Utf16ToWindows1252(bytes);
  return std::string(bytes.begin(), bytes.end());
}

void Archive::Seek(std::size_t position) {
  if (position > input_.size()) throw ArchiveError();
  position_ = position;
}

void Archive::Transfer(std::uint8_t& value) {
  if (storing_)
    WriteByte(value);
  else
    value = ReadByte();
}

void Archive::Transfer(bool& value) {
  if (storing_)
    WriteByte(value ? 1 : 0);
  else
    value = ReadByte() != 0;
}

void Archive::Transfer(std::uint16_t& value) {
  if (storing_)
    WriteWord(value);
  else
    value = ReadWord();
}

void Archive::Transfer(std::int32_t& value) {
  if (storing_)
    WriteInt32(value);
  else
    value = ReadInt32();
}

void Archive::Transfer(double& value) {
  if (storing_)
    WriteDouble(value);
  else
    value = ReadDouble();
}

void Archive::Transfer(std::string& text) {
  if (storing_)
    WriteString(text);
  else
    text = ReadString();
}

}  // namespace kv
