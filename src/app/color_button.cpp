#include "app/color_button.h"

#include <qdrawutil.h>

#include <QApplication>
#include <QColorDialog>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolTip>
#include <algorithm>
#include <array>

namespace kv {
namespace {

constexpr int kRows =
    (CColorPopup::kColourCount + CColorPopup::kColumns - 1) / CColorPopup::kColumns;
constexpr int kLastBox = CColorPopup::kColourCount - 1;
constexpr int kBoxSize = 18;
// The smallest box that still shows a colour inside its margins and outline.
constexpr int kSmallestSwatch = 7;
// The button's drop-down arrow, from its left point to its right point.
constexpr int kArrowWidth = 4;
// How far a pushed button's content moves right and down.
constexpr int kPushShift = 1;

constexpr ColorRef Rgb(int red, int green, int blue) {
  return red | (green << 8) | (blue << 16);
}

struct NamedColour {
  ColorRef colour;
  const char* name;
};

// The palette, row by row from the top left; names are shown as tooltips.
constexpr std::array<NamedColour, CColorPopup::kColourCount> kPalette = {{
    {Rgb(0, 0, 0), "Black"},
    {Rgb(165, 42, 0), "Brown"},
    {Rgb(0, 64, 64), "Dark Olive Green"},
    {Rgb(0, 85, 0), "Dark Green"},
    {Rgb(0, 0, 94), "Dark Teal"},
    {Rgb(0, 0, 139), "Dark blue"},
    {Rgb(75, 0, 130), "Indigo"},
    {Rgb(40, 40, 40), "Dark grey"},
    {Rgb(139, 0, 0), "Dark red"},
    {Rgb(255, 104, 32), "Orange"},
    {Rgb(139, 139, 0), "Dark yellow"},
    {Rgb(0, 147, 0), "Green"},
    {Rgb(56, 142, 142), "Teal"},
    {Rgb(0, 0, 255), "Blue"},
    {Rgb(123, 123, 192), "Blue-grey"},
    {Rgb(102, 102, 102), "Grey - 40"},
    {Rgb(255, 0, 0), "Red"},
    {Rgb(255, 173, 91), "Light orange"},
    {Rgb(50, 205, 50), "Lime"},
    {Rgb(60, 179, 113), "Sea green"},
    {Rgb(127, 255, 212), "Aqua"},
    {Rgb(125, 158, 192), "Light blue"},
    {Rgb(128, 0, 128), "Violet"},
    {Rgb(127, 127, 127), "Grey - 50"},
    {Rgb(255, 192, 203), "Pink"},
    {Rgb(255, 215, 0), "Gold"},
    {Rgb(255, 255, 0), "Yellow"},
    {Rgb(0, 255, 0), "Bright green"},
    {Rgb(64, 224, 208), "Turquoise"},
    {Rgb(192, 255, 255), "Skyblue"},
    {Rgb(72, 0, 72), "Plum"},
    {Rgb(192, 192, 192), "Light grey"},
    {Rgb(255, 228, 225), "Rose"},
    {Rgb(210, 180, 140), "Tan"},
    {Rgb(255, 255, 224), "Light yellow"},
    {Rgb(152, 251, 152), "Pale green "},
    {Rgb(175, 238, 238), "Pale turquoise"},
    {Rgb(104, 131, 139), "Pale blue"},
    {Rgb(230, 230, 250), "Lavender"},
    {Rgb(255, 255, 255), "White"},
}};

// A rectangle given by its edges, the right and bottom ones lying just outside it.
QRect FromEdges(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

// A groove between two areas: a shadow line, and a highlight line beside it, `shift` away.
void DrawEtchedLine(QPainter& painter, const QPalette& colours, QPoint from, QPoint to,
                    QPoint shift) {
  painter.setPen(colours.color(QPalette::Dark));
  painter.drawLine(from, to);
  painter.setPen(colours.color(QPalette::Light));
  painter.drawLine(from + shift, to + shift);
}

bool IsArrowKey(int key) {
  return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CColorPopup: layout

CColorPopup::CColorPopup(CColorButton& owner, QPoint topLeft, ColorRef initialColour,
                         const QString& defaultText, const QString& customText)
    : QWidget(&owner, Qt::Popup),
      owner_(&owner),
      initialColour_(initialColour),
      defaultText_(defaultText),
      customText_(customText) {
  setObjectName("colourPopup");
  setAttribute(Qt::WA_DeleteOnClose);
  // The hot cell follows the pointer without a button held down.
  setMouseTracking(true);
  setFont(QApplication::font("QMessageBox"));
  Layout(topLeft);
  chosenCell_ = FindChosenCell();
  // Switching to another program drops the choice, as a click outside does. While the colour
  // dialog is up the pop-up is hidden and waits for the dialog's answer instead.
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive && !choosingCustom_) Finish(false, initialColour_);
          });
}

void CColorPopup::Layout(QPoint topLeft) {
  // The cells keep clear of the raised border by its own width.
  margin_ = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  boxSize_ = std::max(kBoxSize, 2 * margin_ + kSmallestSwatch);

  int textWidth = 0;
  int textHeight = 0;
  if (!defaultText_.isEmpty() || !customText_.isEmpty()) {
    const QFontMetrics metrics(font());
    const QSize defaultSize = metrics.size(Qt::TextSingleLine, defaultText_);
    const QSize customSize = metrics.size(Qt::TextSingleLine, customText_);
    textWidth = std::max(defaultSize.width(), customSize.width()) + 2 * margin_;
    textHeight = std::max(defaultSize.height(), customSize.height()) + 4 * margin_ + 2;
  }

  int width = 2 * margin_ + kColumns * boxSize_;
  int height = kRows * boxSize_ + 2 * margin_;
  boxesTop_ = margin_;
  if (!defaultText_.isEmpty()) {
    width = std::max(width, textWidth);
    defaultRect_ = FromEdges(margin_, margin_, width - margin_, textHeight + 2 * margin_);
    height += textHeight + 3 * margin_;
    boxesTop_ += textHeight + 2 * margin_;
  }
  if (!customText_.isEmpty()) {
    width = std::max(width, textWidth);
    customRect_ = FromEdges(margin_, height, width - margin_, height + textHeight + margin_);
    height += textHeight + 3 * margin_;
  }

  QRect window(topLeft, QSize(width, height));
  KeepOnScreen(window);
  setGeometry(window);
  setFixedSize(window.size());
}

void CColorPopup::KeepOnScreen(QRect& window) const {
  const QScreen* screen = QGuiApplication::screenAt(window.topLeft());
  if (!screen && owner_) screen = owner_->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  if (window.right() > area.right()) window.moveRight(area.right());
  if (window.left() < area.left()) window.moveLeft(area.left());
  // No room below the button: open above it instead.
  if (window.bottom() > area.bottom())
    window.translate(0, -(window.height() + (owner_ ? owner_->height() : 0)));
}

int CColorPopup::FindChosenCell() const {
  if (initialColour_ == kAutomaticColour && !defaultText_.isEmpty()) return kAutomaticCell;
  const auto found =
      std::find_if(kPalette.begin(), kPalette.end(),
                   [this](const NamedColour& entry) { return entry.colour == initialColour_; });
  if (found != kPalette.end()) return static_cast<int>(found - kPalette.begin());
  // A colour of the user's own making came from the colour dialog.
  return customText_.isEmpty() ? kNoCell : kCustomCell;
}

QRect CColorPopup::CellRect(int cell) const {
  if (cell == kAutomaticCell) return defaultRect_;
  if (cell == kCustomCell) return customRect_;
  if (cell < 0 || cell > kLastBox) return {};
  return QRect((cell % kColumns) * boxSize_ + margin_, (cell / kColumns) * boxSize_ + boxesTop_,
               boxSize_, boxSize_);
}

int CColorPopup::CellAt(QPoint position) const {
  if (defaultRect_.contains(position)) return kAutomaticCell;
  if (customRect_.contains(position)) return kCustomCell;
  const QPoint inBoxes = position - QPoint(margin_, boxesTop_);
  if (inBoxes.x() < 0 || inBoxes.y() < 0) return kNoCell;
  const int column = inBoxes.x() / boxSize_;
  const int row = inBoxes.y() / boxSize_;
  if (column >= kColumns || row >= kRows) return kNoCell;
  const int cell = row * kColumns + column;
  return cell <= kLastBox ? cell : kNoCell;
}

ColorRef CColorPopup::CellColour(int cell) const {
  if (cell == kAutomaticCell) return kAutomaticColour;
  if (cell >= 0 && cell <= kLastBox) return kPalette[static_cast<std::size_t>(cell)].colour;
  // The custom cell offers the dialog; until it is used, the colour stays the one it opened with.
  return initialColour_;
}

// ---------------------------------------------------------------------------------------------
// CColorPopup: the user's moves

// The arrow keys walk the boxes in reading order, row by row, and pass through the automatic cell
// (before the first box) and the custom cell (after the last) on the way round.
int CColorPopup::CellAfterArrow(int key) const {
  // The first arrow press shows where the keyboard stands, on the colour the pop-up opened with.
  if (hotCell_ == kNoCell) return chosenCell_ != kNoCell ? chosenCell_ : 0;

  const bool hasAutomatic = !defaultRect_.isEmpty();
  const bool hasCustom = !customRect_.isEmpty();
  const int beforeAutomatic = hasCustom ? kCustomCell : kLastBox;
  const int beforeBoxes = hasAutomatic ? kAutomaticCell : beforeAutomatic;
  const int afterCustom = hasAutomatic ? kAutomaticCell : 0;
  const int afterBoxes = hasCustom ? kCustomCell : afterCustom;
  const int cell = hotCell_;

  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      if (cell == kAutomaticCell) return beforeAutomatic;
      if (cell == kCustomCell) return kLastBox;
      if (key == Qt::Key_Left) return cell == 0 ? beforeBoxes : cell - 1;
      return cell < kColumns ? beforeBoxes : cell - kColumns;
    case Qt::Key_Right:
    case Qt::Key_Down:
      if (cell == kAutomaticCell) return 0;
      if (cell == kCustomCell) return afterCustom;
      if (key == Qt::Key_Right) return cell == kLastBox ? afterBoxes : cell + 1;
      return cell + kColumns > kLastBox ? afterBoxes : cell + kColumns;
    default:
      return cell;
  }
}

void CColorPopup::SetHotCell(int cell) {
  if (cell == hotCell_) return;
  update(CellRect(hotCell_));
  hotCell_ = cell;
  update(CellRect(hotCell_));
  emit hotColourChanged(CellColour(cell));
}

void CColorPopup::mouseMoveEvent(QMouseEvent* event) {
  // Between cells the last one pointed at stays hot, so the highlight does not flicker.
  const int cell = CellAt(event->position().toPoint());
  if (cell != kNoCell) SetHotCell(cell);
}

void CColorPopup::mousePressEvent(QMouseEvent* event) {
  if (!rect().contains(event->position().toPoint())) {
    // A press on the button that opened the pop-up only closes it; replayed, it would open
    // the pop-up again at once.
    if (owner_ && owner_->rect().contains(owner_->mapFromGlobal(event->globalPosition().toPoint())))
      setAttribute(Qt::WA_NoMouseReplay);
    Finish(false, initialColour_);
    return;
  }
  pressSeen_ = true;
  const int cell = CellAt(event->position().toPoint());
  if (cell != kNoCell) SetHotCell(cell);
}

void CColorPopup::mouseReleaseEvent(QMouseEvent* event) {
  // A release without a press here belongs to a click that began before the pop-up opened.
  if (!pressSeen_) return;
  const QPoint position = event->position().toPoint();
  if (!rect().contains(position)) {
    Finish(false, initialColour_);
    return;
  }
  const int cell = CellAt(position);
  if (cell != kNoCell) SetHotCell(cell);
  Accept();
}

void CColorPopup::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (IsArrowKey(key)) {
    SetHotCell(CellAfterArrow(key));
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
    Accept();
  } else if (key == Qt::Key_Escape) {
    Finish(false, initialColour_);
  } else {
    QWidget::keyPressEvent(event);
  }
}

bool CColorPopup::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    ShowToolTip(static_cast<const QHelpEvent&>(*event));
    return true;
  }
  return QWidget::event(event);
}

void CColorPopup::ShowToolTip(const QHelpEvent& help) {
  const int cell = CellAt(help.pos());
  if (cell < 0) {
    QToolTip::hideText();
    return;
  }
  QToolTip::showText(help.globalPos(), tr(kPalette[static_cast<std::size_t>(cell)].name), this,
                     CellRect(cell));
}

// ---------------------------------------------------------------------------------------------
// CColorPopup: ending

void CColorPopup::Accept() {
  // Enter before any cell was pointed at picks nothing: the colour stays as it was.
  if (hotCell_ == kNoCell) {
    Finish(false, initialColour_);
  } else if (hotCell_ == kCustomCell) {
    ChooseCustomColour();
  } else {
    Finish(true, CellColour(hotCell_));
  }
}

void CColorPopup::ChooseCustomColour() {
  choosingCustom_ = true;
  // Out of the way while the dialog is up; a pop-up left showing would keep the mouse and
  // keyboard from it.
  hide();
  QWidget* dialogParent = owner_ ? owner_->window() : nullptr;
  auto* dialog = new QColorDialog(QColorFromColorRef(initialColour_), dialogParent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  // Qt's own dialog offers every colour and behaves the same on every desktop.
  dialog->setOption(QColorDialog::DontUseNativeDialog);
  connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
    choosingCustom_ = false;
    if (result == QDialog::Accepted)
      Finish(true, ColorRefFromQColor(dialog->selectedColor()));
    else
      Finish(false, initialColour_);
  });
  dialog->open();
}

void CColorPopup::Finish(bool accepted, ColorRef colour) {
  if (finished_) return;
  finished_ = true;
  // Closed before the button hears, so that whatever the button's owner does next (another
  // dialog, a redraw of the page) does not find the pop-up still up.
  close();
  if (accepted)
    emit selectionAccepted(colour);
  else
    emit selectionCancelled();
}

void CColorPopup::closeEvent(QCloseEvent* event) {
  // Closed from outside, by a click elsewhere or with its window: that drops the choice.
  if (!finished_) Finish(false, initialColour_);
  QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// CColorPopup: painting

void CColorPopup::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Button));
  qDrawShadePanel(&painter, rect(), palette(), false, margin_);
  if (!defaultRect_.isEmpty()) PaintCell(painter, kAutomaticCell);
  for (int cell = 0; cell <= kLastBox; ++cell)
    PaintCell(painter, cell);
  if (!customRect_.isEmpty()) {
    // An etched line in the gap between the last row of boxes and the custom cell.
    const int y = customRect_.top() - margin_;
    DrawEtchedLine(painter, palette(), {customRect_.left(), y}, {customRect_.right(), y}, {0, 1});
    PaintCell(painter, kCustomCell);
  }
}

void CColorPopup::PaintCell(QPainter& painter, int cell) const {
  const QRect area = CellRect(cell);
  const bool hot = cell == hotCell_;
  const bool chosen = cell == chosenCell_;
  painter.fillRect(area, palette().color(chosen && !hot ? QPalette::Midlight : QPalette::Button));
  if (chosen)
    qDrawShadePanel(&painter, area, palette(), true, 1);
  else if (hot)
    qDrawShadePanel(&painter, area, palette(), false, 1);

  if (cell >= 0) {
    const int inset = margin_ + 1;
    const QRect swatch = area.adjusted(inset, inset, -inset, -inset);
    painter.fillRect(swatch, QColorFromColorRef(CellColour(cell)));
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
  } else {
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter, cell == kAutomaticCell ? defaultText_ : customText_);
  }
}

// ---------------------------------------------------------------------------------------------
// CColorButton

CColorButton::CColorButton(int controlId, QWidget* parent)
    : QPushButton(parent),
      // The colour Qt's MDI area paints its empty workspace with.
      defaultColour_(ColorRefFromQColor(palette().color(QPalette::Dark))),
      defaultText_(tr("Automatic")),
      customText_(tr("More Colors...")),
      controlId_(controlId) {
  // Enter in a dialog belongs to the dialog's default button, not to a colour control.
  setAutoDefault(false);
  connect(this, &QAbstractButton::clicked, this, &CColorButton::DropDown);
}

void CColorButton::SetColour(ColorRef colour) {
  colour_ = colour;
  update();
}

void CColorButton::SetDefaultColour(ColorRef colour) {
  defaultColour_ = colour;
  update();
}

QSize CColorButton::sizeHint() const {
  // As tall as a text button, and wide enough for a swatch that reads as a colour.
  const int height = QPushButton::sizeHint().height();
  return {3 * height, height};
}

void CColorButton::DropDown() {
  if (popupActive_) return;
  popupActive_ = true;
  colourBeforePopup_ = colour_;
  auto* popup =
      new CColorPopup(*this, mapToGlobal(QPoint(0, height())), colour_, defaultText_, customText_);
  popup_ = popup;
  connect(popup, &CColorPopup::hotColourChanged, this, &CColorButton::OnHotColourChanged);
  connect(popup, &CColorPopup::selectionAccepted, this, &CColorButton::OnPopupAccepted);
  connect(popup, &CColorPopup::selectionCancelled, this, &CColorButton::OnPopupCancelled);
  popup->show();
  update();
  emit dropDown(colour_, controlId_);
}

void CColorButton::OnHotColourChanged(ColorRef colour) {
  if (trackSelection_) {
    colour_ = colour;
    update();
  }
  emit selectionChanged(colour, controlId_);
}

void CColorButton::OnPopupAccepted(ColorRef colour) {
  popupActive_ = false;
  colour_ = colour;
  repaint();
  emit closeUp(colour_, controlId_);
  emit selectionAccepted(colour_, controlId_);
  // Measured against the colour before the pop-up opened: a tracked swatch has already shown the
  // new colour, but the value has only now changed.
  if (colour_ != colourBeforePopup_) emit selectionChanged(colour_, controlId_);
}

void CColorButton::OnPopupCancelled() {
  popupActive_ = false;
  colour_ = colourBeforePopup_;
  update();
  emit closeUp(colour_, controlId_);
  emit selectionCancelled(colour_, controlId_);
}

void CColorButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  option.icon = QIcon();
  const bool pushed = isDown() || popupActive_;
  if (pushed) {
    option.state |= QStyle::State_Sunken;
    option.state &= ~QStyle::State_Raised;
  }
  painter.drawControl(QStyle::CE_PushButtonBevel, option);

  const int edge = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  QRect content = rect().adjusted(edge, edge, -edge, -edge);
  if (pushed) content.translate(kPushShift, kPushShift);
  if (hasFocus() || popupActive_) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = content;
    focus.backgroundColor = palette().color(QPalette::Button);
    // Some styles show focus only once the keyboard has moved it; this control always shows
    // where the keyboard stands, and marks itself while its pop-up is open.
    focus.state |= QStyle::State_KeyboardFocusChange;
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }

  PaintArrow(painter, content, edge);
  const int separator = content.right() - edge - kArrowWidth - edge - 2;
  DrawEtchedLine(painter, palette(), {separator, content.top() + edge},
                 {separator, content.bottom() - edge}, {1, 0});
  if (!isEnabled()) return;

  const QRect swatch(QPoint(content.left() + edge, content.top() + edge),
                     QPoint(separator - 2 * edge - 2, content.bottom() - edge));
  painter.fillRect(swatch,
                   QColorFromColorRef(colour_ == kAutomaticColour ? defaultColour_ : colour_));
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

// A small downward triangle at the right, drawn row by row so that it stays crisp.
void CColorButton::PaintArrow(QPainter& painter, const QRect& content, int edge) const {
  painter.setPen(isEnabled() ? QColor(Qt::black)
                             : palette().color(QPalette::Disabled, QPalette::WindowText));
  const int left = content.right() - edge - kArrowWidth;
  const int top = content.center().y() - kArrowWidth / 4;
  for (int row = 0; row <= kArrowWidth / 2; ++row)
    painter.drawLine(left + row, top + row, left + kArrowWidth - row, top + row);
}

void ExchangeColour(bool saving, CColorButton& button, ColorRef& value) {
  if (saving)
    value = button.Colour();
  else
    button.SetColour(value);
}

}  // namespace kv
