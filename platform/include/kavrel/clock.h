// The one clock of the process: tick count, sleep and local time.
// Tests install a FakeClock so that waits of hundreds of milliseconds cost nothing.
#pragma once

#include <atomic>
#include <cstdint>

namespace kavrel {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps at 2^32 like the handheld's tick count.
  virtual std::uint32_t TickCount() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
  virtual LocalTime Now() = 0;
};

// The clock in force; the system clock unless a test installed another.
Clock& CurrentClock();
// Installs `clock` (not owned) for the whole process; nullptr restores the system clock.
void InstallClock(Clock* clock);

inline std::uint32_t GetTickCount() { return CurrentClock().TickCount(); }
inline void Sleep(std::uint32_t ms) { CurrentClock().Sleep(ms); }
inline LocalTime GetLocalTime() { return CurrentClock().Now(); }

// A clock that only moves when told to: Sleep advances it at once.
class FakeClock : public Clock {
 public:
  explicit FakeClock(std::uint32_t startTick = 1000, LocalTime start = {2026, 3, 4, 5, 6, 7, 8})
      : tick_(startTick), start_(start) {}
  std::uint32_t TickCount() override { return tick_.load(); }
  void Sleep(std::uint32_t ms) override {
    tick_.fetch_add(ms);
    sleepCalls_.fetch_add(1);
  }
  LocalTime Now() override { return start_; }
  void Advance(std::uint32_t ms) { tick_.fetch_add(ms); }
  void SetTime(LocalTime t) { start_ = t; }
  unsigned SleepCalls() const { return sleepCalls_.load(); }

 private:
  std::atomic<std::uint32_t> tick_;
  std::atomic<unsigned> sleepCalls_{0};
  LocalTime start_;
};

// Installs a clock for the life of a scope (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) { InstallClock(&clock); }
  ~ScopedClock() { InstallClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace kavrel
