// kalvane-cli measure: the measured size of each line of an equation, or every node's box.
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "document/document.h"
#include "reader/equation_line.h"
#include "reader/tree_notation.h"
#include "render/font_catalog.h"
#include "render/font_surface.h"
#include "typeset/fixed_metrics_surface.h"
#include "typeset/measure.h"

namespace kv::cli {
namespace {

constexpr const char* kSynopsis =
    "measure TEXT [--metrics fixed] [--boxes]   the measured size of each line of TEXT";

constexpr const char* kHelp =
    "Usage: kalvane-cli measure TEXT [--metrics real|fixed] [--boxes]\n"
    "                           [--options FILE.ini]... [--set KEY=VALUE]...\n"
    "\n"
    "Reads each line of TEXT, measures it and prints one output line per line of TEXT:\n"
    "  width=W height=H align=A\n"
    "the line's width (with its trailing gap), its height, and the height of its baseline\n"
    "above its bottom, in hundredths of a millimetre. When TEXT has several lines, a last\n"
    "output line gives the size of the lines stacked as one picture:\n"
    "  document width=W height=H align=A\n"
    "\n"
    "Options:\n"
    "  --metrics real      measure with the real fonts of the settings (the default)\n"
    "  --metrics fixed     measure with fixed metrics: a font of height S is S high, its\n"
    "                      descent S/5, every character S/2 wide\n"
    "  --boxes             print the tree instead, each node's kind followed by its box\n"
    "                      [width,height,align,adjust,raised]\n"
    "  --options FILE.ini  read the settings of the section [Options] of FILE.ini first\n"
    "  --set KEY=VALUE     change a setting or feature switch (repeatable)\n"
    "  --                  end of options: a TEXT that begins with '-' follows\n";

std::string BoxNotation(const NodeBox& box) {
  return "[" + std::to_string(box.width) + "," + std::to_string(box.height) + "," +
         std::to_string(box.align) + "," + std::to_string(box.adjust) + "," +
         (box.raised ? "1" : "0") + "]";
}

// The surface --metrics asks for, with the font catalog it needs.
struct MeasuringSurface {
  std::unique_ptr<FontCatalog> catalog;
  std::unique_ptr<Surface> surface;
};

MeasuringSurface MakeSurface(const Arguments& arguments) {
  MeasuringSurface made;
  if (FixedMetricsAsked(arguments)) {
    made.surface = std::make_unique<FixedMetricsSurface>(false);
    return made;
  }
  try {
    made.catalog = std::make_unique<FontCatalog>();
  } catch (const FontError& error) {
    throw CliError(std::string("cannot use the system's fonts: ") + error.what());
  }
  made.surface = std::make_unique<FontMetricsSurface>(*made.catalog);
  return made;
}

int RunMeasure(std::span<const std::string> args, CommandIo io) {
  const Arguments arguments(args, {"--set", "--options", "--metrics"}, {"--boxes"});
  EquationSettings settings = SettingsFromArguments(arguments);
  const std::string text = SingleEquationText(arguments);
  const MeasuringSurface measuring = MakeSurface(arguments);
  const bool boxes = arguments.Has("--boxes");

  for (const std::string_view lineText : EquationLines(text)) {
    EquationLine line;
    line.Parse(lineText, settings);
    LineLayout layout;
    const NodeBox extent = GetExtent(line, layout, *measuring.surface, settings);
    if (boxes) {
      io.out << TreeNotation(line.TopRow(), [&layout](const NodeRow& row, int index) {
        return BoxNotation(BoxInRow(layout, row, index));
      }) << '\n';
    } else {
      io.out << "width=" << extent.width << " height=" << extent.height << " align=" << extent.align
             << '\n';
    }
  }
  if (!boxes && EquationLines(text).size() > 1) {
    HeadlessHost host(settings);
    KLV300Doc document(host);
    document.OnNewDocument();
    document.SetEquationText(text);
    const NodeBox extent = document.GetDocumentExtent(*measuring.surface);
    io.out << "document width=" << extent.width << " height=" << extent.height
           << " align=" << extent.align << '\n';
  }
  return 0;
}

}  // namespace

const Command& MeasureCommand() {
  static const Command command{"measure", kSynopsis, kHelp, RunMeasure};
  return command;
}

}  // namespace kv::cli
