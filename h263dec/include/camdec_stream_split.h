// Splitting an H.263 elementary stream into its pictures (for tools, tests and
// benchmarks that feed CAMDEC one picture at a time).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace camdec {

struct PictureSpan {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// Each picture starts at a byte-aligned picture start code (0000 0000 0000 0000 1000 00)
// and runs to the next one or to the end; bytes before the first are skipped.
std::vector<PictureSpan> SplitPictures(const std::vector<std::uint8_t>& stream);

}  // namespace camdec
