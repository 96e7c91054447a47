#include "server_commands.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cstring>

#include "ZMNTP.h"
#include "kavrel/handheld_path.h"
#include "kavrel/little_endian.h"

namespace zmntp {

namespace {

constexpr std::array kServerCommands = {
    ServerCommand{CMD_TICKER_TEXT, BodyKind::None, nullptr},
    ServerCommand{CMD_USER_REGISTER, BodyKind::Record124, "사용자등록"},
    ServerCommand{CMD_USER_LOGIN, BodyKind::LoginRecord, "사용자 로그인/로그아웃"},
    ServerCommand{CMD_ROAD_SPEED, BodyKind::Text128, "길속도"},
    ServerCommand{CMD_USER_LOGOUT, BodyKind::LoginRecord, "사용자 로그인/로그아웃"},
    ServerCommand{CMD_CCTV_STILL, BodyKind::U32, "정지영상"},
    ServerCommand{CMD_TEXT_ITEM_A, BodyKind::None, nullptr},
    ServerCommand{CMD_TEXT_ITEM_B, BodyKind::None, nullptr},
    ServerCommand{CMD_TEXT_ITEM_C, BodyKind::None, nullptr},
    ServerCommand{CMD_NODE_INFO, BodyKind::Text128, "노드정보"},
    ServerCommand{CMD_REFRESH_INTERVALS, BodyKind::None, nullptr},
    ServerCommand{CMD_BROADCAST_CHECK, BodyKind::None, "교통방송확인"},
    ServerCommand{CMD_QUESTION_SEND, BodyKind::Question, "질의문보내기"},
    ServerCommand{CMD_ANSWER_CHECK, BodyKind::StoredUserId, "답변확인"},
    ServerCommand{CMD_ANSWER_GET, BodyKind::StoredUserId, "답변받기"},
    ServerCommand{CMD_ROUTE, BodyKind::Route12, "빠른길-가까운길"},
    ServerCommand{CMD_USER_INFO_GET, BodyKind::StoredUserId, "사용자 정보 얻기"},
    ServerCommand{CMD_USER_INFO_UPDATE, BodyKind::Record124, "사용자 정보 수정"},
    ServerCommand{CMD_USER_INFO_FIND, BodyKind::FindKey, "사용자 정보 얻기2"},
};

}  // namespace

const ServerCommand* FindServerCommand(unsigned long code) {
  for (const auto& c : kServerCommands)
    if (c.code == code) return &c;
  return nullptr;
}

int ReadOrdinaryReply(const Socket& s, std::vector<std::uint8_t>& reply, const ReplyLogLines& lines) {
  reply.clear();
  const std::uint32_t idle = Timeouts().replyIdleMs;
  std::uint8_t word[4];
  long r = RecvWithTimeout(s, word, sizeof word, idle);
  if (r != 4) {
    WriteLog(Format("%s%ld", lines.lengthRecv.c_str(), r));
    return 3;
  }
  std::uint32_t length = kavrel::ReadU32(word, 0);
  if (length > kMaxReplyLength) {
    WriteLog(Format("%s%u", lines.tooLong.c_str(), length));
    return 3;
  }
  if (length == 0) {
    if (!lines.zeroLength.empty()) WriteLog(lines.zeroLength);
  } else {
    reply.assign(length, 0);
    r = RecvWithTimeout(s, reply.data(), length, idle);
    if (r != static_cast<long>(length)) {
      reply.clear();
      WriteLog(Format("%s%ld", lines.bodyRecv.c_str(), r));
      return 3;
    }
  }
  std::uint8_t ack[4] = {0, 0, 0, 0};
  long sent = SendBlock(s, ack, sizeof ack);
  if (sent != 4) {
    reply.clear();
    WriteLog(Format("%s%ld", lines.ackSend.c_str(), sent));
    return 2;
  }
  return 0;
}

std::optional<std::uint64_t> ToFileTime(int year, int month, int day, int hour, int minute) {
  static constexpr int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || hour < 0 || hour > 23 || minute < 0 || minute > 59)
    return std::nullopt;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int monthDays = kDaysIn[month - 1] + ((month == 2 && leap) ? 1 : 0);
  if (day < 1 || day > monthDays) return std::nullopt;
  // Days from 1601-01-01 to the given date (proleptic Gregorian).
  auto daysBeforeYear = [](long y) {
    long p = y - 1;
    return p * 365 + p / 4 - p / 100 + p / 400;
  };
  long days = daysBeforeYear(year) - daysBeforeYear(1601);
  for (int m = 1; m < month; ++m) days += kDaysIn[m - 1] + ((m == 2 && leap) ? 1 : 0);
  days += day - 1;
  std::uint64_t seconds = static_cast<std::uint64_t>(days) * 86400u + static_cast<std::uint64_t>(hour) * 3600u +
                          static_cast<std::uint64_t>(minute) * 60u;
  return seconds * 10000000u;
}

namespace {

// A fixed-place decimal field of the broadcast time; nullopt unless all digits.
std::optional<int> DecimalField(const std::vector<std::uint8_t>& reply, std::size_t at, std::size_t len) {
  int v = 0;
  for (std::size_t i = at; i < at + len; ++i) {
    if (reply[i] < '0' || reply[i] > '9') return std::nullopt;
    v = v * 10 + (reply[i] - '0');
  }
  return v;
}

}  // namespace

std::uint8_t CheckBroadcastTime(const std::vector<std::uint8_t>& reply) {
  // "#": no broadcast; anything too short to hold "YYYY-MM-DD HH:MM" carries no time.
  if (reply.empty() || reply[0] == '#' || reply.size() < 16) return 0;
  auto year = DecimalField(reply, 0, 4), month = DecimalField(reply, 5, 2), day = DecimalField(reply, 8, 2),
       hour = DecimalField(reply, 11, 2), minute = DecimalField(reply, 14, 2);
  if (!year || !month || !day || !hour || !minute) return 0;
  auto received = ToFileTime(*year, *month, *day, *hour, *minute);
  if (!received) return 0;

  int fd = ::open(kavrel::HandheldPath(".\\CastingDate").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  ::flock(fd, LOCK_EX);  // not shared while we hold it
  std::uint8_t stored[8] = {};
  std::size_t got = 0;
  while (got < sizeof stored) {
    ssize_t n = ::pread(fd, stored + got, sizeof stored - got, static_cast<off_t>(got));
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got < sizeof stored) std::memset(stored, 0, sizeof stored);  // a new or short file reads as 0
  std::uint8_t verdict = 0;
  if (kavrel::ReadU64(stored, 0) < *received) {
    std::uint8_t bytes[8];
    kavrel::WriteU64(bytes, 0, *received);
    if (::pwrite(fd, bytes, sizeof bytes, 0) == static_cast<ssize_t>(sizeof bytes)) verdict = 1;
  }
  ::close(fd);
  return verdict;
}

}  // namespace zmntp
