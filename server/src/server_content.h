// What the server tells every client, read from its data directory (server/):
//   server.conf      texts of items 32 and 33, the limits
//   news.txt         the news flash, one item per line (UTF-8)
//   broadcasts.txt   traffic broadcasts, "YYYY-MM-DD HH:MM title" per line (read per request)
//   answers.txt      the operator's answers, "keyword<TAB>answer" per line (read per request)
// Files are UTF-8; replies carry code page 949.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/records.h"

namespace kavreld {

struct ServerConfig {
  std::string textA;         // CP949
  std::string textB;         // CP949
  // News minutes, route minutes, most routes, road minutes, most roads, camera
  // minutes, most cameras.
  std::array<std::uint32_t, 7> limits{5, 5, 10, 5, 10, 5, 10};
};

// Parses server.conf. nullopt and `error` (naming the line) when a value is wrong.
std::optional<ServerConfig> ParseServerConfig(std::string_view text, std::string& error);

// The news reply for UTF-8 text of one item per line: blank lines skipped, each line
// cut to 1023 bytes at a character boundary, at most 40 lines and 2,048 bytes (whole
// lines only). `dropped` counts the lines left out.
std::string BuildNewsReply(std::string_view utf8, std::size_t& dropped);

// The newest broadcast time ("YYYY-MM-DD HH:MM") of broadcasts.txt text, or "#" when
// it lists none. Lines that do not start with a valid time are skipped.
std::string NewestBroadcast(std::string_view text);

// The operator's answer to a question (CP949 in and out), from answers.txt text: the
// answer of the first keyword the question contains; "*" matches any question.
std::optional<std::string> AnswerFor(std::string_view answersUtf8, std::string_view questionUtf8);

// A file's bytes, at most `limit`; nullopt when missing, unreadable or larger.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::size_t limit);

}  // namespace kavreld
