// Typesetting follows the size of the text: a megabyte line of any one construct, which nests as
// deep as the text is long or makes the most nodes per byte, is read, measured and drawn within
// a bounded number of heap bytes per byte of text, and never changes its tree on the way.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "settings/equation_settings.h"
#include "support/allocation_probe.h"
#include "support/sanitizer.h"
#include "typeset/draw.h"
#include "typeset/fixed_metrics_surface.h"
#include "typeset/measure.h"

namespace kv {
namespace {

using test::kSanitized;

// The sanitizer build runs tens of times slower; an eighth still nests a hundred thousand deep.
constexpr std::size_t kLineBytes = kSanitized ? (1 << 20) / 8 : 1 << 20;

// What a line may hold at once per byte of its text, tree, boxes and the walks' stacks
// together. The worst construct, ",", ends as three nodes a byte (a column, its operand's
// bracket and the space in it).
constexpr std::size_t kHeapBytesPerByte = 256;

std::string Repeated(std::string_view construct) {
  std::string text;
  text.reserve(kLineBytes);
  while (text.size() + construct.size() <= kLineBytes)
    text += construct;
  return text;
}

TEST(LongLines, EveryConstructIsTypesetWithinItsBytesPerByte) {
  EquationSettings settings;
  settings.ResetToDefaults(".");
  FixedMetricsSurface surface(false);
  const std::size_t start = test::LiveHeapBytes();
  for (const std::string_view construct :
       {"a",  ",",  "1/",  "x^",        "a\\",  "(",  "|",      "^",  "sqrt(", "\"", "root",
        "x2", "sr", "(,)", "(1,2 3,4)", "int(", "[|", "sin-1 ", "AB", "a:",    "-->"}) {
    SCOPED_TRACE(construct);
    const std::string text = Repeated(construct);
    test::ResetPeakHeapBytes();
    const std::size_t before = test::LiveHeapBytes();
    {
      EquationLine line;
      line.Parse(text, settings);
      LineLayout layout;
      const NodeBox extent = GetExtent(line, layout, surface, settings);
      EXPECT_GE(extent.width, 0);
      DrawEquation(line, layout, surface, 0, 0, settings);
    }
    const std::size_t peak = test::PeakHeapBytes() - before;
    EXPECT_LE(peak, kHeapBytesPerByte * text.size())
        << peak / static_cast<double>(text.size()) << " bytes per byte";
    // All of it given back, but for the small blocks the reader keeps for its next parse.
    constexpr std::size_t kKeptForReuse = 1 << 20;
    EXPECT_LE(test::LiveHeapBytes(), start + text.capacity() + kKeptForReuse);
  }
}

}  // namespace
}  // namespace kv
