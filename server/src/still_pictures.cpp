#include "still_pictures.h"

#include <charconv>
#include <system_error>

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
    auto bytes = ReadSmallFile(path, kMaxPictureBytes);
    if (!bytes || bytes->empty()) {
      warnings.push_back(path.string() + ": skipped (missing, empty or larger than 64 KiB)");
      continue;
    }
    pictures_[id] = std::vector<std::uint8_t>(bytes->begin(), bytes->end());
  }
}

const std::vector<std::uint8_t>* StillPictures::Find(std::uint32_t id) const {
  auto it = pictures_.find(id);
  return it == pictures_.end() ? nullptr : &it->second;
}

}  // namespace kavreld
