// Builds compound files by hand, field by field from the published layout, so tests can damage
// one field at a time. Independent of the code under test: it shares no constant with it.
//
// The files are version 3 (512-byte sectors) or version 4 (4096-byte sectors); sector n starts
// at byte (n + 1) * sector size, the header filling the place of sector -1.
// Header fields set (offset: value):
//   0x00 signature D0 CF 11 E0 A1 B1 1A E1     0x08 class id, zero
//   0x18 minor version 0x3E                     0x1A major version 3 or 4
//   0x1C byte order FFFE                        0x1E sector shift 9 or 12
//   0x20 mini sector shift 6 (64 bytes)         0x22 six reserved bytes, zero
//   0x28 directory sector count (0 in version 3) 0x2C allocation table (FAT) sector count
//   0x30 first directory sector                 0x34 transaction signature 0
//   0x38 mini stream cutoff 4096                0x3C first mini FAT sector (or end of chain)
//   0x40 mini FAT sector count                  0x44 first DIFAT sector: end of chain
//   0x48 DIFAT sector count 0                   0x4C the 109 FAT sector numbers, free after
// Sector layout: the FAT sectors, the directory sectors, then either one mini FAT sector and the
// mini stream (when "Contents" is shorter than 4096 bytes) or the "Contents" sectors.
// Directory entries (128 bytes; offset: field): 0x00 name in UTF-16LE, 0x40 name length in bytes
// with its terminating NUL, 0x42 type (5 root, 2 stream, 1 storage), 0x43 colour (1 black),
// 0x44 left sibling, 0x48 right sibling, 0x4C child, 0x74 start sector, 0x78 size (8 bytes);
// class id, state bits and times stay zero. Entry 0 is "Root Entry" (its stream is the mini
// stream, in 64-byte multiples), entry 1 "Contents" (the root's child), entry 2 an empty stream
// "Extra" (the right sibling of "Contents"), entry 3 and any further room unused (type 0,
// links to nothing).
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv::test {

inline constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

// Directory entries of a built file.
inline constexpr std::uint32_t kRootEntry = 0;
inline constexpr std::uint32_t kContentsEntry = 1;
inline constexpr std::uint32_t kExtraEntry = 2;
inline constexpr std::uint32_t kUnusedEntry = 3;

// Fields of a directory entry.
inline constexpr std::size_t kNameLengthField = 0x40;
inline constexpr std::size_t kTypeField = 0x42;
inline constexpr std::size_t kLeftField = 0x44;
inline constexpr std::size_t kRightField = 0x48;
inline constexpr std::size_t kChildField = 0x4C;
inline constexpr std::size_t kStartField = 0x74;
inline constexpr std::size_t kSizeField = 0x78;

// Fields of the header.
inline constexpr std::size_t kFatCountField = 0x2C;
inline constexpr std::size_t kFirstDirectoryField = 0x30;
inline constexpr std::size_t kFirstMiniFatField = 0x3C;

class HandBuiltFile {
 public:
  static constexpr std::size_t kMiniSectorSize = 64;
  static constexpr std::size_t kCutoff = 4096;
  static constexpr std::size_t kEntrySize = 128;
  static constexpr std::uint32_t kFirstExtraEntry = 4;

  // `extraStreams` more empty streams hang off "Extra" as its right sibling, in further directory
  // sectors that follow the first: a chain of right siblings, or a balanced tree (extra stream k
  // with the siblings 2k + 1 and 2k + 2).
  enum class Shape { kChain, kBalanced };
  explicit HandBuiltFile(std::span<const std::uint8_t> contents,
                         std::u16string_view name = u"Contents", std::size_t extraStreams = 0,
                         int version = 3, Shape shape = Shape::kChain)
      : version_(version),
        sectorSize_(version == 4 ? 4096 : 512),
        numbersPerSector_(sectorSize_ / 4),
        entriesPerSector_(sectorSize_ / kEntrySize),
        inMiniStream_(contents.size() < kCutoff) {
    const std::size_t entries = kFirstExtraEntry + extraStreams;
    directorySectors_ = (entries + entriesPerSector_ - 1) / entriesPerSector_;
    const std::size_t n = contents.size();
    const std::size_t miniSectors = (n + kMiniSectorSize - 1) / kMiniSectorSize;
    miniStreamSize_ = miniSectors * kMiniSectorSize;
    const std::size_t dataSectors = inMiniStream_
                                        ? 1 + (miniStreamSize_ + sectorSize_ - 1) / sectorSize_
                                        : (n + sectorSize_ - 1) / sectorSize_;
    std::size_t fatCount = 1;
    while (fatCount * numbersPerSector_ < fatCount + directorySectors_ + dataSectors)
      ++fatCount;
    for (std::uint32_t s = 0; s < fatCount; ++s)
      fatSectors_.push_back(s);
    directorySector_ = static_cast<std::uint32_t>(fatCount);
    const auto next = static_cast<std::uint32_t>(directorySector_ + directorySectors_);
    miniFatSector_ = inMiniStream_ ? next : kEndOfChain;
    dataStart_ = inMiniStream_ ? next + 1 : next;
    const std::size_t total = fatCount + directorySectors_ + dataSectors;
    bytes_.assign((total + 1) * sectorSize_, 0);

    WriteHeader();
    for (std::uint32_t s = 0; s < fatCount; ++s)
      SetFat(s, kFatSector);
    for (std::size_t s = total; s < fatCount * numbersPerSector_; ++s)
      SetFat(static_cast<std::uint32_t>(s), kFreeSector);
    Chain(directorySector_, directorySectors_);
    if (inMiniStream_) SetFat(miniFatSector_, kEndOfChain);
    const std::size_t chained = inMiniStream_ ? dataSectors - 1 : dataSectors;
    Chain(dataStart_, chained);

    const std::uint32_t contentsStart = n == 0 ? kEndOfChain : (inMiniStream_ ? 0 : dataStart_);
    WriteEntry(kRootEntry, u"Root Entry", 5, kNoStream, kNoStream, kContentsEntry,
               inMiniStream_ && miniStreamSize_ > 0 ? dataStart_ : kEndOfChain,
               inMiniStream_ ? miniStreamSize_ : 0);
    WriteEntry(kContentsEntry, name, 2, kNoStream, kExtraEntry, kNoStream, contentsStart, n);
    const std::uint32_t firstExtra = extraStreams > 0 ? kFirstExtraEntry : kNoStream;
    WriteEntry(kExtraEntry, u"Extra", 2, kNoStream, firstExtra, kNoStream, kEndOfChain, 0);
    for (std::uint32_t e = kUnusedEntry; e < directorySectors_ * entriesPerSector_; ++e)
      WriteEntry(e, u"", 0, kNoStream, kNoStream, kNoStream, 0, 0);
    for (std::uint32_t k = 0; k < extraStreams; ++k) {
      std::u16string extraName = u"S";
      for (char digit : std::to_string(k))
        extraName += static_cast<char16_t>(digit);
      auto link = [&](std::size_t other) {
        return other < extraStreams ? static_cast<std::uint32_t>(kFirstExtraEntry + other)
                                    : kNoStream;
      };
      const bool chain = shape == Shape::kChain;
      WriteEntry(kFirstExtraEntry + k, extraName, 2, chain ? kNoStream : link(2 * k + 1),
                 chain ? link(k + 1) : link(2 * k + 2), kNoStream, kEndOfChain, 0);
    }

    if (inMiniStream_) {
      for (std::size_t m = 0; m < numbersPerSector_; ++m)
        Put32(MiniFatOffset(static_cast<std::uint32_t>(m)), kFreeSector);
      for (std::size_t m = 0; m < miniSectors; ++m)
        Put32(MiniFatOffset(static_cast<std::uint32_t>(m)),
              m + 1 < miniSectors ? static_cast<std::uint32_t>(m + 1) : kEndOfChain);
    }
    if (n > 0)
      std::copy(contents.begin(), contents.end(),
                bytes_.begin() + static_cast<std::ptrdiff_t>(SectorOffset(dataStart_)));
  }

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  std::uint32_t DirectorySector() const { return directorySector_; }
  // The first sector of the mini stream, or of "Contents" when it is not in the mini stream.
  std::uint32_t DataStart() const { return dataStart_; }
  bool InMiniStream() const { return inMiniStream_; }

  std::size_t SectorOffset(std::uint32_t sector) const { return (sector + 1) * sectorSize_; }
  std::size_t FatOffset(std::uint32_t sector) const {
    return SectorOffset(fatSectors_[sector / numbersPerSector_]) + 4 * (sector % numbersPerSector_);
  }
  std::size_t MiniFatOffset(std::uint32_t miniSector) const {
    return SectorOffset(miniFatSector_) + 4 * miniSector;
  }
  std::size_t EntryOffset(std::uint32_t entry) const {
    return SectorOffset(directorySector_ + entry / entriesPerSector_) +
           kEntrySize * (entry % entriesPerSector_);
  }

  void Put16(std::size_t offset, std::uint16_t value) {
    bytes_[offset] = value & 0xFF;
    bytes_[offset + 1] = value >> 8;
  }
  void Put32(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
      bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  void SetFat(std::uint32_t sector, std::uint32_t next) { Put32(FatOffset(sector), next); }
  void SetEntryField(std::uint32_t entry, std::size_t field, std::uint32_t value) {
    Put32(EntryOffset(entry) + field, value);
  }

 private:
  void WriteHeader() {
    const std::uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), bytes_.begin());
    Put16(0x18, 0x3E);
    Put16(0x1A, static_cast<std::uint16_t>(version_));
    Put16(0x1C, 0xFFFE);
    Put16(0x1E, version_ == 4 ? 12 : 9);
    Put16(0x20, 6);
    if (version_ == 4) Put32(0x28, static_cast<std::uint32_t>(directorySectors_));
    Put32(kFatCountField, static_cast<std::uint32_t>(fatSectors_.size()));
    Put32(kFirstDirectoryField, directorySector_);
    Put32(0x38, kCutoff);
    Put32(kFirstMiniFatField, miniFatSector_);
    Put32(0x40, inMiniStream_ ? 1 : 0);
    Put32(0x44, kEndOfChain);
    for (std::uint32_t i = 0; i < 109; ++i)
      Put32(0x4C + 4 * i, i < fatSectors_.size() ? fatSectors_[i] : kFreeSector);
  }

  // Links `count` sectors from `first` in order.
  void Chain(std::uint32_t first, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
      SetFat(static_cast<std::uint32_t>(first + i),
             i + 1 < count ? static_cast<std::uint32_t>(first + i + 1) : kEndOfChain);
  }

  void WriteEntry(std::uint32_t entry, std::u16string_view name, std::uint8_t type,
                  std::uint32_t left, std::uint32_t right, std::uint32_t child, std::uint32_t start,
                  std::uint64_t size) {
    const std::size_t at = EntryOffset(entry);
    for (std::size_t i = 0; i < name.size(); ++i)
      Put16(at + 2 * i, name[i]);
    Put16(at + kNameLengthField,
          name.empty() ? 0 : static_cast<std::uint16_t>(2 * (name.size() + 1)));
    bytes_[at + kTypeField] = type;
    bytes_[at + kTypeField + 1] = type == 0 ? 0 : 1;
    Put32(at + kLeftField, left);
    Put32(at + kRightField, right);
    Put32(at + kChildField, child);
    Put32(at + kStartField, start);
    Put32(at + kSizeField, static_cast<std::uint32_t>(size));
    Put32(at + kSizeField + 4, static_cast<std::uint32_t>(size >> 32));
  }

  int version_;
  std::size_t sectorSize_;
  std::size_t numbersPerSector_;
  std::size_t entriesPerSector_;
  bool inMiniStream_;
  std::size_t miniStreamSize_ = 0;
  std::vector<std::uint32_t> fatSectors_;
  std::uint32_t directorySector_ = 0;
  std::size_t directorySectors_ = 1;
  std::uint32_t miniFatSector_ = kEndOfChain;
  std::uint32_t dataStart_ = 0;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace kv::test
