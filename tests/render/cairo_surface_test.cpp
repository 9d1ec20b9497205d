#include "render/cairo_surface.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>

#include "render/picture.h"
#include "render/sfnt_reader.h"
#include "support/log_font.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

// A decoded PNG with its pixels as 0xAARRGGBB (colour premultiplied by alpha).
class Picture {
 public:
  explicit Picture(const std::string& png) : png_(png) {
    image_.reset(cairo_image_surface_create_from_png_stream(Read, this));
  }
  bool Valid() const { return cairo_surface_status(image_.get()) == CAIRO_STATUS_SUCCESS; }
  int Width() const { return cairo_image_surface_get_width(image_.get()); }
  int Height() const { return cairo_image_surface_get_height(image_.get()); }
  std::uint32_t At(int x, int y) const {
    const unsigned char* row = cairo_image_surface_get_data(image_.get()) +
                               y * cairo_image_surface_get_stride(image_.get());
    return reinterpret_cast<const std::uint32_t*>(row)[x];
  }
  int Alpha(int x, int y) const { return At(x, y) >> 24; }

 private:
  static cairo_status_t Read(void* self, unsigned char* data, unsigned int length) {
    auto* picture = static_cast<Picture*>(self);
    if (picture->read_ + length > picture->png_.size()) return CAIRO_STATUS_READ_ERROR;
    std::copy_n(picture->png_.data() + picture->read_, length, data);
    picture->read_ += length;
    return CAIRO_STATUS_SUCCESS;
  }
  struct Deleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  };
  std::string png_;
  std::size_t read_ = 0;
  std::unique_ptr<cairo_surface_t, Deleter> image_;
};

// The bounding rectangle of every pixel with any ink, in pixels.
struct InkBounds {
  int left = std::numeric_limits<int>::max(), top = std::numeric_limits<int>::max();
  int right = -1, bottom = -1;
};
InkBounds FindInk(const Picture& picture) {
  InkBounds ink;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      if (picture.Alpha(x, y) > 0) {
        ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
      }
  return ink;
}

class CairoSurfaceTest : public ::testing::Test {
 protected:
  // At 254 dpi a pixel is 10 logical units (0.1 mm).
  static PictureOptions Png(double dpi = 254) { return {PictureFormat::kPng, dpi, std::nullopt}; }

  FontCatalog catalog;
};

TEST_F(CairoSurfaceTest, PicturesHaveTheirTrueSize) {
  {
    // 25.4 mm x 12.7 mm at 100 dpi: 100 x 50 pixels, 3937 pixels per metre.
    CairoSurface surface(catalog, {0, 1270, 2540, 1270}, Png(100));
    const std::string& png = surface.Encode();
    ASSERT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(BigEndian32(png, 16), 100u);
    EXPECT_EQ(BigEndian32(png, 20), 50u);
    ASSERT_EQ(png.substr(37, 4), "pHYs");
    EXPECT_EQ(BigEndian32(png, 33), 9u);
    EXPECT_EQ(BigEndian32(png, 41), 3937u);
    EXPECT_EQ(BigEndian32(png, 45), 3937u);
    EXPECT_EQ(png[49], 1) << "the unit is the metre";
    const auto* chunk = reinterpret_cast<const Bytef*>(png.data() + 37);
    EXPECT_EQ(BigEndian32(png, 50), crc32(0, chunk, 4 + 9));
    const Picture decoded(png);
    ASSERT_TRUE(decoded.Valid());
    EXPECT_EQ(decoded.Width(), 100);
  }
  {
    // Partial pixels round up; an empty frame still makes one pixel.
    CairoSurface narrow(catalog, {0, 0, 1, 1001}, Png());
    EXPECT_EQ(narrow.DeviceWidth(), 1);
    EXPECT_EQ(narrow.DeviceHeight(), 101);
    CairoSurface empty(catalog, {0, 0, 0, -5}, Png());
    const Picture decoded(empty.Encode());
    EXPECT_EQ(decoded.Width(), 1);
    EXPECT_EQ(decoded.Height(), 1);
  }
  {
    // Vector pictures in points: 2540 units are 72 points.
    CairoSurface svg(catalog, {0, 1270, 2540, 1270}, {PictureFormat::kSvg, 0, std::nullopt});
    EXPECT_NE(svg.Encode().find("width=\"72pt\" height=\"36pt\""), std::string::npos);
    CairoSurface pdf(catalog, {0, 1270, 2540, 1270}, {PictureFormat::kPdf, 0, std::nullopt});
    const std::string& bytes = pdf.Encode();
    EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);
    EXPECT_NE(bytes.find("/MediaBox [ 0 0 72 36 ]"), std::string::npos);
  }
  for (double dpi : {0.0, -96.0, 20000.0, std::nan("")})
    EXPECT_THROW(CairoSurface(catalog, {0, 0, 100, 100}, Png(dpi)), PictureError) << dpi;
  // A metre square at 600 dpi would take gigabytes.
  EXPECT_THROW(CairoSurface(catalog, {0, 0, 100000, 100000}, Png(600)), PictureError);
}

TEST_F(CairoSurfaceTest, TextInkStaysInsideItsMeasuredBox) {
  CairoSurface surface(catalog, {0, 2000, 3000, 2000}, Png());
  surface.SetTextAlign(kTaLeft | kTaBottom);
  surface.SetBackgroundMode(BackgroundMode::kTransparent);
  FontScope font(surface, test::FaceFont("Arial", 0x000000FF), 400);
  const TextExtent extent = surface.GetTextExtent("Hxgjf");
  surface.TextOut(500, 1000, "Hxgjf");
  const Picture picture(surface.Encode());
  const InkBounds ink = FindInk(picture);
  // The box in pixels: x from 50 to (500 + width) / 10; y down from (2000 - top) / 10.
  EXPECT_GE(ink.left, 50 - 1);
  EXPECT_LE(ink.right, (500 + extent.width) / 10 + 1);
  EXPECT_GE(ink.top, (2000 - (1000 + extent.height)) / 10 - 1);
  EXPECT_LE(ink.bottom, (2000 - 1000) / 10 + 1);
  EXPECT_GT(ink.right - ink.left, extent.width / 10 * 8 / 10) << "the ink spans the box";
  // Fully covered pixels have the text colour, red.
  bool sawRed = false;
  for (int y = ink.top; y <= ink.bottom; ++y)
    for (int x = ink.left; x <= ink.right; ++x)
      if (picture.Alpha(x, y) == 255) {
        EXPECT_EQ(picture.At(x, y), 0xFFFF0000u);
        sawRed = true;
      }
  EXPECT_TRUE(sawRed);
}

TEST_F(CairoSurfaceTest, CapitalsStandOnTheBaselineWithYUpward) {
  // "H" has no descender: its ink runs from the baseline up to the cap height.
  CairoSurface surface(catalog, {0, 1000, 1000, 1000}, Png());
  surface.SetTextAlign(kTaLeft | kTaBaseline);
  surface.SetBackgroundMode(BackgroundMode::kTransparent);
  FontScope font(surface, test::FaceFont("Arial"), 400);
  surface.TextOut(100, 300, "H");
  const test::SfntReader file(catalog.Resolve(test::FaceFont("Arial")).FilePath());
  const double capHeight = file.CapHeight() * 400.0 / file.UnitsPerEm();  // 275.2 for 1409
  const InkBounds ink = FindInk(Picture(surface.Encode()));
  // Pixel rows grow downward: the baseline at y = 300 is row 70, the cap height row 42.5.
  EXPECT_NEAR(ink.bottom + 1, 70, 1);
  EXPECT_NEAR(ink.top, (1000 - 300 - capHeight) / 10, 1);
}

TEST_F(CairoSurfaceTest, UnderlinesAndStrikesOutAcrossTheBox) {
  // Spaces have no ink of their own: what is drawn is the line. The font file gives the top of
  // each line and its thickness (post table for the underline, OS/2 for the strike-out).
  const test::SfntReader file(catalog.Resolve(test::FaceFont("Arial")).FilePath());
  const double toUnits = 400.0 / file.UnitsPerEm();
  const struct {
    bool underline;
    double top, thickness;
  } lines[] = {
      {true, file.S16("post", 8) * toUnits, file.S16("post", 10) * toUnits},
      {false, file.S16("OS/2", 28) * toUnits, file.S16("OS/2", 26) * toUnits},
  };
  for (const auto& line : lines) {
    CairoSurface surface(catalog, {0, 1000, 1000, 1000}, Png());
    surface.SetTextAlign(kTaLeft | kTaBaseline);
    surface.SetBackgroundMode(BackgroundMode::kTransparent);
    KVLogFont font = test::FaceFont("Arial");
    (line.underline ? font.lfUnderline : font.lfStrikeOut) = 1;
    FontScope scope(surface, font, 400);
    const int width = surface.GetTextExtent("    ").width;
    surface.TextOut(100, 500, "    ");
    const InkBounds ink = FindInk(Picture(surface.Encode()));
    // Rows grow downward from y = 1000; the baseline is row 50.
    EXPECT_NEAR(ink.top, (500 - line.top) / 10, 1) << line.underline;
    EXPECT_NEAR(ink.bottom + 1, (500 - line.top + line.thickness) / 10, 1) << line.underline;
    EXPECT_NEAR(ink.left, 10, 1);
    EXPECT_NEAR(ink.right + 1, (100 + width) / 10.0, 1);
  }
}

TEST_F(CairoSurfaceTest, DrawsLinesAndPolygonsWithPensAndBrushes) {
  CairoSurface surface(catalog, {0, 1000, 1000, 1000}, Png());
  {
    // A blue line 100 units (10 pixels) thick along y = 500 (row 50), with round caps.
    PenScope pen(surface, {kPsGeometric | kPsInsideFrame, 100, 0x00FF0000});
    surface.MoveTo({100, 500});
    surface.LineTo({800, 500});
  }
  {
    PenScope pen(surface, {kPsNull, 1, 0});
    surface.MoveTo({100, 900});
    surface.LineTo({900, 900});  // draws nothing
    // A green triangle without an outline.
    BrushScope brush(surface, {kBsSolid, 0x0000FF00, 0});
    const Point triangle[] = {{100, 100}, {400, 100}, {100, 400}};
    surface.Polygon(triangle);
  }
  {
    // An outline without a fill.
    PenScope pen(surface, {kPsSolid, 20, 0});
    BrushScope brush(surface, {kBsNull, 0, 0});
    const Point square[] = {{600, 100}, {900, 100}, {900, 400}, {600, 400}};
    surface.Polygon(square);
  }
  const Picture picture(surface.Encode());
  for (int row = 46; row <= 54; ++row)
    EXPECT_EQ(picture.At(50, row), 0xFF0000FFu) << "line row " << row;
  EXPECT_EQ(picture.Alpha(50, 43), 0);
  EXPECT_EQ(picture.Alpha(50, 57), 0);
  EXPECT_EQ(picture.Alpha(83, 50), 255) << "round cap beyond the end";
  EXPECT_EQ(picture.Alpha(87, 50), 0);
  EXPECT_EQ(picture.Alpha(50, 10), 0) << "null pen";
  EXPECT_EQ(picture.At(15, 85), 0xFF00FF00u) << "inside the triangle";
  EXPECT_EQ(picture.Alpha(35, 65), 0) << "beyond its slanted edge";
  EXPECT_EQ(picture.Alpha(75, 75), 0) << "unfilled square";
  EXPECT_EQ(picture.At(60, 75), 0xFF000000u) << "its left edge";
}

TEST_F(CairoSurfaceTest, DashesAndHatchesLeaveGaps) {
  CairoSurface surface(catalog, {0, 1000, 1000, 1000}, Png());
  {
    PenScope pen(surface, {kPsGeometric | kPsDash, 1, 0});
    surface.MoveTo({0, 955});  // a pixel thick: row 4 exactly
    surface.LineTo({1000, 955});
  }
  {
    // A vertical hatch: lines at x = 200, 400, ... inside a square from 100 to 500.
    PenScope pen(surface, {kPsNull, 1, 0});
    BrushScope brush(surface, {kBsHatched, 0, kHsVertical});
    const Point square[] = {{100, 100}, {500, 100}, {500, 500}, {100, 500}};
    surface.Polygon(square);
  }
  const Picture picture(surface.Encode());
  int inked = 0;
  for (int x = 0; x < 100; ++x)
    inked += picture.Alpha(x, 4) > 128;
  EXPECT_GT(inked, 50);
  EXPECT_LT(inked, 90);
  // The pixel-wide line at x = 200 straddles columns 19 and 20.
  EXPECT_GT(picture.Alpha(19, 70) + picture.Alpha(20, 70), 200) << "hatch line at x = 200";
  EXPECT_EQ(picture.Alpha(30, 70), 0) << "between hatch lines";
  EXPECT_EQ(picture.Alpha(60, 70), 0) << "outside the square";
}

TEST_F(CairoSurfaceTest, PaintsBackgroundsAndOpaqueText) {
  {
    CairoSurface surface(catalog, {0, 1000, 1000, 1000}, {PictureFormat::kPng, 254, 0x00336699});
    EXPECT_EQ(Picture(surface.Encode()).At(0, 0), 0xFF996633u);
  }
  CairoSurface surface(catalog, {0, 1000, 1000, 1000}, Png());
  surface.SetTextAlign(kTaLeft | kTaBottom);
  FontScope font(surface, test::FaceFont("Arial"), 400);
  surface.TextOut(100, 100, "_");  // opaque: the whole box turns white
  const Picture picture(surface.Encode());
  EXPECT_EQ(picture.Alpha(0, 0), 0) << "transparent background";
  EXPECT_EQ(picture.At(11, 60), 0xFFFFFFFFu) << "the upper part of the box, no glyph there";
}

TEST_F(CairoSurfaceTest, WritesFilesSafely) {
  std::string pattern = (fs::temp_directory_path() / "kalvane-render-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path folder = pattern;
  CairoSurface surface(catalog, {0, 500, 500, 500}, Png());
  PenScope pen(surface, {kPsSolid, 50, 0});
  surface.MoveTo({0, 0});
  surface.LineTo({500, 500});
  std::string error;
  ASSERT_TRUE(SavePicture(folder / "line.png", surface.Encode(), error)) << error;
  const std::string bytes = surface.Encode();
  std::ifstream in(folder / "line.png", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
  surface.LineTo({0, 500});  // after encoding, drawing changes nothing
  EXPECT_EQ(surface.Encode(), bytes);
  EXPECT_TRUE(SavePicture(folder / "line.png", surface.Encode(), error)) << "overwrites: " << error;

  EXPECT_FALSE(SavePicture(folder / "missing" / "line.png", surface.Encode(), error));
  EXPECT_NE(error.find("line.png"), std::string::npos) << error;
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
      << "no temporary file is left behind";
  fs::remove_all(folder);
}

}  // namespace
}  // namespace kv
