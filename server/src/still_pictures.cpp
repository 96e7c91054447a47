#include "still_pictures.h"

#include <charconv>
#include <system_error>

#include "camera_clips.h"
#include "server_content.h"

namespace kavreld {

void StillPictures::Load(const std::filesystem::path& folder, std::vector<std::string>& warnings) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const auto& path = it->path();
    if (path.extension() != ".263") continue;
    std::string stem = path.stem().string();
    std::uint32_t id = 0;
    auto [p, err] = std::from_chars(stem.data(), stem.data() + stem.size(), id);
    if (err != std::errc() || p != stem.data() + stem.size()) continue;
    auto bytes = ReadSmallFile(path, kMaxClipBytes);
    Clip clip;
    if (bytes)
      clip = SplitClip(std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()),
                       std::chrono::microseconds(0));
    if (clip.pictures.empty()) {
      warnings.push_back(path.string() + ": skipped (unreadable, larger than 1 MiB or without a picture)");
      continue;
    }
    pictures_[id] = std::move(clip.pictures.front());
  }
}

const std::vector<std::uint8_t>* StillPictures::Find(std::uint32_t id) const {
  auto it = pictures_.find(id);
  return it == pictures_.end() ? nullptr : &it->second;
}

}  // namespace kavreld
