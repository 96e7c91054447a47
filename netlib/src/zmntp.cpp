#include "ZMNTP.h"

#include <netdb.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "connection.h"
#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/handheld_path.h"
#include "kavrel/little_endian.h"
#include "one_step_cache.h"
#include "process_state.h"
#include "protocol/records.h"
#include "protocol/road_file.h"
#include "server_commands.h"
#include "still_picture.h"

namespace zmntp {

using namespace protocol;

ProcessState& State() {
  static ProcessState state;
  return state;
}

namespace {

// The device's own IPv4 address from its host name, or 0.0.0.0.
void FindLocalAddress(std::array<std::uint8_t, 4>& address) {
  address = {0, 0, 0, 0};
  char name[32] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return;
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  std::memcpy(address.data(), &in->sin_addr, 4);
  ::freeaddrinfo(found);
}

}  // namespace
}  // namespace zmntp

std::size_t ZMNTP_ResultUnit(unsigned long code) {
  using namespace zmntp;
  switch (code) {
    case CMD_ROAD_LIST:
    case CMD_ROAD_SEGMENTS:
    case CMD_ROAD_SPEED:
      return kRoadSpeedRecordSize;
    case CMD_NAMED_CODE_LIST:
      return kNamedCodeRecordSize;
    case CMD_TICKER_TEXT: case CMD_USER_REGISTER: case CMD_USER_LOGIN: case CMD_USER_LOGOUT:
    case CMD_CCTV_STILL: case CMD_TEXT_ITEM_A: case CMD_TEXT_ITEM_B: case CMD_TEXT_ITEM_C:
    case CMD_NODE_INFO: case CMD_REFRESH_INTERVALS: case CMD_FLAG_A: case CMD_BROADCAST_CHECK:
    case CMD_FLAG_B: case CMD_QUESTION_SEND: case CMD_ANSWER_CHECK: case CMD_ANSWER_GET:
    case CMD_ROUTE: case CMD_USER_INFO_GET: case CMD_USER_INFO_UPDATE: case CMD_USER_INFO_FIND:
      return 1;
    default:
      return 0;
  }
}

namespace zmntp {
namespace {

// The caller's text, at most `limit` bytes, never read past its NUL.
std::string_view CallerText(const void* data, std::size_t limit) {
  if (data == nullptr) return {};
  const char* p = static_cast<const char*>(data);
  return std::string_view(p, ::strnlen(p, limit));
}

// `n` bytes of the caller's data, or zeros when there is none.
std::vector<std::uint8_t> CallerBytes(const void* data, std::size_t n) {
  std::vector<std::uint8_t> bytes(n, 0);
  if (data) std::memcpy(bytes.data(), data, n);
  return bytes;
}

std::string SendLine(const ServerCommand& c, int step) {
  return Format("ZMNT:SendCmd:(%s):%d:send=", c.label, step);
}

}  // namespace
}  // namespace zmntp

using namespace zmntp;

CZMNTP::CZMNTP() = default;

CZMNTP& CZMNTP::operator=(const CZMNTP& other) {
  pending_ = other.pending_;
  return *this;
}

void CZMNTP::SetPending(Buffer bytes) { pending_ = std::make_shared<Buffer>(std::move(bytes)); }

int CZMNTP::ZMNTP_Init() {
  auto& state = State();
  LoadRoadFile(state.roadFileImage, kavrel::HandheldPath("\\Program Files\\KavrelClient\\road.dat"));
  FindLocalAddress(state.localAddress);
  ClearOneStepCache();
  std::error_code ec;
  std::filesystem::remove(kavrel::HandheldPath(".\\DBM.TXT"), ec);
  return 0;
}

int CZMNTP::ZMNTP_Destroy() {
  FreeOneStepItems();
  return 0;
}

int CZMNTP::GetData(unsigned long code, void* /*reserved*/, unsigned long count, void* out) {
  std::size_t unit = ZMNTP_ResultUnit(code);
  if (unit == 0 || count == 0 || out == nullptr) return 0;
  std::size_t want = static_cast<std::size_t>(count) * unit;
  std::size_t have = pending_ ? pending_->size() : 0;
  std::size_t n = std::min(want, have);
  if (n > 0) std::memcpy(out, pending_->data(), n);
  // Never more than the pending result: the rest of the caller's buffer reads as zero.
  if (want > n) std::memset(static_cast<std::uint8_t*>(out) + n, 0, want - n);
  pending_.reset();
  return 0;
}

int CZMNTP::SendCmd(char* serverAddress, unsigned long port, unsigned long code, unsigned long* count, void* data) {
  unsigned long ignored = 0;
  if (count == nullptr) count = &ignored;
  // Only the question takes a length from the caller; for every other code the count
  // is an output, cleared by each stage that does not answer.
  const unsigned long questionLength = *count;

  if (CmdPreProcess(code, count, data) == 0) return 0;
  if (code == CMD_ONE_STEP_LOAD || code == CMD_ONE_STEP_RELOAD) {
    LoadOneStepCache(serverAddress, port, code, data);
    kavrel::Sleep(1000);
    return 0;
  }
  RefreshOneStepCache(serverAddress, port);
  if (ProcessOneStepCmd(code, count, data, &State().oneStepCache) == 0) return 0;
  return SendToServer(serverAddress, port, code, count, data, questionLength);
}

int CZMNTP::SendToServer(char* serverAddress, unsigned long port, unsigned long code, unsigned long* count,
                         void* data, unsigned long questionLength) {
  *count = 0;

  Socket s;
  int opened = OpenRequest(serverAddress, port, static_cast<std::uint32_t>(code), count, s);
  if (opened != 0) return opened;

  const ServerCommand* command = FindServerCommand(code);
  if (command == nullptr) {
    WriteLog("ZMNT:SendCmd:(정의되지 않음 명령)");
    return RESULT_NOT_HANDLED;
  }

  // The body.
  auto& stored = State().storedLoginRecord;
  std::vector<std::uint8_t> body;
  switch (command->body) {
    case BodyKind::None:
      break;
    case BodyKind::Record124:
      body = CallerBytes(data, kUserRecordSize);
      break;
    case BodyKind::LoginRecord:
      body = CallerBytes(data, kLoginRecordSize);
      std::copy(body.begin(), body.end(), stored.begin());
      break;
    case BodyKind::Text128:
      body.assign(kTextBodySize, 0);
      kavrel::WriteCp949Field(body.data(), body.size(), CallerText(data, kTextBodySize));
      break;
    case BodyKind::U32:
      body = CallerBytes(data, kCameraIdBodySize);
      break;
    case BodyKind::Route12:
      body = CallerBytes(data, kRouteQuerySize);
      break;
    case BodyKind::StoredUserId:
      body.assign(stored.begin(), stored.begin() + kUserIdBodySize);
      break;
    case BodyKind::FindKey:
      // The key lives where the membership record keeps the registration number.
      kavrel::WriteCp949Field(stored.data() + kUserNumberOffset, kRegistrationBodySize,
                              CallerText(data, kRegistrationBodySize));
      body.assign(stored.begin() + kUserNumberOffset, stored.begin() + kUserNumberOffset + kRegistrationBodySize);
      break;
    case BodyKind::Question: {
      std::uint8_t length[4];
      std::uint32_t textLength = data ? static_cast<std::uint32_t>(questionLength) : 0;
      kavrel::WriteU32(length, 0, textLength);
      const std::pair<const void*, std::size_t> parts[] = {
          {stored.data(), kUserIdBodySize}, {length, 4}, {data, textLength}};
      for (int step = 1; step <= 3; ++step) {
        long sent = SendBlock(s, parts[step - 1].first, parts[step - 1].second);
        if (sent != static_cast<long>(parts[step - 1].second)) {
          WriteLog(SendLine(*command, step) + std::to_string(sent));
          return 2;
        }
      }
      break;
    }
  }
  if (!body.empty()) {
    long sent = SendBlock(s, body.data(), body.size());
    if (sent != static_cast<long>(body.size())) {
      WriteLog(SendLine(*command, 1) + std::to_string(sent));
      return 2;
    }
  }

  if (code == CMD_ROAD_SPEED) return ReceiveRoadSpeeds(s, CallerText(data, kTextCharsMax), count);

  ReplyLogLines lines;
  const std::string tooLong = Format("ZMNT:SendCmd:(결과크기초과):cmd=0x%lx:len=", code);
  if (code == CMD_BROADCAST_CHECK) {
    const std::string prefix = Format("ZMNT:SendCmd:(%s):", command->label);
    lines = {prefix + "1:recv=", prefix + "2:recv=", "", prefix + "3:send=", tooLong};
  } else {
    lines = {Format("ZMNT:SendCmd:(결과크기수신):cmd=0x%lx:recv=", code),
             Format("ZMNT:SendCmd:(결과수신):cmd=0x%lx:recv=", code),
             Format("ZMNT:SendCmd:(결과크기=0):cmd=0x%lx", code),
             Format("ZMNT:SendCmd:(리턴송신=0):cmd=0x%lx:send=", code), tooLong};
  }
  std::vector<std::uint8_t> reply;
  int received = ReadOrdinaryReply(s, reply, lines);
  s.Close();
  if (received != 0) return received;

  if (code == CMD_BROADCAST_CHECK) {
    SetPending(Buffer{CheckBroadcastTime(reply)});
    *count = 1;
    return 0;
  }
  if (code == CMD_CCTV_STILL && !reply.empty()) reply = DecodeStillPicture(reply);
  *count = static_cast<unsigned long>(reply.size());
  if (!reply.empty()) SetPending(std::move(reply));
  return 0;
}

int CZMNTP::ReceiveRoadSpeeds(const Socket& s, std::string_view roadName, unsigned long* count) {
  const std::string prefix = "ZMNT:SendCmd:(길속도):";
  const std::uint32_t idle = Timeouts().replyIdleMs;
  std::uint8_t word[4];
  long r = RecvWithTimeout(s, word, sizeof word, idle);
  if (r != 4) {
    WriteLog(prefix + "2:recv=" + std::to_string(r));
    return 3;
  }
  std::uint32_t length = kavrel::ReadU32(word, 0);
  if (length > kMaxReplyLength) {
    WriteLog(Format("ZMNT:SendCmd:(결과크기초과):cmd=0x%lx:len=%u", CMD_ROAD_SPEED, length));
    return 3;
  }
  Buffer records;
  if (length != 0) {
    Buffer speeds(length, 0);
    r = RecvWithTimeout(s, speeds.data(), length, idle);
    if (r != static_cast<long>(length)) {
      WriteLog(prefix + "3:recv=" + std::to_string(r));
      return 3;
    }
    auto cp949Name = kavrel::CutCp949(roadName, kTextCharsMax);
    records = ExpandRoadSpeeds(State().roadFileImage, cp949Name, speeds);
  }
  std::uint8_t ack[4] = {0, 0, 0, 0};
  long sent = SendBlock(s, ack, sizeof ack);
  if (sent != 4) {
    WriteLog(prefix + "4:send=" + std::to_string(sent));
    return 2;
  }
  *count = static_cast<unsigned long>(records.size() / kRoadSpeedRecordSize);
  if (!records.empty()) SetPending(std::move(records));
  return 0;
}
