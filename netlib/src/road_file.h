// The road file: every road, bridge and tunnel with its segments, and the table of
// named codes (the camera catalogue), as one fixed-size little-endian image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zmntp {

constexpr std::size_t kRoadSpeedRecordSize = 104;
constexpr std::size_t kNamedCodeRecordSize = 132;

// RoadSpeedRecords (104 bytes each) for the speed bytes of one road, read against
// `image` (the road-file image). `roadName` is CP949.
std::vector<std::uint8_t> ExpandRoadSpeeds(std::span<const std::uint8_t> image, std::string_view roadName,
                                           std::span<const std::uint8_t> speedBytes);

}  // namespace zmntp
