// Live traffic: the current speed of every link. A speed follows the time of day
// (slow in the morning and evening rush, free at night) and a random walk of its own
// that drifts from minute to minute. Everything is a pure function of the seed, the
// link and the minute, so two servers with the same seed agree at the same time and
// a test can ask for any minute.
#pragma once

#include <cstdint>
#include <vector>

#include "road_network.h"

namespace kavreld {

// Minutes since 2000-01-01 00:00 of a local date and time.
std::int64_t MinuteOf(int year, int month, int day, int hour, int minute);

class TrafficSimulation {
 public:
  TrafficSimulation(const RoadNetwork& network, std::uint64_t seed) : network_(network), seed_(seed) {}

  // km/h on link `link` at `minute` (MinuteOf), between 3 and the link's limit + 10
  // (at most 127).
  int Speed(std::size_t link, std::int64_t minute) const;
  // Every link's speed at `minute`, in link order.
  std::vector<int> Speeds(std::int64_t minute) const;

  // The share of free-flow speed that the time of day allows (0.3 .. 1).
  static double TimeOfDayFactor(int minuteOfDay);

 private:
  double Walk(std::size_t link, std::int64_t minute) const;

  const RoadNetwork& network_;
  std::uint64_t seed_;
};

}  // namespace kavreld
