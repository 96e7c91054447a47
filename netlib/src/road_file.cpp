#include "road_file.h"

namespace zmntp {

std::vector<std::uint8_t> ExpandRoadSpeeds(std::span<const std::uint8_t>, std::string_view,
                                           std::span<const std::uint8_t>) {
  return {};
}

}  // namespace zmntp
