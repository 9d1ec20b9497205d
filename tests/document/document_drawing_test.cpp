// Stacking a document's lines, on the fixed-metrics surface: a character is 200 x 400 with its
// baseline 80 up, a line ends with a trailing gap of 66, and VerticalSpacing is 1000 by default.
#include <gtest/gtest.h>

#include <string>

#include "document/document.h"
#include "typeset/fixed_metrics_surface.h"

namespace kv {
namespace {

class DocumentDrawingTest : public ::testing::Test {
 protected:
  DocumentDrawingTest() { document.OnNewDocument(); }

  NodeBox Extent(std::string_view text) {
    document.SetEquationText(text);
    return document.GetDocumentExtent(paper);
  }
  int Offset(std::size_t line) const { return document.EquationList().LineOffsets().at(line); }

  HeadlessHost host;
  KLV300Doc document{host};
  FixedMetricsSurface paper;
};

TEST_F(DocumentDrawingTest, LinesStackFromTheBottomUpWithOneSpacingPerEmptyLine) {
  // "x", an empty line, "ab": 400 + 1000 + 1000 + 400 high; "ab" at the bottom, the empty line
  // above it taking one spacing, "x" 2400 up.
  const NodeBox box = Extent("x\r\n\r\nab");
  EXPECT_EQ(box, (NodeBox{.width = 466, .height = 2800, .align = 2720}));
  EXPECT_EQ(Offset(2), 0);
  EXPECT_EQ(Offset(1), 1400);
  EXPECT_EQ(Offset(0), 2400);
  EXPECT_EQ(Offset(20), 0);

  // Only the first line: its own box, trailing gap and all.
  EXPECT_EQ(Extent("x"), (NodeBox{.width = 266, .height = 400, .align = 80, .trailingGap = 66}));
  // Only the second line: the empty first line still takes a spacing above it, and the box's
  // align comes from an all-zero first box.
  EXPECT_EQ(Extent("\r\nx"), (NodeBox{.width = 266, .height = 1400, .align = 1400}));
  EXPECT_EQ(Offset(0), 1400);
}

TEST_F(DocumentDrawingTest, EmptyDocumentHasTheSizeOfADigitAndNegativeSpacingStillStacks) {
  EXPECT_EQ(Extent(""), (NodeBox{.width = 266, .height = 400, .align = 80, .trailingGap = 66}));
  // Two lines overlapping by a spacing of -400 sum to zero, yet they have text.
  document.Settings().VerticalSpacing.Set(-400);
  EXPECT_EQ(Extent("x\r\nx"), (NodeBox{.width = 266, .height = 400, .align = 320}));
}

TEST_F(DocumentDrawingTest, DrawingPutsTheStacksTopLeftCornerAtThePoint) {
  document.SetEquationText("x\r\n\r\nab");
  paper.SetTextAlign(kTaLeft | kTaTop);
  document.DrawDocument(paper, 100, 5000);
  // The stack is 2800 high: its bottom at 2200, the first line's bottom 2400 above that.
  ASSERT_EQ(paper.Texts().size(), 3u);
  EXPECT_EQ(paper.Texts()[0].box.left, 100);
  EXPECT_EQ(paper.Texts()[0].box.bottom, 4600);
  EXPECT_EQ(paper.Texts()[1].box.bottom, 2200);
  EXPECT_EQ(paper.Texts()[2].box.left, 300);
  EXPECT_EQ(paper.GetTextAlign(), kTaLeft | kTaBottom);
}

}  // namespace
}  // namespace kv
