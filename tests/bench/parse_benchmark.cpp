// The time to read one typical equation line into its tree, from text to levels.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "settings/equation_settings.h"

namespace {

constexpr std::array<std::string_view, 20> kTypicalLines = {"x=(-b+-sqrt(b^2-4ac))/2a",
                                                            "sin^2 x+cos^2 x=1",
                                                            "int(0,1)x^2 dx",
                                                            "sigma(i=1,n)i=n(n+1)/2",
                                                            "|[1,2 3,4]|",
                                                            "3root(x+1)",
                                                            "e^(i pi)+1=0",
                                                            "lim(x->0+)1/x",
                                                            "F=6.67E-11 m1 m2/r2",
                                                            "a=2i+3j-k",
                                                            "AB+BC=AC",
                                                            "(a+b)2=a2+2ab+b2",
                                                            "log2 8=3",
                                                            "[x2/2]^1,0",
                                                            "0.3:=1/3",
                                                            "v=\"speed\" t",
                                                            "1,-2,3/4",
                                                            "y=mx+c",
                                                            "sqrt x/y",
                                                            "qf"};

// Each iteration reads one line of the corpus, in turn; the same line object is asked to
// rebuild, as the document does after a change of settings.
void ParseTypicalLine(benchmark::State& state) {
  kv::EquationSettings settings;
  settings.ResetToDefaults(".");
  kv::EquationLine line;
  std::size_t next = 0;
  for (auto _ : state) {
    line.MarkForRebuild();
    line.Parse(kTypicalLines[next], settings);
    benchmark::DoNotOptimize(line.TopRow().Size());
    next = (next + 1) % kTypicalLines.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ParseTypicalLine);

// The tokenizing steps alone, to tell the building passes' share of a parse.
void TokenizeTypicalLine(benchmark::State& state) {
  kv::EquationSettings settings;
  settings.ResetToDefaults(".");
  kv::EquationLine line;
  std::size_t next = 0;
  for (auto _ : state) {
    line.Tokenize(kTypicalLines[next], settings);
    benchmark::DoNotOptimize(line.TopRow().Size());
    next = (next + 1) % kTypicalLines.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TokenizeTypicalLine);

}  // namespace
