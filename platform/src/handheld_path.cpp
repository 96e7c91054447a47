#include "kavrel/handheld_path.h"

#include <cctype>
#include <cstdlib>
#include <string>
#include <system_error>

namespace kavrel {
namespace {

constexpr std::string_view kClientDir = "\\Program Files\\KavrelClient\\";

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    auto a = static_cast<unsigned char>(s[i]);
    auto b = static_cast<unsigned char>(prefix[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

std::string ToSlashes(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

}  // namespace

std::filesystem::path DataDirectory() {
  if (const char* home = std::getenv("KAVREL_HOME"); home && *home) return home;
  // A program that runs from the build tree uses the build's data.
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::string buildDir = KAVREL_BUILD_DIR;
  if (!ec && exe.string().rfind(buildDir + "/", 0) == 0) return KAVREL_BUILD_DATADIR;
  return KAVREL_INSTALL_DATADIR;
}

std::filesystem::path HandheldPath(std::string_view handheldPath) {
  if (StartsWithNoCase(handheldPath, kClientDir))
    return DataDirectory() / ToSlashes(handheldPath.substr(kClientDir.size()));
  if (handheldPath.rfind(".\\", 0) == 0) return std::filesystem::path(ToSlashes(handheldPath.substr(2)));
  return std::filesystem::path(ToSlashes(handheldPath));
}

}  // namespace kavrel
