#include "kavrel/debug_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "kavrel/cp949.h"

namespace kavrel {

std::string FormatLogLine(LogLayout layout, const LocalTime& t, std::string_view text, std::size_t maxLineBytes) {
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "(%d월%d일%d시%d분%d초%d밀)", t.month, t.day, t.hour, t.minute, t.second,
                t.millisecond);
  std::string stampCp = Utf8ToCp949Lossy(stamp);
  // Texts that are not UTF-8 (CP949 names from the wire, say) are written as they are.
  std::string textCp = Utf8ToCp949(text).value_or(std::string(text));
  std::string line = layout == LogLayout::TimeFirst ? stampCp + textCp : textCp + stampCp;
  line = std::string(CutCp949(line, maxLineBytes >= 2 ? maxLineBytes - 2 : 0));
  line += "\r\n";
  return line;
}

void AppendLogLine(const std::filesystem::path& file, LogLayout layout, std::string_view text) {
  std::string line = FormatLogLine(layout, GetLocalTime(), text);
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

}  // namespace kavrel
