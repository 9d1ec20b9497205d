// kalvane-cli info: what a document holds, its lines and the settings it changes; for a picture,
// what the document of the equation it carries holds.
#include <cstdio>
#include <filesystem>
#include <ostream>

#include "base/windows1252.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "document/document.h"
#include "options/option_text.h"

namespace kv::cli {
namespace {

constexpr const char* kSynopsis =
    "info FILE.kv3|PICTURE   show the lines and settings of a document or of a picture's equation";

constexpr const char* kHelp =
    "Usage: kalvane-cli info FILE.kv3\n"
    "       kalvane-cli info PICTURE\n"
    "\n"
    "Prints what a document holds: each line that is not empty as \"Line N: TEXT\", N\n"
    "counting from 1 to 20, then every setting that differs from the defaults as\n"
    "KEY=VALUE in the configuration file's text forms. Control characters, such as the\n"
    "line breaks that the twentieth line keeps of text beyond it, show as \\xHH.\n"
    "Documents of the older flat layout are read too.\n"
    "\n"
    "A PNG, SVG or WMF picture written by Kalvane (told by its content, whatever its\n"
    "name) shows the document of the equation it carries; a picture without one, or\n"
    "with a damaged one, is an error.\n";

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

// UTF-8 for the terminal; control characters escaped, so that nothing read from a file can
// break a line of the output.
std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < kFirstPrintable || byte == kDelete) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    } else {
      out += Windows1252ToUtf8(std::string_view(&c, 1));
    }
  }
  return out;
}

int RunInfo(std::span<const std::string> args, CommandIo io) {
  const Arguments arguments(args, {}, {});
  if (arguments.Positional().size() != 1) {
    throw CliError("expects exactly one FILE, not " +
                   std::to_string(arguments.Positional().size()));
  }
  const std::string& path = arguments.Positional().front();
  HeadlessHost host;
  KLV300Doc document(host);
  OpenDocumentOrPicture(document, path);

  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i) {
    const std::string& line = document.EquationList().Line(i);
    if (!line.empty()) io.out << "Line " << i + 1 << ": " << Printable(line) << "\n";
  }
  const EquationSettings defaults;
  for (const SettingDescriptor& setting : SettingsTable()) {
    const std::string value = SettingAsText(document.Settings(), setting.key);
    if (value != SettingAsText(defaults, setting.key))
      io.out << setting.key << "=" << Printable(value) << "\n";
  }
  return 0;
}

}  // namespace

const Command& InfoCommand() {
  static const Command command{"info", kSynopsis, kHelp, RunInfo};
  return command;
}

}  // namespace kv::cli
