// The main window: documents in a multi-document area, each maximised in its own child frame
// with its view, the toolbar, the equation bar docked at the top and the status bar with the
// Caps Lock, Num Lock and Scroll Lock indicators.
#pragma once

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
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
  CChildFrame(KLV300App& app, QString name, QWidget* parent = nullptr);
  ~CChildFrame() override;

  KLV300Doc& Document() { return *document_; }
  KLV300View& View() { return *view_; }
  // The title: the document's name, with a mark while it is modified.
  void UpdateTitle();

 private:
  std::unique_ptr<KLV300Doc> document_;
  KLV300View* view_;
  QString name_;
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

  void ShowEquationText(std::string_view text);
  void UpdateViewsOf(const KLV300Doc& document);
  // Shows a short message in the status bar's message pane.
  void ShowStatusMessage(const QString& message);

 private:
  void CreateToolBar();
  void CreateStatusBar();
  void CreateEquationBar();
  void CreateMenus();
  void EquationEdited();

  KLV300App& app_;
  QMdiArea* mdiArea_;
  EquationBar* equationBar_ = nullptr;
  int documentsMade_ = 0;
};

}  // namespace kv
