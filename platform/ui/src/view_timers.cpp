#include "kavrel/ui/view_timers.h"

#include <QTimer>

#include "kavrel/ui/gui_thread.h"

namespace kavrel::ui {

ViewTimers::ViewTimers(QObject* window, Handler onTimer) : QObject(window), onTimer_(std::move(onTimer)) {}

ViewTimers::~ViewTimers() = default;

void ViewTimers::SetTimer(unsigned id, unsigned ms) {
  intervals_[id] = ms;
  if (manual_) return;
  QTimer*& timer = timers_[id];
  if (!timer) {
    timer = new QTimer(this);
    QObject::connect(timer, &QTimer::timeout, this, [this, id] {
      if (intervals_.count(id)) onTimer_(id);
    });
  }
  timer->start(static_cast<int>(ms));
}

void ViewTimers::KillTimer(unsigned id) {
  intervals_.erase(id);
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

std::optional<unsigned> ViewTimers::Interval(unsigned id) const {
  auto it = intervals_.find(id);
  if (it == intervals_.end()) return std::nullopt;
  return it->second;
}

void ViewTimers::PostSetTimer(unsigned id, unsigned ms) {
  PostToGui(this, [this, id, ms] { SetTimer(id, ms); });
}

bool ViewTimers::Fire(unsigned id) {
  if (!intervals_.count(id)) return false;
  onTimer_(id);
  return true;
}

}  // namespace kavrel::ui
