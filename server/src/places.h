// Place search: the places whose names contain a text, as the search reply the
// handheld reads (signed count at 0, names at 1 + 128 i, u32 ids at 6404 + 4 i).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "protocol/records.h"
#include "road_network.h"

namespace kavreld {

std::vector<std::size_t> SearchPlaces(const RoadNetwork& network, std::string_view text);

std::vector<std::uint8_t> BuildSearchReply(const RoadNetwork& network, const std::vector<std::size_t>& found);

}  // namespace kavreld
