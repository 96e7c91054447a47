#include "command_line.h"

namespace updater {

CommandLine ParseCommandLine(std::string_view line) {
  constexpr std::string_view kSeparator = " /";
  CommandLine c;
  std::size_t first = line.find(kSeparator);
  c.callerWindow = kavrel::desktop::HandleFromText(line.substr(0, first));
  if (first == std::string_view::npos) return c;
  std::string_view rest = line.substr(first + kSeparator.size());
  std::size_t second = rest.find(kSeparator);
  c.baseAddress = rest.substr(0, second);
  if (second != std::string_view::npos) c.currentVersion = rest.substr(second + kSeparator.size());
  return c;
}

}  // namespace updater
