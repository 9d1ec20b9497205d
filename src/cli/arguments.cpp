#include "cli/arguments.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "base/windows1252.h"
#include "document/compound_file.h"
#include "document/document.h"
#include "document/document_file.h"
#include "embedding/equation_picture.h"
#include "options/option_store.h"
#include "options/option_text.h"

namespace kv::cli {
namespace {

bool Contains(std::initializer_list<std::string_view> names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

constexpr std::string_view kDocumentExtension = ".kv3";
// A picture Kalvane made stands for its document on the command line.
constexpr std::array<std::string_view, 3> kPictureExtensions = {".svg", ".png", ".wmf"};

bool EndsWith(std::string_view argument, std::string_view extension) {
  return argument.size() > extension.size() &&
         LowerAscii(std::string(argument.substr(argument.size() - extension.size()))) == extension;
}

bool LooksLikeOption(std::string_view arg) {
  return arg.size() > 1 && arg.front() == '-';
}

// Takes the section "Options" of each file in turn, a later file overriding an earlier one key by
// key, and reads the settings from them as the program reads its options store.
void ApplyOptionsFiles(EquationSettings& settings, const std::vector<std::string>& files) {
  if (files.empty()) return;
  IniFile merged;
  for (const std::string& file : files) {
    IniFile one;
    one.SetPath(file);
    if (!one.LoadFromPath()) {
      std::error_code error;
      throw CliError("--options: " + (std::filesystem::exists(file, error)
                                          ? "cannot read the configuration file '" + file + "'"
                                          : "there is no file '" + file + "'"));
    }
    const IniSection* options = one.FindSection(EquationSettings::kSection);
    if (options == nullptr) {
      throw CliError("--options: '" + file + "' has no section [" +
                     std::string(EquationSettings::kSection) + "]");
    }
    for (const IniEntry& entry : options->Entries()) {
      merged.WriteString(EquationSettings::kSection, entry.key, entry.value, true);
    }
  }
  ReadAll(settings, merged);
}

}  // namespace

Arguments::Arguments(std::span<const std::string> args,
                     std::initializer_list<std::string_view> valueOptions,
                     std::initializer_list<std::string_view> flags) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      positional_.insert(positional_.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                         args.end());
      return;
    }
    if (!LooksLikeOption(arg)) {
      positional_.push_back(arg);
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (Contains(flags, name) && equals == std::string::npos) {
      options_.emplace_back(name, "");
    } else if (Contains(valueOptions, name)) {
      if (equals != std::string::npos) {
        options_.emplace_back(name, arg.substr(equals + 1));
      } else if (i + 1 < args.size()) {
        options_.emplace_back(name, args[++i]);
      } else {
        throw CliError("the option " + name + " needs a value");
      }
    } else {
      throw CliError("unknown option '" + arg +
                     "' (to give a text that begins with '-', put "
                     "'--' before it)");
    }
  }
}

std::vector<std::string> Arguments::Values(std::string_view option) const {
  std::vector<std::string> values;
  for (const auto& [name, value] : options_) {
    if (name == option) values.push_back(value);
  }
  return values;
}

std::optional<std::string> Arguments::Value(std::string_view option) const {
  const auto values = Values(option);
  if (values.empty()) return std::nullopt;
  return values.back();
}

bool Arguments::Has(std::string_view flag) const {
  return std::any_of(options_.begin(), options_.end(),
                     [flag](const auto& option) { return option.first == flag; });
}

EquationSettings SettingsFromArguments(const Arguments& args) {
  EquationSettings settings;
  ApplyOptionsFiles(settings, args.Values("--options"));
  for (const std::string& assignment : args.Values("--set")) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
      throw CliError("--set takes KEY=VALUE, not '" + assignment + "'");
    }
    try {
      SetSettingFromText(settings, assignment.substr(0, equals),
                         TextFromArgument(assignment.substr(equals + 1)));
    } catch (const std::invalid_argument& e) {
      throw CliError(std::string("--set: ") + e.what());
    }
  }
  return settings;
}

bool FixedMetricsAsked(const Arguments& args) {
  const std::string metrics = args.Value("--metrics").value_or("real");
  if (metrics == "fixed") return true;
  if (metrics == "real") return false;
  throw CliError("--metrics takes real or fixed, not \"" + metrics + "\"");
}

std::string TextFromArgument(std::string_view utf8) {
  try {
    return Utf8ToWindows1252(utf8);
  } catch (const EncodingError& e) {
    throw CliError(e.what());
  }
}

std::string EquationTextFromArgument(std::string_view utf8) {
  const std::string text = TextFromArgument(utf8);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

std::string SingleEquationText(const Arguments& args) {
  if (args.Positional().size() != 1) {
    throw CliError("expects exactly one TEXT, not " + std::to_string(args.Positional().size()) +
                   " (quote a text with spaces; an empty text is \"\")");
  }
  return EquationTextFromArgument(args.Positional().front());
}

std::vector<std::string_view> EquationLines(std::string_view text) {
  constexpr std::string_view kLineBreak = "\r\n";
  std::vector<std::string_view> lines;
  while (true) {
    const std::size_t lineEnd = text.find(kLineBreak);
    lines.push_back(text.substr(0, lineEnd));
    if (lineEnd == std::string_view::npos) return lines;
    text.remove_prefix(lineEnd + kLineBreak.size());
  }
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool IsDocumentPath(std::string_view argument) {
  return EndsWith(argument, kDocumentExtension);
}

bool NamesDocument(const std::string& argument) {
  if (IsDocumentPath(argument)) return true;
  std::error_code ignored;
  return std::any_of(
             kPictureExtensions.begin(), kPictureExtensions.end(),
             [&argument](std::string_view extension) { return EndsWith(argument, extension); }) &&
         std::filesystem::is_regular_file(argument, ignored);
}

MarkupOptions MarkupOptionsFromArguments(const Arguments& args) {
  MarkupOptions options;
  const std::string style = args.Value("--style").value_or("plain");
  if (style == "kalvane") {
    options.style = MarkupStyle::kKalvane;
  } else if (style != "plain") {
    throw CliError("--style takes plain or kalvane, not \"" + style + "\"");
  }
  options.invisibleTimes = args.Has("--invisible-times");
  return options;
}

void OpenDocumentOrPicture(KLV300Doc& document, const std::string& path) {
  std::optional<std::vector<std::uint8_t>> picture;
  try {
    picture = ReadPictureFile(path);
  } catch (const PictureError& error) {
    throw CliError(path + ": " + error.what());
  }
  if (picture) {
    std::string error;
    if (!OpenPictureDocument(document, *picture, error)) throw CliError(path + ": " + error);
    return;
  }
  try {
    OpenDocumentFile(document, path);
  } catch (const StorageError& error) {
    throw CliError(path + ": " + error.what() + " (" + error.Detail() + ")");
  }
}

}  // namespace kv::cli
