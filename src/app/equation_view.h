// The view of a document: it paints the whole equation at its true size, 5 mm from the top-left
// corner, with the same fonts and the same drawing code as the pictures of kalvane-cli, and
// scrolls over 1.1 times the equation's size. It takes no input of its own. A big equation is
// typeset on a thread of its own; the view shows the last picture made until the newest is
// ready.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "app/background_typesetter.h"
#include "settings/equation_settings.h"
#include "typeset/node_box.h"

namespace kv {

class KLV300App;
class KLV300Doc;

class KLV300View final : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // Where the equation's top-left corner is drawn, in 0.01 mm right of and below the view's
  // corner.
  static constexpr int kMargin = 500;
  // Equations whose lines hold this many bytes or more are typeset in the background: at about
  // a millisecond per kilobyte, a keystroke in a shorter one is painted well within a frame.
  static constexpr std::size_t kBackgroundTextBytes = 16 * 1024;

  KLV300View(KLV300App& app, KLV300Doc& document, QWidget* parent = nullptr);

  KLV300Doc& Document() { return document_; }
  // Pixels per 0.01 mm at the screen's resolution.
  double Scale() const;

  BackgroundTypesetter& Typesetter() { return typesetter_; }
  // For tests: lines of `bytes` or more go to the background (kBackgroundTextBytes unless set).
  void SetBackgroundTextBytes(std::size_t bytes) { backgroundTextBytes_ = bytes; }

 signals:
  // A paint of the document as it is now has finished; `extent` is its box. A paint of an
  // older picture while the newest is typeset does not count.
  void painted(const NodeBox& extent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // What a picture is made of: when any of it changes, the picture is made again.
  struct PictureRequest {
    std::string text;
    EquationSettings settings;
    double dpi = 0;
    QColor background;
    bool operator==(const PictureRequest&) const = default;
  };
  struct Picture {
    std::uint64_t number = 0;
    NodeBox extent;
    QImage image;
  };

  void PaintNow(QPainter& painter, const QColor& background);
  void PaintFromBackground(QPainter& painter, PictureRequest request);
  // Where the equation's top-left corner is drawn, in pixels of the viewport.
  QPoint EquationCorner() const;
  void ShowExtent(const NodeBox& extent);
  void SetScrollRange(const NodeBox& extent);

  KLV300App& app_;
  KLV300Doc& document_;
  std::size_t backgroundTextBytes_ = kBackgroundTextBytes;
  BackgroundTypesetter typesetter_;
  // The last request sent to the typesetter and its number, and the newest picture it made.
  PictureRequest requested_;
  std::uint64_t requestedNumber_ = 0;
  Picture shown_;
};

}  // namespace kv
