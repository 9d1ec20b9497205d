// Every question and message the editor puts to the user goes through UserDialogs, so tests can
// answer them: the program uses QtDialogs (message boxes and file dialogs), a test its own.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QPrinter;
class QWidget;

namespace kv {

enum class SaveAnswer { kSave, kDiscard, kCancel };

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // A failure the user must know of; the work goes on.
  virtual void ShowError(QWidget* parent, const QString& message) = 0;
  // Something the user should know that is not a failure.
  virtual void ShowMessage(QWidget* parent, const QString& message) = 0;
  // A message box with a caption of its own and OK.
  virtual void ShowNotice(QWidget* parent, const QString& caption, const QString& message) = 0;
  // A question with OK and Cancel; true for OK.
  virtual bool AskOkCancel(QWidget* parent, const QString& question) = 0;
  // "Save changes to NAME?" with Yes, No and Cancel.
  virtual SaveAnswer AskToSaveChanges(QWidget* parent, const QString& documentName) = 0;
  // A document file to open, or empty when the user cancelled.
  virtual QString FileToOpen(QWidget* parent) = 0;
  // The file to save a document as (`suggested` to begin with), or empty when cancelled. Besides
  // documents the user may choose a MathML file (its name then ends in kMathMLExtension), which
  // the equation is exported to.
  virtual QString FileToSaveAs(QWidget* parent, const QString& suggested) = 0;
  // The print dialog: the printer and its settings are chosen on `printer`. False when the user
  // cancelled.
  virtual bool ChoosePrinter(QWidget* parent, QPrinter& printer) = 0;
  // The page setup dialog on `printer`.
  virtual void SetUpPage(QWidget* parent, QPrinter& printer) = 0;
  // The print preview of `printer`'s pages, painted by `paint` (on the printer it is given),
  // from which the user may print.
  virtual void ShowPrintPreview(QWidget* parent, QPrinter& printer,
                                const std::function<void(QPrinter&)>& paint) = 0;
  // Runs a dialog of the program's own until the user closes it; true when closed with OK.
  virtual bool RunModal(QDialog& dialog) = 0;
  // The system's sound that a command was done without a window to show for it.
  virtual void Beep() = 0;
};

// The file dialogs' filter of document files.
// What Open offers: documents, and the pictures Kalvane made, which carry their equation.
inline constexpr const char* kOpenFilter =
    "Kalvane 3 Files (*.kv3);;Pictures Made by Kalvane (*.svg *.png *.wmf)";
inline constexpr const char* kDocumentExtension = ".kv3";
// What Save As offers: documents, and the equation exported as MathML.
inline constexpr const char* kMathMLFilter = "MathML (*.mml)";
inline constexpr const char* kSaveAsFilter = "Kalvane 3 Files (*.kv3);;MathML (*.mml)";
inline constexpr const char* kMathMLExtension = ".mml";

class QtDialogs final : public UserDialogs {
 public:
  void ShowError(QWidget* parent, const QString& message) override;
  void ShowMessage(QWidget* parent, const QString& message) override;
  void ShowNotice(QWidget* parent, const QString& caption, const QString& message) override;
  bool AskOkCancel(QWidget* parent, const QString& question) override;
  SaveAnswer AskToSaveChanges(QWidget* parent, const QString& documentName) override;
  QString FileToOpen(QWidget* parent) override;
  QString FileToSaveAs(QWidget* parent, const QString& suggested) override;
  bool ChoosePrinter(QWidget* parent, QPrinter& printer) override;
  void SetUpPage(QWidget* parent, QPrinter& printer) override;
  void ShowPrintPreview(QWidget* parent, QPrinter& printer,
                        const std::function<void(QPrinter&)>& paint) override;
  bool RunModal(QDialog& dialog) override;
  void Beep() override;
};

}  // namespace kv
