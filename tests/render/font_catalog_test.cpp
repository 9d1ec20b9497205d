#include "render/font_catalog.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/symbol_encoding.h"
#include "render/font_surface.h"
#include "render/sfnt_reader.h"

namespace kv {
namespace {

KVLogFont Font(std::string_view face, int weight = 400, bool italic = false) {
  KVLogFont font;
  font.SetFaceName(face);
  font.lfWeight = weight;
  font.lfItalic = italic ? 1 : 0;
  return font;
}

std::string FileName(const FontFace& face) {
  return std::filesystem::path(face.FilePath()).filename().string();
}

std::string GlyphName(const FontFace& face, unsigned char byte) {
  char name[64] = "";
  const std::uint32_t glyph = face.GlyphIndex(byte);
  if (glyph == 0 || FT_Get_Glyph_Name(face.FreeTypeFace(), glyph, name, sizeof name) != 0)
    return "(none)";
  return name;
}

// design * size / em, rounded to nearest.
int Scaled(double design, int size, int em) {
  return static_cast<int>(std::lround(design * size / em));
}

class FontCatalogTest : public ::testing::Test {
 protected:
  FontCatalog catalog;
};

TEST_F(FontCatalogTest, ArialIsLiberationSansWithTheMetricsOfItsOs2Table) {
  const FontFace& face = catalog.Resolve(Font("Arial"));
  ASSERT_TRUE(face.Found());
  EXPECT_EQ(FileName(face), "LiberationSans-Regular.ttf");
  EXPECT_EQ(face.Mapping(), ByteMapping::kWindows1252);
  EXPECT_FALSE(face.SyntheticBold() || face.SyntheticItalic());

  const test::SfntReader file(face.FilePath());
  const int em = file.UnitsPerEm();
  // Liberation Sans 2: em 2048, win ascent 1854 and descent 434, average width 1187, so at
  // 400: 362.1 -> 362, 84.8 -> 85, 231.8 -> 232.
  const TextMetrics expected{
      .height = Scaled(file.WinAscent(), 400, em) + Scaled(file.WinDescent(), 400, em),
      .ascent = Scaled(file.WinAscent(), 400, em),
      .descent = Scaled(file.WinDescent(), 400, em),
      .averageWidth = Scaled(file.AverageWidth(), 400, em)};
  EXPECT_EQ(face.MetricsAt(400), expected);

  // The same numbers reach measuring through a surface and a font scope.
  FontMetricsSurface surface(catalog);
  FontScope font(surface, Font("Arial"), 400);
  EXPECT_EQ(surface.GetTextMetrics(), expected);

  // A height of 0 or less measures nothing.
  for (int height : {0, -400, INT_MIN}) {
    EXPECT_EQ(face.MetricsAt(height), TextMetrics{});
    EXPECT_EQ(face.ExtentWidth("abc", height), 0);
  }
}

TEST_F(FontCatalogTest, ExtentIsTheSumOfAdvancesAndGlyphsSitWhereItSays) {
  const FontFace& face = catalog.Resolve(Font("Arial"));
  ASSERT_TRUE(face.Found());
  const test::SfntReader file(face.FilePath());
  const int em = file.UnitsPerEm();

  // A FreeType face of our own gives the glyphs of the characters; the file gives the advances.
  FT_Library library = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face own = nullptr;
  ASSERT_EQ(FT_New_Face(library, face.FilePath().c_str(), 0, &own), 0);
  const std::string text = "\xC9quation 1.5 \x96 x";  // E-acute and the en dash of Windows-1252
  const std::u32string characters = U"\u00C9quation 1.5 \u2013 x";
  ASSERT_EQ(text.size(), characters.size());

  std::vector<PlacedGlyph> placed;
  face.PlaceGlyphs(text, 400, placed);
  ASSERT_EQ(placed.size(), text.size());
  double sum = 0;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    const FT_UInt glyph = FT_Get_Char_Index(own, characters[i]);
    ASSERT_NE(glyph, 0u);
    EXPECT_EQ(placed[i].index, glyph) << i;
    EXPECT_EQ(placed[i].offset, Scaled(sum, 400, em)) << "glyph " << i;
    EXPECT_EQ(placed[i].offset, face.ExtentWidth(text.substr(0, i), 400));
    sum += file.Advance(glyph);
  }
  EXPECT_EQ(face.ExtentWidth(text, 400), Scaled(sum, 400, em));
  FontMetricsSurface surface(catalog);
  FontScope font(surface, Font("Arial"), 400);
  EXPECT_EQ(surface.GetTextExtent(text), (TextExtent{Scaled(sum, 400, em), font.Metrics().height}));
  FT_Done_Face(own);
  FT_Done_FreeType(library);
}

TEST_F(FontCatalogTest, SymbolIsStandardSymbolsTakingSymbolCodes) {
  const FontFace& face = catalog.Resolve(Font("Symbol"));
  ASSERT_TRUE(face.Found());
  EXPECT_EQ(FileName(face).rfind("StandardSymbolsPS", 0), 0u) << face.FilePath();
  EXPECT_NE(face.Mapping(), ByteMapping::kWindows1252);
  EXPECT_EQ(&catalog.Resolve(Font("SYMBOL")), &face);
  const struct {
    unsigned char code;
    const char* glyph;
  } codes[] = {
      {0x70, "pi"},          {0x61, "alpha"},      {0x53, "Sigma"},        {0xB4, "multiply"},
      {0xD7, "dotmath"},     {0xB0, "degree"},     {0xF2, "integral"},     {0xF3, "integraltp"},
      {0xF4, "integralex"},  {0xF5, "integralbt"}, {0xE6, "parenlefttp"},  {0xE7, "parenleftex"},
      {0xE8, "parenleftbt"}, {0xEF, "braceex"},    {0xFE, "bracerightbt"},
  };
  for (const auto& c : codes)
    EXPECT_EQ(GlyphName(face, c.code), c.glyph) << std::hex << int(c.code);

  if (test::SfntReader file(face.FilePath()); file.Has("OS/2")) {
    const int em = file.UnitsPerEm();
    EXPECT_EQ(face.MetricsAt(400).ascent, Scaled(file.WinAscent(), 400, em));
    EXPECT_EQ(face.MetricsAt(400).descent, Scaled(file.WinDescent(), 400, em));
    EXPECT_EQ(face.MetricsAt(400).averageWidth, Scaled(file.AverageWidth(), 400, em));
  }
}

TEST_F(FontCatalogTest, SymbolCodesReachAUnicodeFaceThroughTheTable) {
  EXPECT_EQ(SymbolCodeToUnicode(0x20), U' ');
  EXPECT_EQ(SymbolCodeToUnicode(0x41), U'\u0391');  // Alpha
  EXPECT_EQ(SymbolCodeToUnicode(0x70), U'\u03C0');  // pi
  EXPECT_EQ(SymbolCodeToUnicode(0xB4), U'\u00D7');  // multiplication sign
  EXPECT_EQ(SymbolCodeToUnicode(0xE6), U'\u239B');  // top of a tall left parenthesis
  EXPECT_EQ(SymbolCodeToUnicode(0xF2), U'\u222B');  // integral
  EXPECT_EQ(SymbolCodeToUnicode(0xFE), U'\u23AD');  // bottom of a tall right brace
  for (unsigned char none : {0x00, 0x1F, 0x7F, 0x80, 0x9F, 0xF0, 0xFF})
    EXPECT_EQ(SymbolCodeToUnicode(none), 0u) << int(none);

  // A symbol charset asked of a Unicode text face: the codes go through the table.
  KVLogFont symbolCharset = Font("Arial");
  symbolCharset.lfCharSet = 2;
  const FontFace& face = catalog.Resolve(symbolCharset);
  EXPECT_EQ(face.Mapping(), ByteMapping::kSymbolThroughUnicode);
  EXPECT_EQ(GlyphName(face, 0x70), "pi");
  EXPECT_EQ(GlyphName(face, 0x61), "alpha");
  EXPECT_EQ(GlyphName(face, 0xA5), "infinity");
}

TEST_F(FontCatalogTest, TextFacesTakeWindows1252) {
  const FontFace& face = catalog.Resolve(Font("Arial"));
  EXPECT_EQ(GlyphName(face, 'p'), "p");
  EXPECT_EQ(GlyphName(face, 0x80), "Euro");
  EXPECT_EQ(GlyphName(face, 0x96), "endash");
  EXPECT_EQ(GlyphName(face, 0xB7), "periodcentered");
  EXPECT_EQ(GlyphName(face, 0xE9), "eacute");
}

TEST_F(FontCatalogTest, SynthesizesOnlyWhatAFaceLacks) {
  const FontFace& bold = catalog.Resolve(Font("Arial", 700));
  EXPECT_EQ(FileName(bold), "LiberationSans-Bold.ttf");
  EXPECT_FALSE(bold.SyntheticBold());
  const FontFace& italic = catalog.Resolve(Font("Arial", 400, true));
  EXPECT_EQ(FileName(italic), "LiberationSans-Italic.ttf");
  EXPECT_FALSE(italic.SyntheticItalic());

  // Standard Symbols PS has one weight and no italic: both are made up.
  const FontFace& symbol = catalog.Resolve(Font("Symbol"));
  const FontFace& boldSymbol = catalog.Resolve(Font("Symbol", 700));
  const FontFace& italicSymbol = catalog.Resolve(Font("Symbol", 400, true));
  EXPECT_EQ(boldSymbol.FilePath(), symbol.FilePath());
  EXPECT_TRUE(boldSymbol.SyntheticBold() && !boldSymbol.SyntheticItalic());
  EXPECT_TRUE(italicSymbol.SyntheticItalic() && !italicSymbol.SyntheticBold());
  // Emboldening widens every advance by a 24th of the em: 1000 / 24 = 41.7 -> 42 units.
  const int extra = (symbol.UnitsPerEm() + 12) / 24;
  EXPECT_EQ(boldSymbol.DesignAdvance(0x70), symbol.DesignAdvance(0x70) + extra);
  EXPECT_EQ(italicSymbol.DesignAdvance(0x70), symbol.DesignAdvance(0x70));
  EXPECT_EQ(boldSymbol.ExtentWidth("pp", 1000), symbol.ExtentWidth("pp", 1000) + 2 * extra);
  EXPECT_EQ(boldSymbol.MetricsAt(400).height, symbol.MetricsAt(400).height);
}

TEST_F(FontCatalogTest, ResolvesEachDescriptionOnce) {
  KVLogFont arial = Font("Arial");
  const FontFace* first = &catalog.Resolve(arial);
  arial.colour = 0x00FF0000;  // colour, size and height play no part in the face
  arial.size = 1234;
  arial.lfHeight = -99;
  EXPECT_EQ(&catalog.Resolve(arial), first);
  EXPECT_EQ(&catalog.Resolve(Font("ARIAL")), first);
  EXPECT_EQ(catalog.LoadedFaceCount(), 1u);
  // Weights 700 and 800 both find the bold file as it is: one face between them.
  EXPECT_EQ(&catalog.Resolve(Font("Arial", 700)), &catalog.Resolve(Font("Arial", 800)));
  EXPECT_EQ(catalog.LoadedFaceCount(), 2u);
  // A face that is not installed falls back to one that is, so no text goes missing.
  const FontFace& unknown = catalog.Resolve(Font("No Such Face Anywhere"));
  EXPECT_TRUE(unknown.Found());
  EXPECT_GT(unknown.MetricsAt(400).height, 0);
}

TEST(ScaleDesignUnits, RoundsToNearestAndSaturates) {
  EXPECT_EQ(ScaleDesignUnits(1, 1, 2), 1);  // a half rounds away from zero
  EXPECT_EQ(ScaleDesignUnits(-1, 1, 2), -1);
  EXPECT_EQ(ScaleDesignUnits(3, 1, 7), 0);            // 0.43
  EXPECT_EQ(ScaleDesignUnits(1023, 400, 2048), 200);  // 199.8
  EXPECT_EQ(ScaleDesignUnits(-434, 400, 2048), -85);  // -84.8
  EXPECT_EQ(ScaleDesignUnits(5, 0, 2048), 0);
  EXPECT_EQ(ScaleDesignUnits(INT64_MAX / 2, INT_MAX, 1), INT_MAX);
  EXPECT_EQ(ScaleDesignUnits(std::int64_t{1} << 40, INT_MAX, 2048), INT_MAX);
}

}  // namespace
}  // namespace kv
