#include "typeset/surface.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>

#include "typeset/fixed_metrics_surface.h"

namespace kv {
namespace {

KVLogFont Font(std::string_view face, int weight = 400, bool italic = false, ColorRef colour = 0) {
  KVLogFont font;
  font.SetFaceName(face);
  font.lfWeight = weight;
  font.lfItalic = italic ? 1 : 0;
  font.colour = colour;
  return font;
}

TEST(FixedMetricsSurface, MeasuresByTheFixedRules) {
  FixedMetricsSurface surface;
  {
    FontScope font(surface, Font("Arial"), 400);
    // descent 400/5, ascent 400 - 80, average 400/2; a string of n bytes is n * 200 wide.
    EXPECT_EQ(surface.GetTextMetrics(), (TextMetrics{400, 320, 80, 200}));
    EXPECT_EQ(surface.GetTextExtent("abc"), (TextExtent{600, 400}));
    EXPECT_EQ(surface.GetTextExtent(""), (TextExtent{0, 400}));
  }
  {
    // Integer division: 7/5 = 1, 7/2 = 3. Face, weight and style change nothing.
    FontScope font(surface, Font("Symbol", 700, true), 7);
    EXPECT_EQ(font.Metrics(), (TextMetrics{7, 6, 1, 3}));
    EXPECT_EQ(surface.GetTextExtent("\xF2\xF3"), (TextExtent{6, 7}));
  }
  for (int height : {0, -1, -400, INT_MIN}) {
    FontScope font(surface, Font("Arial"), height);
    EXPECT_EQ(font.CharacterHeight(), 0);
    EXPECT_EQ(surface.GetTextMetrics(), TextMetrics{}) << height;
    EXPECT_EQ(surface.GetTextExtent("abc"), TextExtent{}) << height;
    surface.TextOut(0, 0, "abc");
  }
  EXPECT_TRUE(surface.Texts().empty()) << "a font of no height draws nothing";
  {
    // The widest font on the longest string stays in range.
    FontScope font(surface, Font("Arial"), INT_MAX);
    EXPECT_EQ(surface.GetTextExtent(std::string(10, 'x')).width, INT_MAX);
  }
}

TEST(Surface, PlacesTextByItsAlignment) {
  FixedMetricsSurface surface;
  FontScope font(surface, Font("Arial"), 400);
  // "abcd": 800 wide, 400 high, descent 80; output at (1000, 2000), y upward.
  const struct {
    unsigned align;
    int left, bottom;
  } cases[] = {
      {kTaLeft | kTaBottom, 1000, 2000},   {kTaLeft | kTaTop, 1000, 1600},
      {kTaLeft | kTaBaseline, 1000, 1920}, {kTaRight | kTaBottom, 200, 2000},
      {kTaCenter | kTaTop, 600, 1600},     {kTaCenter | kTaBaseline, 600, 1920},
  };
  for (const auto& c : cases) {
    surface.ClearRecords();
    surface.SetTextAlign(c.align);
    surface.TextOut(1000, 2000, "abcd");
    ASSERT_EQ(surface.Texts().size(), 1u);
    EXPECT_EQ(surface.Texts()[0].box, (TextBox{c.left, c.bottom, 800, 400, c.bottom + 80}))
        << "alignment " << c.align;
    EXPECT_EQ(surface.Texts()[0].align, c.align);
  }
  // Centring an odd width truncates: 9 / 2 = 4.
  EXPECT_EQ(PlaceTextBox(kTaCenter | kTaBottom, 100, 0, {9, 6}, 1).left, 96);
  // Far out at the edge of int nothing wraps around.
  EXPECT_EQ(PlaceTextBox(kTaRight | kTaTop, INT_MIN, INT_MIN, {800, 400}, 80),
            (TextBox{INT_MIN, INT_MIN, 800, 400, INT_MIN + 80}));
}

TEST(Surface, StartsInTheDefaultState) {
  FixedMetricsSurface surface;
  EXPECT_EQ(surface.SelectedFont(), nullptr);
  EXPECT_EQ(surface.GetTextMetrics(), TextMetrics{});
  EXPECT_EQ(surface.GetTextAlign(), kTaLeft | kTaTop);
  EXPECT_EQ(surface.GetBackgroundMode(), BackgroundMode::kOpaque);
  EXPECT_EQ(surface.TextColor(), 0);
  EXPECT_EQ(surface.SelectedPen(), (PenAttributes{kPsSolid, 1, 0}));
  EXPECT_EQ(surface.SelectedBrush(), (BrushAttributes{kBsSolid, 0x00FFFFFF, 0}));
  surface.TextOut(0, 0, "no font selected");
  EXPECT_TRUE(surface.Texts().empty());
  EXPECT_EQ(surface.Mapping(), SurfaceMapping::kTrueSize);
  EXPECT_EQ(surface.HimetricToDevice(250), 250);
}

TEST(Surface, RecordsTextInTheSelectedFontAndColour) {
  FixedMetricsSurface surface;
  surface.SetTextAlign(kTaLeft | kTaBottom);
  surface.SetBackgroundMode(BackgroundMode::kTransparent);
  FontScope font(surface, Font("Times New Roman", 700, true, 0x000080FF), 280);
  EXPECT_EQ(surface.TextColor(), 0x000080FF);
  surface.TextOut(10, 20, "x+1");
  ASSERT_EQ(surface.Texts().size(), 1u);
  const RecordedText& run = surface.Texts()[0];
  EXPECT_EQ(run.text, "x+1");
  EXPECT_EQ(run.box, (TextBox{10, 20, 420, 280, 76}));  // 3 * 140 wide; descent 56
  EXPECT_TRUE(run.transparent);
  EXPECT_EQ(run.face, "Times New Roman");
  EXPECT_EQ(run.weight, 700);
  EXPECT_TRUE(run.italic);
  EXPECT_EQ(run.fontHeight, 280);
  EXPECT_EQ(run.colour, 0x000080FF);
}

TEST(Surface, ScopesRestoreFontColourPenAndBrush) {
  FixedMetricsSurface surface;
  surface.SetTextColor(0x00123456);
  const PenAttributes outerPen{kPsGeometric | kPsInsideFrame, 25, 0x00FF0000};
  const BrushAttributes outerBrush{kBsHatched, 0x0000FF00, kHsCross};
  PenScope pen(surface, outerPen);
  BrushScope brush(surface, outerBrush);
  {
    FontScope outer(surface, Font("Arial", 400, false, 0x00000011), 400);
    {
      FontScope inner(surface, Font("Symbol", 700, false, 0x00000022), 200);
      PenScope innerPen(surface, {kPsNull, 1, 0});
      BrushScope innerBrush(surface, {kBsNull, 0, 0});
      EXPECT_EQ(surface.SelectedFont(), &inner.Font());
      EXPECT_EQ(surface.TextColor(), 0x00000022);
      EXPECT_EQ(surface.GetTextMetrics().height, 200);
      EXPECT_EQ(surface.SelectedPen().style, kPsNull);
      EXPECT_EQ(surface.SelectedBrush().style, kBsNull);
    }
    EXPECT_EQ(surface.SelectedFont(), &outer.Font());
    EXPECT_EQ(surface.TextColor(), 0x00000011);
    EXPECT_EQ(surface.GetTextMetrics().height, 400);
    EXPECT_EQ(surface.SelectedPen(), outerPen);
    EXPECT_EQ(surface.SelectedBrush(), outerBrush);

    // An exception passing through the scopes restores everything too.
    try {
      FontScope thrown(surface, Font("Arial", 400, false, 0x00000033), 100);
      PenScope thrownPen(surface, {kPsSolid, 100, 0x33});
      BrushScope thrownBrush(surface, {kBsSolid, 0x33, 0});
      throw std::runtime_error("fails while drawing");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(surface.SelectedFont(), &outer.Font());
    EXPECT_EQ(surface.TextColor(), 0x00000011);
    EXPECT_EQ(surface.SelectedPen(), outerPen);
    EXPECT_EQ(surface.SelectedBrush(), outerBrush);
  }
  EXPECT_EQ(surface.SelectedFont(), nullptr);
  EXPECT_EQ(surface.TextColor(), 0x00123456);
}

TEST(Surface, DrawsLinesAndPolygonsWithTheSelectedPenAndBrush) {
  FixedMetricsSurface surface;
  const PenAttributes barPen{kPsGeometric | kPsInsideFrame, 25, 0x000000FF};
  const BrushAttributes solid{kBsSolid, 0x000000FF, 0};
  PenScope pen(surface, barPen);
  BrushScope brush(surface, solid);
  surface.MoveTo({100, 200});
  surface.LineTo({900, 200});
  surface.LineTo({900, 700});
  EXPECT_EQ(surface.CurrentPosition(), (Point{900, 700}));
  ASSERT_EQ(surface.Lines().size(), 2u);
  EXPECT_EQ(surface.Lines()[0].from, (Point{100, 200}));
  EXPECT_EQ(surface.Lines()[0].to, (Point{900, 200}));
  EXPECT_EQ(surface.Lines()[1].from, (Point{900, 200}));
  EXPECT_EQ(surface.Lines()[1].pen, barPen);

  const Point arrow[] = {{0, 75}, {-150, 150}, {-150, 0}};
  surface.Polygon(arrow);
  surface.Polygon(std::span<const Point>(arrow, 1));  // one point is no polygon
  ASSERT_EQ(surface.Polygons().size(), 1u);
  EXPECT_EQ(surface.Polygons()[0].points, (std::vector<Point>{{0, 75}, {-150, 150}, {-150, 0}}));
  EXPECT_EQ(surface.Polygons()[0].pen, barPen);
  EXPECT_EQ(surface.Polygons()[0].brush, solid);

  FixedMetricsSurface silent(false);
  {
    FontScope font(silent, Font("Arial"), 400);
    silent.TextOut(0, 0, "x");
  }
  silent.LineTo({1, 1});
  silent.Polygon(arrow);
  EXPECT_TRUE(silent.Texts().empty() && silent.Lines().empty() && silent.Polygons().empty());
}

}  // namespace
}  // namespace kv
