// Drawn pictures with the real fonts: the ink of every construct stays inside the box measured
// for it, and a dozen named equations match their golden pictures (tests/golden/).
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/document.h"
#include "options/option_text.h"
#include "render/cairo_surface.h"
#include "render/font_catalog.h"
#include "render/font_surface.h"
#include "support/golden_picture.h"

namespace kv {
namespace {

constexpr double kInkDpi = 150.0;
constexpr double kGoldenDpi = 96.0;
constexpr int kMargin = 500;  // logical units of empty paper around the measured box
// Anti-aliasing and round line caps may colour this many pixels beyond the box.
constexpr int kInkTolerancePixels = 2;
constexpr int kInkAlpha = 64;
constexpr int kPieceDropPixels = 3;

FontCatalog& Catalog() {
  static FontCatalog catalog;
  return catalog;
}

struct Rendered {
  NodeBox box;
  std::string png;
};

// `text` (lines separated by CR LF) drawn with its box's top-left corner kMargin in from the
// picture's top-left corner.
Rendered Render(const std::string& text, double dpi, const std::vector<std::string>& settings = {},
                std::optional<ColorRef> background = std::nullopt) {
  HeadlessHost host;
  KLV300Doc document(host);
  document.OnNewDocument();
  for (const std::string& setting : settings) {
    const std::size_t equals = setting.find('=');
    SetSettingFromText(document.Settings(), setting.substr(0, equals), setting.substr(equals + 1));
  }
  document.SetEquationText(text);
  FontMetricsSurface measuring(Catalog());
  Rendered rendered;
  rendered.box = document.GetDocumentExtent(measuring);
  const PictureFrame frame{-kMargin, kMargin, rendered.box.width + 2 * kMargin,
                           rendered.box.height + 2 * kMargin};
  CairoSurface picture(Catalog(), frame, {PictureFormat::kPng, dpi, background});
  document.DrawDocument(picture, 0, 0);
  rendered.png = picture.Encode();
  return rendered;
}

struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};

// Whether each pixel's alpha reaches kInkAlpha, row by row from the top.
std::vector<std::vector<bool>> InkPixels(const std::string& png) {
  struct Cursor {
    const std::string* bytes;
    std::size_t at;
  } cursor{&png, 0};
  const cairo_read_func_t read = [](void* closure, unsigned char* data, unsigned int length) {
    auto* c = static_cast<Cursor*>(closure);
    if (c->bytes->size() - c->at < length) return CAIRO_STATUS_READ_ERROR;
    std::copy_n(c->bytes->data() + c->at, length, data);
    c->at += length;
    return CAIRO_STATUS_SUCCESS;
  };
  const std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter> image(
      cairo_image_surface_create_from_png_stream(read, &cursor));
  EXPECT_EQ(cairo_surface_status(image.get()), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_format(image.get()), CAIRO_FORMAT_ARGB32);
  const int width = cairo_image_surface_get_width(image.get());
  const int height = cairo_image_surface_get_height(image.get());
  const int stride = cairo_image_surface_get_stride(image.get());
  const unsigned char* data = cairo_image_surface_get_data(image.get());
  std::vector<std::vector<bool>> ink(static_cast<std::size_t>(height),
                                     std::vector<bool>(static_cast<std::size_t>(width)));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t pixel = 0;
      std::copy_n(data + y * stride + x * 4, 4, reinterpret_cast<unsigned char*>(&pixel));
      ink[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] =
          static_cast<int>(pixel >> 24) >= kInkAlpha;
    }
  }
  return ink;
}

// The smallest rectangle holding every inked pixel; empty (all zero) when there are none.
PixelRect InkOf(const std::string& png) {
  const std::vector<std::vector<bool>> pixels = InkPixels(png);
  const int height = static_cast<int>(pixels.size());
  const int width = height > 0 ? static_cast<int>(pixels[0].size()) : 0;
  PixelRect ink{width, height, 0, 0};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!pixels[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]) continue;
      ink.left = std::min(ink.left, x);
      ink.top = std::min(ink.top, y);
      ink.right = std::max(ink.right, x + 1);
      ink.bottom = std::max(ink.bottom, y + 1);
    }
  }
  return ink;
}

// How many separate bands of inked rows the picture has, from top to bottom.
int InkBands(const std::string& png) {
  int bands = 0;
  bool inBand = false;
  for (const std::vector<bool>& row : InkPixels(png)) {
    const bool inked = std::find(row.begin(), row.end(), true) != row.end();
    if (inked && !inBand) ++bands;
    inBand = inked;
  }
  return bands;
}

int Pixels(int units, double dpi) {
  return static_cast<int>(units * dpi / kUnitsPerInch);
}

TEST(DrawnPictures, InkStaysInsideTheMeasuredBox) {
  const std::vector<std::string> equations = {
      "x=(-b+-sqrt(b2-4ac))/2a",
      "1+1/(2+1/(3+1/4))",
      "3root(x+sqrt(x+1))",
      "(a+b)2=a2+2ab+b2",
      "a\\(n+1)=2a\\n+1",
      "int(0,1)x2dx=1/3",
      "sigma(k=0,inf)x^k/(k!)=e^x",
      "product(i=1,n)i=n!",
      "lim(x->0+)1/x=inf",
      "{a+[b-(c+d)]}",
      "((x-h)2)/a2+((y-k)2)/b2=1",
      "(d,-c -b,a)",
      "AB+BC=AC",
      "f(x)=x2\r\nf(x)=-x",
  };
  for (const std::string& text : equations) {
    const Rendered rendered = Render(text, kInkDpi);
    const PixelRect ink = InkOf(rendered.png);
    const int left = Pixels(kMargin, kInkDpi);
    const int top = Pixels(kMargin, kInkDpi);
    const int right = Pixels(kMargin + rendered.box.width, kInkDpi);
    const int bottom = Pixels(kMargin + rendered.box.height, kInkDpi);
    EXPECT_LT(ink.left, ink.right) << text << ": no ink";
    EXPECT_GE(ink.left, left - kInkTolerancePixels) << text;
    EXPECT_GE(ink.top, top - kInkTolerancePixels) << text;
    EXPECT_LE(ink.right, right + kInkTolerancePixels) << text;
    // Brackets built from pieces stand half a descent below their content by rule, about
    // three pixels here; nothing else may reach below the box.
    const bool pieces = text.find('(') != std::string::npos && text.find(',') != std::string::npos;
    EXPECT_LE(ink.bottom, bottom + kInkTolerancePixels + (pieces ? kPieceDropPixels : 0)) << text;
  }
}

// A sum's or product's limits stand clear of the sign: three bands of ink from top to bottom,
// whatever room the symbol font's ascent leaves above the sign.
TEST(DrawnPictures, BigOperatorLimitsStandClearOfTheSign) {
  for (const char* text : {"sigma(k=0,n)", "sigma(k=0,inf)", "product(i=1,n)", "sigma(i=1,N)"}) {
    EXPECT_EQ(InkBands(Render(text, 300.0).png), 3) << text;
  }
}

TEST(DrawnPictures, NamedEquationsMatchTheirGoldenPictures) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> settings;
  };
  const std::vector<Case> cases = {
      {"quadratic", "x=(-b+-sqrt(b2-4ac))/2a", {}},
      {"continued-fraction", "1+1/(2+1/(3+1/4))", {}},
      {"nested-roots", "3root(x+sqrt(x+1))", {}},
      {"powers-subscripts", "a\\(n+1)=a\\n^2+1", {}},
      {"integral-side", "int(0,1)x2dx=1/3", {}},
      {"integral-above", "int(0,1)x2dx=1/3", {"IntegralStyle=1"}},
      {"sum-limit", "sigma(k=1,n)k=n(n+1)/2, lim(x->0)x=0", {}},
      {"matrix-brackets", "A=[1,0 0,1](x,y)", {}},
      {"vectors-arrow", "v=3i+4j, AB", {"DisplayVect=3"}},
      {"vectors-tilde", "v=3i+4j", {"DisplayVect=2"}},
      {"accents-units", "x_=F/m, 0.3:, 24cm3", {}},
      {"several-lines", "f(x)=x2\r\n\r\nf(x)=-3.5", {"RaiseDecimal=1", "NegativeNumberStyle=2"}},
  };
  for (const Case& each : cases) {
    const Rendered rendered = Render(each.text, kGoldenDpi, each.settings, ColorRef{0x00FFFFFF});
    EXPECT_TRUE(test::MatchesGoldenPicture(each.name, rendered.png)) << each.text;
  }
}

}  // namespace
}  // namespace kv
