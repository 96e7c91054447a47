#include "news_flash.h"

#include <algorithm>
#include <string_view>

#include "ansi_text.h"
#include "kavrel/cp949.h"

namespace {
constexpr std::size_t kMaxReplyBytes = 2048;
constexpr int kMaxLines = 40;
constexpr std::size_t kMaxLineBytes = 1023;
}  // namespace

QString CNewsFlash::JoinLines(std::span<const std::uint8_t> reply) {
  const std::string_view all(reinterpret_cast<const char*>(reply.data()), std::min(reply.size(), kMaxReplyBytes));
  QString joined;
  std::size_t at = 0;
  for (int line = 0; line < kMaxLines && at < all.size(); ++line) {
    std::size_t end = all.find('\r', at);
    if (end == std::string_view::npos) end = all.size();
    std::string_view text = all.substr(at, end - at);
    // The text stops at a NUL, as a C string does.
    text = text.substr(0, text.find('\0'));
    joined += client::FromAnsi(kavrel::CutCp949(text, kMaxLineBytes)) + QString(12, QLatin1Char(' '));
    at = end + 3;  // the carriage return and the two separators
  }
  return joined + QStringLiteral("...     ");
}

void CNewsFlash::TakeReply(std::span<const std::uint8_t> reply, int averageCharWidth) {
  text = JoinLines(reply);
  width = averageCharWidth * (static_cast<int>(std::min(reply.size(), kMaxReplyBytes)) + 24);
}
