#include "document/compound_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <thread>

#include "document/compound_file_builder.h"
#include "document/compound_file_test_support.h"

namespace kv {
namespace {

using test::HandBuiltFile;
using test::Pattern;
using test::TempFolder;

const std::vector<std::uint8_t> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool StartsWithSignature(const std::vector<std::uint8_t>& file) {
  return file.size() >= kSignature.size() &&
         std::equal(kSignature.begin(), kSignature.end(), file.begin());
}

// 4096 is where a stream leaves the mini stream for whole sectors.
TEST(CompoundFile, RoundTripsAroundTheSectorSizes) {
  TempFolder folder;
  for (std::size_t size : {0, 1, 63, 64, 65, 4095, 4096, 4097, 70000, 1 << 20}) {
    SCOPED_TRACE(size);
    const auto contents = Pattern(size);
    const auto path = folder / "doc.kv3";
    WriteDocumentFile(path, contents);
    const auto file = test::ReadBytes(path);
    EXPECT_TRUE(StartsWithSignature(file));
    EXPECT_EQ(file.size() % 512, 0u);
    EXPECT_EQ(ReadDocumentFile(path), contents);
    EXPECT_EQ(ContentsOfDocumentFile(MakeDocumentFile(contents)), contents);
  }
}

// A file made from the layout kept for its count of mini sectors is byte for byte the file
// libgsf makes; a new thread keeps no layout yet, so libgsf makes the file there.
TEST(CompoundFile, FilesMadeFromAKeptLayoutAreTheLibrarysFiles) {
  std::mt19937 random(3);
  const auto randomBytes = [&random](std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes)
      byte = static_cast<std::uint8_t>(random());
    return bytes;
  };
  std::vector<std::size_t> sizes;
  for (std::size_t size = 1; size <= 130; ++size)
    sizes.push_back(size);
  for (std::size_t edge = 192; edge <= 4096; edge += 64)
    sizes.insert(sizes.end(), {edge - 1, edge, edge + 1});
  for (const std::size_t size : sizes) {
    SCOPED_TRACE(size);
    // Keeps the layout of the count from a stream that fills its last mini sector.
    MakeDocumentFile(randomBytes((size + 63) / 64 * 64));
    const std::vector<std::uint8_t> contents = randomBytes(size);
    const std::vector<std::uint8_t> made = MakeDocumentFile(contents);
    std::vector<std::uint8_t> library;
    std::thread([&] { library = MakeDocumentFile(contents); }).join();
    EXPECT_EQ(made, library);
    EXPECT_EQ(ContentsOfDocumentFile(made), contents);
  }
}

// The files of another writer, built here field by field, read the same way.
TEST(CompoundFile, ReadsFilesBuiltByHand) {
  for (std::size_t size : {0, 1, 100, 4095, 4096, 5000, 70000}) {
    SCOPED_TRACE(size);
    const auto contents = Pattern(size);
    HandBuiltFile file(contents);
    EXPECT_EQ(file.InMiniStream(), size < 4096);
    EXPECT_EQ(ContentsOfDocumentFile(file.bytes()), contents);
  }
  // Version 4: 4096-byte sectors, 32 directory entries to a sector.
  for (std::size_t size : {100, 5000, 70000}) {
    SCOPED_TRACE(size);
    HandBuiltFile file(Pattern(size), u"Contents", 40, 4);
    EXPECT_EQ(ContentsOfDocumentFile(file.bytes()), Pattern(size));
  }
  // Names compare without regard to case.
  HandBuiltFile upper(Pattern(10), u"CONTENTS");
  EXPECT_EQ(ContentsOfDocumentFile(upper.bytes()), Pattern(10));
  // Version 3 sizes are 32 bits: the high half of the field is ignored.
  HandBuiltFile high(Pattern(100));
  high.SetEntryField(test::kContentsEntry, test::kSizeField + 4, 1);
  EXPECT_EQ(ContentsOfDocumentFile(high.bytes()), Pattern(100));
  // Directories far larger than a document needs: a chain of 200 siblings, a tree of 1000.
  HandBuiltFile chain(Pattern(100), u"Contents", 200);
  EXPECT_EQ(ContentsOfDocumentFile(chain.bytes()), Pattern(100));
  HandBuiltFile tree(Pattern(100), u"Contents", 1000, 3, HandBuiltFile::Shape::kBalanced);
  EXPECT_EQ(ContentsOfDocumentFile(tree.bytes()), Pattern(100));
}

TEST(CompoundFile, OtherFilesAreTheirOwnContents) {
  // A file of the older flat layout: a line length, then the line.
  const std::vector<std::uint8_t> flat = {3, 'a', '+', 'b', 0, 0, 0, 0, 7};
  EXPECT_EQ(ContentsOfDocumentFile(flat), flat);
  EXPECT_EQ(ContentsOfDocumentFile({}), std::vector<std::uint8_t>{});
  // Seven bytes of the signature, then another byte: not a compound file.
  std::vector<std::uint8_t> nearly = Pattern(600);
  std::copy(kSignature.begin(), kSignature.end() - 1, nearly.begin());
  nearly[7] = 0xE0;
  EXPECT_EQ(ContentsOfDocumentFile(nearly), nearly);

  TempFolder folder;
  test::WriteBytes(folder / "flat.kv3", flat);
  EXPECT_EQ(ReadDocumentFile(folder / "flat.kv3"), flat);
  const auto big = Pattern(200000);  // more than one read's worth
  test::WriteBytes(folder / "big.kv3", big);
  EXPECT_EQ(ReadDocumentFile(folder / "big.kv3"), big);
}

// A file shorter than the signature that begins like it is a compound file cut short.
TEST(CompoundFile, BeginningOfTheSignatureIsAFailedOpen) {
  for (std::size_t length = 1; length < kSignature.size(); ++length) {
    SCOPED_TRACE(length);
    test::FailureOf(std::span(kSignature).first(length));
  }
}

TEST(CompoundFile, CompoundFileWithoutContentsIsAFailedOpen) {
  HandBuiltFile renamed(Pattern(100), u"Contentz");
  test::FailureOf(renamed.bytes());

  HandBuiltFile emptyRoot(Pattern(100));
  emptyRoot.SetEntryField(test::kRootEntry, test::kChildField, test::kNoStream);
  test::FailureOf(emptyRoot.bytes());

  // A storage named "Contents" is not the stream.
  HandBuiltFile storage(Pattern(0));
  storage.bytes()[storage.EntryOffset(test::kContentsEntry) + test::kTypeField] = 1;
  test::FailureOf(storage.bytes());

  // Two streams of that name: which one is meant cannot be told.
  HandBuiltFile twice(Pattern(100));
  const std::u16string name = u"Contents";
  const std::size_t extra = twice.EntryOffset(test::kExtraEntry);
  for (std::size_t i = 0; i < name.size(); ++i)
    twice.Put16(extra + 2 * i, name[i]);
  twice.Put16(extra + test::kNameLengthField, 18);
  test::FailureOf(twice.bytes());
}

TEST(CompoundFile, PathsThatAreNotRegularFilesAreFailedOpens) {
  TempFolder folder;
  const auto fifo = folder / "pipe.kv3";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const auto& path : {folder / "missing.kv3", folder.path(), fifo}) {
    SCOPED_TRACE(path);
    try {
      ReadDocumentFile(path);
      ADD_FAILURE() << "opened";
    } catch (const StorageError& error) {
      EXPECT_STREQ(error.what(), kFailedToOpenDocument);
    }
  }
}

TEST(CompoundFile, StandardReaderOpensWrittenFiles) {
  TempFolder folder;
  const std::string python = test::PythonWithOlefile();
  if (python.empty()) GTEST_SKIP() << "python3 with olefile (package python3-olefile) not found";

  for (std::size_t size : {0, 100, 4096, 70000}) {
    SCOPED_TRACE(size);
    const auto contents = Pattern(size);
    WriteDocumentFile(folder / "doc.kv3", contents);
    test::WriteBytes(folder / "expected", contents);
    EXPECT_EQ(test::OlefileCheck(python, folder / "doc.kv3", folder / "expected"), 0);
  }
}

}  // namespace
}  // namespace kv
