// Commands the library answers without the server: the road and segment lists and
// the named-code list from the road file, and the speeds of five tunnels from a
// fixed table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zmntp {

struct LocalAnswer {
  std::vector<std::uint8_t> records;  // `count` records of the code's unit
  unsigned long count = 0;
};

// The answer to `code` with the caller's `data`, read against the road-file `image`,
// or nothing when the code is not answered locally.
std::optional<LocalAnswer> AnswerLocally(std::span<const std::uint8_t> image, unsigned long code, const void* data);

}  // namespace zmntp
