// The editor's command line:
//   kalvane [FILE.kv3]               start the editor, with the document open
//   kalvane --embedding FILE.kv3     start for a container (a word processor) to edit FILE
//   kalvane -r                       make the editor known to the desktop, then exit
//   kalvane --unregister             remove what -r made, then exit
//   kalvane --help | --version
// As the registration has always been asked for, any first argument beginning with "-r" asks
// for it. "--" ends the options, so a file whose name begins with "-" can follow it.
#pragma once

#include <string>
#include <vector>

namespace kv {

enum class StartMode {
  kEditor,      // the editor on its own
  kEmbedded,    // the editor started by a container
  kRegister,    // register with the desktop and exit
  kUnregister,  // remove the registration and exit
  kHelp,        // print the usage and exit
  kVersion,     // print the version and exit
};

struct StartRequest {
  StartMode mode = StartMode::kEditor;
  // The document to open (editor) or to edit for the container (embedded); empty for none.
  std::string file;
  // A mistake on the command line, for standard error; the program then exits with status 2.
  std::string error;
};

// Reads the arguments that follow the program's name.
StartRequest ParseCommandLine(const std::vector<std::string>& arguments);

// The text --help prints.
std::string CommandLineUsage();

}  // namespace kv
