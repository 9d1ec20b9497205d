// Damaged compound files: every one is a failed open, within the allocation bound, and none
// crashes or hangs. The files are built by hand (compound_file_builder.h) or written by the
// program and then damaged one field at a time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "document/compound_file.h"
#include "document/compound_file_builder.h"
#include "document/compound_file_test_support.h"

namespace kv {
namespace {

using test::FailureOf;
using test::HandBuiltFile;
using test::kEndOfChain;
using test::Pattern;

// Stream sizes with one, two and many sectors, in the mini stream and out of it.
TEST(CompoundFileDamage, FileCutShortAtAnyByte) {
  for (std::size_t size : {0, 100, 3000, 5000}) {
    SCOPED_TRACE(size);
    const auto file = MakeDocumentFile(Pattern(size));
    // No byte is spare: the header, the tables, the directory and the data fill whole sectors.
    for (std::size_t cut = 1; cut < file.size(); ++cut) {
      SCOPED_TRACE(cut);
      FailureOf(std::span(file).first(cut));
    }
  }
}

TEST(CompoundFileDamage, StreamSizeBeyondTheFile) {
  // Whole sectors: "Contents" of 5000 bytes fills ten of them.
  HandBuiltFile big(Pattern(5000));
  big.SetEntryField(test::kContentsEntry, test::kSizeField, big.bytes().size() + 1);
  FailureOf(big.bytes());
  HandBuiltFile longer(Pattern(5000));  // within the file, beyond the stream's ten sectors
  longer.SetEntryField(test::kContentsEntry, test::kSizeField, 5121);
  FailureOf(longer.bytes());
  HandBuiltFile shorter(Pattern(5000));  // a chain longer than the size asks for
  shorter.SetEntryField(test::kContentsEntry, test::kSizeField, 4500);
  FailureOf(shorter.bytes());

  // The mini stream: 300 bytes are five mini sectors of the 320-byte mini stream.
  HandBuiltFile mini(Pattern(300));
  mini.SetEntryField(test::kContentsEntry, test::kSizeField, 1000);
  FailureOf(mini.bytes());
  HandBuiltFile root(Pattern(300));  // the mini stream itself larger than the file
  root.SetEntryField(test::kRootEntry, test::kSizeField, 0x100000);
  FailureOf(root.bytes());
}

TEST(CompoundFileDamage, FourGibibyteStreamSize) {
  for (std::size_t size : {300, 5000}) {
    SCOPED_TRACE(size);
    HandBuiltFile file(Pattern(size));
    file.SetEntryField(test::kContentsEntry, test::kSizeField, 0xFFFFFFFF);
    FailureOf(file.bytes());  // which also bounds the allocations
    HandBuiltFile root(Pattern(size));
    root.SetEntryField(test::kRootEntry, test::kSizeField, 0xFFFFFFFF);
    if (size < 4096) FailureOf(root.bytes());
  }
}

// Version 4 sizes are 64 bits: a high half makes the size larger than any file here.
TEST(CompoundFileDamage, SixtyFourBitStreamSize) {
  for (std::size_t size : {300, 5000}) {
    SCOPED_TRACE(size);
    HandBuiltFile file(Pattern(size), u"Contents", 0, 4);
    file.SetEntryField(test::kContentsEntry, test::kSizeField + 4, 1);
    FailureOf(file.bytes());
  }
}

TEST(CompoundFileDamage, AllocationTableChainCycles) {
  HandBuiltFile file(Pattern(5000));  // sectors DataStart() to DataStart() + 9
  const std::uint32_t first = file.DataStart();
  HandBuiltFile toStart(Pattern(5000));
  toStart.SetFat(first + 9, first);
  FailureOf(toStart.bytes());
  HandBuiltFile inner(Pattern(5000));
  inner.SetFat(first + 5, first + 2);
  FailureOf(inner.bytes());
  HandBuiltFile self(Pattern(5000));
  self.SetFat(first, first);
  FailureOf(self.bytes());

  HandBuiltFile directory(Pattern(100));
  directory.SetFat(directory.DirectorySector(), directory.DirectorySector());
  FailureOf(directory.bytes());

  // The mini stream's own chain: 3000 bytes take six sectors of it.
  HandBuiltFile miniStream(Pattern(3000));
  miniStream.SetFat(miniStream.DataStart() + 5, miniStream.DataStart());
  FailureOf(miniStream.bytes());

  // A chain that runs off the table or the file, or into a free sector.
  HandBuiltFile outside(Pattern(5000));
  outside.SetFat(first + 3, 100000);
  FailureOf(outside.bytes());
  HandBuiltFile free(Pattern(5000));
  free.SetFat(first + 3, test::kFreeSector);
  FailureOf(free.bytes());
}

TEST(CompoundFileDamage, MiniStreamChainCycles) {
  // 300 bytes: mini sectors 0 to 4.
  HandBuiltFile toStart(Pattern(300));
  toStart.Put32(toStart.MiniFatOffset(4), 0);
  FailureOf(toStart.bytes());
  HandBuiltFile self(Pattern(300));
  self.Put32(self.MiniFatOffset(1), 1);
  FailureOf(self.bytes());
  // A mini sector beyond the mini stream's five.
  HandBuiltFile outside(Pattern(300));
  outside.Put32(outside.MiniFatOffset(2), 7);
  FailureOf(outside.bytes());
  HandBuiltFile start(Pattern(300));
  start.SetEntryField(test::kContentsEntry, test::kStartField, 5);
  FailureOf(start.bytes());
}

TEST(CompoundFileDamage, DirectoryCycles) {
  using test::kContentsEntry;
  using test::kExtraEntry;
  using test::kLeftField;
  using test::kRightField;
  using test::kRootEntry;
  struct Link {
    std::uint32_t entry;
    std::size_t field;
    std::uint32_t target;
  };
  const std::vector<std::vector<Link>> cases = {
      {{kContentsEntry, kRightField, kContentsEntry}},     // a sibling of itself
      {{kExtraEntry, kLeftField, kContentsEntry}},         // two siblings round
      {{kExtraEntry, kRightField, kRootEntry}},            // back to the root
      {{kRootEntry, test::kChildField, kRootEntry}},       // the root its own child
      {{kContentsEntry, kLeftField, kExtraEntry}},         // one entry reached twice
      {{kExtraEntry, test::kChildField, kContentsEntry}},  // a stream with a child
      {{kExtraEntry, kRightField, test::kUnusedEntry}},    // an unused entry linked
      {{kContentsEntry, kRightField, 4}},                  // beyond the directory
      {{kRootEntry, kLeftField, kExtraEntry}},             // the root with siblings
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    HandBuiltFile file(Pattern(100));
    for (const Link& link : cases[i])
      file.SetEntryField(link.entry, link.field, link.target);
    FailureOf(file.bytes());
  }
  // A chain of siblings so long that reading it would recurse hundreds of levels deep, and a
  // tree of so many entries that sorting them would take libgsf time in their square.
  HandBuiltFile deep(Pattern(100), u"Contents", 300);
  FailureOf(deep.bytes());
  HandBuiltFile wide(Pattern(100), u"Contents", 1100, 3, HandBuiltFile::Shape::kBalanced);
  FailureOf(wide.bytes());
}

TEST(CompoundFileDamage, HeaderFields) {
  struct Field {
    std::size_t offset;
    int width;
    std::uint32_t value;
  };
  const Field cases[] = {
      {0x1A, 2, 4},            // version 4 with 512-byte sectors
      {0x1C, 2, 0xFEFF},       // byte order
      {0x1E, 2, 20},           // sector size
      {0x20, 2, 9},            // mini sector size
      {0x38, 4, 0},            // mini stream cutoff
      {0x2C, 4, 0},            // no allocation table
      {0x2C, 4, 0x7FFFFFFF},   // an allocation table larger than the file
      {0x4C, 4, 1000},         // its sector outside the file
      {0x30, 4, 1000},         // the directory outside the file
      {0x30, 4, kEndOfChain},  // no directory
      {0x3C, 4, 1000},         // the mini table outside the file
      {0x40, 4, 1000},         // the mini table longer than the file
      {0x48, 4, 1},            // a list sector the table does not need
  };
  for (const Field& field : cases) {
    SCOPED_TRACE(field.offset);
    HandBuiltFile file(Pattern(100));
    if (field.width == 2) {
      file.Put16(field.offset, static_cast<std::uint16_t>(field.value));
    } else {
      file.Put32(field.offset, field.value);
    }
    FailureOf(file.bytes());
  }
}

TEST(CompoundFileDamage, RandomBytes) {
  std::mt19937 random(20240611);
  const auto valid = MakeDocumentFile(Pattern(700));
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::uint8_t> file(random() % 6000);
    for (auto& byte : file)
      byte = static_cast<std::uint8_t>(random());
    // Random bytes after the signature, and after a whole valid header.
    const std::size_t kept = round % 2 == 0 ? 8 : 512;
    if (file.size() < kept) file.resize(kept);
    std::copy_n(valid.begin(), kept, file.begin());
    FailureOf(file);
  }
}

// Random damage to a valid file may leave it readable; it must never do worse than fail.
TEST(CompoundFileDamage, RandomDamageToValidFiles) {
  std::mt19937 random(7);
  for (std::size_t size : {300, 5000}) {
    const auto valid = MakeDocumentFile(Pattern(size));
    for (int round = 0; round < 1000; ++round) {
      auto file = valid;
      for (int changes = 1 + round % 4; changes > 0; --changes)
        file[8 + random() % (file.size() - 8)] = static_cast<std::uint8_t>(random());
      test::HeapProbe probe;
      try {
        EXPECT_LE(ContentsOfDocumentFile(file).size(), file.size());
      } catch (const StorageError& error) {
        EXPECT_STREQ(error.what(), kFailedToOpenDocument);
      }
      EXPECT_LE(probe.LargestAllocation(), test::AllocationBoundFor(file.size()));
    }
  }
}

// The probe must see what C libraries allocate, or the bounds above prove nothing.
TEST(HeapProbe, SeesTheAllocationsOfCLibraries) {
  void* (*volatile allocate)(std::size_t) = std::malloc;  // not optimised away
  test::HeapProbe probe;
  void* block = allocate(3 << 20);
  std::free(block);
  EXPECT_GE(probe.LargestAllocation(), std::size_t{3} << 20);
}

}  // namespace
}  // namespace kv
