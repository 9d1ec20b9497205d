// The frame of one document: it owns the document and its one view, shows the document's name
// in its title with a mark while it is modified, and opens, saves and closes the document's file.
#pragma once

#include <QMdiSubWindow>
#include <filesystem>
#include <functional>
#include <memory>

#include "document/document.h"

namespace kv {

class KLV300App;
class KLV300View;

// Whether the file at `path` begins as a picture Kalvane writes (SVG, PNG or WMF) rather than a
// document.
bool IsPictureFile(const std::filesystem::path& path);

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
  // Whether this is the document a container asked to edit.
  bool IsEmbeddedObject() const { return embeddedObject_; }
  // Makes this the document a container asked to edit, read from the object's file when there
  // is one (a file that cannot be read is shown, and the document stays new). The object's file
  // is the document's path, but not a recent file: it belongs to the container.
  void OpenEmbeddedObject(const std::filesystem::path& objectFile);
  // Closes the frame without asking about changes: the container's side has dealt with them.
  void Discard();

  // Reads `path` into the document. On failure shows the message and returns false; the
  // document is then as it was.
  bool Open(const std::filesystem::path& path);
  // Reads the equation a picture Kalvane made carries (text and settings) into the document,
  // which stays new: it has no file, and it is modified. On failure shows why and returns false;
  // the document is then as it was.
  bool OpenPicture(const std::filesystem::path& path);
  // Saves to the document's file, or asks for one first. False when the save failed (the
  // message was shown) or the user cancelled. A MathML file chosen is an export (ExportMathML):
  // the document itself stays unsaved, so that gives false too.
  bool Save();
  bool SaveAs();
  // Saves a copy in a file the user chooses, or exports to a MathML file chosen; the document
  // keeps its file and modified flag.
  bool SaveCopyAs();
  // Writes the equation to `path` as a MathML file (StandaloneMathML and a line end), replacing
  // the file whole. The document keeps its file, name and modified flag. False, with the
  // message shown and an old file at `path` untouched, when it cannot be written.
  bool ExportMathML(const std::filesystem::path& path);
  // The title: the document's name, with a mark while it is modified.
  void UpdateTitle();

 signals:
  // The document was read from or saved to `path`.
  void fileUsed(const std::filesystem::path& path);
  // The container's document was asked to close: closing it returns to the container.
  void returnRequested();

 protected:
  // A modified document asks whether to save it first; Cancel, or a failed save, keeps it open.
  void closeEvent(QCloseEvent* event) override;

 private:
  bool SaveTo(const std::filesystem::path& path);
  void TakePath(const std::filesystem::path& path);
  // Runs `fileWork` (an open or a save); false, with the storage message shown, when it failed.
  bool RunFileWork(const std::function<void()>& fileWork);

  KLV300App& app_;
  std::unique_ptr<KLV300Doc> document_;
  KLV300View* view_;
  QString name_;
  std::filesystem::path path_;
  bool embeddedObject_ = false;
  bool discarding_ = false;
};

}  // namespace kv
