#include "kavrel/desktop_runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kavrel::desktop {

std::filesystem::path RuntimeDirectory() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  std::filesystem::path dir = xdg && xdg[0] == '/' ? std::filesystem::path(xdg) / "kavrel"
                                                    : std::filesystem::path("/tmp") / ("kavrel-" + std::to_string(::getuid()));
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
  // Only a real directory of our own, closed to others, is used.
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0)
    return {};
  return dir;
}

bool SetClipboardText(std::string_view text) {
  std::filesystem::path dir = RuntimeDirectory();
  if (dir.empty()) return false;
  std::filesystem::path file = dir / "clipboard";
  std::filesystem::path temp = dir / ("clipboard." + std::to_string(::getpid()));
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.flush()) {
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  if (ec) std::filesystem::remove(temp, ec);
  return !ec;
}

std::optional<std::string> GetClipboardText() {
  std::filesystem::path dir = RuntimeDirectory();
  if (dir.empty()) return std::nullopt;
  std::ifstream in(dir / "clipboard", std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kavrel::desktop
