#include "app/about_dialogs.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace kv {

CStaticLink::CStaticLink(const QString& text, std::function<bool(const QString&)> open,
                         std::function<void()> beep, QWidget* parent)
    : QLabel(text, parent), open_(std::move(open)), beep_(std::move(beep)) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  setCursor(Qt::PointingHandCursor);
  // Reachable with Tab and followed with Space or Enter, as a link in a dialog should be.
  setFocusPolicy(Qt::StrongFocus);
  UpdateColour();
}

QColor CStaticLink::TextColour() const {
  return QColor::fromRgb(visited_ ? kVisitedColour : kUnvisitedColour);
}

void CStaticLink::UpdateColour() {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, TextColour());
  setPalette(colours);
  update();
}

void CStaticLink::Follow() {
  const QString target = target_.isEmpty() ? text() : target_;
  if (!open_(target)) {
    beep_();
    return;
  }
  visited_ = true;
  UpdateColour();
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Follow();
  QLabel::mouseReleaseEvent(event);
}

void CStaticLink::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
      event->key() == Qt::Key_Enter) {
    Follow();
    return;
  }
  QLabel::keyPressEvent(event);
}

namespace {

QDialogButtonBox* OkButton(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  return buttons;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("aboutBox");
  setWindowTitle(tr("About Kalvane 3"));
  auto* icon = new QLabel(this);
  icon->setObjectName("icon");
  icon->setPixmap(QIcon(":/kalvane/kalvane.png").pixmap(32, 32));
  auto* version = new QLabel(tr("Kalvane V3.100"), this);
  version->setObjectName("version");
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(12);
  row->addWidget(version, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(OkButton(this));
}

KVAboutMorvak::KVAboutMorvak(std::function<bool(const QString&)> open, std::function<void()> beep,
                             QWidget* parent)
    : QDialog(parent),
      link_(new CStaticLink(kContactAddress, std::move(open), std::move(beep), this)) {
  setObjectName("aboutMorvak");
  setWindowTitle(tr("About Morvak"));
  link_->setObjectName("control1028");
  auto* text = new QLabel(tr("Current contact details for Morvak can be found at "), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(link_);
  layout->addWidget(OkButton(this));
}

}  // namespace kv
