// The commands answered by the traffic server: their bodies, labels and replies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "connection.h"

namespace zmntp {

// What follows the request header for a command.
enum class BodyKind {
  None,          // nothing
  Record124,     // the caller's 124-byte record
  LoginRecord,   // the caller's 124-byte record, also kept as the stored login record
  Text128,       // the caller's text formatted into 128 bytes
  U32,           // the caller's 4 bytes
  Route12,       // the caller's 12-byte route query
  StoredUserId,  // bytes 0..20 of the stored login record
  FindKey,       // the caller's key formatted into stored bytes 42..55, then those 14 bytes
  Question,      // stored user ID, u32 length, the text: three sends
};

struct ServerCommand {
  unsigned long code;
  BodyKind body;
  const char* label;  // the name its log lines carry, or nullptr for the generic lines
};

// The server's part of the command catalogue; nullptr for a code the server does not take.
const ServerCommand* FindServerCommand(unsigned long code);

// Reads an ordinary reply: length word, body, acknowledgement 0. Failures are logged
// with the given texts and return 2 or 3; on success `reply` holds the body (possibly
// empty). `labels` supplies the four log lines.
struct ReplyLogLines {
  std::string lengthRecv;  // the length word was not received whole ("...recv=%d" completes it)
  std::string bodyRecv;    // the body was not received whole
  std::string zeroLength;  // a zero length (empty: not logged)
  std::string ackSend;     // the acknowledgement was not sent whole
  std::string tooLong;     // the length word exceeds kMaxReplyLength ("%u" completes it)
};
int ReadOrdinaryReply(const Socket& s, std::vector<std::uint8_t>& reply, const ReplyLogLines& lines);

// Code 96: the verdict byte for a broadcast-time reply, updating ".\CastingDate".
std::uint8_t CheckBroadcastTime(const std::vector<std::uint8_t>& reply);

// Broadcast time fields as a file time: 100-ns units since 1601-01-01, no zone.
// nullopt for a date that does not exist.
std::optional<std::uint64_t> ToFileTime(int year, int month, int day, int hour, int minute);

}  // namespace zmntp
