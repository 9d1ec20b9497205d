// What a keystroke costs: parsing and measuring typical equations with real fonts, the faces
// already resolved as they are after the first paint. One benchmark per equation of the corpus
// (the median over them is the figure to watch) and one for a twenty-line equation, all of
// whose lines are read and measured again.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "render/font_surface.h"
#include "settings/equation_settings.h"
#include "typeset/measure.h"

namespace kv {
namespace {

constexpr std::array<std::string_view, 12> kCorpus = {
    "x^2+1",
    "x=(-b+-sqrt(b2-4ac))/2a",
    "int(0,1) x^2 dx = 1/3",
    "sigma(i=1,n) i = n(n+1)/2",
    "lim(x->0) sin x/x = 1",
    "(1,2 3,4)(x,y)",
    "e^(i pi)+1=0",
    "root(3,x+1) >= 2",
    "F = m a \"newton\"",
    "sin-1 x + cos^2 th",
    "|AB| = sqrt((x2-x1)^2+(y2-y1)^2)",
    "v = 3.5 km/h",
};

// One font catalog for the whole run, as the program keeps one.
FontCatalog& Catalog() {
  static FontCatalog catalog;
  return catalog;
}

NodeBox ParseAndMeasure(std::string_view text, EquationSettings& settings, Surface& surface) {
  EquationLine line;
  line.Parse(text, settings);
  LineLayout layout;
  return GetExtent(line, layout, surface, settings);
}

void BM_ParseAndMeasure(benchmark::State& state) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  FontMetricsSurface surface(Catalog());
  const std::string_view text = kCorpus[static_cast<std::size_t>(state.range(0))];
  ParseAndMeasure(text, settings, surface);  // resolve the faces once
  for (auto _ : state)
    benchmark::DoNotOptimize(ParseAndMeasure(text, settings, surface));
  state.SetLabel(std::string(text));
}
BENCHMARK(BM_ParseAndMeasure)->DenseRange(0, kCorpus.size() - 1)->Unit(benchmark::kMicrosecond);

// Reading alone, to tell the reader's share from measuring's.
void BM_ParseOnly(benchmark::State& state) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  const std::string_view text = kCorpus[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    EquationLine line;
    line.Parse(text, settings);
    benchmark::DoNotOptimize(line.TopRow().Size());
  }
}
BENCHMARK(BM_ParseOnly)->DenseRange(0, kCorpus.size() - 1)->Unit(benchmark::kMicrosecond);

void BM_TwentyLineEquation(benchmark::State& state) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  FontMetricsSurface surface(Catalog());
  constexpr int kLines = 20;
  for (int i = 0; i < kLines; ++i)
    ParseAndMeasure(kCorpus[i % kCorpus.size()], settings, surface);
  for (auto _ : state) {
    for (int i = 0; i < kLines; ++i) {
      benchmark::DoNotOptimize(ParseAndMeasure(kCorpus[i % kCorpus.size()], settings, surface));
    }
  }
}
BENCHMARK(BM_TwentyLineEquation)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kv
