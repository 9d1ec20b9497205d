#include "document/compound_file_check.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace kv {
namespace {

// Header fields, as offsets from the start of the file.
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kMajorVersionOffset = 0x1A;
constexpr std::size_t kByteOrderOffset = 0x1C;
constexpr std::size_t kSectorShiftOffset = 0x1E;
constexpr std::size_t kMiniSectorShiftOffset = 0x20;
constexpr std::size_t kFatSectorCountOffset = 0x2C;
constexpr std::size_t kFirstDirectorySectorOffset = 0x30;
constexpr std::size_t kMiniStreamCutoffOffset = 0x38;
constexpr std::size_t kFirstMiniFatSectorOffset = 0x3C;
constexpr std::size_t kMiniFatSectorCountOffset = 0x40;
constexpr std::size_t kFirstDifatSectorOffset = 0x44;
constexpr std::size_t kDifatSectorCountOffset = 0x48;
constexpr std::size_t kHeaderDifatOffset = 0x4C;
constexpr std::uint32_t kHeaderDifatSlots = 109;

constexpr std::uint16_t kByteOrderMark = 0xFFFE;
// Version 3 files have 512-byte sectors, version 4 files 4096-byte sectors.
constexpr std::uint16_t kVersion3 = 3;
constexpr std::uint16_t kVersion4 = 4;
constexpr std::uint16_t kVersion3SectorShift = 9;
constexpr std::uint16_t kVersion4SectorShift = 12;
constexpr std::uint16_t kMiniSectorShift = 6;
constexpr std::uint64_t kMiniSectorSize = 1u << kMiniSectorShift;
// Streams shorter than this live in the mini stream.
constexpr std::uint32_t kMiniStreamCutoff = 4096;

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;  // a directory link to nothing
constexpr std::size_t kSectorNumberSize = 4;

// Directory entries.
constexpr std::size_t kEntrySize = 128;
constexpr std::size_t kNameLengthOffset = 0x40;
constexpr std::size_t kTypeOffset = 0x42;
constexpr std::size_t kLeftSiblingOffset = 0x44;
constexpr std::size_t kRightSiblingOffset = 0x48;
constexpr std::size_t kChildOffset = 0x4C;
constexpr std::size_t kStartSectorOffset = 0x74;
constexpr std::size_t kStreamSizeOffset = 0x78;
constexpr std::uint8_t kStorageType = 1;
constexpr std::uint8_t kStreamType = 2;
constexpr std::uint8_t kRootType = 5;
constexpr std::uint32_t kRootEntry = 0;

// libgsf reads the directory tree by recursion, one level per link followed, and keeps each
// storage's children in a sorted list, which costs time in the square of their number. A
// document holds a handful of entries; these caps keep a file of many thousands (a few
// megabytes suffice) from costing libgsf seconds of time or its stack.
constexpr int kMaxTreeDepth = 256;
constexpr std::size_t kMaxEntries = 1024;

// Raised inside the check and turned into its result.
struct Damaged {
  const char* problem;
};

std::uint64_t ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
                               int byteCount) {
  std::uint64_t value = 0;
  for (int i = 0; i < byteCount; ++i)
    value |= std::uint64_t{bytes[offset + i]} << (8 * i);
  return value;
}
std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(ReadLittleEndian(bytes, offset, 2));
}
std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(ReadLittleEndian(bytes, offset, 4));
}

std::uint64_t UnitsFor(std::uint64_t size, std::uint64_t unitSize) {
  return size / unitSize + (size % unitSize != 0);
}

// The entry's name is `name` (ASCII), compared without regard to case as the format asks.
bool EntryNameIs(std::span<const std::uint8_t> entry, std::string_view name) {
  const std::size_t units = name.size() + 1;  // the stored length counts the terminating NUL
  if (Read16(entry, kNameLengthOffset) != units * 2) return false;
  auto lower = [](std::uint16_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  for (std::size_t i = 0; i < name.size(); ++i) {
    const std::uint16_t unit = Read16(entry, 2 * i);
    if (lower(unit) != lower(static_cast<std::uint8_t>(name[i]))) return false;
  }
  return Read16(entry, 2 * name.size()) == 0;
}

class Checker {
 public:
  explicit Checker(std::span<const std::uint8_t> file) : file_(file) {}

  // Runs the whole check and returns the size of "Contents"; raises Damaged.
  std::uint64_t Run() {
    CheckHeader();
    ListFatSectors();
    directory_ = FollowChain(Read32(file_, kFirstDirectorySectorOffset), sectorCount_,
                             "the directory chain is damaged");
    if (directory_.empty()) throw Damaged{"the file has no directory"};
    const std::uint32_t contents = FindContents();
    const std::uint64_t size = StreamSize(Entry(contents));
    const std::uint32_t start = Read32(Entry(contents), kStartSectorOffset);
    // libgsf prepares the mini stream for any stream below the cutoff, even an empty one.
    if (size < kMiniStreamCutoff) {
      CheckMiniStream();
      CheckMiniChain(start, size);
    } else {
      CheckChainHolds(start, size, "the Contents chain is damaged");
    }
    return size;
  }

 private:
  std::uint32_t Header32(std::size_t offset) const { return Read32(file_, offset); }

  void CheckHeader() {
    if (file_.size() < kHeaderSize) throw Damaged{"the file is shorter than its header"};
    if (!std::equal(kCompoundFileSignature.begin(), kCompoundFileSignature.end(), file_.begin()))
      throw Damaged{"the signature is missing"};
    if (Read16(file_, kByteOrderOffset) != kByteOrderMark)
      throw Damaged{"the byte order mark is wrong"};
    const std::uint16_t version = Read16(file_, kMajorVersionOffset);
    const std::uint16_t shift = Read16(file_, kSectorShiftOffset);
    if (!(version == kVersion3 && shift == kVersion3SectorShift) &&
        !(version == kVersion4 && shift == kVersion4SectorShift))
      throw Damaged{"the version or sector size is not one the format defines"};
    if (Read16(file_, kMiniSectorShiftOffset) != kMiniSectorShift ||
        Header32(kMiniStreamCutoffOffset) != kMiniStreamCutoff)
      throw Damaged{"the mini sector size or cutoff is not the format's"};
    version4_ = version == kVersion4;
    sectorSize_ = std::uint64_t{1} << shift;
    // The header occupies the place of one sector; a partial sector at the end is not used.
    if (file_.size() < sectorSize_) throw Damaged{"the file is shorter than its header"};
    const std::uint64_t sectors = (file_.size() - sectorSize_) / sectorSize_;
    sectorCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, kEndOfChain - 4));
    numbersPerSector_ = static_cast<std::uint32_t>(sectorSize_ / kSectorNumberSize);
  }

  std::span<const std::uint8_t> Sector(std::uint32_t sector) const {
    return file_.subspan((std::uint64_t{sector} + 1) * sectorSize_, sectorSize_);
  }

  std::uint32_t CheckedSector(std::uint32_t sector, const char* problem) const {
    if (sector >= sectorCount_) throw Damaged{problem};
    return sector;
  }

  // The allocation table's sectors: the first 109 listed in the header, the others in a chain
  // of list sectors whose last number links to the next.
  void ListFatSectors() {
    const std::uint32_t count = Header32(kFatSectorCountOffset);
    // Every file needs at least one sector besides its table, for the directory.
    if (count == 0 || count >= sectorCount_)
      throw Damaged{"the allocation table's size does not fit the file"};
    const char* outside = "an allocation table sector lies outside the file";
    const std::uint32_t inHeader = std::min(count, kHeaderDifatSlots);
    for (std::uint32_t i = 0; i < inHeader; ++i)
      fatSectors_.push_back(CheckedSector(Header32(kHeaderDifatOffset + 4 * i), outside));

    const std::uint32_t perListSector = numbersPerSector_ - 1;
    const std::uint64_t listSectors = UnitsFor(count - inHeader, perListSector);
    if (Header32(kDifatSectorCountOffset) != listSectors)
      throw Damaged{"the allocation table list has the wrong length"};
    std::uint32_t listSector = Header32(kFirstDifatSectorOffset);
    for (std::uint64_t i = 0; i < listSectors; ++i) {
      const auto numbers = Sector(CheckedSector(listSector, outside));
      for (std::uint32_t k = 0; k < perListSector && fatSectors_.size() < count; ++k)
        fatSectors_.push_back(CheckedSector(Read32(numbers, 4 * k), outside));
      listSector = Read32(numbers, 4 * perListSector);
    }
  }

  std::uint32_t NextSector(std::uint32_t sector) const {
    const std::uint32_t tableSector = sector / numbersPerSector_;
    if (tableSector >= fatSectors_.size())
      throw Damaged{"a sector lies beyond the allocation table"};
    return Read32(Sector(fatSectors_[tableSector]), 4 * (sector % numbersPerSector_));
  }

  // The sectors of the chain from `start` to its end mark. A chain longer than `maxLength`
  // is refused, which also ends every walk round a cycle.
  std::vector<std::uint32_t> FollowChain(std::uint32_t start, std::uint64_t maxLength,
                                         const char* problem) const {
    std::vector<std::uint32_t> chain;
    for (std::uint32_t sector = start; sector != kEndOfChain; sector = NextSector(sector)) {
      if (sector >= sectorCount_ || chain.size() >= maxLength) throw Damaged{problem};
      chain.push_back(sector);
    }
    return chain;
  }

  // The chain from `start` has exactly the sectors a stream of `size` bytes needs.
  void CheckChainHolds(std::uint32_t start, std::uint64_t size, const char* problem) const {
    const std::uint64_t needed = UnitsFor(size, sectorSize_);
    if (needed > sectorCount_) throw Damaged{"a stream is larger than the file"};
    if (FollowChain(start, needed, problem).size() != needed) throw Damaged{problem};
  }

  std::span<const std::uint8_t> Entry(std::uint32_t index) const {
    const std::uint32_t perSector = static_cast<std::uint32_t>(sectorSize_ / kEntrySize);
    return Sector(directory_[index / perSector])
        .subspan((index % perSector) * kEntrySize, kEntrySize);
  }

  // Version 3 files keep a 32-bit size; the high half of the field is not to be trusted.
  std::uint64_t StreamSize(std::span<const std::uint8_t> entry) const {
    return version4_ ? ReadLittleEndian(entry, kStreamSizeOffset, 8)
                     : Read32(entry, kStreamSizeOffset);
  }

  // Walks the whole directory tree, as libgsf will, and returns the entry of the stream
  // "Contents" among the root's children. Every entry may be reached once only, so a link
  // back to an entry already seen — a cycle, or two links to one subtree — is refused.
  std::uint32_t FindContents() const {
    struct Visit {
      std::uint32_t entry;
      int depth;
      bool childOfRoot;
    };
    const std::size_t entryCount = directory_.size() * (sectorSize_ / kEntrySize);
    std::vector<bool> seen(entryCount);
    std::vector<Visit> pending{{kRootEntry, 0, false}};
    std::uint32_t contents = kNoEntry;
    std::size_t entriesSeen = 0;
    while (!pending.empty()) {
      const Visit visit = pending.back();
      pending.pop_back();
      if (visit.entry >= entryCount) throw Damaged{"a directory link leaves the directory"};
      if (seen[visit.entry]) throw Damaged{"the directory tree has a cycle"};
      if (visit.depth > kMaxTreeDepth) throw Damaged{"the directory tree is too deep"};
      if (++entriesSeen > kMaxEntries) throw Damaged{"the directory has too many entries"};
      seen[visit.entry] = true;

      const auto entry = Entry(visit.entry);
      const std::uint8_t type = entry[kTypeOffset];
      const bool isRoot = visit.entry == kRootEntry;
      if (isRoot != (type == kRootType) || (!isRoot && type != kStorageType && type != kStreamType))
        throw Damaged{"a directory entry has an unknown type"};
      if (visit.childOfRoot && type == kStreamType && EntryNameIs(entry, kContentsStreamName)) {
        if (contents != kNoEntry) throw Damaged{"the file holds two Contents streams"};
        contents = visit.entry;
      }

      const std::uint32_t left = Read32(entry, kLeftSiblingOffset);
      const std::uint32_t right = Read32(entry, kRightSiblingOffset);
      const std::uint32_t child = Read32(entry, kChildOffset);
      if (isRoot && (left != kNoEntry || right != kNoEntry))
        throw Damaged{"the root entry has siblings"};
      if (type == kStreamType && child != kNoEntry) throw Damaged{"a stream has children"};
      for (std::uint32_t sibling : {left, right})
        if (sibling != kNoEntry) pending.push_back({sibling, visit.depth + 1, visit.childOfRoot});
      if (child != kNoEntry) pending.push_back({child, visit.depth + 1, isRoot});
    }
    if (contents == kNoEntry) throw Damaged{"the file has no Contents stream"};
    return contents;
  }

  // The mini stream (the root entry's stream) and its allocation table.
  void CheckMiniStream() {
    const auto root = Entry(kRootEntry);
    miniStreamSize_ = StreamSize(root);
    CheckChainHolds(Read32(root, kStartSectorOffset), miniStreamSize_,
                    "the mini stream's chain is damaged");
    const std::uint32_t tableSectors = Header32(kMiniFatSectorCountOffset);
    if (tableSectors > sectorCount_) throw Damaged{"the mini allocation table is too large"};
    miniFat_ = FollowChain(Header32(kFirstMiniFatSectorOffset), tableSectors,
                           "the mini allocation table's chain is damaged");
    if (miniFat_.size() != tableSectors)
      throw Damaged{"the mini allocation table's chain is damaged"};
  }

  // The mini sectors from `start` hold exactly a stream of `size` bytes, each mini sector
  // lying whole inside the mini stream.
  void CheckMiniChain(std::uint32_t start, std::uint64_t size) const {
    const std::uint64_t miniSectors = std::min<std::uint64_t>(
        std::uint64_t{numbersPerSector_} * miniFat_.size(), miniStreamSize_ / kMiniSectorSize);
    const std::uint64_t needed = UnitsFor(size, kMiniSectorSize);
    std::uint64_t length = 0;
    for (std::uint32_t sector = start; sector != kEndOfChain; ++length) {
      if (sector >= miniSectors || length >= needed)
        throw Damaged{"the Contents chain in the mini stream is damaged"};
      sector =
          Read32(Sector(miniFat_[sector / numbersPerSector_]), 4 * (sector % numbersPerSector_));
    }
    if (length != needed) throw Damaged{"the Contents chain in the mini stream is damaged"};
  }

  std::span<const std::uint8_t> file_;
  bool version4_ = false;
  std::uint64_t sectorSize_ = 0;
  std::uint32_t sectorCount_ = 0;
  std::uint32_t numbersPerSector_ = 0;
  std::vector<std::uint32_t> fatSectors_;
  std::vector<std::uint32_t> directory_;
  std::vector<std::uint32_t> miniFat_;
  std::uint64_t miniStreamSize_ = 0;
};

}  // namespace

CompoundFileCheck CheckCompoundFile(std::span<const std::uint8_t> file) {
  CompoundFileCheck result;
  try {
    result.contentsSize = Checker(file).Run();
  } catch (const Damaged& damage) {
    result.problem = damage.problem;
  }
  return result;
}

}  // namespace kv
