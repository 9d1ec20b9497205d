#include "app/child_frame.h"

#include <QCloseEvent>
#include <QIcon>

#include "app/application.h"
#include "app/equation_view.h"
#include "app/user_dialogs.h"
#include "document/compound_file.h"
#include "document/document_file.h"

namespace kv {

CChildFrame::CChildFrame(KLV300App& app, QString name, QWidget* parent)
    : QMdiSubWindow(parent),
      app_(app),
      document_(std::make_unique<KLV300Doc>(app)),
      name_(std::move(name)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(QIcon(":/kalvane/kalvane.png"));
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

void CChildFrame::MakeEmbeddedObject(const std::filesystem::path& objectFile) {
  embeddedObject_ = true;
  path_ = objectFile;
  name_ = QString::fromStdString(objectFile.filename().string());
  UpdateTitle();
}

void CChildFrame::TakePath(const std::filesystem::path& path) {
  path_ = path;
  name_ = QString::fromStdString(path.filename().string());
  UpdateTitle();
  emit fileUsed(path);
}

bool CChildFrame::RunFileWork(const std::function<void()>& fileWork) {
  try {
    fileWork();
  } catch (const StorageError& error) {
    app_.Dialogs().ShowError(this, QString::fromStdString(error.what()));
    return false;
  }
  return true;
}

bool CChildFrame::Open(const std::filesystem::path& path) {
  if (!RunFileWork([&] { OpenDocumentFile(*document_, path); })) return false;
  TakePath(path);
  return true;
}

bool CChildFrame::SaveTo(const std::filesystem::path& path) {
  if (!RunFileWork([&] { SaveDocumentFile(*document_, path); })) return false;
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

bool CChildFrame::SaveCopyAs() {
  const QString chosen = app_.Dialogs().FileToSaveAs(this, name_);
  if (chosen.isEmpty()) return false;
  const std::filesystem::path copy = chosen.toStdString();
  // The copy is not the document's file: the document stays as modified as it was.
  if (!RunFileWork([&] { SaveDocumentCopy(*document_, copy); })) return false;
  emit fileUsed(copy);
  return true;
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

}  // namespace kv
