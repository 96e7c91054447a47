// Place search: the places whose names contain a text, as the search reply the
// handheld reads (signed count at 0, names at 1 + 128 i, u32 ids at 6404 + 4 i).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "road_network.h"

namespace kavreld {

constexpr std::size_t kMaxSearchResults = 50;
constexpr std::size_t kSearchNameOffset = 1;
constexpr std::size_t kSearchNameSize = 128;
constexpr std::size_t kSearchIdOffset = 6404;
constexpr std::size_t kSearchReplySize = kSearchIdOffset + 4 * kMaxSearchResults;

// Indexes of the places whose name contains `text` (CP949), at most 50, in name order
// so that the same search always gives the same list. An empty text matches every place.
std::vector<std::size_t> SearchPlaces(const RoadNetwork& network, std::string_view text);

std::vector<std::uint8_t> BuildSearchReply(const RoadNetwork& network, const std::vector<std::size_t>& found);

}  // namespace kavreld
