// The editor's commands as data: their numeric ids, their texts, and the menu bars, toolbar
// and keyboard tables they appear in. The main frame makes one QAction per command, carrying its
// id, and builds the menus, the toolbar and the shortcuts from these tables.
#pragma once

#include <QKeySequence>
#include <span>

namespace kv {

// Command ids. The standard commands of a document program (new, open, copy, ...) keep the
// values such programs have always given them; the editor's own come after.
enum CommandId : int {
  ID_FILE_NEW = 0xE100,
  ID_FILE_OPEN = 0xE101,
  ID_FILE_CLOSE = 0xE102,
  ID_FILE_SAVE = 0xE103,
  ID_FILE_SAVE_AS = 0xE104,
  ID_FILE_PRINT_SETUP = 0xE106,
  ID_FILE_PRINT = 0xE107,
  ID_FILE_PRINT_PREVIEW = 0xE109,
  ID_FILE_UPDATE = 0xE10A,
  ID_FILE_SAVE_COPY_AS = 0xE10B,
  ID_FILE_MRU_FILE1 = 0xE110,  // ... the tenth is ID_FILE_MRU_FILE1 + 9
  ID_EDIT_COPY = 0xE122,
  ID_EDIT_CUT = 0xE123,
  ID_EDIT_PASTE = 0xE125,
  ID_EDIT_UNDO = 0xE12B,
  ID_WINDOW_NEW = 0xE130,
  ID_WINDOW_ARRANGE = 0xE131,
  ID_WINDOW_CASCADE = 0xE132,
  ID_WINDOW_TILE_HORZ = 0xE133,
  ID_APP_ABOUT = 0xE140,
  ID_APP_EXIT = 0xE141,
  ID_NEXT_PANE = 0xE150,
  ID_PREV_PANE = 0xE151,
  ID_VIEW_TOOLBAR = 0xE800,
  ID_VIEW_STATUS_BAR = 0xE801,
  ID_CANCEL_EDIT_SRVR = 32769,
  ID_CANCEL_CHANGES = 32773,
  ID_UPDATE_AND_RETURN = 32774,
  ID_EDIT_PREFERENCES = 32775,
  ID_COPY_METAFILE = 32776,
  ID_RESET_PREFERENCES = 32782,
  ID_HELP_READ_HELP = 32786,
  ID_HELP_READ_MANUAL = 32787,
  ID_HELP_READ_QUICKREF = 32788,
  ID_HELP_ABOUT_MAKER = 32789,
  ID_HELP_READ_WHATSNEW = 32792,
  ID_TOOLS_EDIT_OPTIONS = 32793,
  ID_TOOLS_RESET_EQUATION = 32794,
  ID_TOOLS_WRITE_DEFAULT_CONFIG = 32795,
  ID_COPY_BITMAP = 32797,
  ID_TOOLS_RESET_OPTIONS = 32803,
  ID_COPY_MATHML = 32804,
  ID_COPY_LATEX = 32805,
};

// The recent-file list holds this many files.
inline constexpr int kRecentFileCount = 10;

// A command's texts: the menu text ("&" marks the key letter), the prompt the status bar shows
// while it is pointed at, the toolbar button's tooltip and its icon (under
// :/kalvane/toolbar/), empty when it has no button.
struct CommandText {
  CommandId id;
  const char* menuText;
  const char* prompt;
  const char* toolTip;
  const char* icon;
};

// Every command with an action of its own (the recent files have theirs apart).
std::span<const CommandText> Commands();

// A menu bar, a menu or the toolbar as a list of entries: a command, a separator, or the place
// of the recent files.
inline constexpr int kSeparator = 0;
inline constexpr int kRecentFiles = -1;

struct MenuLayout {
  const char* title;
  std::span<const int> entries;
};

// The three menu bars: with no document open, with a document, and with the document a
// container asked to edit (it is saved back to the container, so it has Save Copy As in place
// of Save and Save As).
enum class MenuBarKind { kNoDocument, kDocument, kEmbedded };
std::span<const MenuLayout> MenuBar(MenuBarKind kind);

// The toolbar's buttons, with separators.
std::span<const int> ToolBarEntries();

// A key and the command it gives.
struct Accelerator {
  QKeyCombination keys;
  CommandId id;
};

// The keyboard tables: the main frame's, and the one of the document a container asked to edit
// (Ctrl+S updates the container there, and the two return keys are not in it).
enum class AcceleratorTable { kMainFrame, kEmbedded };
std::span<const Accelerator> Accelerators(AcceleratorTable table);

}  // namespace kv
