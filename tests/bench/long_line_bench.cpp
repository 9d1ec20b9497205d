// One line of a megabyte, typeset as a whole: parse, measure and draw with the real fonts (on a
// surface that measures with them and paints nothing, so no picture's pixels count). Each case is
// one construct repeated, plain letters (the yardstick: every construct should take at most
// twenty times their time), or random text from the parse fuzzer's dictionary.
//
// Counters: `peak_per_byte` is the most heap the typesetting held at once above what it started
// with, per byte of text; `nodes_per_byte` the nodes the parse made.
//   build/tests/bench/long_line_bench --benchmark_filter=... [--benchmark_repetitions=3]
#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "render/font_catalog.h"
#include "render/font_surface.h"
#include "settings/equation_settings.h"
#include "support/allocation_probe.h"
#include "typeset/draw.h"
#include "typeset/measure.h"

namespace {

constexpr std::size_t kLineBytes = 1 << 20;

struct Case {
  std::string_view name;
  std::string_view construct;  // empty: random dictionary text
};

// The constructs that nest as deep as the text is long or make the most nodes per byte.
constexpr std::array<Case, 18> kCases{{
    {"letters", "a"},
    {"comma", ","},
    {"fraction", "1/"},
    {"power", "x^"},
    {"subscript", "a\\"},
    {"open", "("},
    {"bar", "|"},
    {"caret", "^"},
    {"sqrt", "sqrt("},
    {"quote", "\""},
    {"root", "root"},
    {"implicit", "x2"},
    {"sr", "sr"},
    {"pairs", "(,)"},
    {"matrix", "(1,2 3,4)"},
    {"integral", "int("},
    {"double_bar", "[|"},
    {"random", ""},
}};

// Keys of the equation syntax (as in tests/fuzz/parse.dict) and single characters.
constexpr std::array<std::string_view, 64> kPieces = {
    "sqrt", "sr", "root", "sin", "sin-1", "log", "int", "sigma", "lim", "^",  "\\",  "/", "/ ",
    ",",    ";",  "(",    ")",   "[",     "]",   "{",   "}",     "|",   "|[", "]|",  "E", "E-",
    "::",   ":",  " :",   "^^",  "_",     "+-",  "-->", "<--",   "<->", "->", "=",   "*", "-",
    "+",    " ",  "\"",   "pi",  "AB",    "ijk", "xyz", "qf",    "xx",  "cm", "0.5", "1", "2",
    "x",    "y",  "a",    "b",   "n",     "i",   "k",   ".",     ">=",  "<=", "3",   "z"};

std::string LineOf(const Case& c) {
  std::string text;
  text.reserve(kLineBytes);
  if (!c.construct.empty()) {
    while (text.size() + c.construct.size() <= kLineBytes)
      text += c.construct;
    return text;
  }
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() - 1);
  while (text.size() < kLineBytes)
    text += kPieces[pick(random)];
  text.resize(kLineBytes);
  return text;
}

kv::FontCatalog& Catalog() {
  static kv::FontCatalog catalog;
  return catalog;
}

void TypesetLongLine(benchmark::State& state) {
  const Case& c = kCases[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(c.name));
  const std::string text = LineOf(c);
  kv::EquationSettings settings;
  settings.ResetToDefaults(".");
  kv::FontMetricsSurface surface(Catalog());
  std::size_t nodes = 0;
  std::size_t peak = 0;
  for (auto _ : state) {
    kv::test::ResetPeakHeapBytes();
    const std::size_t before = kv::test::LiveHeapBytes();
    {
      kv::EquationLine line;
      line.Parse(text, settings);
      kv::LineLayout layout;
      benchmark::DoNotOptimize(kv::GetExtent(line, layout, surface, settings));
      kv::DrawEquation(line, layout, surface, 0, 0, settings);
      nodes = line.NodeCount();
    }
    peak = kv::test::PeakHeapBytes() - before;
  }
  state.counters["peak_per_byte"] = static_cast<double>(peak) / static_cast<double>(text.size());
  state.counters["nodes_per_byte"] = static_cast<double>(nodes) / static_cast<double>(text.size());
}

BENCHMARK(TypesetLongLine)
    ->DenseRange(0, static_cast<int>(kCases.size()) - 1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
