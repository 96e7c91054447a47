// Timers of a window by number: SetTimer with an id that is already running restarts
// it with the new period, KillTimer stops it, and every expiry calls the window's one
// timer handler with the id, until the timer is killed.
#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <optional>

class QTimer;

namespace kavrel::ui {

class ViewTimers : public QObject {
 public:
  using Handler = std::function<void(unsigned id)>;

  ViewTimers(QObject* window, Handler onTimer);
  ~ViewTimers() override;

  // GUI thread only.
  void SetTimer(unsigned id, unsigned ms);
  void KillTimer(unsigned id);
  // The period of a running timer, nullopt when it is not set.
  std::optional<unsigned> Interval(unsigned id) const;

  // From any thread: the same, run on the GUI thread after the events already queued.
  void PostSetTimer(unsigned id, unsigned ms);

  // Tests: timers are kept but never run by themselves; Fire() runs the handler of a
  // set timer as its expiry would (returns false when the id is not set).
  void SetManual(bool manual) { manual_ = manual; }
  bool Fire(unsigned id);

 private:
  Handler onTimer_;
  bool manual_ = false;
  std::map<unsigned, unsigned> intervals_;
  std::map<unsigned, QTimer*> timers_;  // children of this object
};

}  // namespace kavrel::ui
