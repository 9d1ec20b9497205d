#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/application.h"
#include "app/equation_bar.h"
#include "app/equation_view.h"

namespace kv {

CChildFrame::CChildFrame(KLV300App& app, QString name, QWidget* parent)
    : QMdiSubWindow(parent), document_(std::make_unique<KLV300Doc>(app)), name_(std::move(name)) {
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

CMainFrame::CMainFrame(KLV300App& app, QWidget* parent)
    : QMainWindow(parent), app_(app), mdiArea_(new QMdiArea(this)) {
  setObjectName("mainFrame");
  setWindowTitle(tr("Kalvane 3"));
  setCentralWidget(mdiArea_);
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

void CMainFrame::CreateToolBar() {
  auto* toolBar = addToolBar(tr("Toolbar"));
  toolBar->setObjectName("toolBar");
  toolBar->setIconSize(QSize(16, 15));
  QAction* newDocument = toolBar->addAction(tr("New"), this, [this] { NewDocument(); });
  newDocument->setObjectName("newDocument");
  newDocument->setToolTip(tr("Create a new document"));
  newDocument->setShortcut(QKeySequence::New);
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
  file->addAction(findChild<QAction*>("newDocument"));
  file->addSeparator();
  QAction* exit = file->addAction(tr("E&xit"), this, &QWidget::close);
  exit->setObjectName("exit");
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
