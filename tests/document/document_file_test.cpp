// Documents opened from and saved to files: the container and the "Contents" stream together.
// Every damaged file is a failed open with the user's message, leaves the document as it was,
// and asks for no more memory than the file's size; a failed save leaves the old file intact.
#include "document/document_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <random>

#include "base/archive.h"
#include "document/compound_file_builder.h"
#include "document/compound_file_test_support.h"
#include "document/document.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

std::vector<std::string> Lines(const KLV300Doc& document) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
    lines.push_back(document.EquationList().Line(i));
  return lines;
}

// Opens `file` into a document holding other text and settings, expects a failed open, and
// checks that the document still holds them. Returns the failure's detail.
std::string FailedOpenOf(std::span<const std::uint8_t> file) {
  HeadlessHost host;
  KLV300Doc doc(host);
  doc.SetEquationText("kept\r\ntoo");
  doc.Settings().SqrtGap.Set(321);
  const std::vector<std::string> lines = Lines(doc);
  const EquationSettings settings = doc.Settings();
  test::HeapProbe probe;
  try {
    OpenDocumentBytes(doc, file);
  } catch (const StorageError& error) {
    EXPECT_STREQ(error.what(), kFailedToOpenDocument);
    EXPECT_LE(probe.LargestAllocation(), test::AllocationBoundFor(file.size()));
    EXPECT_EQ(Lines(doc), lines);
    EXPECT_EQ(doc.Settings(), settings);
    EXPECT_TRUE(doc.IsModified());
    return error.Detail();
  }
  ADD_FAILURE() << "a damaged document of " << file.size() << " bytes opened";
  return {};
}

KLV300Doc& Sample(KLV300Doc& doc) {
  doc.SetEquationText("x=(-b+-sqrt(b^2-4ac))/2a\r\n\r\ny\xB2");
  doc.Settings().MatrixAlign.Set(2);
  doc.Settings().UnitsList.Set(std::string(5000, 'm'));  // "Contents" leaves the mini stream
  return doc;
}

TEST(DocumentFile, SavesAndOpensThroughTheContainer) {
  TempFolder folder;
  HeadlessHost host;
  KLV300Doc doc(host);
  Sample(doc);
  ASSERT_TRUE(doc.IsModified());
  SaveDocumentFile(doc, folder / "doc.kv3");
  EXPECT_FALSE(doc.IsModified());

  KLV300Doc read(host);
  read.SetEquationText("replaced");
  OpenDocumentFile(read, folder / "doc.kv3");
  EXPECT_FALSE(read.IsModified());
  EXPECT_EQ(Lines(read), Lines(doc));
  EXPECT_EQ(read.Settings(), doc.Settings());

  // A flat file is its own "Contents" stream: a document stream written without the container
  // opens the same.
  test::WriteBytes(folder / "flat.kv3", DocumentContents(doc));
  KLV300Doc flat(host);
  OpenDocumentFile(flat, folder / "flat.kv3");
  EXPECT_EQ(Lines(flat), Lines(doc));
}

// The file in memory is the file saved, and the same every time: the container's directory
// entries record no creation or modification time (8 bytes each at 100 and 108 of an entry).
TEST(DocumentFile, BytesInMemoryAreTheSavedFileWithoutClockTimes) {
  TempFolder folder;
  HeadlessHost host;
  KLV300Doc doc(host);
  SaveDocumentFile(Sample(doc), folder / "doc.kv3");
  const std::vector<std::uint8_t> bytes = DocumentFileBytes(doc);
  EXPECT_EQ(bytes, test::ReadBytes(folder / "doc.kv3"));
  EXPECT_EQ(DocumentFileBytes(doc), bytes);
  KLV300Doc read(host);
  OpenDocumentBytes(read, bytes);
  EXPECT_EQ(Lines(read), Lines(doc));

  constexpr std::size_t kSector = 512;
  constexpr std::size_t kEntry = 128;
  const std::size_t firstDirectorySector = bytes[48] | bytes[49] << 8 | bytes[50] << 16;
  const std::size_t directory = (firstDirectorySector + 1) * kSector;
  ASSERT_LE(directory + 2 * kEntry, bytes.size());
  for (const std::size_t entry : {directory, directory + kEntry}) {  // the root, "Contents"
    for (std::size_t at = entry + 100; at < entry + 116; ++at)
      EXPECT_EQ(bytes[at], 0) << "at " << at;
  }
}

TEST(DocumentFile, StandardReaderFindsTheContentsStream) {
  const std::string python = test::PythonWithOlefile();
  if (python.empty()) GTEST_SKIP() << "python3 with olefile (package python3-olefile) not found";
  TempFolder folder;
  HeadlessHost host;
  KLV300Doc doc(host);
  SaveDocumentFile(Sample(doc), folder / "doc.kv3");
  test::WriteBytes(folder / "expected", DocumentContents(doc));
  EXPECT_EQ(test::OlefileCheck(python, folder / "doc.kv3", folder / "expected"), 0);
}

TEST(DocumentFile, DamagedFilesAreFailedOpens) {
  HeadlessHost host;
  KLV300Doc doc(host);
  Sample(doc);
  const std::vector<std::uint8_t> contents = DocumentContents(doc);

  // Cut short at any byte, as a compound file and as a flat one.
  const std::vector<std::uint8_t> file = MakeDocumentFile(contents);
  for (std::size_t cut = 0; cut < file.size(); ++cut) {
    SCOPED_TRACE(cut);
    FailedOpenOf(std::span(file).first(cut));
  }
  for (std::size_t cut = 0; cut < contents.size(); ++cut) {
    SCOPED_TRACE(cut);
    FailedOpenOf(std::span(contents).first(cut));
  }

  // A length prefix far beyond the stream, inside a compound file and in a flat one.
  std::vector<std::uint8_t> overlong = contents;
  const std::size_t firstLine = 1 + 7 + 2;
  overlong.insert(overlong.begin() + firstLine, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
  EXPECT_EQ(FailedOpenOf(MakeDocumentFile(overlong)), "Unexpected end of file.");
  EXPECT_EQ(FailedOpenOf(overlong), "Unexpected end of file.");

  // A chain of the allocation table that loops, and a declared size of 4 GiB.
  test::HandBuiltFile cycle(contents);
  cycle.SetFat(cycle.DataStart() + 3, cycle.DataStart());
  FailedOpenOf(cycle.bytes());
  test::HandBuiltFile huge(contents);
  huge.SetEntryField(test::kContentsEntry, test::kSizeField, 0xFFFFFFFF);
  FailedOpenOf(huge.bytes());
  test::HandBuiltFile directory(contents);
  directory.SetEntryField(test::kExtraEntry, test::kRightField, test::kContentsEntry);
  FailedOpenOf(directory.bytes());
}

// Random files either open or fail with the user's message; none crashes, hangs or asks for
// more memory than its size.
TEST(DocumentFile, RandomBytes) {
  std::mt19937 random(20261208);
  HeadlessHost host;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> file(random() % 2000);
    for (auto& byte : file)
      byte = static_cast<std::uint8_t>(random());
    // Some begin like documents of either layout, so that the readers get further.
    constexpr std::string_view kCurrentStart = "\x07KLV3DOC\x01";
    if (round % 3 == 1 && file.size() > kCurrentStart.size())
      std::copy(kCurrentStart.begin(), kCurrentStart.end(), file.begin());
    if (round % 3 == 2 && !file.empty()) file[0] = static_cast<std::uint8_t>(file[0] % 128);
    KLV300Doc doc(host);
    test::HeapProbe probe;
    try {
      OpenDocumentBytes(doc, file);
    } catch (const StorageError& error) {
      EXPECT_STREQ(error.what(), kFailedToOpenDocument);
    }
    EXPECT_LE(probe.LargestAllocation(), test::AllocationBoundFor(file.size())) << round;
  }
}

// Runs in a child process: a save that cannot finish, as on a full disk, must fail, say so and
// leave the document modified. Exits with 0 when it did.
[[noreturn]] void SaveWithFileSizeLimit(KLV300Doc& doc, const fs::path& path, rlim_t limit) {
  ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
  const rlimit fileSize{limit, limit};
  ::setrlimit(RLIMIT_FSIZE, &fileSize);
  try {
    SaveDocumentFile(doc, path);
  } catch (const StorageError& error) {
    std::_Exit(std::string(error.what()) == kFailedToSaveDocument && doc.IsModified() ? 0 : 3);
  }
  std::_Exit(4);
}

TEST(DocumentFile, FailedSaveLeavesTheOldDocumentIntact) {
  TempFolder folder;
  HeadlessHost host;
  const fs::path path = folder / "doc.kv3";
  KLV300Doc old(host);
  old.SetEquationText("old");
  SaveDocumentFile(old, path);

  KLV300Doc doc(host);
  doc.SetEquationText(std::string(70000, 'n'));
  EXPECT_EXIT(SaveWithFileSizeLimit(doc, path, 8192), ::testing::ExitedWithCode(0), "");
  try {
    SaveDocumentFile(doc, folder / "missing" / "doc.kv3");
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const StorageError& error) {
    EXPECT_STREQ(error.what(), kFailedToSaveDocument);
  }
  EXPECT_TRUE(doc.IsModified());

  KLV300Doc read(host);
  OpenDocumentFile(read, path);
  EXPECT_EQ(read.EquationList().Line(0), "old");
}

}  // namespace
}  // namespace kv
