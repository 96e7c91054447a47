// The bulk exchange's reply: every followed item in one block sequence, compressed.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "protocol/one_step_record.h"

namespace kavreld {

// Answers one single command (code, body) with the bytes its reply would carry.
using SingleAnswer = std::function<std::vector<std::uint8_t>(std::uint32_t code, std::vector<std::uint8_t> body)>;

// The expanded reply for a selection, in block order: the items by type, one speed
// block per road, one route block per route, one picture block per camera.
std::vector<std::uint8_t> BuildOneStepReply(const protocol::OneStepRecord& selection, const SingleAnswer& answer);

// The zlib stream of the expanded reply. The client expands into ten times the
// compressed size, so a reply that compresses better than that is sent in stored
// (uncompressed) blocks instead.
std::vector<std::uint8_t> CompressOneStepReply(const std::vector<std::uint8_t>& expanded);

}  // namespace kavreld
