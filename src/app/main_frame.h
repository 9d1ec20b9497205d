// The main window: documents in a multi-document area, each maximised in its own child frame
// with its view, the menu bar, the toolbar, the equation bar docked at the top and the status bar
// with the Caps Lock, Num Lock and Scroll Lock indicators.
//
// Every command is a QAction carrying its numeric id (commands.h). Which menu bar and which
// keyboard table are in force follows the active document: none, an ordinary one, or the one a
// container asked to edit. Commands are enabled by rules evaluated whenever that changes.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "app/child_frame.h"
#include "app/clipboard_export.h"
#include "app/commands.h"
#include "app/lock_keys.h"
#include "app/recent_files.h"
#include "document/document.h"

class QPrinter;

namespace kv {

class EquationBar;
class KLV300App;
class KLV300View;

class CMainFrame final : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kStartWidth = 550;
  static constexpr int kStartHeight = 400;

  explicit CMainFrame(KLV300App& app, QWidget* parent = nullptr);
  ~CMainFrame() override;

  EquationBar& Bar() { return *equationBar_; }
  // The action of a command; null for an id without one.
  QAction* Command(int id) const;
  // The menu bar in force.
  MenuBarKind MenuBarInForce() const { return menuBarInForce_; }
  // The document of the active child frame, or null.
  KLV300Doc* ActiveDocument();
  CChildFrame* ActiveChild();
  QList<CChildFrame*> Children() const;

  // A new document in a child frame of its own, made active.
  CChildFrame& NewDocument();
  // Opens the document file in a child frame of its own, or activates the frame that has it
  // open already; on failure shows the message, and no frame stays. The file dialog's choice
  // when `path` is empty.
  CChildFrame* OpenDocument(std::filesystem::path path = {});
  // The document a container asked to edit: read from `path`, or new when there is no such
  // file (or it cannot be read, which is shown).
  void OpenEmbeddedObject(const std::filesystem::path& path);
  // "Update and Return to Document": the other documents close (each asking about its
  // changes; a Cancel keeps everything open), the container's document is written into its
  // object with the pictures, and the run ends with kExitUpdated. An object that cannot be
  // written is reported and the editor stays open with the edit.
  void UpdateAndReturn();
  // "Cancel Changes": the other documents close as above; the object's files stay as they are
  // and the run ends with kExitCancelled.
  void CancelChanges();

  void ShowEquationText(std::string_view text);
  void UpdateViewsOf(const KLV300Doc& document);
  // Shows a short message in the status bar's message pane.
  void ShowStatusMessage(const QString& message);
  // Evaluates every command's enabling rule and puts the menu bar and the keyboard table of the
  // active document in force.
  void UpdateCommands();

 protected:
  // Closes every document first, each asking about its changes; Cancel keeps the window.
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // What a command does and when it is enabled.
  struct Handler {
    std::function<void()> run;
    std::function<bool()> enabled;
  };

  void CreateCommands();
  void BindHandlers();
  void CreateMenuBars();
  QMenu* CreateMenu(const MenuLayout& layout);
  void CreateToolBar();
  void CreateStatusBar();
  void CreateEquationBar();
  void KeepFocusInEquationBox();
  void ShowMenuBar(MenuBarKind kind);
  void UseAccelerators(AcceleratorTable table);
  void UpdateRecentFileCommands();
  void OpenRecentFile(std::size_t index);
  void RememberFile(const std::filesystem::path& path);
  void ListWindows(QMenu* windowMenu);
  void ArrangeIcons();
  void UpdateLockIndicators();
  void WatchDocumentation();
  CChildFrame* EmbeddedChild() const;
  // Writes the container's document and its pictures, and tells the container their size on
  // standard output; false when that failed (shown).
  bool WriteEmbeddedObject(CChildFrame& child);
  // Closes every document but the container's, each asking about its changes; false when one
  // stays open.
  bool CloseOtherDocuments();
  // Tells the container's side the editor is gone, closes every document without asking and
  // ends the run with `status`.
  void EndEmbedding(int status);
  // Runs `command` on the active child frame, when there is one.
  std::function<void()> OnActiveChild(std::function<void(CChildFrame&)> command);
  bool HasDocument() { return ActiveChild() != nullptr; }
  // "Copy as Metafile" and "Copy as Bitmap" of the active document.
  void CopyPicture(ClipboardPicture kind);
  // "Copy as MathML" and "Copy as LaTeX" of the active document: `copy` is the clipboard
  // function of the markup.
  void CopyMarkup(QString (*copy)(QClipboard*, KLV300Doc&));
  void Print();
  void PrintPreview();
  void PrintOn(KLV300Doc& document, QPrinter& printer);
  void EquationEdited();
  // A new child frame, its signals connected to this window; shown by Show.
  CChildFrame* MakeChild(QString name);
  CChildFrame& Show(CChildFrame* child);

  KLV300App& app_;
  QMdiArea* mdiArea_;
  EquationBar* equationBar_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  std::map<int, QAction*> commands_;
  std::map<int, Handler> handlers_;
  std::map<MenuBarKind, std::vector<QMenu*>> menuBars_;
  MenuBarKind menuBarInForce_ = MenuBarKind::kNoDocument;
  std::array<QAction*, kRecentFileCount> recentFileCommands_{};
  QAction* noRecentFile_ = nullptr;
  RecentFileList recentFiles_;
  LockKeyWatcher* lockKeys_ = nullptr;
  std::vector<std::pair<LockKey, QLabel*>> lockIndicators_;
  int documentsMade_ = 0;
  bool ending_ = false;
};

}  // namespace kv
