// Parses, measures and draws arbitrary bytes on the fixed-metrics surface. The first byte picks
// settings to stress (extreme sizes and spacings, the other integral style, no tab width); the
// rest is the equation text. Whatever the text, measuring must finish, give a box that is not
// negative, and measure nothing the second time; drawing must finish too, and neither may change
// the tree.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "settings/equation_settings.h"
#include "typeset/draw.h"
#include "typeset/fixed_metrics_surface.h"
#include "typeset/measure.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void Configure(kv::EquationSettings& settings, std::uint8_t choice) {
  settings.ResetToDefaults(".");
  if (choice & 1) settings.Font.Current().size = INT_MAX;
  if (choice & 2) settings.IntegralStyle.Set(1);
  if (choice & 4) settings.TabWidth.Set(choice & 8 ? 0 : 1);
  if (choice & 16) {
    settings.MatrixHorizontalSpacing.Set(10000);
    settings.MatrixVerticalSpacing.Set(10000);
    settings.FractionGap.Set(200);
    settings.SqrtGap.Set(500);
  }
  if (choice & 32) {
    settings.FracLevelRatio.Set(1.0);
    settings.PowerLevelRatio.Set(1.0);
  }
  if (choice & 64) settings.Font.Current().size = -400;
  if (choice & 128) {
    settings.RaiseDecimal.Set(true);
    settings.NegativeNumberStyle.Set(2);
    settings.DisplayVect.Set(3);
    settings.MatrixAlign.Set(2);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  kv::EquationSettings settings;
  Configure(settings, data[0]);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  kv::FixedMetricsSurface surface(false);
  kv::EquationLine line;
  line.Parse(text, settings);
  const std::string read = kv::TreeNotation(line.TopRow());
  kv::LineLayout layout;
  const kv::NodeBox extent = kv::GetExtent(line, layout, surface, settings);
  Check(extent.width >= 0 && extent.height >= 0);
  Check(kv::GetExtent(line, layout, surface, settings) == extent);
  kv::DrawEquation(line, layout, surface, 0, 0, settings);
  Check(kv::TreeNotation(line.TopRow()) == read);
  return 0;
}
