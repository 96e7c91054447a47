// Damaged and foreign road files against every lookup of the library: the reader, the
// local answers and the speed expansion.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ZMNTP.h"
#include "local_answers.h"
#include "protocol/road_file.h"

namespace {

void Exercise(std::span<const std::uint8_t> image, std::span<const std::uint8_t> input) {
  for (std::uint32_t category = 0; category <= 3; ++category)
    (void)zmntp::AnswerLocally(image, CMD_ROAD_LIST, &category);
  (void)zmntp::AnswerLocally(image, CMD_NAMED_CODE_LIST, nullptr);
  const protocol::RoadFileView file(image);
  for (std::size_t i = 0; i < std::min<std::size_t>(file.RoadCount(), 4); ++i) {
    const protocol::RoadView road = file.Road(i);
    const std::uint32_t id = road.Id();
    (void)zmntp::AnswerLocally(image, CMD_ROAD_SEGMENTS, &id);
    const std::string name(road.Name());
    (void)zmntp::AnswerLocally(image, CMD_ROAD_SPEED, name.c_str());
    (void)protocol::ExpandRoadSpeeds(image, name, input);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  // The input as a (short) file of its own.
  Exercise(input, input);

  // The input laid over the first road records and over the named-code table of a
  // whole image.
  static std::vector<std::uint8_t> image(protocol::kRoadFileSize, 0);
  const std::size_t head = std::min(size, protocol::kNamedCodeCountOffset);
  const std::size_t tail = std::min(size, protocol::kRoadFileSize - protocol::kNamedCodeCountOffset);
  std::copy_n(data, head, image.begin());
  std::copy_n(data, tail, image.begin() + static_cast<long>(protocol::kNamedCodeCountOffset));
  Exercise(image, input);
  std::fill_n(image.begin(), head, std::uint8_t{0});
  std::fill_n(image.begin() + static_cast<long>(protocol::kNamedCodeCountOffset), tail, std::uint8_t{0});
  return 0;
}
