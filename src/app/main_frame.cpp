#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "app/application.h"
#include "app/equation_bar.h"
#include "app/equation_view.h"
#include "document/compound_file.h"
#include "document/document_file.h"

namespace kv {

CChildFrame::CChildFrame(KLV300App& app, QString name, QWidget* parent)
    : QMdiSubWindow(parent),
      app_(app),
      document_(std::make_unique<KLV300Doc>(app)),
      name_(std::move(name)) {
  setAttribute(Qt::WA_DeleteOnClose);
  document_->OnNewDocument();
  view_ = new KLV300View(app, *document_, this);
  setWidget(view_);
  UpdateTitle();
}

CChildFrame::~CChildFrame() = default;

void CChildFrame::UpdateTitle() {
  setWindowTitle(name_ + "[*]");
  setWindowModified(document_->IsModified());
}

void CChildFrame::TakePath(const std::filesystem::path& path) {
  path_ = path;
  name_ = QString::fromStdString(path.filename().string());
  UpdateTitle();
}

bool CChildFrame::Open(const std::filesystem::path& path) {
  return TakePathUnlessFailed(path, [&] { OpenDocumentFile(*document_, path); });
}

bool CChildFrame::SaveTo(const std::filesystem::path& path) {
  return TakePathUnlessFailed(path, [&] { SaveDocumentFile(*document_, path); });
}

bool CChildFrame::TakePathUnlessFailed(const std::filesystem::path& path,
                                       const std::function<void()>& fileWork) {
  try {
    fileWork();
  } catch (const StorageError& error) {
    app_.Dialogs().ShowError(this, QString::fromStdString(error.what()));
    return false;
  }
  TakePath(path);
  return true;
}

bool CChildFrame::Save() {
  return path_.empty() ? SaveAs() : SaveTo(path_);
}

bool CChildFrame::SaveAs() {
  const QString suggested =
      path_.empty() ? name_ + kDocumentExtension : QString::fromStdString(path_.string());
  const QString chosen = app_.Dialogs().FileToSaveAs(this, suggested);
  if (chosen.isEmpty()) return false;
  return SaveTo(chosen.toStdString());
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (document_->IsModified()) {
    switch (app_.Dialogs().AskToSaveChanges(this, name_)) {
      case SaveAnswer::kSave:
        if (!Save()) {
          event->ignore();
          return;
        }
        break;
      case SaveAnswer::kDiscard:
        break;
      case SaveAnswer::kCancel:
        event->ignore();
        return;
    }
  }
  QMdiSubWindow::closeEvent(event);
}

CMainFrame::CMainFrame(KLV300App& app, QWidget* parent)
    : QMainWindow(parent), app_(app), mdiArea_(new QMdiArea(this)) {
  setObjectName("mainFrame");
  setWindowTitle(tr("Kalvane 3"));
  setCentralWidget(mdiArea_);
  setAcceptDrops(true);
  CreateCommands();
  CreateToolBar();
  CreateStatusBar();
  CreateEquationBar();
  CreateMenus();
  resize(kStartWidth, kStartHeight);
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  app_.SetMainFrame(this);
}

CMainFrame::~CMainFrame() {
  // The children go after this object's own part: nothing they signal may reach it then.
  disconnect(mdiArea_, nullptr, this, nullptr);
  disconnect(&equationBar_->Edit(), nullptr, this, nullptr);
  app_.SetMainFrame(nullptr);
}

QAction* CMainFrame::AddCommand(const QString& name, const char* objectName, QKeySequence keys,
                                std::function<void()> action) {
  auto* command = new QAction(name, this);
  command->setObjectName(objectName);
  command->setShortcut(keys);
  connect(command, &QAction::triggered, this, std::move(action));
  return command;
}

void CMainFrame::CreateCommands() {
  const auto withChild = [this](bool (CChildFrame::*command)()) {
    return [this, command] {
      if (CChildFrame* child = ActiveChild()) (child->*command)();
    };
  };
  QAction* newDocument =
      AddCommand(tr("&New"), "newDocument", QKeySequence::New, [this] { NewDocument(); });
  newDocument->setToolTip(tr("Create a new document"));
  QAction* open =
      AddCommand(tr("&Open..."), "openDocument", QKeySequence::Open, [this] { OpenDocument(); });
  open->setToolTip(tr("Open an existing document"));
  QAction* save =
      AddCommand(tr("&Save"), "saveDocument", QKeySequence::Save, withChild(&CChildFrame::Save));
  save->setToolTip(tr("Save the active document"));
  AddCommand(tr("Save &As..."), "saveDocumentAs", {}, withChild(&CChildFrame::SaveAs));
  AddCommand(tr("&Close"), "closeDocument", {}, [this] { mdiArea_->closeActiveSubWindow(); });
}

void CMainFrame::CreateToolBar() {
  auto* toolBar = addToolBar(tr("Toolbar"));
  toolBar->setObjectName("toolBar");
  toolBar->setIconSize(QSize(16, 15));
  for (const char* name : {"newDocument", "openDocument", "saveDocument"})
    toolBar->addAction(findChild<QAction*>(name));
}

void CMainFrame::CreateStatusBar() {
  statusBar()->setObjectName("statusBar");
  for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
    auto* label = new QLabel(tr(indicator), this);
    label->setEnabled(false);
    statusBar()->addPermanentWidget(label);
  }
  ShowStatusMessage(tr("Ready"));
}

void CMainFrame::CreateEquationBar() {
  addToolBarBreak(Qt::TopToolBarArea);
  equationBar_ = new EquationBar(this);
  addToolBar(Qt::TopToolBarArea, equationBar_);
  connect(&equationBar_->Edit(), &EquationEdit::equationEdited, this, [this] { EquationEdited(); });
  // Typing always goes to the equation: whichever document becomes active, the box has the focus.
  connect(mdiArea_, &QMdiArea::subWindowActivated, this,
          [this] { equationBar_->Edit().setFocus(); });
  connect(&equationBar_->Edit(), &EquationEdit::refused, this,
          [this](const QString& message) { ShowStatusMessage(message); });
}

void CMainFrame::CreateMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  for (const char* name :
       {"newDocument", "openDocument", "closeDocument", "saveDocument", "saveDocumentAs"})
    file->addAction(findChild<QAction*>(name));
  file->addSeparator();
  QAction* exit = file->addAction(tr("E&xit"), this, &QWidget::close);
  exit->setObjectName("exit");
  // Commands on a document are there only while one is.
  const auto enable = [this] {
    for (const char* name : {"closeDocument", "saveDocument", "saveDocumentAs"})
      findChild<QAction*>(name)->setEnabled(ActiveChild() != nullptr);
  };
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, enable);
  enable();
}

CChildFrame* CMainFrame::ActiveChild() {
  return qobject_cast<CChildFrame*>(mdiArea_->activeSubWindow());
}

KLV300Doc* CMainFrame::ActiveDocument() {
  CChildFrame* child = ActiveChild();
  return child != nullptr ? &child->Document() : nullptr;
}

CChildFrame& CMainFrame::NewDocument() {
  auto* child = new CChildFrame(app_, tr("Kalvane3%1").arg(++documentsMade_));
  mdiArea_->addSubWindow(child);
  child->showMaximized();
  mdiArea_->setActiveSubWindow(child);
  equationBar_->Edit().setFocus();
  return *child;
}

CChildFrame* CMainFrame::OpenDocument(std::filesystem::path path) {
  if (path.empty()) {
    const QString chosen = app_.Dialogs().FileToOpen(this);
    if (chosen.isEmpty()) return nullptr;
    path = chosen.toStdString();
  }
  auto child = std::make_unique<CChildFrame>(app_, QString());
  if (!child->Open(path)) return nullptr;
  CChildFrame* shown = child.release();
  mdiArea_->addSubWindow(shown);
  shown->showMaximized();
  mdiArea_->setActiveSubWindow(shown);
  equationBar_->Edit().setFocus();
  return shown;
}

void CMainFrame::OpenEmbeddedObject(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error) || OpenDocument(path) == nullptr) NewDocument();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  mdiArea_->closeAllSubWindows();
  if (!mdiArea_->subWindowList().isEmpty()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) OpenDocument(url.toLocalFile().toStdString());
  event->acceptProposedAction();
}

void CMainFrame::EquationEdited() {
  CChildFrame* child = ActiveChild();
  if (child == nullptr) return;
  child->Document().SetEquationText(equationBar_->Edit().EquationText());
  child->UpdateTitle();
}

void CMainFrame::ShowEquationText(std::string_view text) {
  equationBar_->Edit().ShowEquationText(text);
}

void CMainFrame::UpdateViewsOf(const KLV300Doc& document) {
  for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
    auto* child = qobject_cast<CChildFrame*>(window);
    if (child != nullptr && &child->Document() == &document) child->View().viewport()->update();
  }
}

void CMainFrame::ShowStatusMessage(const QString& message) {
  statusBar()->showMessage(message);
}

}  // namespace kv
