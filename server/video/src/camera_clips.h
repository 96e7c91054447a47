// The cameras' clips: "<camera>.263" files of H.263 pictures in a folder, split into
// pictures with the time each is shown, taken from the pictures' temporal references.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "protocol/video.h"

namespace kavreld {

struct Clip {
  std::vector<std::vector<std::uint8_t>> pictures;
  // How long each picture stays before the next (the last one: before the first again).
  std::vector<std::chrono::microseconds> intervals;
};

// Splits a stream at its byte-aligned picture start codes (bytes before the first are
// skipped). A picture's interval is the step of the temporal reference to the next
// picture, in units of 1001/30000 s; where that step is 0 or unknown (a clip of one
// picture) it is `stillInterval`; the last picture repeats the step before it.
Clip SplitClip(std::span<const std::uint8_t> stream, std::chrono::microseconds stillInterval);

// Camera numbers are decimal, 0..9999 (four characters on the relay's wire).
using protocol::kLargestCamera;

// The clip file of a camera; nothing when the folder has no such non-empty file.
std::optional<std::filesystem::path> ClipFile(const std::filesystem::path& folder, std::uint32_t camera);
// Reads and splits a clip file; nothing when it cannot be read or holds no picture.
std::optional<Clip> LoadClip(const std::filesystem::path& file, std::chrono::microseconds stillInterval);

}  // namespace kavreld
