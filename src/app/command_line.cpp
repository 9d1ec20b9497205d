#include "app/command_line.h"

#include <string_view>

namespace kv {
namespace {

StartRequest Mistake(std::string message) {
  StartRequest request;
  request.error = std::move(message) + "\nTry 'kalvane --help'.";
  return request;
}

}  // namespace

std::string CommandLineUsage() {
  return "Usage: kalvane [FILE.kv3]\n"
         "       kalvane --embedding FILE.kv3\n"
         "       kalvane -r | --unregister | --help | --version\n"
         "\n"
         "Kalvane 3, an equation editor: type an equation in its linear syntax and see it "
         "typeset.\n"
         "\n"
         "  FILE.kv3                  open the document\n"
         "  --embedding FILE.kv3      edit FILE.kv3 for a container such as a word processor\n"
         "                            (a new document when FILE.kv3 does not exist yet);\n"
         "                            Update and Return writes FILE.kv3 with FILE.wmf and\n"
         "                            FILE.svg beside it, prints width=W height=H lowering=N\n"
         "                            and ends with status 0; Cancel Changes writes nothing\n"
         "                            and ends with status 3\n"
         "  -r                        register with the desktop (menu entry, the .kv3 file type,\n"
         "                            the icon, under $XDG_DATA_HOME or ~/.local/share) and exit\n"
         "  --unregister              remove that registration and exit\n"
         "  --help                    show this text and exit\n"
         "  --version                 show the version and exit\n"
         "  --                        end of the options: a file name beginning with - follows\n";
}

StartRequest ParseCommandLine(const std::vector<std::string>& arguments) {
  StartRequest request;
  if (!arguments.empty() && arguments.front().starts_with("-r")) {
    request.mode = StartMode::kRegister;
    return request;
  }
  bool optionsEnded = false;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (optionsEnded || !argument.starts_with("-") || argument == "-") {
      files.emplace_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help" || argument == "-h") {
      return {StartMode::kHelp, {}, {}};
    } else if (argument == "--version" || argument == "-v") {
      return {StartMode::kVersion, {}, {}};
    } else if (argument == "--unregister") {
      request.mode = StartMode::kUnregister;
    } else if (argument == "--embedding") {
      if (i + 1 == arguments.size()) return Mistake("--embedding needs the object's file");
      request.mode = StartMode::kEmbedded;
      files.push_back(arguments[++i]);
    } else if (argument.starts_with("--embedding=")) {
      request.mode = StartMode::kEmbedded;
      files.emplace_back(argument.substr(std::string_view("--embedding=").size()));
    } else {
      return Mistake("unknown option " + std::string(argument));
    }
  }
  if (files.size() > 1)
    return Mistake("one document at a time, not " + std::to_string(files.size()));
  if (request.mode == StartMode::kUnregister) {
    if (!files.empty()) return Mistake("--unregister takes no file");
    return request;
  }
  if (!files.empty()) request.file = files.front();
  if (request.mode == StartMode::kEmbedded && request.file.empty())
    return Mistake("--embedding needs the object's file");
  return request;
}

}  // namespace kv
