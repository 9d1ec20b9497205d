#include "app/equation_bar.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>

#include "app/clipboard_export.h"
#include "base/windows1252.h"

namespace kv {
namespace {

// Nineteen line breaks: the box starts with the twenty lines of an equation, all empty.
constexpr int kEmptyLineBreaks = 19;
// Tall enough for three lines of the box's font, as the bar's edit box shows.
constexpr int kVisibleLines = 3;

bool IsLineBreak(char32_t codePoint) {
  return codePoint == U'\n' || codePoint == U'\r' || codePoint == U'\u2029';
}

}  // namespace

QString FirstCharacterWithoutWindows1252(const QString& text) {
  for (const char32_t codePoint : text.toUcs4()) {
    if (!IsLineBreak(codePoint) && !UnicodeToWindows1252(codePoint))
      return QString::fromUcs4(&codePoint, 1);
  }
  return {};
}

EquationEdit::EquationEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName("equationEdit");
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabChangesFocus(false);
  // Undo is not offered: its command stays disabled, and the box keeps no history that would
  // grow with every edit.
  setUndoRedoEnabled(false);
  setPlainText(QString(kEmptyLineBreaks, QChar('\n')));
  moveCursor(QTextCursor::Start);
  setFixedHeight(fontMetrics().lineSpacing() * kVisibleLines + 2 * frameWidth() +
                 static_cast<int>(2 * document()->documentMargin()));
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (!showing_) emit equationEdited();
  });
}

std::string EquationEdit::EquationText() const {
  // Input is checked as it comes; a character that slipped past (an input method's composition)
  // is left out rather than taking the whole text with it.
  std::string text;
  for (const char32_t codePoint : toPlainText().toUcs4()) {
    if (codePoint == U'\n') {
      text += "\r\n";
    } else if (const auto byte = UnicodeToWindows1252(codePoint)) {
      text += static_cast<char>(*byte);
    }
  }
  return text;
}

QString ShownEquationText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    shown += text[i] == '\r' ? '\n' : text[i];
  }
  return QString::fromStdString(Windows1252ToUtf8(shown));
}

void EquationEdit::ShowEquationText(std::string_view text) {
  showing_ = true;
  setPlainText(ShownEquationText(text));
  showing_ = false;
}

bool EquationEdit::Accepts(const QString& text) {
  const QString refusedCharacter = FirstCharacterWithoutWindows1252(text);
  if (refusedCharacter.isEmpty()) return true;
  emit refused(tr("\"%1\" cannot be part of an equation: it has no Windows-1252 form.")
                   .arg(refusedCharacter));
  return false;
}

void EquationEdit::keyPressEvent(QKeyEvent* event) {
  if (!event->text().isEmpty() && !Accepts(event->text())) {
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

bool EquationEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasText() || source->hasFormat(kEquationMimeType) ||
         source->hasFormat(kSvgMimeType) || source->hasFormat(kPngMimeType);
}

void EquationEdit::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText()) {
    if (const std::optional<QString> equation = EquationTextOf(*source)) insertPlainText(*equation);
    return;
  }
  if (!Accepts(source->text())) return;
  QPlainTextEdit::insertFromMimeData(source);
}

EquationBar::EquationBar(QWidget* parent) : QToolBar(tr("Equation"), parent) {
  setObjectName("equationBar");
  setMovable(false);
  setFloatable(false);
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(":/kalvane/kalvane.png").pixmap(32, 32));
  addWidget(icon);
  edit_ = new EquationEdit(this);
  addWidget(edit_);
}

}  // namespace kv
