// kalvane-cli extract: the document a picture Kalvane made carries, written as a .kv3 file.
#include <optional>
#include <string>
#include <vector>

#include "base/safe_save.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "document/compound_file.h"
#include "document/document.h"
#include "document/document_file.h"
#include "embedding/equation_picture.h"
#include "render/picture_metadata.h"

namespace kv::cli {
namespace {

constexpr const char* kSynopsis =
    "extract PICTURE -o FILE.kv3    write the document of the equation a picture carries";

constexpr const char* kHelp =
    "Usage: kalvane-cli extract PICTURE -o FILE.kv3\n"
    "\n"
    "Writes the document a PNG, SVG or WMF picture made by Kalvane carries (its equation's\n"
    "text and settings) as a .kv3 file, byte for byte the document the picture was made of.\n"
    "A picture without an equation, or with a damaged one, is an error and nothing is\n"
    "written. An existing FILE is replaced only once the new one is complete.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the document to write\n";

int RunExtract(std::span<const std::string> args, CommandIo) {
  const Arguments arguments(args, {"-o", "--output"}, {});
  if (arguments.Positional().size() != 1) {
    throw CliError("expects exactly one PICTURE, not " +
                   std::to_string(arguments.Positional().size()));
  }
  const auto output = arguments.Value("-o") ? arguments.Value("-o") : arguments.Value("--output");
  if (!output || output->empty()) throw CliError("name the document to write with -o FILE.kv3");
  const std::string& path = arguments.Positional().front();

  std::optional<std::vector<std::uint8_t>> picture;
  try {
    picture = ReadPictureFile(path);
  } catch (const PictureError& error) {
    throw CliError(path + ": " + error.what());
  }
  if (!picture) throw CliError(path + ": not a picture Kalvane made");
  // The document is read once before it is written, so a damaged one is refused here rather
  // than by the editor that opens it.
  std::string error;
  const std::optional<PictureEquation> equation = ReadPictureEquation(*picture, error);
  if (!equation) throw CliError(path + ": " + error);
  HeadlessHost host;
  KLV300Doc document(host);
  try {
    OpenDocumentBytes(document, equation->document);
  } catch (const StorageError&) {
    throw CliError(path + ": " + kDamagedEquationMessage);
  }
  const std::string bytes(equation->document.begin(), equation->document.end());
  if (!SaveFileReplacing(*output, bytes, error)) throw CliError(*output + ": " + error);
  return 0;
}

}  // namespace

const Command& ExtractCommand() {
  static const Command command{"extract", kSynopsis, kHelp, RunExtract};
  return command;
}

}  // namespace kv::cli
