#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/option_fields.h"
#include "app/options_pages.h"

namespace kv {
namespace {

using S = EquationSettings;

// A text setting edited as lines in a box: shown in one form, read back in another.
class ListBinding final : public PageBinding {
 public:
  ListBinding(QPlainTextEdit* box, StringOption S::*setting, ListTextForm lines, ListTextForm list)
      : box_(box), setting_(setting), lines_(lines), list_(list) {}

  void Open(EquationSettings& target) override { field_ = (target.*setting_).Current(); }
  void Show() override { box_->setPlainText(ShownText(lines_(field_))); }
  bool Take(QString& problem) override {
    std::string lines;
    if (!SettingText(box_->toPlainText(), lines, problem)) return false;
    field_ = list_(lines);
    return true;
  }
  void Apply(EquationSettings& settings) const override { (settings.*setting_).Set(field_); }
  QWidget* Control() const override { return box_; }

 private:
  QPlainTextEdit* box_;
  StringOption S::*setting_;
  ListTextForm lines_;
  ListTextForm list_;
  std::string field_;
};

// The box starts at its first line whenever the page comes into view.
class ListStartKeeper final : public QObject {
 public:
  ListStartKeeper(QWidget* page, QPlainTextEdit* box) : QObject(page), box_(box) {
    page->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      box_->moveCursor(QTextCursor::Start);
      box_->ensureCursorVisible();
    }
    return false;
  }

 private:
  QPlainTextEdit* box_;
};

}  // namespace

KLVListPropPage::KLVListPropPage(int index, const QString& tabLabel, const QString& note,
                                 QPlainTextEdit* box, StringOption S::*setting, ListTextForm lines,
                                 ListTextForm list, SheetContext& context, QWidget* parent)
    : KLVPropertyPage(index, tabLabel, context, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* noteLabel = new QLabel(note, this);
  noteLabel->setWordWrap(true);
  layout->addWidget(noteLabel);
  box->setParent(this);
  box->setObjectName(ControlName(1013));
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  AddBinding(std::make_unique<ListBinding>(box, setting, lines, list));
  new ListStartKeeper(this, box);
  layout->addWidget(box, 1);
  layout->addLayout(AddSetAsDefault(1039));
}

// Tab leaves the units box, as it leaves any other box of the sheet.
KLVUnitsPropPage::KLVUnitsPropPage(SheetContext& context, QWidget* parent)
    : KLVListPropPage(kIndex, tr("Units"),
                      tr("Anything listed here will be detected as a unit and will be displayed "
                         "using the \"units\" settings."),
                      new QPlainTextEdit, &S::UnitsList, &UnitListLines, &UnitListOfLines, context,
                      parent) {
  setObjectName("unitsPage");
  findChild<QPlainTextEdit*>(ControlName(1013))->setTabChangesFocus(true);
}

KLVMacrosPropPage::KLVMacrosPropPage(SheetContext& context, QWidget* parent)
    : KLVListPropPage(kIndex, tr("Shortcuts"),
                      tr("One shortcut on each line: what you type, Tab (shown as \u00BB), then "
                         "what it stands for."),
                      new ShortcutEdit, &S::MacroList, &ShortcutListLines, &ShortcutListOfLines,
                      context, parent) {
  setObjectName("shortcutsPage");
}

ShortcutEdit::ShortcutEdit(QWidget* parent) : QPlainTextEdit(parent) {}

void ShortcutEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      insertPlainText(QString(QChar(static_cast<unsigned char>(kShortcutMark))));
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      moveCursor(QTextCursor::Down);
      return;
    default:
      QPlainTextEdit::keyPressEvent(event);
  }
}

}  // namespace kv
