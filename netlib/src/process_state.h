// Process-wide state of the library: one copy per process, shared by every CZMNTP
// object, zero when the library is loaded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/one_step_record.h"
#include "protocol/road_file.h"

namespace zmntp {

constexpr std::size_t kStoredLoginRecordSize = 128;

struct ProcessState {
  // The device's own IPv4 address, bytes in network order.
  std::array<std::uint8_t, 4> localAddress{};
  // The road file as read at start.
  std::array<std::uint8_t, protocol::kRoadFileSize> roadFileImage{};
  // Bytes 0..123: the last login or logout body; 42..55 double as the key of code 178.
  std::array<std::uint8_t, kStoredLoginRecordSize> storedLoginRecord{};
  // Items of the last bulk exchange and their refresh clocks.
  protocol::OneStepRecord oneStepCache;
};

ProcessState& State();

}  // namespace zmntp
