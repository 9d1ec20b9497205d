// kalvane-cli convert, and render --batch into MathML and LaTeX files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/cli_runner.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

using test::RunCliCaptured;

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

class ConvertCommand : public ::testing::Test {
 protected:
  test::ScratchEnvironment env;

  std::string Path(const std::string& name) const { return (env.Root() / name).string(); }
  std::string Read(const std::string& name) const { return test::ReadFileBytes(Path(name)); }
  std::string Converted(const std::vector<std::string>& args) {
    const test::CliResult result = RunCliCaptured(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
  }
};

// The same equation from text, from a document, from a picture that carries it and from a batch
// line gives the same markup; a document keeps its own settings.
TEST_F(ConvertCommand, TextDocumentPictureAndBatchAgree) {
  const std::string latex = "\\frac{x}{y}\\times2\n";
  EXPECT_EQ(Converted({"convert", "x/y*2", "--to", "latex"}), latex);
  ASSERT_EQ(
      RunCliCaptured({"save", "-o", Path("doc.kv3"), "x/y*2", "--set", "MultiplyStyle=1"}).status,
      0);
  EXPECT_EQ(Converted({"convert", Path("doc.kv3"), "--to", "latex"}), "\\frac{x}{y}\\cdot2\n");
  ASSERT_EQ(RunCliCaptured({"render", Path("doc.kv3"), "-o", Path("doc.svg")}).status, 0);
  EXPECT_EQ(Converted({"convert", Path("doc.svg"), "--to", "latex"}), "\\frac{x}{y}\\cdot2\n");

  const std::string mathml = Converted({"convert", "x/y*2", "--to", "mathml"});
  test::WriteFileBytes(env.Root() / "list.txt", "x/y*2\n" + Path("doc.kv3") + "\n((\n");
  for (const char* format : {"mml", "tex"}) {
    const test::CliResult batch = RunCliCaptured(
        {"render", "--batch", Path("list.txt"), "--out-dir", Path("out"), "--format", format});
    EXPECT_EQ(batch.status, 0) << batch.err;
  }
  EXPECT_EQ(Read("out/1.mml"), std::string(kXmlDeclaration) + mathml);
  EXPECT_EQ(Read("out/1.tex"), latex);
  EXPECT_EQ(Read("out/2.tex"), "\\frac{x}{y}\\cdot2\n");
  // The SVG picture carries the plain MathML of its equation.
  const std::string svgMathML = Converted({"convert", Path("doc.kv3"), "--to", "mathml"});
  EXPECT_NE(Read("doc.svg").find(svgMathML.substr(0, svgMathML.size() - 1) + "</metadata>"),
            std::string::npos);
}

TEST_F(ConvertCommand, StyleAndInvisibleTimesAreAskedFor) {
  EXPECT_EQ(Converted({"convert", "2x", "--to", "mathml"}),
            "<math xmlns=\"http://www.w3.org/1998/Math/MathML\" display=\"block\"><mrow><mn>2</mn>"
            "<mi>x</mi></mrow></math>\n");
  EXPECT_EQ(Converted({"convert", "2x", "--to", "mathml", "--invisible-times"}),
            "<math xmlns=\"http://www.w3.org/1998/Math/MathML\" display=\"block\"><mrow><mn>2</mn>"
            "<mo>&#x2062;</mo><mi>x</mi></mrow></math>\n");
  EXPECT_EQ(Converted({"convert", "al", "--to", "latex", "--style", "kalvane"}),
            "\\mathrm{\\alpha}\n");
  EXPECT_EQ(Converted({"convert", "al", "--to", "latex"}), "\\alpha\n");
}

TEST_F(ConvertCommand, RefusesWhatItCannotUse) {
  std::string deep(400, '(');
  deep += 'x';
  deep.append(400, ')');
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"convert", "x"},
        {"convert", "x", "--to", "html"},
        {"convert", "x", "--to", "latex", "--style", "fancy"},
        {"convert", deep, "--to", "mathml"},
        {"convert", Path("missing.kv3"), "--to", "latex"},
        {"render", "x", "-o", Path("a.mml")},
        {"render", "x", "-o", Path("a.png"), "--style", "kalvane"}}) {
    const test::CliResult result = RunCliCaptured(args);
    EXPECT_EQ(result.status, 2) << args[1] << " " << args.back();
    EXPECT_NE(result.err, "");
  }
  EXPECT_NE(RunCliCaptured({"convert", deep, "--to", "mathml"}).err.find("nests deeper"),
            std::string::npos);
}

}  // namespace
}  // namespace kv
