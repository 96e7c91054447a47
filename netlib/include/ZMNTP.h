// ZMNTP — the handheld's network library: one exported class through which the
// client performs every exchange with the traffic server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#define ZMNTP_API __attribute__((visibility("default")))

// Results of SendCmd.
constexpr int RESULT_OK = 0;
constexpr int RESULT_CONNECT_FAILED = 1;
constexpr int RESULT_SEND_FAILED = 2;
constexpr int RESULT_RECV_FAILED = 3;
constexpr int RESULT_NOT_HANDLED = 0x10000000;

// Command codes.
constexpr unsigned long CMD_TICKER_TEXT = 1;
constexpr unsigned long CMD_USER_REGISTER = 2;
constexpr unsigned long CMD_USER_LOGIN = 3;
constexpr unsigned long CMD_ROAD_LIST = 4;
constexpr unsigned long CMD_ROAD_SEGMENTS = 5;
constexpr unsigned long CMD_ROAD_SPEED = 7;
constexpr unsigned long CMD_USER_LOGOUT = 8;
constexpr unsigned long CMD_NAMED_CODE_LIST = 9;
constexpr unsigned long CMD_CCTV_STILL = 16;
constexpr unsigned long CMD_TEXT_ITEM_A = 32;
constexpr unsigned long CMD_TEXT_ITEM_B = 33;
constexpr unsigned long CMD_TEXT_ITEM_C = 34;
constexpr unsigned long CMD_NODE_INFO = 48;
constexpr unsigned long CMD_REFRESH_INTERVALS = 64;
constexpr unsigned long CMD_FLAG_A = 80;
constexpr unsigned long CMD_BROADCAST_CHECK = 96;
constexpr unsigned long CMD_FLAG_B = 112;
constexpr unsigned long CMD_QUESTION_SEND = 128;
constexpr unsigned long CMD_ANSWER_CHECK = 129;
constexpr unsigned long CMD_ANSWER_GET = 130;
constexpr unsigned long CMD_ROUTE = 144;
constexpr unsigned long CMD_CCTV_VIDEO_START = 160;
constexpr unsigned long CMD_CCTV_VIDEO_STOP = 161;
constexpr unsigned long CMD_USER_INFO_GET = 176;
constexpr unsigned long CMD_USER_INFO_UPDATE = 177;
constexpr unsigned long CMD_USER_INFO_FIND = 178;
constexpr unsigned long CMD_ONE_STEP = 240;  // wire code of the bulk exchange only
constexpr unsigned long CMD_ONE_STEP_LOAD = 241;
constexpr unsigned long CMD_ONE_STEP_RELOAD = 242;

namespace zmntp {
class Socket;
struct OneStepRecord;
}

// The selection and cache record of the bulk exchange.
using ONE_TIME_NET_CMD = zmntp::OneStepRecord;

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
