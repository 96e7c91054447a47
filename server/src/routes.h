// Routes over the directed links: the fastest by current travel time or the shortest
// by length, as 134-byte route records (place name char[128], u16 km/h, u16 metres,
// u16 seconds). Record 0 is the origin; each further record is one leg, naming the
// place it reaches.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "protocol/records.h"
#include "road_network.h"

namespace kavreld {

enum class RouteKind { Shortest = 0, Fastest = 1 };

// Seconds to drive `lengthM` metres at `speedKmh` (at least 1 km/h), rounded.
std::uint32_t TravelSeconds(std::uint32_t lengthM, int speedKmh);

// The links of the best path from place `from` to place `to` (indexes), or nullopt
// when there is none. `speeds` holds the current km/h of every link. From a place to
// itself the path is empty.
std::optional<std::vector<std::size_t>> FindRoute(const RoadNetwork& network, const std::vector<int>& speeds,
                                                  RouteKind kind, std::size_t from, std::size_t to);

std::vector<std::uint8_t> BuildRouteReply(const RoadNetwork& network, const std::vector<int>& speeds,
                                          std::size_t from, const std::vector<std::size_t>& path);

}  // namespace kavreld
