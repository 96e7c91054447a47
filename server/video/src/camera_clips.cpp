#include "camera_clips.h"

#include <fstream>
#include <iterator>
#include <string>

namespace kavreld {
namespace {

// Clips are small; anything larger is not a camera clip.
constexpr std::uintmax_t kLargestClipFile = 64u * 1024 * 1024;

bool StartsPicture(std::span<const std::uint8_t> s, std::size_t i) {
  return i + 3 < s.size() && s[i] == 0 && s[i + 1] == 0 && (s[i + 2] & 0xFC) == 0x80;
}

// The 8-bit temporal reference right after the 22-bit start code.
int TemporalReference(const std::vector<std::uint8_t>& picture) {
  return ((picture[2] & 0x03) << 6) | (picture[3] >> 2);
}

}  // namespace

Clip SplitClip(std::span<const std::uint8_t> stream, std::chrono::microseconds stillInterval) {
  Clip clip;
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < stream.size(); ++i)
    if (StartsPicture(stream, i)) starts.push_back(i);
  for (std::size_t k = 0; k < starts.size(); ++k) {
    std::size_t end = k + 1 < starts.size() ? starts[k + 1] : stream.size();
    clip.pictures.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(starts[k]),
                               stream.begin() + static_cast<std::ptrdiff_t>(end));
  }
  const std::size_t n = clip.pictures.size();
  for (std::size_t k = 0; k < n; ++k) {
    std::chrono::microseconds interval = stillInterval;
    if (k + 1 < n) {
      int step = (TemporalReference(clip.pictures[k + 1]) - TemporalReference(clip.pictures[k]) + 256) % 256;
      if (step > 0) interval = std::chrono::microseconds(static_cast<std::int64_t>(step) * 1001000 / 30);
    } else if (k > 0) {
      interval = clip.intervals[k - 1];
    }
    clip.intervals.push_back(interval);
  }
  return clip;
}

std::optional<std::filesystem::path> ClipFile(const std::filesystem::path& folder, std::uint32_t camera) {
  if (camera > kLargestCamera) return std::nullopt;
  std::filesystem::path file = folder / (std::to_string(camera) + ".263");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec || size == 0 || size > kLargestClipFile) return std::nullopt;
  return file;
}

std::optional<Clip> LoadClip(const std::filesystem::path& file, std::chrono::microseconds stillInterval) {
  std::error_code ec;
  std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec || size > kLargestClipFile) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Clip clip = SplitClip(bytes, stillInterval);
  if (clip.pictures.empty()) return std::nullopt;
  return clip;
}

}  // namespace kavreld
