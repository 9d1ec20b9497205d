#include "app/user_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace kv {

void QtDialogs::ShowError(QWidget* parent, const QString& message) {
  QMessageBox::warning(parent, QApplication::applicationName(), message);
}

void QtDialogs::ShowMessage(QWidget* parent, const QString& message) {
  QMessageBox::information(parent, QApplication::applicationName(), message);
}

void QtDialogs::ShowNotice(QWidget* parent, const QString& caption, const QString& message) {
  QMessageBox::warning(parent, caption, message);
}

bool QtDialogs::AskOkCancel(QWidget* parent, const QString& question) {
  return QMessageBox::question(parent, QApplication::applicationName(), question,
                               QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Ok) == QMessageBox::Ok;
}

SaveAnswer QtDialogs::AskToSaveChanges(QWidget* parent, const QString& documentName) {
  const auto button = QMessageBox::question(
      parent, QApplication::applicationName(),
      QApplication::translate("UserDialogs", "Save changes to %1?").arg(documentName),
      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (button == QMessageBox::Yes) return SaveAnswer::kSave;
  if (button == QMessageBox::No) return SaveAnswer::kDiscard;
  return SaveAnswer::kCancel;
}

QString QtDialogs::FileToOpen(QWidget* parent) {
  return QFileDialog::getOpenFileName(parent, QString(), QString(), kOpenFilter);
}

// A name typed without its extension gets the one of the type chosen; a name ending in ".mml" is
// a MathML file whichever type is chosen.
QString QtDialogs::FileToSaveAs(QWidget* parent, const QString& suggested) {
  QString type;
  const QString path =
      QFileDialog::getSaveFileName(parent, QString(), suggested, kSaveAsFilter, &type);
  if (path.isEmpty() || path.endsWith(kMathMLExtension, Qt::CaseInsensitive)) return path;
  if (type == kMathMLFilter) return path + kMathMLExtension;
  return path.endsWith(kDocumentExtension, Qt::CaseInsensitive) ? path : path + kDocumentExtension;
}

bool QtDialogs::ChoosePrinter(QWidget* parent, QPrinter& printer) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::SetUpPage(QWidget* parent, QPrinter& printer) {
  QPageSetupDialog dialog(&printer, parent);
  dialog.exec();
}

void QtDialogs::ShowPrintPreview(QWidget* parent, QPrinter& printer,
                                 const std::function<void(QPrinter&)>& paint) {
  QPrintPreviewDialog dialog(&printer, parent);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                   [&paint](QPrinter* target) { paint(*target); });
  dialog.exec();
}

bool QtDialogs::RunModal(QDialog& dialog) {
  return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::Beep() {
  QApplication::beep();
}

}  // namespace kv
