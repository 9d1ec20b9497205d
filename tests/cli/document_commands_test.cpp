// kalvane-cli save and info: documents written from the command line and read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/cli_runner.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

using test::RunCliCaptured;

class DocumentCommands : public ::testing::Test {
 protected:
  test::ScratchEnvironment env;

  std::string Path(const std::string& name) const { return (env.Root() / name).string(); }

  // Saves `args` to a document and returns what info prints about it.
  std::string SaveAndShow(std::vector<std::string> args) {
    args.insert(args.begin(), {"save", "-o", Path("doc.kv3")});
    const test::CliResult saved = RunCliCaptured(args);
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out, "");
    const test::CliResult shown = RunCliCaptured({"info", Path("doc.kv3")});
    EXPECT_EQ(shown.status, 0) << shown.err;
    return shown.out;
  }
};

TEST_F(DocumentCommands, SaveWritesWhatInfoShows) {
  EXPECT_EQ(SaveAndShow({"x^2+1\n\na/b", "--set", "VerticalSpacing=500"}),
            "Line 1: x^2+1\nLine 3: a/b\nVerticalSpacing=500\n");
  EXPECT_EQ(SaveAndShow({""}), "");
  // UTF-8 in and out; a text setting and a file of options, listed in declaration order.
  test::WriteFileBytes(env.Root() / "my.ini", "[Options]\r\nMatrixAlign=2\r\n");
  EXPECT_EQ(
      SaveAndShow({"--options", Path("my.ini"), "--set", "UnitsList=m,s", "--", "-x\xC2\xB2"}),
      "Line 1: -x\xC2\xB2\nUnitsList=m,s\nMatrixAlign=2\n");
  // Lines beyond the twentieth stay in it, their breaks shown escaped.
  std::string text;
  for (int i = 1; i <= 22; ++i)
    text += std::to_string(i) + (i < 22 ? "\n" : "");
  const std::string shown = SaveAndShow({text});
  EXPECT_NE(shown.find("Line 19: 19\nLine 20: 20\\x0d\\x0a21\\x0d\\x0a22\n"), std::string::npos)
      << shown;
}

TEST_F(DocumentCommands, InfoReadsTheOlderLayout) {
  test::Bytes b;
  b.ShortString("a+b");
  for (int i = 1; i < 21; ++i)
    b.ShortString("");
  b.Byte(0).Int32(2).Int32(0).Int32(1).Int32(1000).Int32(1000);  // LowerCase 2
  for (int flag = 0; flag < 7; ++flag)
    b.Int32(flag == 3);  // VariablesItalic, as by default
  for (char letter = 'a'; letter <= 'z'; ++letter)
    b.Int32(letter == 'i' || letter == 'j' || letter == 'k' || letter == 'r' || letter == 'v');
  b.ShortString("").Int32(0).Int32(1).Int32(0).Int32(0);  // multiplication flag set
  const auto& bytes = b.data();
  test::WriteFileBytes(env.Root() / "old.kv3",
                       std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  const test::CliResult result = RunCliCaptured({"info", Path("old.kv3")});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "Line 1: a+b\nLowerCase=2\nLettersV=1\nMultiplyStyle=1\n");
}

TEST_F(DocumentCommands, InfoShowsTheEquationAPictureCarries) {
  const std::string shown = "Line 1: x^2+1\nLine 3: a/b\nVerticalSpacing=500\n";
  for (const std::string name : {"p.svg", "p.png", "p.wmf"}) {
    const test::CliResult rendered = RunCliCaptured(
        {"render", "x^2+1\n\na/b", "--set", "VerticalSpacing=500", "-o", Path(name)});
    ASSERT_EQ(rendered.status, 0) << rendered.err;
    const test::CliResult result = RunCliCaptured({"info", Path(name)});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, shown) << name;
  }
  // A picture is told by its content, whatever its name.
  std::filesystem::copy_file(Path("p.png"), Path("picture.kv3"));
  EXPECT_EQ(RunCliCaptured({"info", Path("picture.kv3")}).out, shown);

  std::string damaged = test::ReadFileBytes(Path("p.svg"));
  const std::size_t base64 = damaged.find('>', damaged.find("crc32=")) + 10;
  damaged[base64] = damaged[base64] == 'A' ? 'B' : 'A';
  test::WriteFileBytes(Path("damaged.svg"), damaged);
  test::WriteFileBytes(Path("plain.svg"), "<svg xmlns='http://www.w3.org/2000/svg'/>");
  for (const auto& [name, message] :
       {std::pair{"damaged.svg", "the equation in this picture is damaged"},
        std::pair{"plain.svg", "this picture holds no Kalvane equation"}}) {
    const test::CliResult result = RunCliCaptured({"info", Path(name)});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "kalvane-cli info: " + Path(name) + ": " + message + "\n");
  }
}

// extract gives back the very document a picture was made of, and writes nothing for a picture
// that carries none.
TEST_F(DocumentCommands, ExtractGivesBackTheDocumentAPictureWasMadeOf) {
  ASSERT_EQ(RunCliCaptured(
                {"save", "sqrt(b^2-4ac)", "--set", "VerticalSpacing=500", "-o", Path("made.kv3")})
                .status,
            0);
  for (const std::string name : {"p.svg", "p.png", "p.wmf"}) {
    ASSERT_EQ(RunCliCaptured({"render", Path("made.kv3"), "-o", Path(name)}).status, 0);
    const test::CliResult result = RunCliCaptured({"extract", Path(name), "-o", Path("back.kv3")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::ReadFileBytes(Path("back.kv3")), test::ReadFileBytes(Path("made.kv3"))) << name;
  }
  test::WriteFileBytes(Path("plain.svg"), "<svg xmlns='http://www.w3.org/2000/svg'/>");
  for (const auto& [input, message] :
       {std::pair{"plain.svg", "this picture holds no Kalvane equation"},
        std::pair{"made.kv3", "not a picture Kalvane made"}}) {
    const test::CliResult result = RunCliCaptured({"extract", Path(input), "-o", Path("no.kv3")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(Path("no.kv3")));
  }
}

TEST_F(DocumentCommands, FailuresSayWhatWentWrong) {
  const auto expectError = [](std::vector<std::string> args, const std::string& part) {
    const test::CliResult result = RunCliCaptured(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(part), std::string::npos) << result.err;
  };
  expectError({"save", "x"}, "-o FILE.kv3");
  expectError({"save", "x", "y", "-o", Path("d.kv3")}, "exactly one TEXT");
  expectError({"save", "x", "-o", Path("missing/d.kv3")}, "Failed to save document.");
  expectError({"save", "x", "-o", Path("d.kv3"), "--set", "NoSuchKey=1"}, "NoSuchKey");
  expectError({"info"}, "exactly one FILE");
  expectError({"info", Path("missing.kv3")}, "Failed to open document.");
  test::WriteFileBytes(env.Root() / "short.kv3", "\x07KLV3DOC\x01");
  expectError({"info", Path("short.kv3")}, "Failed to open document. (Unexpected end of file.)");
  test::WriteFileBytes(env.Root() / "cut.kv3", "\xD0\xCF\x11\xE0");
  expectError({"info", Path("cut.kv3")}, "Failed to open document.");
}

}  // namespace
}  // namespace kv
