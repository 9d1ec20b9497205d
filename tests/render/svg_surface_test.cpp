#include "render/svg_surface.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "render/picture.h"
#include "render/sfnt_reader.h"
#include "support/golden_picture.h"
#include "support/log_font.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

PictureOptions Svg(std::optional<ColorRef> background = std::nullopt) {
  return {PictureFormat::kSvg, 96, background};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of its own for each test program run, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder()
      : path_(fs::temp_directory_path() / ("kalvane-svg-test-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

class SvgSurfaceTest : public ::testing::Test {
 protected:
  FontCatalog catalog;
  ScratchFolder scratch;
};

TEST_F(SvgSurfaceTest, FrameGivesTrueSizeAndViewBoxWithYFlipped) {
  // 12.34 mm x 2.5 mm; the frame's top-left logical corner (100, 500) is the SVG point (100, -500).
  SvgSurface surface(catalog, {100, 500, 1234, 250}, Svg(0x00336699));
  const std::string& svg = surface.Encode();
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_TRUE(Contains(svg, "width=\"12.34mm\" height=\"2.50mm\" viewBox=\"100 -500 1234 250\""));
  // The background covers the frame, colour bytes reversed into #rrggbb.
  EXPECT_TRUE(
      Contains(svg, "<rect x=\"100\" y=\"-500\" width=\"1234\" height=\"250\" fill=\"#996633\"/>"));
  EXPECT_TRUE(svg.ends_with("</svg>\n"));

  // No background: nothing but the frame; an empty frame still has one unit.
  SvgSurface empty(catalog, {0, 0, 0, -5}, Svg());
  const std::string& bare = empty.Encode();
  EXPECT_TRUE(Contains(bare, "width=\"0.01mm\" height=\"0.01mm\" viewBox=\"0 0 1 1\""));
  EXPECT_FALSE(Contains(bare, "<rect"));
  // The same limit as the cairo pictures: a million points a side.
  EXPECT_THROW(SvgSurface(catalog, {0, 0, 40000000, 100}, Svg()), PictureError);
}

TEST_F(SvgSurfaceTest, LinesAndPolygonsUseThePenAndBrush) {
  SvgSurface surface(catalog, {0, 1000, 1000, 1000}, Svg());
  {
    PenScope pen(surface, {kPsSolid, 30, 0x000000FF});
    surface.MoveTo({10, 20});
    surface.LineTo({110, -40});
  }
  {
    // Below the thinnest line: drawn 10 wide; a dash is 3 steps of max(width, 25), a gap 1.
    PenScope pen(surface, {kPsDash, 5, 0});
    surface.LineTo({200, -40});
  }
  {
    PenScope pen(surface, {kPsGeometric | kPsInsideFrame, 40, 0x00FF0000});
    surface.LineTo({200, 100});
  }
  {
    PenScope pen(surface, {kPsNull, 30, 0});
    surface.LineTo({300, 100});  // no line
    BrushScope brush(surface, {kBsSolid, 0x0000FF00, 0});
    const Point triangle[] = {{0, 0}, {100, 0}, {50, 80}};
    surface.Polygon(triangle);
  }
  {
    BrushScope brush(surface, {kBsNull, 0, 0});
    const Point segment[] = {{0, 0}, {10, 10}};
    surface.Polygon(segment);  // the default pen: black, 1 wide, drawn 10 wide
  }
  const std::string& svg = surface.Encode();
  EXPECT_TRUE(Contains(svg,
                       "<line x1=\"10\" y1=\"-20\" x2=\"110\" y2=\"40\" stroke=\"#ff0000\" "
                       "stroke-width=\"30\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>"));
  EXPECT_TRUE(
      Contains(svg,
               "<line x1=\"110\" y1=\"40\" x2=\"200\" y2=\"40\" stroke=\"#000000\" "
               "stroke-width=\"10\" stroke-linejoin=\"round\" stroke-dasharray=\"75 25\"/>"));
  // An inside-frame geometric pen draws like a solid one.
  EXPECT_TRUE(Contains(svg,
                       "<line x1=\"200\" y1=\"40\" x2=\"200\" y2=\"-100\" stroke=\"#0000ff\" "
                       "stroke-width=\"40\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>"));
  EXPECT_EQ(Count(svg, "<line"), 3u);
  EXPECT_TRUE(Contains(
      svg, "<polygon points=\"0,0 100,0 50,-80\" fill=\"#00ff00\" fill-rule=\"evenodd\"/>"));
  EXPECT_TRUE(Contains(svg,
                       "<polygon points=\"0,0 10,-10\" fill=\"none\" stroke=\"#000000\" "
                       "stroke-width=\"10\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>"));
}

TEST_F(SvgSurfaceTest, HatchesAreOnePatternPerStyleAndColour) {
  SvgSurface surface(catalog, {0, 1000, 1000, 1000}, Svg());
  PenScope pen(surface, {kPsNull, 0, 0});
  const Point square[] = {{0, 0}, {500, 0}, {500, 500}, {0, 500}};
  for (int hatch : {kHsCross, kHsCross, kHsHorizontal}) {
    BrushScope brush(surface, {kBsHatched, 0x000000FF, hatch});
    surface.Polygon(square);
  }
  const std::string& svg = surface.Encode();
  EXPECT_EQ(Count(svg, "<pattern "), 2u);
  EXPECT_EQ(Count(svg, "fill=\"url(#h1)\""), 2u);
  EXPECT_EQ(Count(svg, "fill=\"url(#h2)\""), 1u);
  // Tiles of the hatch spacing anchored at the origin, lines as thin as the thinnest line.
  EXPECT_TRUE(Contains(svg,
                       "patternUnits=\"userSpaceOnUse\" x=\"0\" y=\"0\" width=\"200\" "
                       "height=\"200\""));
  EXPECT_TRUE(Contains(svg, "stroke=\"#ff0000\" stroke-width=\"10\""));
}

TEST_F(SvgSurfaceTest, TextPlacesEachGlyphDefinedOnceAtItsAdvance) {
  const FontFace& face = catalog.Resolve(test::FaceFont("Liberation Serif"));
  ASSERT_TRUE(face.Found());
  const test::SfntReader file(face.FilePath());
  ASSERT_EQ(file.UnitsPerEm(), 2048);
  // At 1024 units a design unit is half a logical unit.
  const int halfA = file.Advance(face.GlyphIndex('A'));
  const int halfAV = halfA + file.Advance(face.GlyphIndex('V'));

  SvgSurface surface(catalog, {0, 2000, 5000, 2000}, Svg());
  surface.SetTextAlign(kTaLeft | kTaBaseline);
  surface.SetBackgroundMode(BackgroundMode::kTransparent);
  FontScope font(surface, test::FaceFont("Liberation Serif", 0x00804020), 1024);
  surface.TextOut(200, 300, "AVA");
  const std::string& svg = surface.Encode();

  // Two glyphs defined once each, three placed; ids number the glyphs of this picture.
  EXPECT_EQ(Count(svg, "<path id=\"g"), 2u);
  EXPECT_EQ(Count(svg, "<use "), 3u);
  EXPECT_EQ(Count(svg, "xlink:href=\"#g1\""), 2u);
  EXPECT_EQ(Count(svg, "xlink:href=\"#g2\""), 1u);
  EXPECT_TRUE(Contains(svg, "<g fill=\"#204080\">"));
  // Glyph i sits at the rounded advance of the first i characters (halves away from zero), on
  // the baseline y = -300, its outline scaled by a half and turned y-down.
  const auto use = [](int x) {
    return "transform=\"matrix(0.5 0 0 -0.5 " + std::to_string(x) + " -300)\"";
  };
  EXPECT_TRUE(Contains(svg, use(200))) << svg;
  EXPECT_TRUE(Contains(svg, use(200 + (halfA + 1) / 2)));
  EXPECT_TRUE(Contains(svg, use(200 + (halfAV + 1) / 2)));
  // Outlines are closed paths in design units.
  EXPECT_TRUE(std::regex_search(svg, std::regex("<path id=\"g1\" d=\"M[-0-9 LQCZM]+Z\"/>")));
}

TEST_F(SvgSurfaceTest, OpaqueTextFillsItsBoxAndUnderlineCrossesIt) {
  SvgSurface surface(catalog, {0, 1000, 2000, 1000}, Svg());
  surface.SetTextAlign(kTaLeft | kTaBottom);
  KVLogFont description = test::FaceFont("Liberation Serif", 0x000000FF);
  description.lfUnderline = 1;
  FontScope font(surface, description, 400);
  const TextExtent extent = surface.GetTextExtent("x y");
  surface.TextOut(100, 200, "x y");
  const std::string& svg = surface.Encode();
  // The white box first: bottom at y = 200, so its top is at SVG y = -(200 + height).
  const std::string box = "<rect x=\"100\" y=\"" + std::to_string(-(200 + extent.height)) +
                          "\" width=\"" + std::to_string(extent.width) + "\" height=\"" +
                          std::to_string(extent.height) + "\" fill=\"#ffffff\"/>";
  ASSERT_TRUE(Contains(svg, box)) << svg;
  EXPECT_LT(svg.find(box), svg.find("<use"));
  // The space has no outline: two glyphs placed. The underline spans the box in the text colour.
  EXPECT_EQ(Count(svg, "<use "), 2u);
  EXPECT_TRUE(Contains(svg, "width=\"" + std::to_string(extent.width) + "\" height=\""));
  EXPECT_EQ(Count(svg, "fill=\"#ff0000\"/>"), 1u);
}

TEST_F(SvgSurfaceTest, SameCallsGiveSameBytesAndParseAsXml) {
  const auto draw = [&](const fs::path& path) {
    SvgSurface surface(catalog, {0, 1500, 3000, 1500}, Svg(0x00FFFFFF));
    surface.SetTextAlign(kTaLeft | kTaBaseline);
    {
      FontScope font(surface, test::FaceFont("Liberation Sans"), 600);
      surface.TextOut(100, 500, "x<y & \"z\"");
    }
    {
      FontScope font(surface, test::FaceFont("Symbol"), 600);
      surface.TextOut(1500, 500, "abp");
    }
    surface.MoveTo({100, 300});
    surface.LineTo({2800, 300});
    std::string error;
    EXPECT_TRUE(SavePicture(path, surface.Encode(), error, Durability::kUnflushed)) << error;
    return surface.Encode();
  };
  const fs::path first = scratch.Path() / "first.svg";
  const std::string bytes = draw(first);
  EXPECT_EQ(draw(scratch.Path() / "second.svg"), bytes);
  EXPECT_EQ(ReadFile(first), bytes);
  if (!HaveProgram("python3")) GTEST_SKIP() << "python3 is not installed";
  const std::string check =
      "python3 -c 'import sys, xml.etree.ElementTree as E; "
      "r = E.parse(sys.argv[1]).getroot(); "
      "sys.exit(r.tag != \"{http://www.w3.org/2000/svg}svg\")' " +
      first.string();
  EXPECT_EQ(std::system(check.c_str()), 0) << bytes;
}

// The same drawing through cairo's SVG and through this surface, both rasterized by librsvg at
// the same resolution, must agree: glyph outlines, synthesis, placement, pens and brushes. (A
// cairo PNG snaps glyph origins to its pixel grid, which an exact placement does not.)
TEST_F(SvgSurfaceTest, RasterizedPictureMatchesCairosPicture) {
  if (!HaveProgram("rsvg-convert")) GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is missing";
  const PictureFrame frame{0, 2000, 4000, 2000};  // 40 x 20 mm: 400 x 200 pixels at 254 dpi
  KVLogFont boldItalicSymbol = test::FaceFont("Symbol");
  boldItalicSymbol.lfWeight = 700;
  boldItalicSymbol.lfItalic = 1;
  const FontFace& symbol = catalog.Resolve(boldItalicSymbol);
  EXPECT_TRUE(symbol.SyntheticBold() && symbol.SyntheticItalic()) << "no such face exists";
  const auto draw = [&](Surface& surface) {
    surface.SetTextAlign(kTaLeft | kTaBaseline);
    surface.SetBackgroundMode(BackgroundMode::kTransparent);
    {
      FontScope font(surface, test::FaceFont("Liberation Serif", 0x00200080), 700);
      surface.TextOut(100, 1200, "Ag(x)");
    }
    {
      FontScope font(surface, boldItalicSymbol, 700);
      surface.TextOut(2200, 1200, "abS");
    }
    {
      PenScope pen(surface, {kPsSolid, 40, 0x00008000});
      BrushScope brush(surface, {kBsSolid, 0x00C0C0FF, 0});
      const Point shape[] = {{200, 200}, {1800, 200}, {1000, 700}};
      surface.Polygon(shape);
      surface.MoveTo({2000, 400});
      surface.LineTo({3800, 400});
    }
  };
  CairoSurface cairo(catalog, frame, {PictureFormat::kSvg, 96, 0x00FFFFFF});
  draw(cairo);
  SvgSurface svg(catalog, frame, Svg(0x00FFFFFF));
  draw(svg);

  const auto rasterize = [&](const std::string& name, auto& surface) {
    const fs::path vector = scratch.Path() / (name + ".svg");
    const fs::path pixels = scratch.Path() / (name + ".png");
    std::string error;
    EXPECT_TRUE(SavePicture(vector, surface.Encode(), error)) << error;
    const std::string command =
        "rsvg-convert --dpi-x 254 --dpi-y 254 -o " + pixels.string() + " " + vector.string();
    EXPECT_EQ(std::system(command.c_str()), 0);
    return pixels;
  };
  const fs::path expected = rasterize("cairo", cairo);
  const fs::path actual = rasterize("direct", svg);
  const fs::path output = fs::path(KALVANE_TEST_OUTPUT_DIR) / "svg_surface";
  EXPECT_TRUE(test::MatchesGoldenFile(expected, output, ReadFile(actual)));
}

TEST_F(SvgSurfaceTest, EachFormatIsMadeByItsSurfaceAndWrittenWhole) {
  const PictureFrame frame{0, 100, 200, 100};
  const DrawPictureContent draw = [](Surface& surface) {
    surface.MoveTo({0, 50});
    surface.LineTo({200, 50});
  };
  const std::string svg = MakePicture(catalog, frame, Svg(), draw);
  EXPECT_TRUE(Contains(svg, "viewBox=\"0 -100 200 100\""));
  EXPECT_TRUE(Contains(svg, "<line x1=\"0\" y1=\"-50\" x2=\"200\" y2=\"-50\""));
  EXPECT_EQ(MakePicture(catalog, frame, {PictureFormat::kPng, 96, std::nullopt}, draw)
                .rfind("\x89PNG", 0),
            0u);
  EXPECT_EQ(
      MakePicture(catalog, frame, {PictureFormat::kPdf, 96, std::nullopt}, draw).rfind("%PDF-", 0),
      0u);

  std::string error;
  const fs::path file = scratch.Path() / "line.svg";
  ASSERT_TRUE(SavePicture(file, svg, error, Durability::kUnflushed)) << error;
  EXPECT_EQ(ReadFile(file), svg);
  const fs::path nowhere = scratch.Path() / "missing" / "line.svg";
  EXPECT_FALSE(SavePicture(nowhere, svg, error));
  EXPECT_TRUE(Contains(error, nowhere.string())) << error;
  EXPECT_THROW(MakePicture(catalog, frame, {PictureFormat::kPng, 0, std::nullopt}, draw),
               PictureError);
  EXPECT_EQ(ReadFile(file), svg);
}

}  // namespace
}  // namespace kv
