// Any expanded bulk reply against any selection: the walk never reads past the reply.
// The first 8 bytes choose the selection (item types and the three counts).
#include <cstdint>
#include <vector>

#include "protocol/one_step_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  static constexpr std::uint32_t kTypes[] = {1, 32, 33, 34, 64, 80, 96, 112, 7};
  protocol::OneStepRecord r;
  r.itemCount = data[0] % 11;
  for (std::size_t i = 0; i < r.itemCount; ++i) r.itemTypes[i] = kTypes[(data[1] + i * data[2]) % 9];
  r.roadCount = data[3] % 11;
  r.routeCount = data[4] % 11;
  r.cameraCount = data[5] % 11;
  // An exact-size copy, so that any read past the end is caught.
  std::vector<std::uint8_t> reply(data + 8, data + size);
  protocol::WalkOneStepReply(reply, r, 0);
  return 0;
}
