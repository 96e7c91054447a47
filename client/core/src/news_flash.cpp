#include "news_flash.h"

#include <algorithm>
#include <string_view>

#include "ansi_text.h"
#include "protocol/records.h"

QString CNewsFlash::JoinLines(std::span<const std::uint8_t> reply) {
  QString joined;
  for (const std::string& line : protocol::ReadNewsLines(reply)) {
    // A line stops at a NUL, as a C string does.
    joined += client::FromAnsi(std::string_view(line).substr(0, line.find('\0'))) + QString(12, QLatin1Char(' '));
  }
  return joined + QStringLiteral("...     ");
}

void CNewsFlash::TakeReply(std::span<const std::uint8_t> reply, int averageCharWidth) {
  text = JoinLines(reply);
  width = averageCharWidth * (static_cast<int>(std::min(reply.size(), protocol::kMaxNewsBytes)) + 24);
}
