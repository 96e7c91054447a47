// Damaged and foreign road files against the tool's dump: the model read through the
// bounded view, written as JSON, and the warnings about the image.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/road_file.h"
#include "road_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> image(data, size);
  std::vector<std::string> warnings;
  (void)roadfile::RoadFileJson(protocol::ReadRoadFileImage(image), warnings);
  (void)roadfile::ImageWarnings(image);
  return 0;
}
