// kalvane-cli render: pictures from text, from documents and from batch lists.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/cli_runner.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

using test::RunCliCaptured;

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
constexpr std::string_view kPdfSignature = "%PDF-";

class RenderCommand : public ::testing::Test {
 protected:
  test::ScratchEnvironment env;

  std::string Path(const std::string& name) const { return (env.Root() / name).string(); }
  std::string Read(const std::string& name) const { return test::ReadFileBytes(Path(name)); }
  void ExpectRenders(const std::vector<std::string>& args) {
    const test::CliResult result = RunCliCaptured(args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
  }
};

bool StartsWith(const std::string& bytes, std::string_view prefix) {
  return bytes.compare(0, prefix.size(), prefix) == 0;
}

TEST_F(RenderCommand, FormatFollowsTheExtensionUnlessGiven) {
  ExpectRenders({"render", "x^2+1\na/b", "-o", Path("a.png")});
  EXPECT_TRUE(StartsWith(Read("a.png"), kPngSignature));
  ExpectRenders({"render", "sqrt x", "-o", Path("a.svg"), "--background", "#FF8000"});
  const std::string svg = Read("a.svg");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  ExpectRenders({"render", "x", "-o", Path("a.pdf")});
  EXPECT_TRUE(StartsWith(Read("a.pdf"), kPdfSignature));
  ExpectRenders({"render", "x", "-o", Path("picture"), "--format", "pdf"});
  EXPECT_TRUE(StartsWith(Read("picture"), kPdfSignature));
}

// At 254 dpi one pixel is 10 units: a line of height h makes a picture h / 10 pixels high, and a
// second line VerticalSpacing (1000) below the first adds (h + 1000) / 10.
TEST_F(RenderCommand, PictureIsTheDocumentExtentAtTheChosenResolution) {
  const auto pngHeight = [](const std::string& png) {
    return (static_cast<unsigned char>(png[20]) << 24) |
           (static_cast<unsigned char>(png[21]) << 16) |
           (static_cast<unsigned char>(png[22]) << 8) | static_cast<unsigned char>(png[23]);
  };
  ExpectRenders({"render", "x", "-o", Path("one.png"), "--dpi", "254"});
  ExpectRenders({"render", "x\nx", "-o", Path("two.png"), "--dpi", "254"});
  const unsigned one = pngHeight(Read("one.png"));
  const unsigned two = pngHeight(Read("two.png"));
  const std::string measured = RunCliCaptured({"measure", "x"}).out;  // width=W height=H ...
  const int h = std::stoi(measured.substr(measured.find("height=") + 7));
  EXPECT_NEAR(static_cast<double>(one), h / 10.0, 1.0);
  EXPECT_NEAR(static_cast<double>(two - one), (h + 1000) / 10.0, 1.0);
}

// With fixed metrics a font of height S = 400 is 400 high with its baseline 400 / 5 = 80 above
// the bottom, and each character is S / 2 = 200 wide; "10" is one number of two characters plus
// the trailing gap of a third of the average width: 466 wide. The picture has exactly that
// extent, and the real glyphs stand at the start of their cells, on the fixed baseline.
TEST_F(RenderCommand, FixedMetricsLayThePictureOutAsMeasureDoes) {
  EXPECT_EQ(RunCliCaptured({"measure", "--metrics", "fixed", "10"}).out,
            "width=466 height=400 align=80\n");
  ExpectRenders({"render", "10", "-o", Path("fixed.svg"), "--metrics", "fixed"});
  const std::string svg = Read("fixed.svg");
  EXPECT_NE(svg.find("viewBox=\"0 0 466 400\""), std::string::npos) << svg;
  // 400 / 2048: Liberation Sans has 2048 units per em.
  const auto glyphAt = [](int left) {
    return "transform=\"matrix(0.1953125 0 0 -0.1953125 " + std::to_string(left) + " 320)\"";
  };
  EXPECT_NE(svg.find(glyphAt(0)), std::string::npos) << svg;
  EXPECT_NE(svg.find(glyphAt(200)), std::string::npos) << svg;
  const test::CliResult wrong =
      RunCliCaptured({"render", "10", "-o", Path("x.svg"), "--metrics", "exact"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("--metrics takes real or fixed"), std::string::npos) << wrong.err;
}

TEST_F(RenderCommand, RendersADocumentWithItsOwnSettings) {
  ASSERT_EQ(RunCliCaptured({"save", "-o", Path("doc.kv3"), "x/y"}).status, 0);
  ExpectRenders({"render", Path("doc.kv3"), "-o", Path("doc.png")});
  EXPECT_TRUE(StartsWith(Read("doc.png"), kPngSignature));
  ExpectRenders({"render", "-i", Path("doc.kv3"), "-o", Path("doc.svg")});
  EXPECT_NE(Read("doc.svg").find("<svg"), std::string::npos);
}

TEST_F(RenderCommand, BatchReportsBadLinesAndRendersTheRest) {
  ASSERT_EQ(RunCliCaptured({"save", "-o", Path("doc.kv3"), "a+b"}).status, 0);
  // Line 2 holds a character without a Windows-1252 form; line 4 names a document.
  test::WriteFileBytes(env.Root() / "list.txt",
                       "x^2\n\xE2\x87\x92\na\\nb\n" + Path("doc.kv3") + "\n");
  const test::CliResult result = RunCliCaptured(
      {"render", "--batch", Path("list.txt"), "--out-dir", Path("out"), "--format", "svg"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("list.txt:2:"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("list.txt:1:"), std::string::npos) << result.err;
  for (const char* made : {"out/1.svg", "out/3.svg", "out/4.svg"})
    EXPECT_NE(Read(made).find("<svg"), std::string::npos) << made;
  EXPECT_FALSE(std::filesystem::exists(Path("out/2.svg")));
}

// A batch typesets every text in one document: each picture must be the one the text makes on
// its own, whatever came before it (more lines, the same text, other sizes).
TEST_F(RenderCommand, BatchPicturesMatchSinglePictures) {
  const std::vector<std::string> texts = {"a\\nb\\nc", "x^2", "sqrt(b2-4ac)/2a", "x^2", "c"};
  std::string list;
  for (const std::string& text : texts)
    list += text + "\n";
  test::WriteFileBytes(env.Root() / "list.txt", list);
  ASSERT_EQ(RunCliCaptured({"render", "--batch", Path("list.txt"), "--out-dir", Path("out"),
                            "--format", "svg"})
                .status,
            0);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::string text = texts[i];
    for (std::size_t at = text.find("\\n"); at != std::string::npos; at = text.find("\\n"))
      text.replace(at, 2, "\n");
    const std::string single = "single" + std::to_string(i) + ".svg";
    ExpectRenders({"render", text, "-o", Path(single)});
    EXPECT_EQ(Read("out/" + std::to_string(i + 1) + ".svg"), Read(single)) << texts[i];
  }
}

// Pictures are saved while the next ones are made; a picture that cannot be saved is still
// reported with its line, and every other picture is complete when the command returns.
TEST_F(RenderCommand, BatchReportsPicturesThatCannotBeSaved) {
  std::string list;
  constexpr int kLines = 300;
  for (int i = 1; i <= kLines; ++i)
    list += "x^" + std::to_string(i) + "\n";
  test::WriteFileBytes(env.Root() / "list.txt", list);
  // A folder where picture 7 should go: the rename over it fails.
  std::filesystem::create_directories(Path("out/7.svg"));
  const test::CliResult result = RunCliCaptured(
      {"render", "--batch", Path("list.txt"), "--out-dir", Path("out"), "--format", "svg"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, Path("list.txt") + ":7: cannot write " + Path("out/7.svg") + ": " +
                            std::strerror(EISDIR) + "\n");
  for (int i = 1; i <= kLines; ++i) {
    if (i == 7) continue;
    const std::string svg = Read("out/" + std::to_string(i) + ".svg");
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n") << i;
  }
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Path("out")))
    ++files;
  EXPECT_EQ(files, std::size_t{kLines}) << "no temporary file is left behind";
}

// --container: the equation's box with the space below it that makes its depth a whole number
// of points, the line telling its size and hint, the hint in the exchange file; a picture
// Kalvane made stands for its document.
TEST_F(RenderCommand, ContainerPictureSitsOnAWholePoint) {
  const test::CliResult measured = RunCliCaptured({"measure", "sigma(i=1,n)y_i"});
  int width = 0, height = 0, align = 0;
  ASSERT_EQ(
      std::sscanf(measured.out.c_str(), "width=%d height=%d align=%d", &width, &height, &align), 3)
      << measured.out;
  const double points = align * 0.02834645852315717;
  const int descent = static_cast<int>((std::ceil(points) - points) * 35.2777755);
  const std::string line =
      "width=" + std::to_string(width) + " height=" + std::to_string(height + descent) +
      " lowering=" + std::to_string((descent + align) * 1000 / (height + descent)) + "\n";

  const test::CliResult text =
      RunCliCaptured({"render", "sigma(i=1,n)y_i", "-o", Path("t.wmf"), "--container"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, line);
  const std::string exchange = test::ReadFileBytes(env.ConfigHome() / "Morvak" / "KLV3ADJ.ini");
  EXPECT_NE(exchange.find("[Lowering Hint]\r\nAmount=" +
                          std::to_string((descent + align) * 1000 / (height + descent))),
            std::string::npos)
      << exchange;
  const test::CliResult again =
      RunCliCaptured({"render", Path("t.wmf"), "-o", Path("again.svg"), "--container"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, line);

  const test::CliResult batch =
      RunCliCaptured({"render", "--batch", Path("list"), "--out-dir", Path("out"), "--container"});
  EXPECT_EQ(batch.status, 2);
  EXPECT_NE(batch.err.find("--container"), std::string::npos);
}

TEST_F(RenderCommand, RefusesWhatItCannotUse) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"render", "x"},
        {"render", "x", "-o", Path("a.gif")},
        {"render", "x", "-o", Path("a.png"), "--dpi", "0"},
        {"render", "x", "-o", Path("a.png"), "--background", "purple"},
        {"render", Path("missing.kv3"), "-o", Path("a.png")},
        {"render", "--batch", Path("missing.txt"), "--out-dir", Path("out")},
        {"render", "--batch", Path("missing.txt")}}) {
    const test::CliResult result = RunCliCaptured(args);
    EXPECT_EQ(result.status, 2) << args[1] << " " << args.back();
    EXPECT_NE(result.err, "");
  }
}

}  // namespace
}  // namespace kv
