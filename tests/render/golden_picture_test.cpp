// The golden-picture comparison must fail on real changes, or the picture tests guard nothing.
#include "support/golden_picture.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kv::test {
namespace {

namespace fs = std::filesystem;

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// A white picture with a black square, and optionally `marks` red pixels in its first row.
std::string Picture(int width, int height, int marks = 0, double grey = 0.0) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, grey, grey, grey);
  cairo_rectangle(cr, 10, 10, 20, 20);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 1, 0, 0);
  for (int x = 0; x < marks; ++x) {
    cairo_rectangle(cr, x, 0, 1, 1);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  std::string png;
  cairo_surface_write_to_png_stream(surface, AppendToString, &png);
  cairo_surface_destroy(surface);
  return png;
}

class GoldenPictureTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kalvane-golden-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::ofstream(folder_ / "square.png", std::ios::binary) << Picture(40, 40);
  }
  void TearDown() override { fs::remove_all(folder_); }

  testing::AssertionResult Compare(const std::string& png) {
    return MatchesGoldenFile(folder_ / "square.png", folder_ / "out", png);
  }

  fs::path folder_;
};

TEST_F(GoldenPictureTest, AcceptsTheSamePictureAndAntiAliasingNoise) {
  EXPECT_TRUE(Compare(Picture(40, 40)));
  EXPECT_TRUE(Compare(Picture(40, 40, 0, 0.1))) << "26 levels of grey are within tolerance";
  EXPECT_TRUE(Compare(Picture(40, 40, 4))) << "four stray pixels are allowed";
  EXPECT_FALSE(fs::exists(folder_ / "out"));
}

TEST_F(GoldenPictureTest, RejectsChangesAndLeavesActualAndDiffPictures) {
  EXPECT_FALSE(Compare(Picture(40, 40, 5)));
  EXPECT_TRUE(fs::exists(folder_ / "out" / "square.actual.png"));
  EXPECT_TRUE(fs::exists(folder_ / "out" / "square.diff.png"));
  EXPECT_FALSE(Compare(Picture(40, 40, 0, 0.5))) << "a grey square is not a black one";
  EXPECT_FALSE(Compare(Picture(41, 40))) << "the size differs";
  EXPECT_FALSE(Compare("not a picture"));
  EXPECT_FALSE(MatchesGoldenFile(folder_ / "missing.png", folder_ / "out", Picture(40, 40)));
  EXPECT_TRUE(fs::exists(folder_ / "out" / "missing.actual.png"));
}

}  // namespace
}  // namespace kv::test
