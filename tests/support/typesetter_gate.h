// Holds a view's background typesetter at the start of every picture until the test lets it go
// on, so that a test can look at the window while a big equation waits to be typeset.
#pragma once

#include <QSemaphore>
#include <QString>
#include <memory>

#include "app/background_typesetter.h"
#include "app/equation_view.h"

namespace kv::test {

struct TypesetterGate {
  // Shared with the typesetter's hook, which may still be returning from goOn.acquire() when
  // the test ends.
  struct Semaphores {
    QSemaphore started;  // released as each picture starts
    QSemaphore goOn;     // one picture may go on for each release
  };

  explicit TypesetterGate(BackgroundTypesetter& typesetter)
      : semaphores(std::make_shared<Semaphores>()) {
    typesetter.SetStartHook([shared = semaphores] {
      shared->started.release();
      shared->goOn.acquire();
    });
  }

  QSemaphore& Started() { return semaphores->started; }
  QSemaphore& GoOn() { return semaphores->goOn; }

  std::shared_ptr<Semaphores> semaphores;
};

// An equation text that the view typesets in the background: "x^2+1+(a+b)/2+..." of four times
// the threshold.
inline QString BackgroundSizedEquation() {
  QString text = "x^2+1";
  while (text.size() < static_cast<qsizetype>(KLV300View::kBackgroundTextBytes) * 4)
    text += "+(a+b)/2";
  return text;
}

}  // namespace kv::test
