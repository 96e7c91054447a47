// ZMNTP — the handheld's network library: one exported class through which the
// client performs every exchange with the traffic server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#define ZMNTP_API __attribute__((visibility("default")))

#include "protocol/commands.h"

// Results of SendCmd.
constexpr int RESULT_OK = 0;
constexpr int RESULT_CONNECT_FAILED = 1;
constexpr int RESULT_SEND_FAILED = 2;
constexpr int RESULT_RECV_FAILED = 3;
constexpr int RESULT_NOT_HANDLED = 0x10000000;

// Command codes: the protocol's (protocol/commands.h), under the names callers use.
// `data` of SendCmd: the bytes the library reads from it for each code
// (protocol::CallerDataSize); a caller's buffer must hold at least that many.
//   2, 3, 8, 177   124 (a UserRecord or LoginRecord)
//   4, 5, 16       4 (u32 category, road id, camera id)
//   7, 48          a text, read up to its NUL but never past 128 bytes
//   144            12 (a RouteQuery)
//   160            24 (a VideoStartRequest: window, camera, 16-byte relay address)
//   178            a text, read up to its NUL but never past 14 bytes
//   241, 242       732 (ONE_TIME_NET_CMD)
//   128            *count bytes of question text
//   all others     none (data may be null)
constexpr unsigned long CMD_TICKER_TEXT = protocol::kTickerText;
constexpr unsigned long CMD_USER_REGISTER = protocol::kUserRegister;
constexpr unsigned long CMD_USER_LOGIN = protocol::kUserLogin;
constexpr unsigned long CMD_ROAD_LIST = protocol::kRoadList;
constexpr unsigned long CMD_ROAD_SEGMENTS = protocol::kRoadSegments;
constexpr unsigned long CMD_ROAD_SPEED = protocol::kRoadSpeed;
constexpr unsigned long CMD_USER_LOGOUT = protocol::kUserLogout;
constexpr unsigned long CMD_NAMED_CODE_LIST = protocol::kCameraCatalogue;
constexpr unsigned long CMD_CCTV_STILL = protocol::kCctvStill;
constexpr unsigned long CMD_TEXT_ITEM_A = protocol::kTextItemA;
constexpr unsigned long CMD_TEXT_ITEM_B = protocol::kTextItemB;
constexpr unsigned long CMD_TEXT_ITEM_C = protocol::kRelayAddress;  // the camera relay's address
constexpr unsigned long CMD_NODE_INFO = protocol::kPlaceSearch;
constexpr unsigned long CMD_REFRESH_INTERVALS = protocol::kRefreshIntervals;
constexpr unsigned long CMD_FLAG_A = protocol::kFlagA;
constexpr unsigned long CMD_BROADCAST_CHECK = protocol::kBroadcastCheck;
constexpr unsigned long CMD_FLAG_B = protocol::kFlagB;
constexpr unsigned long CMD_QUESTION_SEND = protocol::kQuestionSend;
constexpr unsigned long CMD_ANSWER_CHECK = protocol::kAnswerCheck;
constexpr unsigned long CMD_ANSWER_GET = protocol::kAnswerGet;
constexpr unsigned long CMD_ROUTE = protocol::kRoute;
constexpr unsigned long CMD_CCTV_VIDEO_START = protocol::kVideoStart;
constexpr unsigned long CMD_CCTV_VIDEO_STOP = protocol::kVideoStop;
constexpr unsigned long CMD_USER_INFO_GET = protocol::kUserInfoGet;
constexpr unsigned long CMD_USER_INFO_UPDATE = protocol::kUserInfoUpdate;
constexpr unsigned long CMD_USER_INFO_FIND = protocol::kUserInfoFind;
constexpr unsigned long CMD_ONE_STEP = protocol::kOneStep;  // wire code of the bulk exchange only
constexpr unsigned long CMD_ONE_STEP_LOAD = protocol::kOneStepLoad;
constexpr unsigned long CMD_ONE_STEP_RELOAD = protocol::kOneStepReload;

namespace zmntp {
class Socket;
}
namespace protocol {
struct OneStepRecord;
}

// The selection and cache record of the bulk exchange.
using ONE_TIME_NET_CMD = protocol::OneStepRecord;

// Bytes per result unit that GetData copies for `code`; 0 when the code leaves no result.
ZMNTP_API std::size_t ZMNTP_ResultUnit(unsigned long code);

class ZMNTP_API CZMNTP {
 public:
  CZMNTP();
  // Both objects then refer to the same pending result.
  CZMNTP& operator=(const CZMNTP& other);

  int ZMNTP_Init();
  int ZMNTP_Destroy();
  int SendCmd(char* serverAddress, unsigned long port, unsigned long code, unsigned long* count, void* data);
  int GetData(unsigned long code, void* reserved, unsigned long count, void* out);

  // First dispatch stage: answers from the road file (and the video session).
  int CmdPreProcess(unsigned long code, unsigned long* count, void* data);
  // Cache stage: answers from the items of the last bulk exchange.
  int ProcessOneStepCmd(unsigned long code, unsigned long* count, void* data, ONE_TIME_NET_CMD* cache);

 private:
  using Buffer = std::vector<std::uint8_t>;
  void SetPending(Buffer bytes);
  int SendToServer(char* serverAddress, unsigned long port, unsigned long code, unsigned long* count, void* data,
                   unsigned long questionLength);
  int ReceiveRoadSpeeds(const zmntp::Socket& s, std::string_view roadName, unsigned long* count);

  // The one pending result: the reply of the last command until GetData hands it over.
  std::shared_ptr<Buffer> pending_;
};
