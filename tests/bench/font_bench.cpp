// What measuring costs with real fonts: a font selected, its metrics and the extent of a short
// string, once with a new catalog (fontconfig loaded, the face resolved and opened) and once
// with the faces already resolved, as for every node after the first. Also the cost of a small
// picture, which a batch run pays per equation.
#include <benchmark/benchmark.h>

#include "render/cairo_surface.h"
#include "render/font_surface.h"

namespace kv {
namespace {

KVLogFont Font(std::string_view face, int weight = 400) {
  KVLogFont font;
  font.SetFaceName(face);
  font.lfWeight = weight;
  return font;
}

void MeasureOnce(Surface& surface, const KVLogFont& font) {
  FontScope scope(surface, font, 400);
  benchmark::DoNotOptimize(surface.GetTextMetrics());
  benchmark::DoNotOptimize(surface.GetTextExtent("sin x+1"));
}

// Loading the fontconfig configuration alone, the part of a cold start that is not the face.
void BM_CatalogStart(benchmark::State& state) {
  for (auto _ : state) {
    FontCatalog catalog;
    benchmark::DoNotOptimize(catalog.LoadedFaceCount());
  }
}
BENCHMARK(BM_CatalogStart)->Unit(benchmark::kMillisecond);

void BM_MetricsAndExtentCold(benchmark::State& state) {
  for (auto _ : state) {
    FontCatalog catalog;
    FontMetricsSurface surface(catalog);
    MeasureOnce(surface, Font("Arial"));
  }
}
BENCHMARK(BM_MetricsAndExtentCold)->Unit(benchmark::kMillisecond);

void BM_MetricsAndExtentCached(benchmark::State& state) {
  FontCatalog catalog;
  FontMetricsSurface surface(catalog);
  const KVLogFont arial = Font("Arial");
  MeasureOnce(surface, arial);
  for (auto _ : state)
    MeasureOnce(surface, arial);
}
BENCHMARK(BM_MetricsAndExtentCached);

// Nodes of an equation alternate between faces: text, Symbol, bold Symbol.
void BM_MetricsAndExtentCachedMixedFaces(benchmark::State& state) {
  FontCatalog catalog;
  FontMetricsSurface surface(catalog);
  const KVLogFont fonts[] = {Font("Arial"), Font("Symbol"), Font("Symbol", 700)};
  for (const KVLogFont& font : fonts)
    MeasureOnce(surface, font);
  for (auto _ : state)
    for (const KVLogFont& font : fonts)
      MeasureOnce(surface, font);
  state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_MetricsAndExtentCachedMixedFaces);

void DrawPicture(FontCatalog& catalog, PictureFormat format) {
  CairoSurface surface(catalog, {0, 600, 2000, 600}, {format, 96, std::nullopt});
  surface.SetTextAlign(kTaLeft | kTaBottom);
  surface.SetBackgroundMode(BackgroundMode::kTransparent);
  {
    FontScope font(surface, Font("Arial"), 400);
    surface.TextOut(0, 100, "sin x+1");
  }
  {
    FontScope font(surface, Font("Symbol"), 400);
    surface.TextOut(1400, 100, "p");
  }
  PenScope pen(surface, {kPsGeometric | kPsInsideFrame, 25, 0});
  surface.MoveTo({0, 50});
  surface.LineTo({2000, 50});
  benchmark::DoNotOptimize(surface.Encode().size());
}

void BM_SmallPicture(benchmark::State& state) {
  FontCatalog catalog;
  const auto format = static_cast<PictureFormat>(state.range(0));
  DrawPicture(catalog, format);
  for (auto _ : state)
    DrawPicture(catalog, format);
}
BENCHMARK(BM_SmallPicture)
    ->Arg(static_cast<int>(PictureFormat::kPng))
    ->Arg(static_cast<int>(PictureFormat::kSvg))
    ->Arg(static_cast<int>(PictureFormat::kPdf))
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
