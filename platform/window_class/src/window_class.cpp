#include "kavrel/window_class.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "kavrel/desktop_runtime.h"

namespace kavrel::desktop {
namespace {

constexpr std::string_view kPrefix = "class-";
// An entry is two short lines; anything longer is not one of ours.
constexpr std::size_t kMaxEntryBytes = 4096;

std::filesystem::path EntryPath(const std::filesystem::path& dir, Hwnd handle) {
  return dir / (std::string(kPrefix) + std::to_string(handle));
}

}  // namespace

WindowClassEntry::WindowClassEntry(Hwnd handle, std::string_view className, std::string_view title)
    : handle_(handle) {
  auto dir = RuntimeDirectory();
  if (dir.empty() || className.find('\n') != std::string_view::npos || title.find('\n') != std::string_view::npos)
    return;
  // Written whole under a temporary name, so that a finder never reads half an entry.
  auto path = EntryPath(dir, handle);
  auto temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << className << '\n' << title << '\n';
    if (!out.flush()) return;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  published_ = !ec;
}

WindowClassEntry::~WindowClassEntry() {
  auto dir = RuntimeDirectory();
  std::error_code ec;
  if (published_ && !dir.empty()) std::filesystem::remove(EntryPath(dir, handle_), ec);
}

Hwnd FindWindow(std::string_view className, std::string_view title) {
  auto dir = RuntimeDirectory();
  if (dir.empty()) return 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const auto name = it->path().filename().string();
    if (name.rfind(kPrefix, 0) != 0) continue;
    const auto digits = std::string_view(name).substr(kPrefix.size());
    Hwnd handle = HandleFromText(digits);
    if (handle <= 0 || std::to_string(handle) != digits) continue;  // not an entry (".tmp" and the like)
    std::error_code sizeEc;
    if (it->file_size(sizeEc) > kMaxEntryBytes || sizeEc) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::string entryClass, entryTitle;
    if (!std::getline(in, entryClass) || !std::getline(in, entryTitle)) continue;
    if (entryClass != className || (!title.empty() && entryTitle != title)) continue;
    if (IsWindow(handle)) return handle;
    std::filesystem::remove(it->path(), sizeEc);  // left by a program that ended
  }
  return 0;
}

}  // namespace kavrel::desktop
