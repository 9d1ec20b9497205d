// The colour control of the options pages: a push button showing a swatch of its colour and a
// drop-down arrow. A click opens a pop-up palette of forty named colours, with an optional
// "Automatic" cell above it and an optional "More Colors..." cell below it that opens the full
// colour dialog. Every step of a choice is reported through signals that carry the colour and
// the control's id, so that a page can follow the choice as it is made.
#pragma once

#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

#include "app/qt_colour.h"
#include "settings/option_values.h"

class QHelpEvent;

namespace kv {

// The colour that stands for "automatic": the button then shows its default colour.
inline constexpr ColorRef kAutomaticColour = static_cast<ColorRef>(0xFF000000u);

class CColorButton;

// The palette a colour button opens. It lays itself out beside the button, grabs the mouse as
// any pop-up does, and deletes itself when it closes.
class CColorPopup final : public QWidget {
  Q_OBJECT

 public:
  // Cell numbers: the colour boxes are 0..kColourCount-1, in rows from the top left.
  static constexpr int kColourCount = 40;
  static constexpr int kColumns = 8;
  static constexpr int kAutomaticCell = -3;
  static constexpr int kCustomCell = -2;
  static constexpr int kNoCell = -1;

  // Placed at `topLeft` (screen coordinates), moved as needed to stay on the screen; the owner
  // shows it. An empty text leaves its cell out.
  CColorPopup(CColorButton& owner, QPoint topLeft, ColorRef initialColour,
              const QString& defaultText, const QString& customText);

  // The cell under the pointer or the keyboard; kNoCell until the user points at one.
  int HotCell() const { return hotCell_; }
  // The cell of the colour the pop-up opened with, shown pressed in.
  int ChosenCell() const { return chosenCell_; }
  // Where a cell lies in the pop-up; empty for a cell the pop-up does not have.
  QRect CellRect(int cell) const;

 signals:
  // The hot cell changed; `colour` is what accepting it now would give.
  void hotColourChanged(kv::ColorRef colour);
  void selectionAccepted(kv::ColorRef colour);
  void selectionCancelled();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Layout(QPoint topLeft);
  void KeepOnScreen(QRect& window) const;
  int FindChosenCell() const;
  int CellAt(QPoint position) const;
  ColorRef CellColour(int cell) const;
  int CellAfterArrow(int key) const;
  void SetHotCell(int cell);
  void ShowToolTip(const QHelpEvent& help);
  void PaintCell(QPainter& painter, int cell) const;

  void Accept();
  void ChooseCustomColour();
  void Finish(bool accepted, ColorRef colour);

  QPointer<CColorButton> owner_;
  ColorRef initialColour_;
  QString defaultText_;
  QString customText_;
  QRect defaultRect_;
  QRect customRect_;
  int margin_ = 0;
  int boxSize_ = 0;
  int boxesTop_ = 0;
  int hotCell_ = kNoCell;
  int chosenCell_ = kNoCell;
  bool pressSeen_ = false;       // a release counts only after a press on the pop-up itself
  bool choosingCustom_ = false;  // the colour dialog is open
  bool finished_ = false;
};

class CColorButton final : public QPushButton {
  Q_OBJECT

 public:
  explicit CColorButton(int controlId = 0, QWidget* parent = nullptr);

  ColorRef Colour() const { return colour_; }
  void SetColour(ColorRef colour);
  // Shown when the colour is kAutomaticColour.
  ColorRef DefaultColour() const { return defaultColour_; }
  void SetDefaultColour(ColorRef colour);
  // The text of the pop-up's automatic cell; empty leaves the cell out.
  QString DefaultText() const { return defaultText_; }
  void SetDefaultText(const QString& text) { defaultText_ = text; }
  // The text of the pop-up's cell that opens the colour dialog; empty leaves the cell out.
  QString CustomText() const { return customText_; }
  void SetCustomText(const QString& text) { customText_ = text; }
  // When on, the swatch follows the cell under the pointer while the pop-up is open.
  bool TrackSelection() const { return trackSelection_; }
  void SetTrackSelection(bool track) { trackSelection_ = track; }
  int ControlId() const { return controlId_; }
  void SetControlId(int id) { controlId_ = id; }

  bool IsPopupActive() const { return popupActive_; }
  // The open pop-up, or null.
  CColorPopup* Popup() const { return popup_; }

  QSize sizeHint() const override;

 signals:
  void selectionChanged(kv::ColorRef colour, int controlId);
  void dropDown(kv::ColorRef colour, int controlId);
  void closeUp(kv::ColorRef colour, int controlId);
  void selectionAccepted(kv::ColorRef colour, int controlId);
  void selectionCancelled(kv::ColorRef colour, int controlId);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void DropDown();
  void OnHotColourChanged(ColorRef colour);
  void OnPopupAccepted(ColorRef colour);
  void OnPopupCancelled();
  void PaintArrow(QPainter& painter, const QRect& content, int edge) const;

  ColorRef colour_ = kAutomaticColour;
  ColorRef colourBeforePopup_ = kAutomaticColour;
  ColorRef defaultColour_;
  QString defaultText_;
  QString customText_;
  bool trackSelection_ = false;
  bool popupActive_ = false;
  int controlId_;
  QPointer<CColorPopup> popup_;
};

// Moves a colour between a dialog's value and its button: `saving` reads the button into
// `value`, otherwise the button takes `value` and shows it.
void ExchangeColour(bool saving, CColorButton& button, ColorRef& value);

}  // namespace kv
