// Still pictures of the cameras: the first picture (an H.263 intra picture, QCIF) of
// each camera's clip "<id>.263" in the camera folder (data/cctv), which the video
// server plays live. Stored upside down, because the handheld shows the decoded rows
// as a bottom-up bitmap.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kavreld {

constexpr std::size_t kMaxClipBytes = 1024 * 1024;

class StillPictures {
 public:
  // Reads every "<id>.263" of `folder` (a missing folder gives no pictures). Files
  // larger than 1 MiB or without a picture are skipped and named in `warnings`.
  void Load(const std::filesystem::path& folder, std::vector<std::string>& warnings);
  // The picture of camera `id`, or nullptr.
  const std::vector<std::uint8_t>* Find(std::uint32_t id) const;
  std::size_t size() const { return pictures_.size(); }

 private:
  std::map<std::uint32_t, std::vector<std::uint8_t>> pictures_;
};

}  // namespace kavreld
