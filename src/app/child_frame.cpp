#include "app/child_frame.h"

#include <QCloseEvent>
#include <QIcon>
#include <fstream>
#include <optional>
#include <vector>

#include "app/application.h"
#include "app/equation_view.h"
#include "app/user_dialogs.h"
#include "document/compound_file.h"
#include "document/document_file.h"
#include "embedding/equation_picture.h"
#include "render/picture_metadata.h"

namespace kv {
namespace {

// Larger files are not pictures of an equation; they are not read whole.
constexpr std::uintmax_t kLargestPicture = 64u * 1024 * 1024;
// Enough of a file's start to tell a picture format.
constexpr std::size_t kSniffedBytes = 64;

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::filesystem::path& path,
                                                       std::uintmax_t count, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "the file cannot be read";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadPictureFile(const std::filesystem::path& path,
                                                         std::string& error) {
  std::error_code failed;
  const std::uintmax_t size = std::filesystem::file_size(path, failed);
  if (failed) {
    error = failed.message();
    return std::nullopt;
  }
  if (size > kLargestPicture) {
    error = "the file is too large to be a picture of an equation";
    return std::nullopt;
  }
  return ReadFileStart(path, size, error);
}

}  // namespace

bool IsPictureFile(const std::filesystem::path& path) {
  std::string ignored;
  const auto start = ReadFileStart(path, kSniffedBytes, ignored);
  return start && SniffPictureFormat(*start).has_value();
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

bool CChildFrame::OpenPicture(const std::filesystem::path& path) {
  std::string error;
  const std::optional<std::vector<std::uint8_t>> picture = ReadPictureFile(path, error);
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
