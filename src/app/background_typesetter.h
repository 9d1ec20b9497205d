// Typesets a big equation away from the window's thread, so that the window keeps repainting,
// opening its menus and taking keys while a pasted megabyte is read and measured. The picture it
// makes is the one the view would paint itself: the same fonts, the same drawing code. Requests
// that come while one is typeset wait; a newer one replaces a waiting one, so the newest text
// always wins and no intermediate text is typeset for nothing.
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "settings/equation_settings.h"
#include "typeset/node_box.h"

namespace kv {

class BackgroundTypesetter final : public QObject {
  Q_OBJECT

 public:
  explicit BackgroundTypesetter(QObject* parent = nullptr);
  // Waits for the request in hand, if any, to be typeset; its picture is not delivered.
  ~BackgroundTypesetter() override;

  // Asks for `text` (the document's twenty lines joined) with `settings`, drawn at `dpi` on
  // `background`, replacing a request that has not started. Returns the request's number, which
  // `typeset` gives back with its picture; numbers grow with every request.
  std::uint64_t Request(std::string text, EquationSettings settings, double dpi,
                        std::optional<QColor> background);
  // True while a request waits or is typeset.
  bool Busy() const;

  // Run on the worker's thread as each request starts, before it is typeset: lets a test hold
  // the worker while it looks at the window.
  void SetStartHook(std::function<void()> hook);

 signals:
  // Request `number` is typeset: the document's box and its picture (null when the equation is
  // too large for one picture or could not be typeset). Emitted on the object's thread.
  void typeset(std::uint64_t number, const NodeBox& extent, const QImage& picture);

 private:
  struct Job {
    std::uint64_t number = 0;
    std::string text;
    EquationSettings settings;
    double dpi = 0;
    std::optional<QColor> background;
  };
  void Work();
  std::optional<Job> NextJob();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> waiting_;
  bool working_ = false;
  bool stopping_ = false;
  std::uint64_t lastNumber_ = 0;
  std::function<void()> startHook_;
  // Started with the first request: most documents never need it.
  std::thread worker_;
};

}  // namespace kv
