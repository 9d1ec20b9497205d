// kalvane-cli convert: an equation (text, a .kv3 document or a picture carrying one) as MathML
// or LaTeX.
#include <ostream>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/markup_output.h"
#include "document/document.h"

namespace kv::cli {
namespace {

constexpr const char* kSynopsis =
    "convert TEXT|FILE.kv3 --to mathml|latex  write an equation as MathML or LaTeX";

constexpr const char* kHelp =
    "Usage: kalvane-cli convert TEXT --to mathml|latex [--style plain|kalvane]\n"
    "                           [--invisible-times] [--options FILE.ini]... [--set KEY=VALUE]...\n"
    "       kalvane-cli convert FILE.kv3|PICTURE --to mathml|latex [...]\n"
    "\n"
    "Writes the equation as presentation MathML (one <math> element) or as LaTeX, on one line.\n"
    "The markup has the structure Kalvane draws: fractions, roots, scripts, stretched brackets,\n"
    "integrals, sums and limits with their limits, matrices, accents, vectors, text, and the\n"
    "lines of the equation as a table of lines. It does not carry Kalvane's spacing, sizes or\n"
    "colours, and adds no meaning the equation does not hold. A document (or a picture Kalvane\n"
    "made, which carries its equation) is written with its own settings.\n"
    "\n"
    "Options:\n"
    "  --to mathml|latex   the markup to write\n"
    "  --style plain       leave letters, words and numbers to the consumer's own style\n"
    "                      (the default; units stay upright, bold vectors bold)\n"
    "  --style kalvane     upright, italic and bold as Kalvane's settings set them\n"
    "  --invisible-times   MathML: an invisible times (U+2062) between operands set side by\n"
    "                      side, for screen readers\n"
    "  --options FILE.ini  read the settings of the section [Options] of FILE.ini first\n"
    "  --set KEY=VALUE     change a setting or feature switch (repeatable)\n"
    "  --                  end of options: a TEXT that begins with '-' follows\n";

MarkupLanguage LanguageFrom(const Arguments& arguments) {
  const std::optional<std::string> to = arguments.Value("--to");
  if (!to) throw CliError("convert needs --to mathml or --to latex");
  if (*to == "mathml") return MarkupLanguage::kMathML;
  if (*to == "latex") return MarkupLanguage::kLatex;
  throw CliError("--to takes mathml or latex, not \"" + *to + "\"");
}

int RunConvert(std::span<const std::string> args, CommandIo io) {
  const Arguments arguments(args, {"--set", "--options", "--to", "--style"}, {"--invisible-times"});
  const MarkupLanguage language = LanguageFrom(arguments);
  const MarkupOptions options = MarkupOptionsFromArguments(arguments);
  const EquationSettings settings = SettingsFromArguments(arguments);
  if (arguments.Positional().size() == 1 && NamesDocument(arguments.Positional()[0])) {
    HeadlessHost host(settings);
    KLV300Doc document(host);
    document.OnNewDocument();
    OpenDocumentOrPicture(document, arguments.Positional()[0]);
    io.out << MarkupOf(document, language, options) << '\n';
    return 0;
  }
  io.out << MarkupOf(SingleEquationText(arguments), settings, language, options) << '\n';
  return 0;
}

}  // namespace

const Command& ConvertCommand() {
  static const Command command{"convert", kSynopsis, kHelp, RunConvert};
  return command;
}

}  // namespace kv::cli
