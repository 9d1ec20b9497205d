#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemWatcher>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <iostream>

#include "app/application.h"
#include "app/clipboard_export.h"
#include "app/equation_bar.h"
#include "app/equation_view.h"
#include "app/help_commands.h"
#include "app/printing.h"
#include "embedding/container_protocol.h"
#include "render/font_surface.h"

namespace kv {
namespace {

// The same file, however its path is written.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error);
}

// A path as the recent-file list shows it: the home folder as "~", and "&" kept from marking a
// key letter.
QString ShownPath(const std::string& path) {
  QString shown = QString::fromStdString(path);
  const QString home = QDir::homePath();
  if (!home.isEmpty() && home != "/" && shown.startsWith(home + "/"))
    shown = "~" + shown.mid(home.size());
  return shown.replace("&", "&&");
}

// "&1 " to "&9 ", then "1&0 ": each entry of a numbered menu list gets its key.
QString NumberedEntry(std::size_t index, const QString& text) {
  const std::size_t number = index + 1;
  const QString key = number < 10 ? QString("&%1").arg(number) : QString("1&0");
  return key + " " + text;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CMainFrame: construction

CMainFrame::CMainFrame(KLV300App& app, QWidget* parent)
    : QMainWindow(parent), app_(app), mdiArea_(new QMdiArea(this)), recentFiles_(kRecentFileCount) {
  setObjectName("mainFrame");
  setWindowTitle(tr("Kalvane 3"));
  setWindowIcon(QIcon(":/kalvane/kalvane.png"));
  setCentralWidget(mdiArea_);
  setAcceptDrops(true);
  CreateCommands();
  BindHandlers();
  CreateToolBar();
  CreateStatusBar();
  CreateEquationBar();
  CreateMenuBars();
  KeepFocusInEquationBox();
  WatchDocumentation();
  // Which document is active decides the menus, the keys and what is enabled.
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this] { UpdateCommands(); });
  resize(kStartWidth, kStartHeight);
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  app_.SetMainFrame(this);
  UpdateCommands();
}

CMainFrame::~CMainFrame() {
  // The children go after this object's own part: nothing they signal may reach it then.
  disconnect(mdiArea_, nullptr, this, nullptr);
  disconnect(&equationBar_->Edit(), nullptr, this, nullptr);
  disconnect(qApp, nullptr, this, nullptr);
  for (CChildFrame* child : Children())
    disconnect(child, nullptr, this, nullptr);
  app_.SetMainFrame(nullptr);
}

void CMainFrame::CreateCommands() {
  for (const CommandText& text : Commands()) {
    auto* action = new QAction(tr(text.menuText), this);
    action->setData(static_cast<int>(text.id));
    action->setStatusTip(tr(text.prompt));
    if (*text.toolTip != '\0') action->setToolTip(tr(text.toolTip));
    if (*text.icon != '\0')
      action->setIcon(QIcon(QString(":/kalvane/toolbar/%1.png").arg(text.icon)));
    // Shortcuts of every command work wherever the focus is in this window.
    addAction(action);
    commands_[text.id] = action;
    connect(action, &QAction::triggered, this, [this, id = text.id] {
      const auto handler = handlers_.find(id);
      if (handler != handlers_.end() && handler->second.enabled()) handler->second.run();
    });
  }
  for (std::size_t i = 0; i < kRecentFileCount; ++i) {
    auto* action = new QAction(this);
    action->setData(ID_FILE_MRU_FILE1 + static_cast<int>(i));
    action->setStatusTip(tr("Open this document"));
    connect(action, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
    recentFileCommands_[i] = action;
    commands_[ID_FILE_MRU_FILE1 + static_cast<int>(i)] = action;
  }
  noRecentFile_ = new QAction(tr("Recent File"), this);
  noRecentFile_->setEnabled(false);
  for (const int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
    commands_[id]->setCheckable(true);
    commands_[id]->setChecked(true);
  }
}

std::function<void()> CMainFrame::OnActiveChild(std::function<void(CChildFrame&)> command) {
  return [this, command = std::move(command)] {
    if (CChildFrame* child = ActiveChild()) command(*child);
  };
}

// What each command does and when it is enabled. A command without a handler is disabled.
void CMainFrame::BindHandlers() {
  const auto always = [] { return true; };
  const auto withDocument = [this] { return HasDocument(); };
  const auto whenEmbedded = [this] { return app_.LaunchedEmbedded(); };
  // The bar is made after the commands; the edit box is looked up when a command runs.
  const auto editBox = [this]() -> EquationEdit& { return equationBar_->Edit(); };

  handlers_[ID_FILE_NEW] = {[this] { NewDocument(); }, always};
  handlers_[ID_FILE_OPEN] = {[this] { OpenDocument(); }, always};
  handlers_[ID_FILE_CLOSE] = {[this] { mdiArea_->closeActiveSubWindow(); }, withDocument};
  handlers_[ID_FILE_SAVE] = {OnActiveChild([](CChildFrame& child) { child.Save(); }), withDocument};
  handlers_[ID_FILE_SAVE_AS] = {OnActiveChild([](CChildFrame& child) { child.SaveAs(); }),
                                withDocument};
  handlers_[ID_FILE_SAVE_COPY_AS] = {OnActiveChild([](CChildFrame& child) { child.SaveCopyAs(); }),
                                     withDocument};
  handlers_[ID_FILE_PRINT] = {[this] { Print(); }, withDocument};
  handlers_[ID_FILE_PRINT_PREVIEW] = {[this] { PrintPreview(); }, withDocument};
  handlers_[ID_FILE_PRINT_SETUP] = {[this] { app_.Dialogs().SetUpPage(this, app_.Printer()); },
                                    always};
  // Ctrl+S in the document a container asked to edit; without that document it does nothing.
  handlers_[ID_FILE_UPDATE] = {[this] {
                                 CChildFrame* child = ActiveChild();
                                 if (child != nullptr && child->IsEmbeddedObject())
                                   WriteEmbeddedObject(*child);
                               },
                               always};
  // Started by a container, leaving the program returns to it with the edit.
  handlers_[ID_APP_EXIT] = {[this] {
                              if (app_.LaunchedEmbedded()) {
                                UpdateAndReturn();
                              } else {
                                close();
                              }
                            },
                            always};
  handlers_[ID_UPDATE_AND_RETURN] = {[this] { UpdateAndReturn(); }, whenEmbedded};
  handlers_[ID_CANCEL_CHANGES] = {[this] { CancelChanges(); }, whenEmbedded};

  handlers_[ID_EDIT_CUT] = {[editBox] { editBox().cut(); }, always};
  handlers_[ID_EDIT_COPY] = {[editBox] { editBox().copy(); }, always};
  handlers_[ID_EDIT_PASTE] = {[editBox] { editBox().paste(); }, always};
  handlers_[ID_COPY_METAFILE] = {[this] { CopyPicture(ClipboardPicture::kScalable); },
                                 withDocument};
  handlers_[ID_COPY_BITMAP] = {[this] { CopyPicture(ClipboardPicture::kBitmap); }, withDocument};
  handlers_[ID_COPY_MATHML] = {[this] { CopyMarkup(CopyDocumentMathML); }, withDocument};
  handlers_[ID_COPY_LATEX] = {[this] { CopyMarkup(CopyDocumentLatex); }, withDocument};
  handlers_[ID_VIEW_TOOLBAR] = {
      [this] { toolBar_->setVisible(commands_[ID_VIEW_TOOLBAR]->isChecked()); }, always};
  handlers_[ID_VIEW_STATUS_BAR] = {
      [this] { statusBar()->setVisible(commands_[ID_VIEW_STATUS_BAR]->isChecked()); }, always};

  const auto resetPreferences = OnActiveChild([](CChildFrame& child) {
    child.Document().ResetPreferences();
    child.UpdateTitle();
  });
  handlers_[ID_TOOLS_RESET_EQUATION] = {resetPreferences, withDocument};
  handlers_[ID_RESET_PREFERENCES] = {resetPreferences, withDocument};
  const auto editPreferences = OnActiveChild([](CChildFrame& child) {
    if (child.Document().EditPreferences()) child.UpdateTitle();
  });
  handlers_[ID_TOOLS_EDIT_OPTIONS] = {editPreferences, withDocument};
  handlers_[ID_EDIT_PREFERENCES] = {editPreferences, withDocument};
  handlers_[ID_TOOLS_RESET_OPTIONS] = {[this] { app_.OnResetOptions(); }, always};
  handlers_[ID_TOOLS_WRITE_DEFAULT_CONFIG] = {[this] { app_.OnWriteDefaultConfiguration(); },
                                              always};

  // One view per document: a second window is never made.
  handlers_[ID_WINDOW_NEW] = {[] {}, always};
  handlers_[ID_WINDOW_CASCADE] = {[this] { mdiArea_->cascadeSubWindows(); }, withDocument};
  handlers_[ID_WINDOW_TILE_HORZ] = {[this] { mdiArea_->tileSubWindows(); }, withDocument};
  handlers_[ID_WINDOW_ARRANGE] = {[this] { ArrangeIcons(); }, withDocument};

  // Each documentation command is enabled exactly while its file is there.
  for (const DocumentationFile& file : DocumentationFiles()) {
    const std::string name = file.fileName;
    handlers_[file.command] = {[this, name] { app_.ReadDocumentation(name); },
                               [name] {
                                 std::error_code error;
                                 return std::filesystem::is_regular_file(DocumentationPath(name),
                                                                         error);
                               }};
  }
  handlers_[ID_APP_ABOUT] = {[this] { app_.OnAppAbout(); }, always};
  handlers_[ID_HELP_ABOUT_MAKER] = {[this] { app_.OnAboutMaker(); }, always};
  // Undo and the panes have no handler: they stay disabled.
}

// A documentation file added or removed while the program runs changes its command at once:
// the folders are watched, and the Help menu looks again each time it opens.
void CMainFrame::WatchDocumentation() {
  auto* watcher = new QFileSystemWatcher(this);
  for (const std::filesystem::path& folder : DocumentationFolders()) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
      watcher->addPath(QString::fromStdString(folder.string()));
  }
  connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this] { UpdateCommands(); });
}

QMenu* CMainFrame::CreateMenu(const MenuLayout& layout) {
  auto* menu = new QMenu(tr(layout.title), this);
  for (const int entry : layout.entries) {
    if (entry == kSeparator) {
      menu->addSeparator();
    } else if (entry == kRecentFiles) {
      menu->addAction(noRecentFile_);
      for (QAction* action : recentFileCommands_)
        menu->addAction(action);
    } else {
      menu->addAction(commands_.at(entry));
    }
  }
  return menu;
}

void CMainFrame::CreateMenuBars() {
  for (const MenuBarKind kind :
       {MenuBarKind::kNoDocument, MenuBarKind::kDocument, MenuBarKind::kEmbedded}) {
    for (const MenuLayout& layout : MenuBar(kind)) {
      QMenu* menu = CreateMenu(layout);
      // The Window menu lists the open documents after its commands.
      if (std::find(layout.entries.begin(), layout.entries.end(), ID_WINDOW_NEW) !=
          layout.entries.end())
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { ListWindows(menu); });
      // The Help menu's documentation files may have come or gone since it last opened.
      if (std::find(layout.entries.begin(), layout.entries.end(), ID_HELP_READ_HELP) !=
          layout.entries.end())
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
      menuBars_[kind].push_back(menu);
    }
  }
  UpdateRecentFileCommands();
  menuBarInForce_ = MenuBarKind::kDocument;  // differs from the first one shown below
  ShowMenuBar(MenuBarKind::kNoDocument);
}

void CMainFrame::CreateToolBar() {
  toolBar_ = addToolBar(tr("Toolbar"));
  toolBar_->setObjectName("toolBar");
  toolBar_->setIconSize(QSize(16, 15));
  for (const int entry : ToolBarEntries()) {
    if (entry == kSeparator) {
      toolBar_->addSeparator();
    } else {
      toolBar_->addAction(commands_.at(entry));
    }
  }
  // Hidden or shown by its own button or the menu, the menu's mark follows.
  connect(toolBar_, &QToolBar::visibilityChanged, commands_[ID_VIEW_TOOLBAR], &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
  statusBar()->setObjectName("statusBar");
  lockKeys_ = new LockKeyWatcher(this);
  for (const auto& [key, text] :
       {std::pair{LockKey::kCapsLock, "CAP"}, std::pair{LockKey::kNumLock, "NUM"},
        std::pair{LockKey::kScrollLock, "SCRL"}}) {
    auto* label = new QLabel(tr(text), this);
    label->setObjectName(QString("indicator%1").arg(text));
    statusBar()->addPermanentWidget(label);
    lockIndicators_.emplace_back(key, label);
  }
  connect(lockKeys_, &LockKeyWatcher::changed, this, [this] { UpdateLockIndicators(); });
  UpdateLockIndicators();
  ShowStatusMessage(tr("Ready"));
}

void CMainFrame::UpdateLockIndicators() {
  // A key whose state the window system does not tell shows as off.
  for (const auto& [key, label] : lockIndicators_)
    label->setEnabled(lockKeys_->IsOn(key).value_or(false));
}

void CMainFrame::CreateEquationBar() {
  addToolBarBreak(Qt::TopToolBarArea);
  equationBar_ = new EquationBar(this);
  addToolBar(Qt::TopToolBarArea, equationBar_);
  connect(&equationBar_->Edit(), &EquationEdit::equationEdited, this, [this] { EquationEdited(); });
  connect(&equationBar_->Edit(), &EquationEdit::refused, this,
          [this](const QString& message) { ShowStatusMessage(message); });
}

// Typing always goes to the equation: whenever the focus lands elsewhere in this window (a
// document made or activated, a click on a view), it goes back to the edit box once the events
// of the moment are handled.
void CMainFrame::KeepFocusInEquationBox() {
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    EquationEdit* edit = &equationBar_->Edit();
    if (now == nullptr || now == edit || !isAncestorOf(now)) return;
    QMetaObject::invokeMethod(
        edit, [edit] { edit->setFocus(); }, Qt::QueuedConnection);
  });
}

// ---------------------------------------------------------------------------------------------
// CMainFrame: commands in force

QAction* CMainFrame::Command(int id) const {
  const auto found = commands_.find(id);
  return found == commands_.end() ? nullptr : found->second;
}

void CMainFrame::UpdateCommands() {
  for (const auto& [id, action] : commands_) {
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) continue;
    const auto handler = handlers_.find(id);
    action->setEnabled(handler != handlers_.end() && handler->second.enabled());
  }
  const CChildFrame* child = ActiveChild();
  const bool embedded = child != nullptr && child->IsEmbeddedObject();
  ShowMenuBar(child == nullptr ? MenuBarKind::kNoDocument
                               : (embedded ? MenuBarKind::kEmbedded : MenuBarKind::kDocument));
  UseAccelerators(embedded ? AcceleratorTable::kEmbedded : AcceleratorTable::kMainFrame);
}

void CMainFrame::ShowMenuBar(MenuBarKind kind) {
  if (kind == menuBarInForce_) return;
  menuBarInForce_ = kind;
  menuBar()->clear();
  for (QMenu* menu : menuBars_.at(kind))
    menuBar()->addMenu(menu);
}

void CMainFrame::UseAccelerators(AcceleratorTable table) {
  std::map<int, QList<QKeySequence>> keys;
  for (const Accelerator& accelerator : Accelerators(table))
    keys[accelerator.id].append(QKeySequence(accelerator.keys));
  for (const auto& [id, action] : commands_) {
    const auto found = keys.find(id);
    action->setShortcuts(found == keys.end() ? QList<QKeySequence>() : found->second);
  }
}

// ---------------------------------------------------------------------------------------------
// CMainFrame: documents

CChildFrame* CMainFrame::ActiveChild() {
  return qobject_cast<CChildFrame*>(mdiArea_->activeSubWindow());
}

KLV300Doc* CMainFrame::ActiveDocument() {
  CChildFrame* child = ActiveChild();
  return child != nullptr ? &child->Document() : nullptr;
}

QList<CChildFrame*> CMainFrame::Children() const {
  QList<CChildFrame*> children;
  for (QMdiSubWindow* window : mdiArea_->subWindowList())
    if (auto* child = qobject_cast<CChildFrame*>(window)) children.append(child);
  return children;
}

CChildFrame* CMainFrame::MakeChild(QString name) {
  auto* child = new CChildFrame(app_, std::move(name));
  // Every file a document is read from or saved to joins the recent files; a closed document
  // changes what the commands may do.
  connect(child, &CChildFrame::fileUsed, this,
          [this](const std::filesystem::path& path) { RememberFile(path); });
  connect(
      child, &QObject::destroyed, this, [this] { UpdateCommands(); }, Qt::QueuedConnection);
  return child;
}

CChildFrame& CMainFrame::Show(CChildFrame* child) {
  mdiArea_->addSubWindow(child);
  child->showMaximized();
  mdiArea_->setActiveSubWindow(child);
  equationBar_->Edit().setFocus();
  UpdateCommands();
  return *child;
}

CChildFrame& CMainFrame::NewDocument() {
  return Show(MakeChild(tr("Kalvane3%1").arg(++documentsMade_)));
}

CChildFrame* CMainFrame::OpenDocument(std::filesystem::path path) {
  if (path.empty()) {
    const QString chosen = app_.Dialogs().FileToOpen(this);
    if (chosen.isEmpty()) return nullptr;
    path = chosen.toStdString();
  }
  for (CChildFrame* child : Children()) {
    if (SameFile(child->Path(), path)) {
      mdiArea_->setActiveSubWindow(child);
      RememberFile(path);
      return child;
    }
  }
  // A picture Kalvane made gives its equation back as a new document.
  if (IsPictureFile(path)) {
    std::unique_ptr<CChildFrame> child(MakeChild(tr("Kalvane3%1").arg(documentsMade_ + 1)));
    if (!child->OpenPicture(path)) return nullptr;
    ++documentsMade_;
    return &Show(child.release());
  }
  std::unique_ptr<CChildFrame> child(MakeChild(QString()));
  if (!child->Open(path)) return nullptr;
  return &Show(child.release());
}

void CMainFrame::OpenEmbeddedObject(const std::filesystem::path& path) {
  CChildFrame* child = MakeChild(tr("Kalvane3%1").arg(++documentsMade_));
  child->OpenEmbeddedObject(path);
  // Closing the container's document, by its frame's button or the Close command, returns.
  connect(
      child, &CChildFrame::returnRequested, this, [this] { UpdateAndReturn(); },
      Qt::QueuedConnection);
  Show(child);
}

// ---------------------------------------------------------------------------------------------
// CMainFrame: the container's commands

CChildFrame* CMainFrame::EmbeddedChild() const {
  for (CChildFrame* child : Children())
    if (child->IsEmbeddedObject()) return child;
  return nullptr;
}

bool CMainFrame::WriteEmbeddedObject(CChildFrame& child) {
  const ObjectUpdate update = UpdateObject(child.Document(), app_.Fonts(), app_.ExchangeStore(),
                                           ObjectFilesOf(child.Path()));
  if (!update.written) {
    app_.Dialogs().ShowError(this, tr("The equation could not be returned to the document: %1")
                                       .arg(QString::fromStdString(update.error)));
    return false;
  }
  child.UpdateTitle();
  // The container reads the picture's size and hint from this line too, so a hint the exchange
  // file could not keep is only shown.
  std::cout << ExtentLine(update.picture) << std::endl;
  if (!update.picture.hintError.empty())
    ShowStatusMessage(QString::fromStdString(update.picture.hintError));
  return true;
}

bool CMainFrame::CloseOtherDocuments() {
  for (CChildFrame* child : Children())
    if (!child->IsEmbeddedObject() && !child->close()) return false;
  return true;
}

void CMainFrame::UpdateAndReturn() {
  if (!app_.LaunchedEmbedded() || ending_) return;
  // The user's other documents are asked about first: a Cancel there keeps everything open
  // before anything reaches the container.
  if (!CloseOtherDocuments()) return;
  CChildFrame* object = EmbeddedChild();
  if (object != nullptr && !WriteEmbeddedObject(*object)) return;
  EndEmbedding(object != nullptr ? kExitUpdated : kExitCancelled);
}

void CMainFrame::CancelChanges() {
  if (!app_.LaunchedEmbedded() || ending_) return;
  if (!CloseOtherDocuments()) return;
  EndEmbedding(kExitCancelled);
}

void CMainFrame::EndEmbedding(int status) {
  ending_ = true;
  std::string error;
  if (!MarkReturned(app_.ExchangeStore(), error))
    app_.Dialogs().ShowError(this, QString::fromStdString(error));
  hide();
  for (CChildFrame* child : Children())
    child->Discard();
  app_.EndRun(status);
}

void CMainFrame::RememberFile(const std::filesystem::path& path) {
  if (!recentFiles_.Add(path))
    ShowStatusMessage(tr("The list of recent files could not be saved: %1")
                          .arg(QString::fromStdString(recentFiles_.LastError())));
  UpdateRecentFileCommands();
}

void CMainFrame::UpdateRecentFileCommands() {
  const std::vector<std::string>& files = recentFiles_.Files();
  for (std::size_t i = 0; i < recentFileCommands_.size(); ++i) {
    QAction* action = recentFileCommands_[i];
    action->setVisible(i < files.size());
    if (i < files.size()) action->setText(NumberedEntry(i, ShownPath(files[i])));
  }
  noRecentFile_->setVisible(files.empty());
}

// A recent file that cannot be opened any more leaves the list.
void CMainFrame::OpenRecentFile(std::size_t index) {
  const std::vector<std::string>& files = recentFiles_.Files();
  if (index >= files.size()) return;
  const std::string path = files[index];
  if (OpenDocument(path) == nullptr) {
    recentFiles_.Remove(index);
    UpdateRecentFileCommands();
  }
}

void CMainFrame::ListWindows(QMenu* windowMenu) {
  for (QAction* action : windowMenu->actions())
    if (action->property("windowEntry").toBool()) delete action;
  const QList<CChildFrame*> children = Children();
  if (children.isEmpty()) return;
  QAction* separator = windowMenu->addSeparator();
  separator->setProperty("windowEntry", true);
  for (qsizetype i = 0; i < children.size(); ++i) {
    CChildFrame* child = children[i];
    QAction* entry = windowMenu->addAction(
        NumberedEntry(static_cast<std::size_t>(i), QString(child->Name()).replace("&", "&&")));
    entry->setProperty("windowEntry", true);
    entry->setCheckable(true);
    entry->setChecked(child == ActiveChild());
    connect(entry, &QAction::triggered, this, [this, child] {
      if (Children().contains(child)) mdiArea_->setActiveSubWindow(child);
    });
  }
}

// Minimised documents lined up along the bottom of the area, from the left.
void CMainFrame::ArrangeIcons() {
  int left = 0;
  for (CChildFrame* child : Children()) {
    if (!child->isMinimized()) continue;
    child->move(left, mdiArea_->viewport()->height() - child->height());
    left += child->width();
  }
}

void CMainFrame::Print() {
  CChildFrame* child = ActiveChild();
  if (child == nullptr) return;
  QPrinter& printer = app_.Printer();
  if (app_.Dialogs().ChoosePrinter(this, printer)) PrintOn(child->Document(), printer);
}

void CMainFrame::PrintPreview() {
  CChildFrame* child = ActiveChild();
  if (child == nullptr) return;
  KLV300Doc& document = child->Document();
  app_.Dialogs().ShowPrintPreview(
      this, app_.Printer(), [this, &document](QPrinter& printer) { PrintOn(document, printer); });
}

void CMainFrame::PrintOn(KLV300Doc& document, QPrinter& printer) {
  QString error;
  if (!PrintDocument(document, app_.Fonts(), printer, error)) app_.Dialogs().ShowError(this, error);
}

// The picture is of the active document's box as its view measures it: the box of the last
// paint when that was this document's, and still this document's when another one painted last.
void CMainFrame::CopyPicture(ClipboardPicture kind) {
  CChildFrame* child = ActiveChild();
  if (child == nullptr) return;
  KLV300Doc& document = child->Document();
  FontMetricsSurface measuring(app_.Fonts());
  const NodeBox extent = document.GetDocumentExtent(measuring);
  const QString problem =
      CopyDocumentPicture(QGuiApplication::clipboard(), app_.Fonts(), document, extent, kind,
                          child->View().viewport()->logicalDpiX());
  if (!problem.isEmpty()) app_.Dialogs().ShowError(this, problem);
}

void CMainFrame::CopyMarkup(QString (*copy)(QClipboard*, KLV300Doc&)) {
  KLV300Doc* document = ActiveDocument();
  if (document == nullptr) return;
  const QString problem = copy(QGuiApplication::clipboard(), *document);
  if (!problem.isEmpty()) app_.Dialogs().ShowError(this, problem);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Closing the window of a container's editor is leaving it: the edit goes back.
  if (app_.LaunchedEmbedded() && !ending_) {
    event->ignore();
    UpdateAndReturn();
    return;
  }
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
  for (CChildFrame* child : Children())
    if (&child->Document() == &document) child->View().viewport()->update();
}

void CMainFrame::ShowStatusMessage(const QString& message) {
  statusBar()->showMessage(message);
}

}  // namespace kv
