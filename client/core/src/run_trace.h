// Progress lines of a run on standard error, for scripts and tests that watch the
// program from outside (KavrelClientPDA --trace):
//   "trace: traffic screen: roads 3/3, routes 1/1, cameras 2/2"  once, when the first
//       full traffic screen is up (items shown / items holding fetched data)
//   "trace: refresh: roads 3/3"  each time a category's shown buffer flips
//   "trace: longest GUI stall: N ms"  when the run ends
// A heartbeat timer on the GUI thread does the watching; the gap between two beats
// beyond their period is how long the GUI thread was held.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>

class CKavrelClientPDAApp;

class RunTrace : public QObject {
 public:
  static constexpr int kBeatMs = 50;

  explicit RunTrace(CKavrelClientPDAApp& app);
  ~RunTrace() override;
  RunTrace(const RunTrace&) = delete;
  RunTrace& operator=(const RunTrace&) = delete;

  // The longest time the GUI thread did not run its timers, so far.
  std::int64_t longestStallMs() const { return longestStallMs_; }
  // Writes the closing line; once.
  void Finish();

 private:
  void Beat();

  CKavrelClientPDAApp& app_;
  QTimer timer_;
  std::chrono::steady_clock::time_point lastBeat_;
  std::int64_t longestStallMs_ = 0;
  bool screenReported_ = false;
  int shownBuffers_[3] = {0, 0, 0};
  bool finished_ = false;
};
