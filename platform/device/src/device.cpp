#include "kavrel/device.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#include "kavrel/ascii_case.h"

namespace kavrel::device {

std::optional<std::filesystem::path> ConnectedDevice() {
  const char* dir = std::getenv("KAVREL_DEVICE");
  if (!dir || !*dir) return std::nullopt;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return std::nullopt;
  return std::filesystem::path(dir);
}

std::filesystem::path ProgramDirectory(const std::filesystem::path& device) {
  return device / "Program Files" / "KavrelClient";
}

std::filesystem::path ConfigDirectory(const std::filesystem::path& device) { return device / "config"; }

namespace {

// `dir / name`, or the entry of `dir` whose name differs from `name` only in case when
// there is no exact one: the handheld's registry ignores case.
std::filesystem::path EntryNoCase(const std::filesystem::path& dir, const std::string& name) {
  std::error_code ec;
  auto exact = dir / name;
  if (std::filesystem::exists(exact, ec)) return exact;
  const auto wanted = kavrel::AsciiLower(name);
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (kavrel::AsciiLower(it->path().filename().string()) == wanted) return it->path();
  return exact;
}

}  // namespace

std::optional<ProfileLocation> LocateProfileKey(const std::filesystem::path& device, std::string_view key) {
  std::vector<std::string_view> parts;
  while (true) {
    auto pos = key.find('\\');
    parts.push_back(key.substr(0, pos));
    if (pos == std::string_view::npos) break;
    key.remove_prefix(pos + 1);
  }
  if (parts.size() < 3 || parts.size() > 4) return std::nullopt;
  if (kavrel::AsciiLower(parts[0]) != "software") return std::nullopt;
  for (auto part : parts)
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string_view::npos ||
        part.find('\0') != std::string_view::npos)
      return std::nullopt;
  ProfileLocation location;
  auto org = EntryNoCase(ConfigDirectory(device), std::string(parts[1]));
  location.file = EntryNoCase(org, std::string(parts[2]) + ".conf");
  location.group = parts.size() == 4 ? std::string(parts[3]) : "General";
  return location;
}

}  // namespace kavrel::device
