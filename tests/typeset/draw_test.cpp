// Drawing on the fixed-metrics surface, every position worked out by hand from the drawing rules
// (see measure_fixture.h for the metrics: a main font of 400 has ascent 320, descent 80 and
// characters 200 wide; at script level 1 a font of 280 has ascent 224, descent 56, width 140).
#include "typeset/draw.h"

#include <gtest/gtest.h>

#include <string>

#include "measure_fixture.h"
#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "support/parse_tree.h"
#include "typeset/brackets.h"
#include "typeset/node_font.h"
#include "typeset/roots.h"

namespace kv {
namespace {

using test::MeasureTest;

class DrawTest : public MeasureTest {
 protected:
  // Measures the tree on the recording surface and draws its row with its bottom-left at (0, 0).
  void Drawn(std::string_view notation) {
    Measured(notation, paper);
    paper.ClearRecords();
    paper.SetTextAlign(kTaLeft | kTaBottom);
    Draw(row, layout, paper, 0, 0, settings);
  }
  // "text@left,bottom" for each text drawn, in order.
  std::string Texts() const {
    std::string all;
    for (const RecordedText& text : paper.Texts()) {
      if (!all.empty()) all += ' ';
      all += NotationText(text.text) + "@" + std::to_string(text.box.left) + "," +
             std::to_string(text.box.bottom);
    }
    return all;
  }
  std::string Lines() const {
    std::string all;
    for (const RecordedLine& line : paper.Lines()) {
      if (!all.empty()) all += ' ';
      all += "(" + std::to_string(line.from.x) + "," + std::to_string(line.from.y) + ")-(" +
             std::to_string(line.to.x) + "," + std::to_string(line.to.y) + ")";
    }
    return all;
  }

  FixedMetricsSurface paper;
};

TEST_F(DrawTest, ScriptsAreRaisedOrLoweredFromTheirBase) {
  // The power sits on the row's baseline (adjust 80); its exponent's row is drawn
  // trunc(0.7 x 320 x 0.7) = 156 above that, although the box is 224 taller than the exponent.
  Drawn("VARIABLE\"x\" POWER{NUMBER^1\"2\"}");
  EXPECT_EQ(Texts(), "x@0,0 2@200,236");
  EXPECT_EQ(layout.Box(row.At(1)).height - layout.Box(row.At(1).row1).height, 224);
  // A subscript's row goes down by PowerRaise x descent: trunc(0.7 x 80) = 56 below its bottom.
  Drawn("SUBSCRIPT{NUMBER^1\"1\"}");
  EXPECT_EQ(paper.Texts().back().box.bottom, BoxInRow(layout, row, 0).adjust - 56);
  // An inverse function: the name, then "-1" raised by trunc(0.7 x 320 x 1.1) = 246.
  Drawn("ARCSINCOSTAN\"sin-1\"{NUMBER^1\"-1\"}");
  ASSERT_EQ(paper.Texts().size(), 2u);
  EXPECT_EQ(paper.Texts()[0].text, "sin");
  EXPECT_EQ(paper.Texts()[1].box.left, 600);
  EXPECT_EQ(paper.Texts()[1].box.bottom - paper.Texts()[0].box.bottom, 246);
}

TEST_F(DrawTest, NumbersFollowTheDecimalAndNegativeStyles) {
  settings.NegativeNumberStyle.Set(2);  // the hyphen raised by the descent, the digits beside it
  Drawn("NUMBER\"-3\"");
  EXPECT_EQ(Texts(), "-@0,80 3@200,0");
  settings.NegativeNumberStyle.Set(1);
  Drawn("NUMBER\"-3\"");
  EXPECT_EQ(Texts(), "\\x963@0,0");
  settings.NegativeNumberStyle.Set(0);
  Drawn("NUMBER\"-3\"");
  EXPECT_EQ(Texts(), "-3@0,0");
  settings.RaiseDecimal.Set(true);  // only the first point is raised
  Drawn("NUMBER\"3.5.1\"");
  EXPECT_EQ(Texts(), "3\\xb75.1@0,0");
}

TEST_F(DrawTest, FractionsStackAroundTheirBar) {
  // Numerator and bar at FractionGap + operatorHeight (0 + 400); the denominator at the bottom.
  Drawn("FRACTION{VARIABLE\"a\"}{NUMBER\"22\"}");
  EXPECT_EQ(Texts(), "a@100,400 22@0,0");
  EXPECT_EQ(Lines(), "(0,400)-(400,400)");
  settings.FractionGap.Set(50);  // the bar at 50 + 450
  Drawn("FRACTION{VARIABLE\"a\"}{NUMBER\"2\"}");
  EXPECT_EQ(Texts(), "a@0,500 2@0,0");
  EXPECT_EQ(Lines(), "(0,500)-(200,500)");
  // A column is a fraction without its bar.
  Drawn("COLUMN{NUMBER\"1\"}{NUMBER\"2\"}");
  EXPECT_EQ(Lines(), "");
  EXPECT_EQ(paper.Texts().size(), 2u);
}

TEST_F(DrawTest, RootSignIsFivePointsAndAVinculum) {
  paper.ClearRecords();
  // h = 1200: each product of h truncated toward zero (350.000004 -> 350, 99.999996 -> 99).
  EXPECT_EQ(DrawRootSign(paper, 0, 0, 100, 1200), 561);
  ASSERT_EQ(paper.Polygons().size(), 1u);
  const std::vector<Point> expected{{0, 300}, {50, 350}, {350, 50}, {364, 135}, {99, 399}};
  EXPECT_EQ(paper.Polygons()[0].points, expected);
  EXPECT_EQ(Lines(), "(364,135)-(561,1200) (561,1200)-(661,1200)");

  // sqrt x: the radicand stands where the sign returns, trunc(400 x 0.46799365) = 187.
  Drawn("SQRT{VARIABLE\"x\"}");
  EXPECT_EQ(paper.Texts().back().box.left, 187);
}

TEST_F(DrawTest, VectorArrowHeadIsAsLongAndHighAsItsSize) {
  // DisplayVect 3 and VectorArrowSize 150: the shaft 75 above the letter's box (400 high), the
  // head 150 long and 150 high with its point at the shaft's right end.
  settings.DisplayVect.Set(3);
  Drawn("LCVECTOR\"v\"");
  EXPECT_EQ(Lines(), "(0,475)-(200,475)");
  ASSERT_EQ(paper.Polygons().size(), 1u);
  const std::vector<Point> head{{200, 475}, {50, 550}, {50, 400}};
  EXPECT_EQ(paper.Polygons()[0].points, head);
  EXPECT_EQ(Texts(), "v@0,0");
  // Under DisplayVect 1 the letter is underlined at 2 x 80 / 3 = 53.
  settings.DisplayVect.Set(1);
  Drawn("LCVECTOR\"v\"");
  EXPECT_EQ(Lines(), "(0,53)-(200,53)");
  // An interval arrow pointing both ways has two heads, the left one pointing left.
  Drawn("IVBOTH{VARIABLE\"x\"}");
  ASSERT_EQ(paper.Polygons().size(), 2u);
  const std::vector<Point> left{{0, 475}, {150, 550}, {150, 400}};
  EXPECT_EQ(paper.Polygons()[1].points, left);
  // Accents: a dot centred over the box at its top less the descent (the node is bold, same
  // metrics); a bar a third of the descent above the box.
  Drawn("MODIFIER\":\"{VARIABLE\"x\"}");
  EXPECT_EQ(Texts(), ".@0,320 x@0,0");
  Drawn("MODIFIER\"_\"{VARIABLE\"x\"}");
  EXPECT_EQ(Lines(), "(0,426)-(200,426)");
}

TEST_F(DrawTest, BracketsAndIntegralsAreBuiltFromPieces) {
  paper.SetTextAlign(kTaLeft | kTaBottom);  // as drawing sets it
  // H' = trunc(1000 x 0.952...) = 952 > 1.3 x 400: k = 2, pieces of trunc(952 / 2.25) = 423,
  // step (952 - 423) / 2 = 264, bottom piece first.
  paper.ClearRecords();
  EXPECT_EQ(DrawStretchGlyph(paper, 10, 20, "(", 1000, 400, 0x0000FF), std::nullopt);
  EXPECT_EQ(Texts(), "\\xe8@10,20 \\xe7@10,284 \\xe6@10,548");
  EXPECT_EQ(paper.Texts()[0].fontHeight, 423);
  EXPECT_EQ(paper.Texts()[0].face, "Symbol");
  EXPECT_EQ(paper.Texts()[0].colour, 0x0000FFu);
  // A brace of H' = 2857: n = 5, k = 6, pieces of 544, step 385, the middle piece at k / 2.
  paper.ClearRecords();
  EXPECT_EQ(DrawStretchGlyph(paper, 0, 0, "{", 3000, 400, 0), std::nullopt);
  EXPECT_EQ(
      Texts(),
      "\\xee@0,0 \\xef@0,385 \\xef@0,770 \\xed@0,1155 \\xef@0,1540 \\xef@0,1925 \\xec@0,2310");
  // Too short for pieces: nothing drawn, and a bar half is to be drawn as a single bar; a tall
  // glyph without pieces is to be drawn as it is.
  paper.ClearRecords();
  EXPECT_EQ(DrawStretchGlyph(paper, 0, 0, "]|", 420, 400, 0), "|");
  EXPECT_EQ(DrawStretchGlyph(paper, 0, 0, "]|", 3000, 400, 0), "]|");
  EXPECT_EQ(DrawStretchGlyph(paper, 0, 0, "<", 3000, 400, 0), "<");
  EXPECT_TRUE(paper.Texts().empty());
  // A huge sign over a tiny base is built of a bounded number of pieces.
  paper.ClearRecords();
  EXPECT_EQ(DrawStretchGlyph(paper, 0, 0, "|", 2000000000, 1, 0), std::nullopt);
  EXPECT_EQ(paper.Texts().size(), static_cast<std::size_t>(kMaximumStretchPieces + 1));

  // A bracket around one line stays text: "(" at x, the content after its width, ")" after it
  // (the contents are drawn after the node's own signs).
  Drawn("BRACKETS\"(,)\"{VARIABLE\"x\"}");
  EXPECT_EQ(Texts(), "(@0,0 )@400,0 x@200,0");

  // Limits after a bracket, kept as (lower, upper): the upper one (280 high) at the top right,
  // trunc(400 - 280 x 0.7) = 204 up, the lower one at the bottom; both after the brackets (600)
  // and lowered by their adjust: their own row is never measured, so its baseline is 0 and each
  // limit's baseline (56 up) comes down onto the place given.
  Drawn("BRACKETS\"(,)\"{VARIABLE\"x\"}{NUMBER^1\"0\" NUMBER^1\"1\"}");
  EXPECT_EQ(Texts(), "(@0,0 )@400,0 x@200,0 1@600,148 0@600,-56");

  // A sum: the tripled Symbol font (1200: descent 240, "S" 600 wide) centred over limits of 140;
  // the sign at 280 - 240 = 40, the upper limit at trunc(280 + 1200 - 240 x 2.5) = 880.
  Drawn("CODEDRAW2\"sum\"{VARIABLE^1\"i\"}{VARIABLE^1\"n\"}");
  EXPECT_EQ(Texts(), "S@0,40 i@230,0 n@230,880");
}

TEST_F(DrawTest, MatrixCellsMeetTheirColumnEdgeUnderRightAlignment) {
  settings.MatrixAlign.Set(2);
  Drawn("MATRIX{NUMBER\"1\" NUMBER\"22\" SPACE\" \" SPACE\" \" NUMBER\"333\" NUMBER\"4\"}");
  const MatrixPlacement& placement = layout.Placement(row.At(0));
  ASSERT_EQ(placement.columnOffsets.size(), 2u);
  ASSERT_EQ(paper.Texts().size(), 4u);
  const int columnOf[] = {0, 0, 1, 1};
  for (std::size_t i = 0; i < 4; ++i) {
    const RecordedText& text = paper.Texts()[i];
    const auto column = static_cast<std::size_t>(columnOf[i]);
    EXPECT_EQ(text.box.left + text.box.width,
              placement.columnOffsets[column] + placement.columnWidths[column])
        << text.text;
  }
}

TEST_F(DrawTest, DrawEquationHonoursAndRestoresTheCallersAlignment) {
  EquationLine line;
  line.Parse("x", settings);  // a box 200 x 400 with its baseline 80 up
  LineLayout lineLayout;
  const auto drawnAt = [&](unsigned align) {
    paper.ClearRecords();
    paper.SetTextAlign(align);
    DrawEquation(line, lineLayout, paper, 1000, 2000, settings);
    EXPECT_EQ(paper.GetTextAlign(), align);
    EXPECT_EQ(paper.GetBackgroundMode(), BackgroundMode::kTransparent);
    EXPECT_EQ(paper.Texts().at(0).align, kTaLeft | kTaBottom);
    return Point{paper.Texts().at(0).box.left, paper.Texts().at(0).box.bottom};
  };
  EXPECT_EQ(drawnAt(kTaTop | kTaLeft), (Point{1000, 1600}));
  EXPECT_EQ(drawnAt(kTaBottom | kTaRight), (Point{800, 2000}));
  EXPECT_EQ(drawnAt(kTaBaseline | kTaCenter), (Point{900, 1920}));
}

TEST_F(DrawTest, PenWidthsFollowTheSurfaceKind) {
  class PixelSurface final : public Surface {
   public:
    explicit PixelSurface(SurfaceMapping mapping) : mapping_(mapping) {}
    SurfaceMapping Mapping() const override { return mapping_; }
    int HimetricToDevice(int himetric) const override { return himetric * 96 / 2540; }

   protected:
    std::unique_ptr<SurfaceFont> MakeFont(const KVLogFont&, int) override { return nullptr; }
    void DrawText(const SurfaceFont&, const TextBox&, std::string_view) override {}
    void DrawLine(Point, Point) override {}
    void DrawPolygon(std::span<const Point>) override {}

   private:
    SurfaceMapping mapping_;
  };
  // 250 units are 9 pixels at 96 dpi: 30 x 9 / 150 = 1.8 gives 1; 300 gives 18; 0 at least 1.
  const PixelSurface pixels(SurfaceMapping::kPixel);
  EXPECT_EQ(PenForSurface(pixels, {kPsGeometric | kPsInsideFrame, 30, 0}).width, 1);
  EXPECT_EQ(PenForSurface(pixels, {kPsGeometric | kPsInsideFrame, 300, 0}).width, 18);
  EXPECT_EQ(PenForSurface(pixels, {kPsSolid, 0, 0}).width, 1);
  // Metafiles: the geometric flag goes; only solid and inside-frame geometric pens keep width.
  const PixelSurface metafile(SurfaceMapping::kMetafile);
  const PenAttributes frame = PenForSurface(metafile, {kPsGeometric | kPsInsideFrame, 30, 5});
  EXPECT_EQ(frame, (PenAttributes{kPsInsideFrame, 30, 5}));
  EXPECT_EQ(PenForSurface(metafile, {kPsGeometric | kPsDash, 30, 5}),
            (PenAttributes{kPsDash, 1, 5}));
  const PixelSurface trueSize(SurfaceMapping::kTrueSize);
  EXPECT_EQ(PenForSurface(trueSize, {kPsGeometric | kPsDash, 30, 5}),
            (PenAttributes{kPsGeometric | kPsDash, 30, 5}));
}

TEST_F(DrawTest, DeepNestingDrawsWithoutDeepRecursion) {
  EquationLine line;
  std::string text;
  constexpr int kDepth = 20000;
  for (int i = 0; i < kDepth; ++i)
    text += "sqrt(";
  text += "x";
  line.Parse(text, settings);
  FixedMetricsSurface quiet(false);
  LineLayout lineLayout;
  DrawEquation(line, lineLayout, quiet, 0, 0, settings);
  SUCCEED();
}

// The tree holds what was read: measuring and drawing, under every style that changes what is
// drawn in place of what was typed, change no node.
TEST_F(DrawTest, MeasuringAndDrawingLeaveTheTreeAsRead) {
  const char* texts[] = {"2*3.5-4",
                         "-1.5+x",
                         "30o",
                         "sin-1 x",
                         "\"a\" b",
                         "|[1,2 3,4]|^(a,b)",
                         "int(0,1)x dx int(0,2)",
                         "sigma(i=1,n)i",
                         "lim(x->0+)f",
                         "AB+v",
                         "sqrt(x)/3root(y)",
                         "x^2\\1",
                         "(a+b)/(c-d)",
                         "a:+b^^"};
  for (int profile = 0; profile < 3; ++profile) {
    settings.MultiplyStyle.Set(profile);
    settings.NegativeNumberStyle.Set(profile);
    settings.DisplayVect.Set(profile + 1);
    settings.RaiseDecimal.Set(profile != 0);
    settings.ExpandSubtract.Set(profile == 1);
    settings.IntegralStyle.Set(profile % 2);
    for (const char* text : texts) {
      EquationLine line;
      line.Parse(text, settings);
      const std::string read = TreeNotation(line.TopRow());
      LineLayout lineLayout;
      DrawEquation(line, lineLayout, paper, 0, 0, settings);
      EXPECT_EQ(TreeNotation(line.TopRow()), read) << text << " " << profile;
    }
  }
}

}  // namespace
}  // namespace kv
