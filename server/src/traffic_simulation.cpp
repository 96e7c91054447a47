#include "traffic_simulation.h"

#include <algorithm>
#include <cmath>

namespace kavreld {

namespace {

std::uint64_t Mix(std::uint64_t x) {  // splitmix64
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Uniform in [-1, 1].
double Noise(std::uint64_t seed, std::uint64_t link, std::int64_t minute) {
  std::uint64_t h = Mix(seed ^ Mix(link * 0x100000001B3ull ^ Mix(static_cast<std::uint64_t>(minute))));
  return static_cast<double>(h >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

// A bump of height 1 at `centre` hours, `halfWidth` hours to each side.
double Bump(double hours, double centre, double halfWidth) {
  double d = std::abs(hours - centre);
  if (d >= halfWidth) return 0;
  double c = std::cos(d / halfWidth * 3.14159265358979 / 2);
  return c * c;
}

constexpr int kWalkMemory = 32;     // minutes that still weigh on the walk
constexpr double kWalkDecay = 0.85;  // weight of each older minute

}  // namespace

std::int64_t MinuteOf(int year, int month, int day, int hour, int minute) {
  // Days from civil (proleptic Gregorian), counted from 2000-03-01 then shifted.
  std::int64_t y = year - (month <= 2 ? 1 : 0);
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t mp = (month + 9) % 12;
  std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  std::int64_t days = era * 146097 + doe - 730425;  // 2000-01-01 is day 0
  return days * 1440 + hour * 60 + minute;
}

double TrafficSimulation::TimeOfDayFactor(int minuteOfDay) {
  double hours = static_cast<double>(((minuteOfDay % 1440) + 1440) % 1440) / 60.0;
  double day = Bump(hours, 14.0, 9.0);  // busier through the day than at night
  double f = 1.0 - 0.2 * day - 0.45 * Bump(hours, 8.0, 1.75) - 0.4 * Bump(hours, 18.5, 2.0);
  return std::clamp(f, 0.3, 1.0);
}

double TrafficSimulation::Walk(std::size_t link, std::int64_t minute) const {
  double sum = 0, weight = 1;
  for (int i = 0; i < kWalkMemory; ++i) {
    sum += weight * Noise(seed_, link, minute - i);
    weight *= kWalkDecay;
  }
  return std::clamp(sum * (1 - kWalkDecay) * 2.0, -1.0, 1.0);
}

int TrafficSimulation::Speed(std::size_t link, std::int64_t minute) const {
  const Link& l = network_.links()[link];
  double limit = static_cast<double>(l.limitKmh);
  // Some links are slower than others all day long.
  double character = 0.8 + 0.25 * (Noise(seed_ ^ 0xC0FFEE, link, 0) + 1) / 2;
  int minuteOfDay = static_cast<int>(((minute % 1440) + 1440) % 1440);
  double v = limit * character * TimeOfDayFactor(minuteOfDay) * (1 + 0.25 * Walk(link, minute));
  int top = static_cast<int>(std::min<std::uint32_t>(l.limitKmh + 10, kMaxLimitKmh));
  return std::clamp(static_cast<int>(std::lround(v)), 3, top);
}

std::vector<int> TrafficSimulation::Speeds(std::int64_t minute) const {
  std::vector<int> out(network_.links().size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = Speed(i, minute);
  return out;
}

}  // namespace kavreld
