#include "app/user_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace kv {

void QtDialogs::ShowError(QWidget* parent, const QString& message) {
  QMessageBox::warning(parent, QApplication::applicationName(), message);
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
  return QFileDialog::getOpenFileName(parent, QString(), QString(), kDocumentFilter);
}

QString QtDialogs::FileToSaveAs(QWidget* parent, const QString& suggested) {
  QString path = QFileDialog::getSaveFileName(parent, QString(), suggested, kDocumentFilter);
  if (!path.isEmpty() && !path.endsWith(kDocumentExtension, Qt::CaseInsensitive))
    path += kDocumentExtension;
  return path;
}

}  // namespace kv
