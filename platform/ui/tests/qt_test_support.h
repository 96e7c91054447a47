// Helpers of the Qt test programs.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace kavrel::ui::testing {

// Runs the event loop until `done` holds. The bound only keeps a broken test from
// hanging; it is no timing assumption.
template <typename F>
bool ProcessUntil(F done, int boundMs = 60000) {
  QDeadlineTimer deadline(boundMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace kavrel::ui::testing
