// The main window: documents in a multi-document area, each maximised in its own child frame
// with its view, the toolbar, the equation bar docked at the top and the status bar with the
// Caps Lock, Num Lock and Scroll Lock indicators.
#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "document/document.h"

namespace kv {

class EquationBar;
class KLV300App;
class KLV300View;

// The frame of one document and its one view. It owns the document.
class CChildFrame final : public QMdiSubWindow {
  Q_OBJECT

 public:
  // A new document named `name` until it is saved.
  CChildFrame(KLV300App& app, QString name, QWidget* parent = nullptr);
  ~CChildFrame() override;

  KLV300Doc& Document() { return *document_; }
  KLV300View& View() { return *view_; }
  const QString& Name() const { return name_; }
  // The file the document was read from or saved to; empty for a new document.
  const std::filesystem::path& Path() const { return path_; }

  // Reads `path` into the document. On failure shows the message and returns false; the
  // document is then as it was.
  bool Open(const std::filesystem::path& path);
  // Saves to the document's file, or asks for one first. False when the save failed (the
  // message was shown) or the user cancelled.
  bool Save();
  bool SaveAs();
  // The title: the document's name, with a mark while it is modified.
  void UpdateTitle();

 protected:
  // A modified document asks whether to save it first; Cancel, or a failed save, keeps it open.
  void closeEvent(QCloseEvent* event) override;

 private:
  bool SaveTo(const std::filesystem::path& path);
  void TakePath(const std::filesystem::path& path);
  // Runs `fileWork` (an open or a save); on success the document takes `path` as its file, on
  // failure the storage message is shown and false returned.
  bool TakePathUnlessFailed(const std::filesystem::path& path,
                            const std::function<void()>& fileWork);

  KLV300App& app_;
  std::unique_ptr<KLV300Doc> document_;
  KLV300View* view_;
  QString name_;
  std::filesystem::path path_;
};

class CMainFrame final : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kStartWidth = 550;
  static constexpr int kStartHeight = 400;

  explicit CMainFrame(KLV300App& app, QWidget* parent = nullptr);
  ~CMainFrame() override;

  EquationBar& Bar() { return *equationBar_; }
  // The document of the active child frame, or null.
  KLV300Doc* ActiveDocument();
  CChildFrame* ActiveChild();

  // A new document in a child frame of its own, made active.
  CChildFrame& NewDocument();
  // Opens the document file in a child frame of its own; on failure shows the message, and
  // no frame stays. The file dialog's choice when `path` is empty.
  CChildFrame* OpenDocument(std::filesystem::path path = {});

  // The document a container asked to edit: read from `path`, or new when there is no such
  // file (or it cannot be read, which is shown).
  void OpenEmbeddedObject(const std::filesystem::path& path);

  void ShowEquationText(std::string_view text);
  void UpdateViewsOf(const KLV300Doc& document);
  // Shows a short message in the status bar's message pane.
  void ShowStatusMessage(const QString& message);

 protected:
  // Closes every document first, each asking about its changes; Cancel keeps the window.
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The commands, as actions that the menus and the toolbar share.
  void CreateCommands();
  void CreateToolBar();
  void CreateStatusBar();
  void CreateEquationBar();
  void CreateMenus();
  QAction* AddCommand(const QString& name, const char* objectName, QKeySequence keys,
                      std::function<void()> action);
  void EquationEdited();

  KLV300App& app_;
  QMdiArea* mdiArea_;
  EquationBar* equationBar_ = nullptr;
  int documentsMade_ = 0;
};

}  // namespace kv
