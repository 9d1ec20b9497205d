// The editor's start: the command line, the application object, the main window and the event
// loop. A thin main() calls it, so tests can start the editor the same way.
#pragma once

namespace kv {

int RunEditor(int argc, char** argv);

}  // namespace kv
