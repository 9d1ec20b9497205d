// Every question and message the editor puts to the user goes through UserDialogs, so tests can
// answer them: the program uses QtDialogs (message boxes and file dialogs), a test its own.
#pragma once

#include <QString>

class QWidget;

namespace kv {

enum class SaveAnswer { kSave, kDiscard, kCancel };

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // A failure the user must know of; the work goes on.
  virtual void ShowError(QWidget* parent, const QString& message) = 0;
  // "Save changes to NAME?" with Yes, No and Cancel.
  virtual SaveAnswer AskToSaveChanges(QWidget* parent, const QString& documentName) = 0;
  // A document file to open, or empty when the user cancelled.
  virtual QString FileToOpen(QWidget* parent) = 0;
  // The file to save a document as (`suggested` to begin with), or empty when cancelled.
  virtual QString FileToSaveAs(QWidget* parent, const QString& suggested) = 0;
};

// The file dialogs' filter of document files.
inline constexpr const char* kDocumentFilter = "Kalvane 3 Files (*.kv3)";
inline constexpr const char* kDocumentExtension = ".kv3";

class QtDialogs final : public UserDialogs {
 public:
  void ShowError(QWidget* parent, const QString& message) override;
  SaveAnswer AskToSaveChanges(QWidget* parent, const QString& documentName) override;
  QString FileToOpen(QWidget* parent) override;
  QString FileToSaveAs(QWidget* parent, const QString& suggested) override;
};

}  // namespace kv
