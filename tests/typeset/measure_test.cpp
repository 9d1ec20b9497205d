// Measuring rows and lines: the shared baseline, integrals side by side, the adjust pass, lazy
// measuring, deep trees and extreme settings.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "measure_fixture.h"
#include "reader/equation_line.h"

namespace kv {
namespace {

using test::BoxText;
using test::MeasureTest;

// Fixed metrics; counts the fonts it makes.
class CountingSurface final : public Surface {
 public:
  int fontsMade = 0;
  SurfaceMapping Mapping() const override { return SurfaceMapping::kTrueSize; }
  int HimetricToDevice(int himetric) const override { return himetric; }

 protected:
  class Font final : public SurfaceFont {
   public:
    Font(const KVLogFont& d, int height)
        : SurfaceFont(d, height, FixedMetricsSurface::MetricsFor(height)) {}
    int ExtentWidth(std::string_view text) const override {
      return static_cast<int>(text.size()) * Metrics().averageWidth;
    }
  };
  std::unique_ptr<SurfaceFont> MakeFont(const KVLogFont& d, int height) override {
    ++fontsMade;
    return std::make_unique<Font>(d, height);
  }
  void DrawText(const SurfaceFont&, const TextBox&, std::string_view) override {}
  void DrawLine(Point, Point) override {}
  void DrawPolygon(std::span<const Point>) override {}
};

TEST_F(MeasureTest, IntegralsOfARowTakeTheBoxOfTheTallest) {
  // The first integral alone is 463 x 1073 (baseline 419), the second 589 x 1341 (535), asking
  // 800 and 960 of their signs; the row is combined from the boxes before they are unified.
  Measured(
      "CODEDRAW2\"int\"{NUMBER^1\"0\"}{NUMBER^1\"1\"} CODEDRAW2\"int\"{NUMBER\"0\"}{NUMBER\"1\"}");
  EXPECT_EQ(rowBox, (NodeBox{463 + 589, 1341, 535, 0, false, 66}));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(BoxText(BoxInRow(layout, row, i)), "[589,1341,535,0,0]") << i;
    EXPECT_EQ(layout.SignHeight(row.At(i)), 960) << i;
  }
}

TEST_F(MeasureTest, PowersAfterTallerBracketsSitOnTheirShoulder) {
  // The bracket around a fraction is 840 high; the power is 504 high, so its bottom goes to
  // trunc(840 - 504 x 0.8) = 436.
  EXPECT_EQ(Boxes(Measured("BRACKETS\"(,)\"{FRACTION{NUMBER\"1\"}{NUMBER\"2\"}} "
                           "POWER{NUMBER^1\"2\"}")),
            "BRACKETS[730,840,320,0,0]\"(,)\"{FRACTION[200,800,320,0,0]{NUMBER[200,400,80,0,0]"
            "\"1\"}{NUMBER[200,400,80,0,0]\"2\"}} POWER[140,504,56,436,1]{NUMBER[140,280,56,0,0]"
            "\"2\"}");
  // After a shorter bracket (280) a power sits on the row's baseline (56).
  Measured("BRACKETS\"(,)\"{NUMBER^1\"1\"} POWER{NUMBER^1\"2\"}");
  EXPECT_EQ(BoxText(BoxInRow(layout, row, 0)), "[540,280,56,0,0]");
  EXPECT_EQ(BoxText(BoxInRow(layout, row, 1)), "[140,504,56,56,1]");
  // A bracket's second row of other than two nodes is never measured.
  Measured("BRACKETS\"(,)\"{VARIABLE\"x\"}{NUMBER\"1\" NUMBER\"2\" NUMBER\"3\"}");
  EXPECT_EQ(layout.Box(First()).width, 600);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(layout.Box(First().row2.At(i)), NodeBox{});
}

TEST(GetExtent, MeasuresOncePerParse) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  CountingSurface surface;
  EquationLine line;
  LineLayout lineLayout;
  // x + 1: 200 + 2 x 200 + 200, and the trailing gap of the 1 (66).
  line.Parse("x+1", settings);
  EXPECT_EQ(GetExtent(line, lineLayout, surface, settings), (NodeBox{866, 400, 80, 0, false, 66}));
  EXPECT_EQ(surface.fontsMade, 3);
  // Asking again, or parsing the same text, measures nothing.
  EXPECT_EQ(GetExtent(line, lineLayout, surface, settings).width, 866);
  line.Parse("x+1", settings);
  EXPECT_EQ(GetExtent(line, lineLayout, surface, settings).width, 866);
  EXPECT_EQ(surface.fontsMade, 3);
  // A new text, or a rebuild for new settings, measures again.
  line.Parse("x", settings);
  EXPECT_EQ(GetExtent(line, lineLayout, surface, settings), (NodeBox{266, 400, 80, 0, false, 66}));
  EXPECT_EQ(surface.fontsMade, 4);
  settings.Font.Current().size = 800;
  line.MarkForRebuild();
  line.Parse("x", settings);
  EXPECT_EQ(GetExtent(line, lineLayout, surface, settings),
            (NodeBox{533, 800, 160, 0, false, 133}));
  // A row that was only tokenized is a new tree too.
  line.Tokenize("ab", settings);
  EXPECT_EQ(GetExtent(line, lineLayout, surface, settings).width, 2 * 400 + 133);
  // An empty line measures as nothing.
  line.Parse("", settings);
  EXPECT_EQ(GetExtent(line, lineLayout, surface, settings), NodeBox{});
}

TEST_F(MeasureTest, TreesNestedThousandsDeepMeasureWithoutDeepRecursion) {
  constexpr int kDepth = 20000;
  EquationNode* inner = &pool.CreateNode(TK_VARIABLE);
  inner->SetText("x");
  for (int level = 0; level < kDepth; ++level) {
    EquationNode& root = pool.CreateNode(TK_SQRT);
    root.row1.Append(*inner);
    inner = &root;
  }
  row.Append(*inner);
  MeasureContext context = Context(surface);
  const NodeBox box = Measure(row, context);
  // Each root adds SqrtGap (100) to the height and keeps the baseline of the x.
  EXPECT_EQ(box.height, 400 + 100 * kDepth);
  EXPECT_EQ(box.align, 80);
  EXPECT_GT(box.width, 0);  // the widths grow beyond the range of int and stop at its end
}

TEST_F(MeasureTest, ZeroAndNegativeFontSizesMeasureNothing) {
  for (int size : {0, -400, INT_MIN}) {
    settings.Font.Current().size = size;
    Measured("VARIABLE\"x\" FRACTION{NUMBER\"1\"}{NUMBER\"2\"}");
    EXPECT_EQ(FirstBox(), "[0,0,0,0,0]") << size;
    MeasureContext context = Context(surface);
    EXPECT_EQ(Measure(row.At(0), 0, context).trailingGap, 0) << size;
    EXPECT_EQ(rowBox, NodeBox{}) << size;
  }
}

// Every kind at once, for the extreme-settings test.
constexpr const char* kEveryKind =
    "CODEDRAW2\"sigma\"{VARIABLE^1\"i\"}{VARIABLE^1\"n\"} FRACTION{NUMBER/1\"1\"}{NUMBER/1\"2\"} "
    "MATRIX{NUMBER\"1\" SPACE\" \" SPACE\" \" NUMBER\"2\" NUMBER\"3\"} "
    "CODEDRAW2\"int\"{NUMBER^1\"0\"}{NUMBER^1\"1\"} CODEDRAW2\"lim\"{VARIABLE\"x\"}{NUMBER\"9\"} "
    "BRACKETS\"[|,|]\"{COLUMN{NUMBER\"1\"}{NUMBER\"2\"}}{NUMBER\"0\" NUMBER\"1\"} "
    "POWER{NUMBER^1\"2\"} SQRT{} ROOT{VARIABLE\"x\"}{NUMBER^1\"3\"} TAB SUBSCRIPT{NUMBER\"1\"} "
    "ARCSINCOSTAN\"sin-1\"{NUMBER^1\"-1\"} MODIFIER\"^^\"{VARIABLE\"x\"} LCVECTOR\"v\" "
    "ABVECTOR\"AB\" "
    "IVLEFT{VARIABLE\"x\"} NUMBER\"-5\" MULTIPLY\"*\" DEGREE\"o\" SUBTRACT\"-\" "
    "QUOTED\"\\\"q\\\"\" "
    "CODEDRAW2\"product\"{}{} TAB";

TEST_F(MeasureTest, ExtremeSettingsNeitherOverflowNorCrash) {
  // The sanitizer build fails this test on any signed overflow or bad conversion.
  for (int size : {INT_MAX, INT_MAX / 3 + 1, 1, 400}) {
    for (int style : {0, 1}) {
      settings.Font.Current().size = size;
      settings.IntegralStyle.Set(style);
      settings.FractionGap.Set(200);
      settings.SqrtGap.Set(500);
      settings.PowerRaise.Set(1.0);
      settings.VectorArrowSize.Set(500);
      settings.MatrixHorizontalSpacing.Set(10000);
      settings.MatrixVerticalSpacing.Set(10000);
      settings.TabWidth.Set(style == 0 ? 32767 : 1);
      settings.FracLevelRatio.Set(0.0);
      settings.PowerLevelRatio.Set(0.0);
      Measured(kEveryKind);
      EXPECT_GE(rowBox.width, 0) << size;
      EXPECT_GE(rowBox.height, 0) << size;
    }
  }
  // Ratios that shrink past nothing, and the deepest levels.
  settings.Font.Current().size = INT_MAX;
  settings.FracLevelRatio.Set(1.0);
  settings.PowerLevelRatio.Set(1.0);
  settings.FracLevelMax.Set(10);
  settings.PowerLevelMax.Set(10);
  Measured(kEveryKind);
  EXPECT_GE(rowBox.height, 0);
}

}  // namespace
}  // namespace kv
