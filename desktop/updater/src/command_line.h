// The updater's command line: "%d /%s /%s", the caller's window handle, the base
// address of the update script and the current version, separated by " /".
#pragma once

#include <string>
#include <string_view>

#include "kavrel/desktop_window.h"

namespace updater {

struct CommandLine {
  kavrel::desktop::Hwnd callerWindow = 0;  // no digits give 0
  std::string baseAddress;
  std::string currentVersion;  // everything after the second separator
};

CommandLine ParseCommandLine(std::string_view line);

}  // namespace updater
