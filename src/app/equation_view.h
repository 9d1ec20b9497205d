// The view of a document: it paints the whole equation at its true size, 5 mm from the top-left
// corner, with the same fonts and the same drawing code as the pictures of kalvane-cli, and
// scrolls over 1.1 times the equation's size. It takes no input of its own.
#pragma once

#include <QAbstractScrollArea>

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

  KLV300View(KLV300App& app, KLV300Doc& document, QWidget* parent = nullptr);

  KLV300Doc& Document() { return document_; }
  // Pixels per 0.01 mm at the screen's resolution.
  double Scale() const;

 signals:
  // A paint has finished; `extent` is the box it measured.
  void painted(const NodeBox& extent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void SetScrollRange(const NodeBox& extent);

  KLV300App& app_;
  KLV300Doc& document_;
};

}  // namespace kv
