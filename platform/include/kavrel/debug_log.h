// Debug-log files: one line appended per call; the file is opened, written and
// closed each time and created when missing. A file that cannot be opened is ignored.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "kavrel/clock.h"

namespace kavrel {

enum class LogLayout {
  TimeFirst,  // "(%d월%d일%d시%d분%d초%d밀)%s\r\n"  — the network library
  TextFirst,  // "%s(%d월%d일%d시%d분%d초%d밀)\r\n"  — the desktop provider
};

// The line as written, in CP949. `text` is UTF-8; the line is cut to `maxLineBytes`
// (the line buffer of the handheld, 2,048 bytes with its NUL) at a character boundary.
std::string FormatLogLine(LogLayout layout, const LocalTime& t, std::string_view text,
                          std::size_t maxLineBytes = 2047);

// Appends one line stamped with the current local time to `file`.
void AppendLogLine(const std::filesystem::path& file, LogLayout layout, std::string_view text);

}  // namespace kavrel
