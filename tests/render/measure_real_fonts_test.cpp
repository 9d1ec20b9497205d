// Measuring with real fonts: the numbers come from the font files themselves.
#include <gtest/gtest.h>

#include <cmath>

#include "reader/equation_line.h"
#include "render/font_catalog.h"
#include "render/font_surface.h"
#include "render/sfnt_reader.h"
#include "settings/equation_settings.h"
#include "typeset/measure.h"

namespace kv {
namespace {

int Scaled(int design, int size, int em) {
  return static_cast<int>(std::lround(static_cast<double>(design) * size / em));
}

TEST(MeasureRealFonts, AVariableTakesTheItalicFacesMetricsAndAdvance) {
  FontCatalog catalog;
  FontMetricsSurface surface(catalog);
  EquationSettings settings;
  settings.ResetToDefaults(".");
  EquationLine line;
  line.Parse("x", settings);
  LineLayout layout;
  const NodeBox extent = GetExtent(line, layout, surface, settings);

  // Variables are italic: the italic face of Arial, read from its file.
  KVLogFont italic = settings.Font.Current();
  italic.lfItalic = 1;
  const FontFace& face = catalog.Resolve(italic);
  ASSERT_TRUE(face.Found());
  const test::SfntReader file(face.FilePath());
  const int em = file.UnitsPerEm();
  const int ascent = Scaled(file.WinAscent(), 400, em);
  const int descent = Scaled(file.WinDescent(), 400, em);
  const int advance = Scaled(file.Advance(face.GlyphIndex('x')), 400, em);
  const int trailingGap = Scaled(file.AverageWidth(), 400, em) / 3;
  EXPECT_EQ(extent.height, ascent + descent);
  EXPECT_EQ(extent.align, descent);
  EXPECT_EQ(extent.width, advance + trailingGap);
}

}  // namespace
}  // namespace kv
