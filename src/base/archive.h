// The archive of document files: little-endian primitives written back to back with no padding.
// An Archive either stores (appending to its own byte buffer) or loads (reading a byte range the
// caller keeps alive). Every object's Serialize works in both directions through Transfer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// The archive's one error: reading ran past the end, a length read from the archive promises
// more bytes than are left, or a reader found bytes its layout cannot hold.
class ArchiveError : public std::runtime_error {
 public:
  // "Unexpected end of file."
  ArchiveError();
  explicit ArchiveError(const std::string& message);
};

class Archive {
 public:
  // An archive that stores into an empty buffer.
  static Archive ForStoring();
  // An archive that loads from `bytes`, which must outlive it.
  static Archive ForLoading(std::span<const std::uint8_t> bytes);

  bool IsStoring() const { return storing_; }
  bool IsLoading() const { return !storing_; }

  void WriteByte(std::uint8_t value);
  void WriteWord(std::uint16_t value);
  void WriteInt32(std::int32_t value);
  void WriteDouble(double value);
  void WriteBytes(std::span<const std::uint8_t> bytes);
  // The single-byte string form: a 1-, 3- or 7-byte length prefix, then the bytes.
  void WriteString(std::string_view text);

  std::uint8_t ReadByte();
  std::uint16_t ReadWord();
  std::int32_t ReadInt32();
  double ReadDouble();
  void ReadBytes(std::span<std::uint8_t> out);
  // Reads either string form; a UTF-16LE string is converted to Windows-1252 ('?' where the
  // code page has no character).
  std::string ReadString();

  // Both directions in one call: stores the value, or loads into it.
  void Transfer(std::uint8_t& value);
  void Transfer(bool& value);  // one byte; any non-zero byte loads as true
  void Transfer(std::uint16_t& value);
  void Transfer(std::int32_t& value);
  void Transfer(double& value);
  void Transfer(std::string& text);

  // The bytes stored so far.
  const std::vector<std::uint8_t>& Bytes() const { return buffer_; }

  // Loading position, for readers that restart a stream from its first byte.
  std::size_t Position() const { return position_; }
  void Seek(std::size_t position);
  std::size_t Remaining() const { return input_.size() - position_; }

 private:
  explicit Archive(bool storing) : storing_(storing) {}
  void Need(std::size_t count) const;
  std::uint64_t ReadUnsigned(int byteCount);
  void WriteUnsigned(std::uint64_t value, int byteCount);
  // Reads a length prefix; `unicode` becomes true after the UTF-16 marker.
  std::uint32_t ReadLengthPrefix(bool& unicode);

  bool storing_;
  std::vector<std::uint8_t> buffer_;
  std::span<const std::uint8_t> input_;
  std::size_t position_ = 0;
};

}  // namespace kv
