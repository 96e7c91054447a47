#include "kavrel/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace kavrel {
namespace {

class SystemClock : public Clock {
 public:
  std::uint32_t TickCount() override {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);  // wraps, as the handheld's counter does
  }
  void Sleep(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  LocalTime Now() override {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t secs = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&secs, &tm);
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                     static_cast<int>(ms)};
  }
};

SystemClock systemClock;
std::atomic<Clock*> installed{nullptr};

}  // namespace

Clock& CurrentClock() {
  Clock* c = installed.load();
  return c ? *c : systemClock;
}

void InstallClock(Clock* clock) { installed.store(clock); }

}  // namespace kavrel
