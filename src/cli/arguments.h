// Command-line parsing shared by the commands of kalvane-cli.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "markup/markup.h"
#include "settings/equation_settings.h"

namespace kv {
class KLV300Doc;
}  // namespace kv

namespace kv::cli {

// A mistake on the command line, or an input the command cannot use; reported on standard error
// with exit status 2.
class CliError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The arguments of one command: options (with or without a value, as "--name VALUE" or
// "--name=VALUE") and positional arguments, in any order; "--" ends the options.
class Arguments {
 public:
  Arguments(std::span<const std::string> args, std::initializer_list<std::string_view> valueOptions,
            std::initializer_list<std::string_view> flags);

  const std::vector<std::string>& Positional() const { return positional_; }
  // Every value given to the option, in order.
  std::vector<std::string> Values(std::string_view option) const;
  // The last value given to the option.
  std::optional<std::string> Value(std::string_view option) const;
  bool Has(std::string_view flag) const;

 private:
  std::vector<std::pair<std::string, std::string>> options_;
  std::vector<std::string> positional_;
};

// The default settings record, read from the section "Options" of the configuration files given
// with --options FILE (several files merge, a later one winning key by key; settings none of
// them holds keep their defaults), then changed by every --set KEY=VALUE in order. A missing or
// unreadable file, or one without the section "Options", is a CliError.
EquationSettings SettingsFromArguments(const Arguments& args);

// Whether --metrics asks for fixed metrics ("fixed") rather than those of the real fonts ("real",
// the default). Throws CliError for any other value.
bool FixedMetricsAsked(const Arguments& args);

// A UTF-8 text from the command line in Windows-1252. Throws CliError naming a character with no
// Windows-1252 form.
std::string TextFromArgument(std::string_view utf8);

// A UTF-8 text from the command line as equation text: Windows-1252, each line break as CR LF.
// Throws CliError naming a character with no Windows-1252 form.
std::string EquationTextFromArgument(std::string_view utf8);

// The one TEXT positional argument of a command, as equation text (see EquationTextFromArgument).
// Throws CliError when there is not exactly one.
std::string SingleEquationText(const Arguments& args);

// `text` with the letters A to Z made lower case.
std::string LowerAscii(std::string text);

// Whether an argument names a document: a .kv3 file (which need not exist yet).
bool IsDocumentPath(std::string_view argument);
// Whether an argument stands for a document: a .kv3 file, or an existing picture file (.svg,
// .png or .wmf) that may carry one.
bool NamesDocument(const std::string& argument);

// The markup options of --style plain|kalvane and --invisible-times. Throws CliError for another
// style.
MarkupOptions MarkupOptionsFromArguments(const Arguments& args);

// Reads the document file, or the picture Kalvane made (told by its content, whatever its
// name), at `path` into `document`. Throws CliError naming the file and what is wrong with it.
void OpenDocumentOrPicture(KLV300Doc& document, const std::string& path);

// The equation lines of a text: the parts between its CR LF line breaks (one empty line for an
// empty text).
std::vector<std::string_view> EquationLines(std::string_view text);

}  // namespace kv::cli
