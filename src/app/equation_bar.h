// The bar docked at the top of the main frame with the equation edit box: each line of the box
// is one line of the equation. The box holds Unicode; the engine reads Windows-1252, so a
// character without a Windows-1252 form is refused as it is typed or pasted, and the text stays
// as it was.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QToolBar>
#include <string>
#include <string_view>

namespace kv {

// The first character of `text` that has no Windows-1252 form, or an empty string.
QString FirstCharacterWithoutWindows1252(const QString& text);
// A document's text (Windows-1252, lines joined by CR LF) as the box shows it.
QString ShownEquationText(std::string_view text);

class EquationEdit final : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit EquationEdit(QWidget* parent = nullptr);

  // The box's text as the document takes it: Windows-1252, lines joined by CR LF.
  std::string EquationText() const;
  // Shows a document's text (Windows-1252, CR LF) without raising equationEdited.
  void ShowEquationText(std::string_view text);

 signals:
  // The user changed the text.
  void equationEdited();
  // A typed or pasted text was refused; `message` says why.
  void refused(const QString& message);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Text is pasted as it is; without text, the equation of a Kalvane picture or document.
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  bool Accepts(const QString& text);

  bool showing_ = false;
};

class EquationBar final : public QToolBar {
  Q_OBJECT

 public:
  explicit EquationBar(QWidget* parent = nullptr);
  EquationEdit& Edit() { return *edit_; }

 private:
  EquationEdit* edit_;
};

}  // namespace kv
