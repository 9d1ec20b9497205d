// Answers the editor's questions from a script, and keeps the messages it showed. With
// `realFileDialogs` the file dialogs are the program's own, for a test to answer as a person would.
#pragma once

#include <QDialog>
#include <QPrinter>
#include <QStringList>
#include <functional>

#include "app/user_dialogs.h"

namespace kv::test {

class ScriptedDialogs final : public UserDialogs {
 public:
  QStringList errors;
  QStringList messages;
  QStringList notices;          // "CAPTION: MESSAGE"
  QStringList questions;        // asked with OK and Cancel
  QList<bool> okCancelAnswers;  // true for OK; Cancel when none is left
  QList<SaveAnswer> saveAnswers;
  QStringList filesToOpen;
  QStringList filesToSave;
  int questionsAsked = 0;
  int fileDialogsShown = 0;
  bool realFileDialogs = false;
  // Where the print dialog sends the pages: a PDF file, or nowhere when empty (cancelled).
  QString printToPdf;
  int pageSetups = 0;
  int previews = 0;
  int beeps = 0;
  // What the user does in a dialog of the program's own, which is shown but runs no event loop
  // of its own: the script closes it (or not, which counts as Cancel).
  std::function<void(QDialog&)> inDialog;

  void ShowError(QWidget*, const QString& message) override { errors << message; }
  void ShowMessage(QWidget*, const QString& message) override { messages << message; }
  void ShowNotice(QWidget*, const QString& caption, const QString& message) override {
    notices << caption + ": " + message;
  }
  bool AskOkCancel(QWidget*, const QString& question) override {
    questions << question;
    return !okCancelAnswers.isEmpty() && okCancelAnswers.takeFirst();
  }
  SaveAnswer AskToSaveChanges(QWidget*, const QString&) override {
    ++questionsAsked;
    return saveAnswers.isEmpty() ? SaveAnswer::kCancel : saveAnswers.takeFirst();
  }
  QString FileToOpen(QWidget* parent) override {
    ++fileDialogsShown;
    if (realFileDialogs) return real_.FileToOpen(parent);
    return filesToOpen.isEmpty() ? QString() : filesToOpen.takeFirst();
  }
  QString FileToSaveAs(QWidget* parent, const QString& suggested) override {
    ++fileDialogsShown;
    if (realFileDialogs) return real_.FileToSaveAs(parent, suggested);
    return filesToSave.isEmpty() ? QString() : filesToSave.takeFirst();
  }
  bool ChoosePrinter(QWidget*, QPrinter& printer) override {
    if (printToPdf.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printToPdf);
    return true;
  }
  void SetUpPage(QWidget*, QPrinter&) override { ++pageSetups; }
  void ShowPrintPreview(QWidget*, QPrinter& printer,
                        const std::function<void(QPrinter&)>& paint) override {
    ++previews;
    paint(printer);
  }
  bool RunModal(QDialog& dialog) override {
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (inDialog) inDialog(dialog);
    const bool accepted = dialog.result() == QDialog::Accepted;
    dialog.hide();
    return accepted;
  }
  void Beep() override { ++beeps; }

 private:
  QtDialogs real_;
};

}  // namespace kv::test
