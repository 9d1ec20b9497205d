#include "app/commands.h"

#include <array>
#include <vector>

namespace kv {
namespace {

constexpr std::array kCommands = {
    CommandText{ID_FILE_NEW, "&New", "Create a new document", "New", "new"},
    CommandText{ID_FILE_OPEN, "&Open...", "Open an existing document", "Open", "open"},
    CommandText{ID_FILE_CLOSE, "&Close", "Close the active document", "", ""},
    CommandText{ID_FILE_SAVE, "&Save", "Save the active document", "Save", "save"},
    CommandText{ID_FILE_SAVE_AS, "Save &As...", "Save the active document with a new name", "", ""},
    CommandText{ID_FILE_SAVE_COPY_AS, "Save Copy &As...",
                "Save a copy of the active document with a new name", "", ""},
    CommandText{ID_FILE_PRINT, "&Print...", "Print the active document", "Print", "print"},
    CommandText{ID_FILE_PRINT_PREVIEW, "Print Pre&view", "Show the page as it will be printed", "",
                ""},
    CommandText{ID_FILE_PRINT_SETUP, "P&rint Setup...", "Change the paper and the page's layout",
                "", ""},
    CommandText{ID_FILE_UPDATE, "&Update", "Update the container to show the changes", "", ""},
    CommandText{ID_APP_EXIT, "E&xit", "Quit the program; asks to save changed documents", "", ""},
    CommandText{ID_EDIT_UNDO, "&Undo", "Undo the last action", "", ""},
    CommandText{ID_EDIT_CUT, "Cu&t", "Cut the selected text of the equation to the clipboard",
                "Cut", "cut"},
    CommandText{ID_EDIT_COPY, "&Copy", "Copy the selected text of the equation to the clipboard",
                "Copy", "copy"},
    CommandText{ID_EDIT_PASTE, "&Paste", "Insert the clipboard's text into the equation", "Paste",
                "paste"},
    CommandText{ID_COPY_METAFILE, "Copy as &Metafile",
                "Place the equation on the clipboard as a picture",
                "Place Equation On Clipboard as Picture", "copy-picture"},
    CommandText{ID_COPY_BITMAP, "Copy as &Bitmap",
                "Place the equation on the clipboard as a bitmap", "", ""},
    CommandText{ID_COPY_MATHML, "Copy as Mat&hML", "Place the equation on the clipboard as MathML",
                "", ""},
    CommandText{ID_COPY_LATEX, "Copy as &LaTeX", "Place the equation on the clipboard as LaTeX", "",
                ""},
    CommandText{ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar", "", ""},
    CommandText{ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar", "", ""},
    CommandText{ID_TOOLS_EDIT_OPTIONS, "&Edit Options...",
                "Change the settings the equation is typeset with", "", ""},
    CommandText{ID_TOOLS_RESET_EQUATION, "&Reset Equation",
                "Give the equation the default settings again", "", ""},
    CommandText{ID_TOOLS_WRITE_DEFAULT_CONFIG, "&Write Default Configuration File",
                "Write your settings as the defaults the next start takes", "", ""},
    CommandText{ID_TOOLS_RESET_OPTIONS, "Reset &Options...",
                "Go back to the settings Kalvane came with", "", ""},
    CommandText{ID_EDIT_PREFERENCES, "Edit Preferences",
                "Change the settings the equation is typeset with", "Edit Preferences",
                "edit-preferences"},
    CommandText{ID_RESET_PREFERENCES, "Reset Preferences to Defaults",
                "Give the equation the default settings again", "Reset Preferences to Defaults",
                "reset-preferences"},
    CommandText{ID_UPDATE_AND_RETURN, "Update and Return to Document",
                "Put the equation into the document it came from and close",
                "Update and Return to Document", "update-and-return"},
    CommandText{ID_CANCEL_CHANGES, "Cancel Changes",
                "Close without changing the document the equation came from", "Cancel Changes",
                "cancel-changes"},
    CommandText{ID_WINDOW_NEW, "&New Window", "A document has one window: no other is opened", "",
                ""},
    CommandText{ID_WINDOW_CASCADE, "&Cascade", "Arrange the windows so they overlap", "", ""},
    CommandText{ID_WINDOW_TILE_HORZ, "&Tile", "Arrange the windows as tiles that do not overlap",
                "", ""},
    CommandText{ID_WINDOW_ARRANGE, "&Arrange Icons", "Line up the minimised windows", "", ""},
    CommandText{ID_NEXT_PANE, "Next Pane", "Switch to the next pane", "", ""},
    CommandText{ID_PREV_PANE, "Previous Pane", "Switch back to the previous pane", "", ""},
    CommandText{ID_HELP_READ_HELP, "Read &Help File", "Read the help", "", ""},
    CommandText{ID_HELP_READ_MANUAL, "Read &Manual (PDF)", "Read the manual", "", ""},
    CommandText{ID_HELP_READ_QUICKREF, "Read &Quickref Card (PDF)", "Read the quick reference card",
                "", ""},
    CommandText{ID_HELP_READ_WHATSNEW, "Read What's New Card (PDF)",
                "Read what is new in this version", "", ""},
    CommandText{ID_APP_ABOUT, "&About Kalvane 3...", "Show the program's version and copyright",
                "About", "about"},
    CommandText{ID_HELP_ABOUT_MAKER, "About &Morvak...", "Show who makes Kalvane", "", ""},
};

// The menus. A File menu with a document also offers Print Preview, so the page can be seen
// before it is printed.
constexpr std::array<int, 9> kFileNoDocument = {ID_FILE_NEW,         ID_FILE_OPEN,  kSeparator,
                                                ID_FILE_PRINT_SETUP, kSeparator,    kRecentFiles,
                                                kSeparator,          ID_FILE_CLOSE, ID_APP_EXIT};
constexpr std::array<int, 13> kFileDocument = {
    ID_FILE_NEW,         ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE,
    ID_FILE_SAVE_AS,     kSeparator,   ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW,
    ID_FILE_PRINT_SETUP, kSeparator,   kRecentFiles,  kSeparator,
    ID_APP_EXIT};
constexpr std::array<int, 12> kFileEmbedded = {
    ID_FILE_NEW,           ID_FILE_OPEN,        ID_FILE_CLOSE,
    ID_FILE_SAVE_COPY_AS,  kSeparator,          ID_FILE_PRINT,
    ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP, kSeparator,
    kRecentFiles,          kSeparator,          ID_APP_EXIT};
// The copies of the whole equation follow the copies of the text: as pictures, then as markup.
constexpr std::array<int, 10> kEdit = {
    ID_EDIT_UNDO, kSeparator,       ID_EDIT_CUT,    ID_EDIT_COPY,   ID_EDIT_PASTE,
    kSeparator,   ID_COPY_METAFILE, ID_COPY_BITMAP, ID_COPY_MATHML, ID_COPY_LATEX};
constexpr std::array<int, 2> kView = {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR};
constexpr std::array<int, 5> kTools = {ID_TOOLS_EDIT_OPTIONS, ID_TOOLS_RESET_EQUATION, kSeparator,
                                       ID_TOOLS_WRITE_DEFAULT_CONFIG, ID_TOOLS_RESET_OPTIONS};
constexpr std::array<int, 4> kWindow = {ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ,
                                        ID_WINDOW_ARRANGE};
constexpr std::array<int, 7> kHelp = {
    ID_HELP_READ_HELP, ID_HELP_READ_MANUAL, ID_HELP_READ_QUICKREF, ID_HELP_READ_WHATSNEW,
    kSeparator,        ID_APP_ABOUT,        ID_HELP_ABOUT_MAKER};

constexpr std::array kMenuBarNoDocument = {MenuLayout{"&File", kFileNoDocument},
                                           MenuLayout{"&View", kView}, MenuLayout{"&Tools", kTools},
                                           MenuLayout{"&Help", kHelp}};
constexpr std::array kMenuBarDocument = {
    MenuLayout{"&File", kFileDocument}, MenuLayout{"&Edit", kEdit},     MenuLayout{"&View", kView},
    MenuLayout{"&Tools", kTools},       MenuLayout{"&Window", kWindow}, MenuLayout{"&Help", kHelp}};
constexpr std::array kMenuBarEmbedded = {
    MenuLayout{"&File", kFileEmbedded}, MenuLayout{"&Edit", kEdit},     MenuLayout{"&View", kView},
    MenuLayout{"&Tools", kTools},       MenuLayout{"&Window", kWindow}, MenuLayout{"&Help", kHelp}};

constexpr std::array<int, 17> kToolBar = {
    ID_FILE_NEW,       ID_FILE_OPEN, ID_FILE_SAVE,        kSeparator,
    ID_EDIT_CUT,       ID_EDIT_COPY, ID_EDIT_PASTE,       kSeparator,
    ID_FILE_PRINT,     ID_APP_ABOUT, kSeparator,          ID_UPDATE_AND_RETURN,
    ID_CANCEL_CHANGES, kSeparator,   ID_EDIT_PREFERENCES, ID_RESET_PREFERENCES,
    ID_COPY_METAFILE};

// A menu shows the first key of its command. F1 reads the help, as its menu text says, in both
// tables.
constexpr std::array kMainFrameKeys = {
    Accelerator{Qt::CTRL | Qt::SHIFT | Qt::Key_E, ID_UPDATE_AND_RETURN},
    Accelerator{Qt::CTRL | Qt::Key_R, ID_UPDATE_AND_RETURN},
    Accelerator{Qt::CTRL | Qt::Key_C, ID_EDIT_COPY},
    Accelerator{Qt::CTRL | Qt::Key_Insert, ID_EDIT_COPY},
    Accelerator{Qt::CTRL | Qt::Key_X, ID_EDIT_CUT},
    Accelerator{Qt::SHIFT | Qt::Key_Delete, ID_EDIT_CUT},
    Accelerator{Qt::CTRL | Qt::Key_V, ID_EDIT_PASTE},
    Accelerator{Qt::SHIFT | Qt::Key_Insert, ID_EDIT_PASTE},
    Accelerator{Qt::CTRL | Qt::Key_Z, ID_EDIT_UNDO},
    Accelerator{Qt::ALT | Qt::Key_Backspace, ID_EDIT_UNDO},
    Accelerator{Qt::CTRL | Qt::Key_N, ID_FILE_NEW},
    Accelerator{Qt::CTRL | Qt::Key_O, ID_FILE_OPEN},
    Accelerator{Qt::CTRL | Qt::Key_P, ID_FILE_PRINT},
    Accelerator{Qt::CTRL | Qt::Key_S, ID_FILE_SAVE},
    Accelerator{QKeyCombination(Qt::Key_F6), ID_NEXT_PANE},
    Accelerator{Qt::SHIFT | Qt::Key_F6, ID_PREV_PANE},
    Accelerator{Qt::CTRL | Qt::Key_M, ID_COPY_METAFILE},
    Accelerator{Qt::CTRL | Qt::Key_B, ID_COPY_BITMAP},
    Accelerator{QKeyCombination(Qt::Key_F1), ID_HELP_READ_HELP},
};

// The document a container asked to edit: Ctrl+S updates the container. Its own table has not
// the two keys that return to the container; they reach the main window's table behind it, so
// they still work.
std::vector<Accelerator> EmbeddedKeys() {
  std::vector<Accelerator> keys;
  for (const Accelerator& accelerator : kMainFrameKeys) {
    keys.push_back(accelerator.id == ID_FILE_SAVE ? Accelerator{accelerator.keys, ID_FILE_UPDATE}
                                                  : accelerator);
  }
  return keys;
}

}  // namespace

std::span<const CommandText> Commands() {
  return kCommands;
}

std::span<const MenuLayout> MenuBar(MenuBarKind kind) {
  switch (kind) {
    case MenuBarKind::kNoDocument:
      return kMenuBarNoDocument;
    case MenuBarKind::kDocument:
      return kMenuBarDocument;
    case MenuBarKind::kEmbedded:
      return kMenuBarEmbedded;
  }
  return kMenuBarNoDocument;
}

std::span<const int> ToolBarEntries() {
  return kToolBar;
}

std::span<const Accelerator> Accelerators(AcceleratorTable table) {
  static const std::vector<Accelerator> embeddedKeys = EmbeddedKeys();
  return table == AcceleratorTable::kEmbedded ? std::span<const Accelerator>(embeddedKeys)
                                              : std::span<const Accelerator>(kMainFrameKeys);
}

}  // namespace kv
