#include "app/child_frame.h"

#include <QCloseEvent>
#include <QIcon>
#include <optional>
#include <vector>

#include "app/application.h"
#include "app/clipboard_export.h"
#include "app/equation_view.h"
#include "app/user_dialogs.h"
#include "base/safe_save.h"
#include "document/compound_file.h"
#include "document/document_file.h"
#include "embedding/equation_picture.h"
#include "markup/markup.h"
#include "render/picture_metadata.h"

namespace kv {

namespace {

// Whether the file dialog's answer is a MathML file rather than a document.
bool IsMathMLFile(const QString& path) {
  return path.endsWith(kMathMLExtension, Qt::CaseInsensitive);
}

}  // namespace

bool IsPictureFile(const std::filesystem::path& path) {
  try {
    return SniffPictureFile(path).has_value();
  } catch (const PictureError&) {
    return true;  // a picture that cannot be read: opening it says why
  }
}

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

void CChildFrame::OpenEmbeddedObject(const std::filesystem::path& objectFile) {
  embeddedObject_ = true;
  std::error_code error;
  if (std::filesystem::exists(objectFile, error))
    RunFileWork([&] { OpenDocumentFile(*document_, objectFile); });
  path_ = objectFile;
  name_ = QString::fromStdString(objectFile.filename().string());
  UpdateTitle();
}

void CChildFrame::Discard() {
  discarding_ = true;
  document_->SetModifiedFlag(false);
  close();
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

bool CChildFrame::OpenPicture(const std::filesystem::path& path) {
  std::string error;
  std::optional<std::vector<std::uint8_t>> picture;
  try {
    picture = ReadPictureFile(path);
    if (!picture) error = "the file is not a picture";
  } catch (const PictureError& failure) {
    error = failure.what();
  }
  if (!picture || !OpenPictureDocument(*document_, *picture, error)) {
    app_.Dialogs().ShowError(
        this, QString::fromStdString(kFailedToOpenDocument + std::string("\n\n") + path.string() +
                                     ": " + error));
    return false;
  }
  document_->SetModifiedFlag(true);
  UpdateTitle();
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
  if (IsMathMLFile(chosen)) {
    ExportMathML(chosen.toStdString());
    return false;
  }
  return SaveTo(chosen.toStdString());
}

bool CChildFrame::SaveCopyAs() {
  const QString chosen = app_.Dialogs().FileToSaveAs(this, name_);
  if (chosen.isEmpty()) return false;
  if (IsMathMLFile(chosen)) return ExportMathML(chosen.toStdString());
  const std::filesystem::path copy = chosen.toStdString();
  // The copy is not the document's file: the document stays as modified as it was.
  if (!RunFileWork([&] { SaveDocumentCopy(*document_, copy); })) return false;
  emit fileUsed(copy);
  return true;
}

bool CChildFrame::ExportMathML(const std::filesystem::path& path) {
  std::string file;
  try {
    file = StandaloneMathML(*document_) + "\n";
  } catch (const MarkupError& error) {
    app_.Dialogs().ShowError(
        this,
        tr("The equation cannot be written as MathML: %1").arg(QString::fromUtf8(error.what())));
    return false;
  }
  std::string reason;
  if (!SaveFileReplacing(path.string(), file, reason)) {
    app_.Dialogs().ShowError(
        this, tr("The MathML file %1 could not be saved: %2")
                  .arg(QString::fromStdString(path.string()), QString::fromStdString(reason)));
    return false;
  }
  return true;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (embeddedObject_ && !discarding_) {
    event->ignore();
    emit returnRequested();
    return;
  }
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
