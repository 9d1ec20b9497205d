// The measuring rule of each kind, on small trees worked out by hand (see measure_fixture.h for
// the fixed metrics).
#include <gtest/gtest.h>

#include <string>

#include "measure_fixture.h"
#include "typeset/brackets.h"
#include "typeset/matrices.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

using test::BoxText;

// Measuring on small trees, each node's box read back from the layout.
class MeasureKindsTest : public test::MeasureTest {
 protected:
  std::string FirstBoxOf(std::string_view notation) {
    Measured(notation);
    return FirstBox();
  }
  std::string FirstBoxOf(std::string_view notation, Surface& on) {
    Measured(notation, on);
    return FirstBox();
  }
  NodeBox BoxOf(const EquationNode& node) const { return layout.Box(node); }
};

// Fixed metrics, but a string is as wide as the sum of its byte values: which bytes were
// measured shows in the width.
class ByteSumSurface final : public Surface {
 public:
  SurfaceMapping Mapping() const override { return SurfaceMapping::kTrueSize; }
  int HimetricToDevice(int himetric) const override { return himetric; }

 protected:
  class ByteSumFont final : public SurfaceFont {
   public:
    ByteSumFont(const KVLogFont& d, int height)
        : SurfaceFont(d, height, FixedMetricsSurface::MetricsFor(height)) {}
    int ExtentWidth(std::string_view text) const override {
      int sum = 0;
      for (char c : text)
        sum += static_cast<unsigned char>(c);
      return sum;
    }
  };
  std::unique_ptr<SurfaceFont> MakeFont(const KVLogFont& d, int height) override {
    return std::make_unique<ByteSumFont>(d, height);
  }
  void DrawText(const SurfaceFont&, const TextBox&, std::string_view) override {}
  void DrawLine(Point, Point) override {}
  void DrawPolygon(std::span<const Point>) override {}
};

TEST_F(MeasureKindsTest, TextKindsTakeTheirTextsBoxAndSpacedOperatorsTwiceItsWidth) {
  EXPECT_EQ(FirstBoxOf("VARIABLE\"ab\""), "[400,400,80,0,0]");
  EXPECT_EQ(FirstBoxOf("GREEK\"p\""), "[200,400,80,0,0]");
  EXPECT_EQ(FirstBoxOf("QUOTED\"\\\"ab\\\"\""), "[400,400,80,0,0]");  // quotes dropped
  for (const char* op :
       {"ADD\"+\"", "EQUAL\"=\"", "GREATER\">\"", "LESS\"<\"", "SPACEDSYMBOL\"\\xb3\""}) {
    EXPECT_EQ(FirstBoxOf(op), "[400,400,80,0,0]") << op;
  }
  settings.switches.SpacedOperators = false;
  EXPECT_EQ(FirstBoxOf("ADD\"+\""), "[200,400,80,0,0]");
  // Kinds without a rule take no room.
  EXPECT_EQ(Boxes(Measured("DIVIDE\"/\" OPEN\"(\" ABS\"|\"")),
            "DIVIDE[0,0,0,0,0]\"/\" OPEN[0,0,0,0,0]\"(\" ABS[0,0,0,0,0]\"|\"");
}

TEST_F(MeasureKindsTest, SignsAreMeasuredAsTheyWillBeDrawn) {
  ByteSumSurface bytes;
  // The long dash 0x96 (150) for subtraction, twice as wide; the typed "-" (45) without it.
  EXPECT_EQ(FirstBoxOf("SUBTRACT\"-\"", bytes), "[300,400,80,0,0]");
  settings.ExpandSubtract.Set(false);
  EXPECT_EQ(FirstBoxOf("SUBTRACT\"-\"", bytes), "[90,400,80,0,0]");

  // Multiplication: the Symbol cross 0xB4 (180), the dot 0xD7 (215) or '*' (42), doubled. The
  // node keeps what was typed: the sign is the rule's, not the tree's.
  const int widths[] = {360, 430, 84};
  for (int style = 0; style < 3; ++style) {
    settings.MultiplyStyle.Set(style);
    Measured("MULTIPLY\"*\"", bytes);
    EXPECT_EQ(BoxOf(First()).width, widths[style]) << style;
    EXPECT_EQ(First().Text(), "*") << style;
  }

  // The degree sign 0xB0 (176); its baseline sits at its box's bottom (400 - 80 - 320).
  EXPECT_EQ(FirstBoxOf("DEGREE\"o\"", bytes), "[176,400,0,0,0]");
  EXPECT_EQ(First().Text(), "o");

  // -5: as typed ('-' 45 + '5' 53) under styles 0 and 2, with the long dash (150 + 53) under 1.
  const int numberWidths[] = {98, 203, 98};
  for (int style = 0; style < 3; ++style) {
    settings.NegativeNumberStyle.Set(style);
    Measured("NUMBER\"-5\"", bytes);
    EXPECT_EQ(BoxOf(First()).width, numberWidths[style]);
  }
  EXPECT_EQ(First().Text(), "-5");
}

TEST_F(MeasureKindsTest, ScriptsRiseByTheirShareOfTheBaseFont) {
  // x^2: the exponent 2 at script level 1 is 140 x 280, baseline 56 up; the power is
  // 0.7 x 320 + 280 = 504 high and sits on the row's baseline (adjust = the row's align 80).
  EXPECT_EQ(Boxes(Measured("VARIABLE\"x\" POWER{BRACKETS\",\"{NUMBER^1\"2\"}}")),
            "VARIABLE[200,400,80,0,0]\"x\" POWER[140,504,56,80,1]"
            "{BRACKETS[140,280,56,0,0]\",\"{NUMBER[140,280,56,0,0]\"2\"}}");
  EXPECT_EQ(rowBox, (NodeBox{340, 528, 80, 0, false, 66}));

  // x_1: the subscript (bold, descent 80) is 0.7 x 80 + 280 = 336 high and keeps its own
  // baseline on the row's: bottom 80 - 56 = 24 above the row's.
  EXPECT_EQ(
      Boxes(Measured("VARIABLE\"x\" SUBSCRIPT{NUMBER^1\"1\"}")),
      "VARIABLE[200,400,80,0,0]\"x\" SUBSCRIPT[140,336,56,24,0]{NUMBER[140,280,56,0,0]\"1\"}");

  // sin-1: "sin" gives 600 x 400, its "-1" at script level 1 is 2 x 140 wide.
  EXPECT_EQ(FirstBoxOf("ARCSINCOSTAN\"sin-1\"{NUMBER^1\"-1\"}"),
            "[880,520,80,0,0]");  // 400 + trunc(400 x 0.3)
  EXPECT_EQ(BoxOf(First().row1.At(0)).height, 280);
}

TEST_F(MeasureKindsTest, RootsLeaveRoomForTheSignAndTheIndex) {
  // sqrt(x): trunc(400 x 0.46799365 + 100 + 200) = 487 wide, 400 + 100 high.
  EXPECT_EQ(FirstBoxOf("SQRT{VARIABLE\"x\"}"), "[487,500,80,0,0]");
  // An empty radicand counts as one character, 200 x 400, with its baseline at 0.
  EXPECT_EQ(FirstBoxOf("SQRT"), "[487,500,0,0,0]");
  // A root adds its index's width; an index of 400 reaches above: 500 / 3 + 400 = 566.
  EXPECT_EQ(FirstBoxOf("ROOT{VARIABLE\"x\"}{NUMBER\"3\"}"), "[687,566,80,0,0]");
  // A small index (280 high) stays within the sign: 166 + 280 < 500.
  EXPECT_EQ(FirstBoxOf("ROOT{VARIABLE\"x\"}{NUMBER^1\"3\"}"), "[627,500,80,0,0]");
  // A root's empty radicand is not replaced: 0 x 0 under the sign, 100 + 140 wide, 33 + 280.
  EXPECT_EQ(FirstBoxOf("ROOT{}{NUMBER^1\"3\"}"), "[240,313,0,0,0]");
}

TEST_F(MeasureKindsTest, FractionsAndColumnsStackTheirRows) {
  // a over 2: 800 high, baseline at 80 % of the denominator (320), bar 400 up.
  EXPECT_EQ(FirstBoxOf("FRACTION{VARIABLE\"a\"}{NUMBER\"2\"}"), "[200,800,320,0,0]");
  // FractionGap 50 parts numerator and denominator by 100 and lifts the bar by 50; the
  // baseline stays at 80 % of the denominator.
  settings.FractionGap.Set(50);
  EXPECT_EQ(FirstBoxOf("FRACTION{VARIABLE\"a\"}{NUMBER\"2\"}"), "[200,900,320,0,0]");
  settings.FractionGap.Set(0);
  // An empty denominator counts as one character; the wider numerator sets the width.
  EXPECT_EQ(FirstBoxOf("FRACTION{NUMBER\"123\"}"), "[600,800,320,0,0]");
  // Shrunk one fraction level: 280-high digits, baseline trunc(280 x 0.8).
  EXPECT_EQ(FirstBoxOf("FRACTION{NUMBER/1\"1\"}{NUMBER/1\"2\"}"), "[140,560,224,0,0]");
  // A column puts its baseline half up its lower items plus the descent: 200 + 80.
  EXPECT_EQ(FirstBoxOf("COLUMN{NUMBER\"1\"}{NUMBER\"2\"}"), "[200,800,280,0,0]");
}

TEST_F(MeasureKindsTest, BracketsStretchWithTheirContentAndMakeRoomForLimits) {
  // (x): content 400 high is within 1.5 x 400, so each bracket is one Symbol glyph of 400.
  EXPECT_EQ(FirstBoxOf("BRACKETS\"(,)\"{VARIABLE\"x\"}"), "[600,400,80,0,0]");
  // Around a fraction (800 high): built of 3 pieces of font size trunc(800 / 2.25) = 355, each
  // bracket trunc(1.5 x 177) = 265 wide; the height is 800 x 1.05.
  EXPECT_EQ(FirstBoxOf("BRACKETS\"(,)\"{FRACTION{NUMBER\"1\"}{NUMBER\"2\"}}"), "[730,840,320,0,0]");
  // Double bars are always built of pieces and measured by the average width: at 400, pieces of
  // 177 with an average width of 88, so trunc(1.5 x 88) = 132 each.
  EXPECT_EQ(FirstBoxOf("BRACKETS\"[|,|]\"{VARIABLE\"x\"}"), "[464,420,80,0,0]");
  // No text: the content's box. An opening bracket alone: one glyph wide.
  EXPECT_EQ(FirstBoxOf("BRACKETS{VARIABLE\"x\"}"), "[200,400,80,0,0]");
  EXPECT_EQ(FirstBoxOf("BRACKETS\"(\"{VARIABLE\"x\"}"), "[400,400,80,0,0]");
  // Limits after a bracket: trunc(1.5 x 140 + 600); they are measured, their row is not.
  Measured("BRACKETS\"(,)\"{VARIABLE\"x\"}{NUMBER^1\"0\" NUMBER^1\"1\"}");
  EXPECT_EQ(BoxOf(First()).width, 810);
  EXPECT_EQ(BoxOf(First().row2.At(1)).width, 140);
  EXPECT_EQ(layout.Box(First().row2), NodeBox{});
}

TEST_F(MeasureKindsTest, IntegralsInBothStyles) {
  // The sign asked 800 high (2 font heights) is built of 3 pieces of size 355: 265 x 840.
  const char* kIntegral = "CODEDRAW2\"int\"{NUMBER^1\"0\"}{NUMBER^1\"1\"}";
  // Limits at the side: trunc(265 x 1.22) + 140 wide; 840 + 140 + trunc(280 x 0.33333) high;
  // baseline 140 + trunc(840 x 0.3333).
  EXPECT_EQ(FirstBoxOf(kIntegral), "[463,1073,419,0,0]");
  EXPECT_EQ(layout.SignHeight(First()), 800);
  // Limits above and below: the sign's width, 840 + 2 x 280 high, baseline 279.97 + 280.
  settings.IntegralStyle.Set(1);
  EXPECT_EQ(FirstBoxOf(kIntegral), "[265,1400,559,0,0]");
  EXPECT_EQ(layout.SignHeight(First()), 800);
  // Tall limits at the side stretch the sign: (400 + 400) x 1.2 = 960 asked, pieces of 426
  // (213 wide): 319 x 1008; trunc(319 x 1.22) + 200 wide.
  settings.IntegralStyle.Set(0);
  EXPECT_EQ(FirstBoxOf("CODEDRAW2\"int\"{NUMBER\"0\"}{NUMBER\"1\"}"), "[589,1341,535,0,0]");
  EXPECT_EQ(layout.SignHeight(First()), 960);
}

TEST_F(MeasureKindsTest, SumsProductsAndLimits) {
  // sigma from i=1 to n: the sign "S" in the tripled Symbol font (1200: 600 wide, descent 240);
  // lower limit i = 1 is 140 + 280 + 140 wide; 1200 + 280 + 280 - 600 high; baseline 280 + 240.
  const char* kSum =
      "CODEDRAW2\"sigma\"{VARIABLE^1\"i\" EQUAL^1\"=\" NUMBER^1\"1\"}{VARIABLE^1\"n\"}";
  EXPECT_EQ(FirstBoxOf(kSum), "[600,1160,520,0,0]");
  EXPECT_EQ(FirstBoxOf("CODEDRAW2\"product\"{VARIABLE^1\"i\"}{VARIABLE^1\"n\"}"),
            "[600,1160,520,0,0]");
  // lim: "lim" 600 x 400 over its lower row (x -> 0: 560 x 280); 400 + 280 - 80 high. The upper
  // row is never measured and keeps an all-zero box.
  EXPECT_EQ(Boxes(Measured("CODEDRAW2\"lim\"{VARIABLE^1\"x\" SPACEDSYMBOL^1\"\\xae\" "
                           "NUMBER^1\"0\"}{NUMBER\"9\"}")),
            "CODEDRAW2[600,600,280,0,0]\"lim\"{VARIABLE[140,280,56,0,0]\"x\" "
            "SPACEDSYMBOL[280,280,56,0,0]\"\\xae\" NUMBER[140,280,56,0,0]\"0\"}"
            "{NUMBER[0,0,0,0,0]\"9\"}");
  EXPECT_EQ(layout.Box(First().row2), NodeBox{});
  // A big operator the program does not know takes no room.
  EXPECT_EQ(FirstBoxOf("CODEDRAW2\"oint\"{NUMBER\"1\"}"), "[0,0,0,0,0]");
}

TEST_F(MeasureKindsTest, DecoratedBoxesLeaveRoomForTheirMarks) {
  // An accent leaves its descent above the content; "^^" half the ascent more.
  EXPECT_EQ(FirstBoxOf("MODIFIER\"_\"{VARIABLE\"x\"}"), "[200,480,80,0,0]");
  EXPECT_EQ(FirstBoxOf("MODIFIER\"^^\"{VARIABLE\"x\"}"), "[200,640,80,0,0]");
  // Empty content counts as one character with its baseline at the bottom.
  EXPECT_EQ(FirstBoxOf("MODIFIER\"_\""), "[200,480,0,0,0]");
  // AB and the intervals leave at least the arrow size (150) above.
  EXPECT_EQ(FirstBoxOf("ABVECTOR\"AB\""), "[400,550,80,0,0]");
  EXPECT_EQ(FirstBoxOf("IVBOTH{VARIABLE\"x\"}"), "[200,550,80,0,0]");
  settings.VectorArrowSize.Set(50);
  EXPECT_EQ(FirstBoxOf("IVRIGHT{VARIABLE\"x\"}"), "[200,480,80,0,0]");
  settings.VectorArrowSize.Set(150);
  // Lower-case vectors: no room when bold or marked below (0, 1, 2), the arrow size for 3.
  for (int display : {0, 1, 2}) {
    settings.DisplayVect.Set(display);
    EXPECT_EQ(FirstBoxOf("LCVECTOR\"v\""), "[200,400,80,0,0]") << display;
  }
  settings.DisplayVect.Set(3);
  EXPECT_EQ(FirstBoxOf("LCVECTOR\"v\""), "[200,550,80,0,0]");
}

TEST_F(MeasureKindsTest, MatrixLaysOutColumnsAndRowsWithTheirOffsets) {
  // Column 0: a fraction (200 x 800, baseline 320) over 22; column 1: 333 over 4. Two spaces
  // between the columns add half a spacing (300).
  Measured(
      "MATRIX{FRACTION{NUMBER\"1\"}{NUMBER\"2\"} NUMBER\"22\" SPACE\" \" SPACE\" \" "
      "NUMBER\"333\" NUMBER\"4\"}");
  const EquationNode& matrix = First();
  // Width trunc(300 + 400) + (600 + 600); height 800 + (400 + 400); baseline halfway.
  EXPECT_EQ(FirstBox(), "[1900,1600,800,0,0]");
  const MatrixPlacement& placement = layout.Placement(matrix);
  EXPECT_EQ(placement.columnWidths, (std::vector<int>{400, 600}));
  EXPECT_EQ(placement.columnOffsets, (std::vector<int>{0, 1300}));  // 300 + 400 + 600
  EXPECT_EQ(placement.rowOffsets, (std::vector<int>{800, 0}));      // row 1 is 400 + 400
  // The lower matrix row's cells are raised to the deepest baseline (320).
  EXPECT_EQ(BoxOf(matrix.row1.At(0)).align, 320);
  EXPECT_EQ(BoxOf(matrix.row1.At(1)).align, 320);
  EXPECT_EQ(BoxOf(matrix.row1.At(4)).align, 80);
  EXPECT_EQ(BoxOf(matrix.row1.At(5)).align, 320);
  // Where a cell stands in its column: "4" (200 wide) in the column of 600.
  EXPECT_EQ(MatrixCellOffset(600, 200, 0), 0);
  EXPECT_EQ(MatrixCellOffset(600, 200, 1), 200);
  EXPECT_EQ(MatrixCellOffset(600, 200, 2), 400);
  EXPECT_EQ(MatrixCellOffset(400, 200, 1), 100);

  // Twenty-five columns of one cell: every one counts, 200 + 24 x (600 + 200) wide.
  std::string wide = "MATRIX{NUMBER\"1\"";
  for (int i = 1; i < 25; ++i)
    wide += " SPACE\" \" NUMBER\"1\"";
  Measured(wide + "}");
  EXPECT_EQ(BoxOf(First()).width, 19400);
  EXPECT_EQ(layout.Placement(First()).columnWidths.size(), 25U);
  EXPECT_EQ(layout.Placement(First()).columnOffsets.back(), 24 * 800);
}

TEST_F(MeasureKindsTest, TabsReachTheNextStop) {
  MeasureContext context = Context(surface);
  for (const auto& [x, width] : {std::pair{2500, 500}, {3000, 1000}, {0, 1000}}) {
    EquationNode& tab = pool.CreateNode(TK_TAB);
    EXPECT_EQ(Measure(tab, x, context).width, width) << x;
  }
  // In a row: 123 ends at 600 (tab 400), 4 at 1200 (tab 800).
  EXPECT_EQ(Measured("NUMBER\"123\" TAB NUMBER\"4\" TAB").Size(), 4);
  EXPECT_EQ(rowBox.width, 2000);
  // A tab width of 0 or less gives no stops and no width.
  for (int tabWidth : {0, -1, -32768}) {
    settings.TabWidth.Set(tabWidth);
    EXPECT_EQ(FirstBoxOf("TAB"), "[0,0,0,0,0]") << tabWidth;
  }
}

TEST(StretchGlyph, PieceCountsAndBases) {
  // n = max(H / base, 2) - 2, then k = 2 x (n / 2 + 1) steps, k + 1 pieces of H / (0.75 (k + 1)).
  EXPECT_EQ(PlanStretchPieces(800, 400), (PiecePlan{2, 355}));
  EXPECT_EQ(PlanStretchPieces(1200, 400).steps, 2);
  EXPECT_EQ(PlanStretchPieces(1600, 400).steps, 4);
  EXPECT_EQ(PlanStretchPieces(2400, 400), (PiecePlan{6, 457}));  // 2400 / 5.25
  // However tall, a sign has at most kMaximumStretchPieces + 1 pieces, and the pieces grow
  // instead: measuring and drawing follow the same plan, so a measured width is the width of
  // the pieces drawn.
  EXPECT_EQ(PlanStretchPieces(2000000000, 1).steps, kMaximumStretchPieces);
  EXPECT_EQ(PlanStretchPieces(2000000000, 1).pieceSize,
            static_cast<int>(2000000000 / ((kMaximumStretchPieces + 1) * 0.75)));

  FixedMetricsSurface surface(false);
  // A base of 0 or less is taken as 1: 500 is far above it, so 501 pieces of size 1.
  const StretchGlyphSize one = MeasureStretchGlyph(surface, "(", 500, 1);
  EXPECT_EQ(one, (StretchGlyphSize{0, 525}));
  EXPECT_EQ(MeasureStretchGlyph(surface, "(", 500, 0), one);
  EXPECT_EQ(MeasureStretchGlyph(surface, "(", 500, -400), one);
  // The halves of the two-character bar keys stand as one bar when short.
  EXPECT_EQ(MeasureStretchGlyph(surface, "]|", 300, 400), (StretchGlyphSize{200, 300}));
}

TEST(NodeFont, SizeShrinksByFractionAndScriptLevel) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  // Fraction levels 0..3 with the ratio 0.3: factors 1, 0.7, 0.4, 0.1.
  EXPECT_EQ(ShrunkFontSize(400, 0, 0, settings), 400);
  EXPECT_EQ(ShrunkFontSize(400, 1, 0, settings), 280);
  EXPECT_EQ(ShrunkFontSize(400, 2, 0, settings), 160);
  EXPECT_EQ(ShrunkFontSize(400, 3, 0, settings), 40);
  // Script levels: 1 gives 0.7; with PowerLevelMax 2, level 3 is used as 2 (0.4).
  EXPECT_EQ(ShrunkFontSize(400, 0, 1, settings), 280);
  EXPECT_EQ(ShrunkFontSize(400, 0, 3, settings), 160);
  // Both: 400 x 0.7 = 280, then x 0.7 = 196.
  EXPECT_EQ(ShrunkFontSize(400, 1, 1, settings), 196);
  // A level above FracLevelMax (4) is used as 4: with the ratio 0.1, 0.6 x 400 = 240.
  settings.FracLevelRatio.Set(0.1);
  EXPECT_EQ(ShrunkFontSize(400, 4, 0, settings), 240);
  EXPECT_EQ(ShrunkFontSize(400, 9, 0, settings), 240);
  // A size that comes out negative is 0: with the ratio 1, level 4 gives -3 x 400.
  settings.FracLevelRatio.Set(1.0);
  EXPECT_EQ(ShrunkFontSize(400, 4, 0, settings), 0);
}

TEST(NodeFont, ClassFacesAndColoursCountOnlyWithoutOneFont) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  NodePool pool;
  auto choose = [&](TokenKind kind, const std::string& text) {
    EquationNode& node = pool.CreateNode(kind);
    node.SetText(text);
    return SelectNodeFont(node, settings);
  };
  // Sums in the Symbol face at three times the size; lim in the main face at the text size.
  EXPECT_EQ(choose(TK_CODEDRAW2, "sigma").characterHeight, 1200);
  EXPECT_EQ(choose(TK_CODEDRAW2, "lim").font.FaceName(), "Arial");
  EXPECT_EQ(choose(TK_CODEDRAW2, "lim").characterHeight, 400);

  settings.FunctionFont.Set("Courier");
  settings.FunctionColor.Set(0x0000FF);
  settings.Font.Current().colour = 0x00FF00;
  EXPECT_EQ(choose(TK_FUNCTION, "sin").font.FaceName(), "Arial");
  EXPECT_EQ(choose(TK_FUNCTION, "sin").font.colour, 0x00FF00);
  settings.UseOneFont.Set(false);
  const NodeFont function = choose(TK_FUNCTION, "sin");
  EXPECT_EQ(function.font.FaceName(), "Courier");
  EXPECT_EQ(function.font.colour, 0x0000FF);
  // Pen and brush keep the main font's colour.
  EXPECT_EQ(function.pen.colour, 0x00FF00);
  EXPECT_EQ(function.brush.colour, 0x00FF00);
}

}  // namespace
}  // namespace kv
