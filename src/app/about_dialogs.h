// The Help menu's two small dialogs: the program's about box, and the maker's with a link to
// its contact page.
#pragma once

#include <QColor>
#include <QDialog>
#include <QLabel>
#include <functional>

namespace kv {

// A text that behaves as a web link: underlined, blue until it was opened, purple after. A click
// opens the target (the text itself when no target is set); a failed open only beeps.
class CStaticLink final : public QLabel {
  Q_OBJECT

 public:
  static constexpr QRgb kUnvisitedColour = 0x0000FF;  // blue
  static constexpr QRgb kVisitedColour = 0x800080;    // purple

  // `open` hands an address to the desktop (false when it could not); `beep` sounds a failure.
  CStaticLink(const QString& text, std::function<bool(const QString&)> open,
              std::function<void()> beep, QWidget* parent = nullptr);

  void SetTarget(const QString& target) { target_ = target; }
  bool Visited() const { return visited_; }
  // The colour the text is painted in now.
  QColor TextColour() const;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Follow();
  void UpdateColour();

  QString target_;
  bool visited_ = false;
  std::function<bool(const QString&)> open_;
  std::function<void()> beep_;
};

// "About Kalvane 3": the icon, "Kalvane V3.100" and OK.
class AboutBox final : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

// "About Morvak": where the maker's contact details are, as a link (control 1028).
class KVAboutMorvak final : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kContactAddress = "https://kalvane.example/contact";

  KVAboutMorvak(std::function<bool(const QString&)> open, std::function<void()> beep,
                QWidget* parent = nullptr);
  CStaticLink& Link() { return *link_; }

 private:
  CStaticLink* link_;
};

}  // namespace kv
