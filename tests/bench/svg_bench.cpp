// What a picture of a typical equation costs once it is measured: the drawing calls of the
// quadratic formula (a dozen strings in three fonts, a root sign, a fraction bar) made on a new
// surface and encoded, with the direct SVG surface and with cairo's SVG; and the cost of writing
// the picture to a file with and without flushing it to the disk, as a batch run pays per
// equation.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "render/cairo_surface.h"
#include "render/picture.h"
#include "render/svg_surface.h"

namespace kv {
namespace {

constexpr int kTextSize = 423;  // 12 points
constexpr int kSmallSize = 296;
constexpr PictureFrame kFrame{0, 1200, 3200, 1600};
constexpr int kWrittenPictures = 2000;  // files left on the disk until the benchmark ends

KVLogFont Font(std::string_view face, bool italic = false) {
  KVLogFont font;
  font.SetFaceName(face);
  font.lfItalic = italic ? 1 : 0;
  return font;
}

void Text(Surface& surface, const KVLogFont& font, int size, int x, int y, std::string_view s) {
  FontScope scope(surface, font, size);
  surface.TextOut(x, y, s);
}

// x = (-b +- sqrt(b^2 - 4ac)) / 2a, laid out by hand as the typesetter would draw it.
void DrawQuadraticFormula(Surface& surface) {
  static const KVLogFont roman = Font("Times New Roman");
  static const KVLogFont italic = Font("Times New Roman", true);
  static const KVLogFont symbol = Font("Symbol");
  surface.SetTextAlign(kTaLeft | kTaBaseline);
  surface.SetBackgroundMode(BackgroundMode::kTransparent);
  Text(surface, italic, kTextSize, 0, 500, "x");
  Text(surface, symbol, kTextSize, 260, 500, "=");
  Text(surface, symbol, kTextSize, 560, 700, "-");
  Text(surface, italic, kTextSize, 800, 700, "b");
  Text(surface, symbol, kTextSize, 1040, 700, "\xB1");
  {
    PenScope pen(surface, {kPsSolid, 20, 0});
    BrushScope brush(surface, {kBsSolid, 0, 0});
    const Point root[] = {{1320, 760}, {1380, 800}, {1460, 620}, {1540, 1000}, {2900, 1000},
                          {2900, 980}, {1555, 980}, {1460, 580}, {1390, 770}};
    surface.Polygon(root);
  }
  Text(surface, italic, kTextSize, 1560, 700, "b");
  Text(surface, roman, kSmallSize, 1780, 860, "2");
  Text(surface, symbol, kTextSize, 1960, 700, "-");
  Text(surface, roman, kTextSize, 2240, 700, "4");
  Text(surface, italic, kTextSize, 2460, 700, "ac");
  {
    PenScope pen(surface, {kPsSolid, 20, 0});
    surface.MoveTo({540, 560});
    surface.LineTo({2920, 560});
  }
  Text(surface, roman, kTextSize, 1500, 200, "2");
  Text(surface, italic, kTextSize, 1720, 200, "a");
}

void BM_DirectSvgPicture(benchmark::State& state) {
  FontCatalog catalog;
  const PictureOptions options{PictureFormat::kSvg, 96, std::nullopt};
  for (auto _ : state) {
    SvgSurface surface(catalog, kFrame, options);
    DrawQuadraticFormula(surface);
    benchmark::DoNotOptimize(surface.Encode().size());
  }
}
BENCHMARK(BM_DirectSvgPicture)->Unit(benchmark::kMicrosecond);

void BM_CairoSvgPicture(benchmark::State& state) {
  FontCatalog catalog;
  const PictureOptions options{PictureFormat::kSvg, 96, std::nullopt};
  for (auto _ : state) {
    CairoSurface surface(catalog, kFrame, options);
    DrawQuadraticFormula(surface);
    benchmark::DoNotOptimize(surface.Encode().size());
  }
}
BENCHMARK(BM_CairoSvgPicture)->Unit(benchmark::kMicrosecond);

// Writing one picture to a new file, as a batch run into an empty folder does. (Replacing a file
// costs more on ext4, which pushes the data of a file renamed over another out at once.)
void BM_WriteDirectSvgPicture(benchmark::State& state) {
  const auto durability = static_cast<Durability>(state.range(0));
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kalvane-svg-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  FontCatalog catalog;
  const PictureOptions options{PictureFormat::kSvg, 96, std::nullopt};
  std::string error;
  int count = 0;
  for (auto _ : state) {
    SvgSurface surface(catalog, kFrame, options);
    DrawQuadraticFormula(surface);
    if (!SavePicture(folder / (std::to_string(++count) + ".svg"), surface.Encode(), error,
                     durability)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  std::filesystem::remove_all(folder);
  state.SetLabel(durability == Durability::kFlushed ? "flushed" : "unflushed");
}
BENCHMARK(BM_WriteDirectSvgPicture)
    ->Arg(static_cast<int>(Durability::kFlushed))
    ->Arg(static_cast<int>(Durability::kUnflushed))
    ->Iterations(kWrittenPictures)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
