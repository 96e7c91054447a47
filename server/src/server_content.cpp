#include "server_content.h"


#include <charconv>
#include <fstream>
#include <sstream>

#include "kavrel/cp949.h"

namespace kavreld {

using namespace protocol;

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool ParseNumber(std::string_view s, std::uint32_t& out) {
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size();
}

bool TwoDigits(std::string_view s, std::size_t at, int& out) {
  if (s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9') return false;
  out = (s[at] - '0') * 10 + (s[at + 1] - '0');
  return true;
}

// "YYYY-MM-DD HH:MM" with a real date and time.
bool IsBroadcastTime(std::string_view s) {
  if (s.size() < 16 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':') return false;
  int y1, y2, month, day, hour, minute;
  if (!TwoDigits(s, 0, y1) || !TwoDigits(s, 2, y2) || !TwoDigits(s, 5, month) || !TwoDigits(s, 8, day) ||
      !TwoDigits(s, 11, hour) || !TwoDigits(s, 14, minute))
    return false;
  (void)y1;
  (void)y2;
  return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59;
}

}  // namespace

std::optional<ServerConfig> ParseServerConfig(std::string_view text, std::string& error) {
  ServerConfig config;
  int lineNo = 0;
  for (std::string_view raw : Lines(text)) {
    ++lineNo;
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#') continue;
    std::size_t eq = line.find('=');
    auto fail = [&](const std::string& why) {
      error = "server.conf line " + std::to_string(lineNo) + ": " + why;
      return std::nullopt;
    };
    if (eq == std::string_view::npos) return fail("expected key = value");
    std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = Trim(line.substr(eq + 1));
    if (key == "text_a" || key == "text_b") {
      auto cp949 = kavrel::Utf8ToCp949(value);
      if (!cp949) return fail("text is not representable in code page 949");
      if (cp949->size() >= kTextItemSize) return fail("text longer than 79 bytes in code page 949");
      (key == "text_a" ? config.textA : config.textB) = *cp949;
    } else if (key == "relay_address") {
      // The relay listens where the server does: an address kept here could only disagree.
      return fail("relay_address is no longer read: kavreld names its --listen or --public-address");
    } else if (key == "limits") {
      std::istringstream in{std::string(value)};
      std::string word;
      std::size_t n = 0;
      while (in >> word) {
        if (n == 7 || !ParseNumber(word, config.limits[n])) return fail("limits takes seven whole numbers");
        ++n;
      }
      if (n != 7) return fail("limits takes seven whole numbers");
      for (std::size_t i : {0u, 1u, 3u, 5u})
        if (config.limits[i] < 1 || config.limits[i] > 1440) return fail("refresh minutes must be 1..1440");
      for (std::size_t i : {2u, 4u, 6u})
        if (config.limits[i] < 1 || config.limits[i] > 10) return fail("item counts must be 1..10");
    } else {
      return fail("unknown key '" + std::string(key) + "'");
    }
  }
  return config;
}

std::string BuildNewsReply(std::string_view utf8, std::size_t& dropped) {
  std::string reply;
  std::size_t lines = 0;
  dropped = 0;
  for (std::string_view raw : Lines(utf8)) {
    std::string_view line = Trim(raw);
    if (line.empty()) continue;
    std::string cp949 = kavrel::Utf8ToCp949Lossy(line);
    // A carriage return inside the text would split it on the handheld.
    for (char& c : cp949)
      if (c == '\r') c = ' ';
    std::string_view cut = kavrel::CutCp949(cp949, kMaxNewsLineBytes);
    if (lines == kMaxNewsLines || reply.size() + cut.size() + kNewsLineEnd.size() > kMaxNewsBytes) {
      ++dropped;
      continue;
    }
    reply.append(cut);
    reply.append(kNewsLineEnd);
    ++lines;
  }
  return reply;
}

std::string NewestBroadcast(std::string_view text) {
  std::string newest;
  for (std::string_view raw : Lines(text)) {
    std::string_view line = Trim(raw);
    if (!IsBroadcastTime(line)) continue;
    std::string_view when = line.substr(0, 16);
    if (when > newest) newest = when;  // the fixed layout sorts as text
  }
  return newest.empty() ? "#" : newest;
}

std::optional<std::string> AnswerFor(std::string_view answersUtf8, std::string_view questionUtf8) {
  for (std::string_view raw : Lines(answersUtf8)) {
    if (raw.empty() || raw.front() == '#') continue;
    std::size_t tab = raw.find('\t');
    if (tab == std::string_view::npos || tab == 0) continue;
    std::string_view keyword = Trim(raw.substr(0, tab));
    std::string_view answer = Trim(raw.substr(tab + 1));
    if (keyword.empty() || answer.empty()) continue;
    if (keyword == "*" || questionUtf8.find(keyword) != std::string_view::npos)
      return kavrel::Utf8ToCp949Lossy(answer);
  }
  return std::nullopt;
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    data.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (data.size() > limit) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return data;
}

}  // namespace kavreld
