// kalvane-cli save: writes a document holding a text and the settings given.
#include <ostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "document/compound_file.h"
#include "document/document.h"
#include "document/document_file.h"

namespace kv::cli {
namespace {

constexpr const char* kSynopsis =
    "save TEXT -o FILE.kv3 [--set KEY=VALUE ...]   write a document holding TEXT";

constexpr const char* kHelp =
    "Usage: kalvane-cli save TEXT -o FILE.kv3 [--options FILE.ini]... [--set KEY=VALUE]...\n"
    "\n"
    "Writes a document (a .kv3 file) holding TEXT and the settings given: the defaults,\n"
    "changed by the section [Options] of each --options file (a later file wins) and then\n"
    "by each --set. A document has twenty lines: TEXT is split at its line breaks, and\n"
    "text beyond the twentieth line stays in the last one. An existing FILE is replaced\n"
    "only once the new one is complete; a failed save leaves it as it was.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the document to write\n"
    "  --options FILE.ini  read the settings of the section [Options] of FILE.ini first\n"
    "  --set KEY=VALUE     change a setting (repeatable), e.g. --set VerticalSpacing=500\n"
    "  --                  end of options: a TEXT that begins with '-' follows\n";

int RunSave(std::span<const std::string> args, CommandIo) {
  const Arguments arguments(args, {"-o", "--output", "--set", "--options"}, {});
  if (arguments.Positional().size() != 1) {
    throw CliError("expects exactly one TEXT, not " +
                   std::to_string(arguments.Positional().size()) +
                   " (quote a text with spaces; an empty text is \"\")");
  }
  const auto output = arguments.Value("-o") ? arguments.Value("-o") : arguments.Value("--output");
  if (!output || output->empty()) throw CliError("name the document to write with -o FILE.kv3");

  // A document made as the editor makes a new one, with the settings given as its defaults.
  HeadlessHost host(SettingsFromArguments(arguments));
  KLV300Doc document(host);
  document.OnNewDocument();
  document.SetEquationText(EquationTextFromArgument(arguments.Positional().front()));
  try {
    SaveDocumentFile(document, *output);
  } catch (const StorageError& error) {
    throw CliError(*output + ": " + error.what() + " (" + error.Detail() + ")");
  }
  return 0;
}

}  // namespace

const Command& SaveCommand() {
  static const Command command{"save", kSynopsis, kHelp, RunSave};
  return command;
}

}  // namespace kv::cli
