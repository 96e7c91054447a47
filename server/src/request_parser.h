// Reads one request of the traffic protocol from the bytes of a connection: the
// 24-byte header (u32 code, the client's address text) and the body of that code.
// Bytes are fed as they arrive; the parser never reads past what it was given and
// never buffers more than the largest body a code may carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kavreld {

constexpr std::size_t kHeaderSize = 24;
constexpr std::size_t kAddressTextOffset = 4;
constexpr std::size_t kAddressTextSize = 20;

// Codes the server answers.
enum Code : std::uint32_t {
  kTickerText = 1,
  kUserRegister = 2,
  kUserLogin = 3,
  kRoadSpeed = 7,
  kUserLogout = 8,
  kCctvStill = 16,
  kTextItemA = 32,
  kTextItemB = 33,
  kTextItemC = 34,
  kNodeInfo = 48,
  kRefreshIntervals = 64,
  kBroadcastCheck = 96,
  kQuestionSend = 128,
  kAnswerCheck = 129,
  kAnswerGet = 130,
  kRoute = 144,
  kUserInfoGet = 176,
  kUserInfoUpdate = 177,
  kUserInfoFind = 178,
  kOneStep = 240,  // the bulk exchange
};

// Body sizes of the fixed-size requests.
constexpr std::size_t kUserRecordSize = 124;
constexpr std::size_t kTextBodySize = 128;
constexpr std::size_t kUserIdBodySize = 21;
constexpr std::size_t kRouteQuerySize = 12;
constexpr std::size_t kRegistrationBodySize = 14;
constexpr std::size_t kOneStepBodySize = 732;
// Code 128: the user ID, a u32 length, then that many bytes of question text.
constexpr std::size_t kQuestionPrefixSize = kUserIdBodySize + 4;
constexpr std::size_t kMaxQuestionLength = 4000;

// The body size of `code`, or nullopt for a code the server does not answer. Code 128
// gives the size of its fixed prefix; the text that follows is counted by the parser.
std::optional<std::size_t> FixedBodySize(std::uint32_t code);

struct Request {
  std::uint32_t code = 0;
  std::string clientAddress;  // the header's address text, as sent
  std::vector<std::uint8_t> body;
};

class RequestParser {
 public:
  enum class State { NeedMore, Complete, Rejected };

  // Takes bytes from `input`; `used` tells how many were taken. After Complete or
  // Rejected nothing more is taken. Bytes left over after Complete are the caller's
  // to judge (a well-behaved client sends nothing more before the reply).
  State Feed(std::span<const std::uint8_t> input, std::size_t& used);

  State state() const { return state_; }
  const Request& request() const { return request_; }
  // Why the request was rejected (for the log).
  const std::string& error() const { return error_; }
  // True once the header has been read (the code is known).
  bool HaveHeader() const { return haveHeader_; }

 private:
  State Reject(std::string why);
  State AfterHeader();

  State state_ = State::NeedMore;
  bool haveHeader_ = false;
  std::vector<std::uint8_t> header_;
  std::size_t bodyWanted_ = 0;   // total body bytes expected (grows once for code 128)
  bool questionSized_ = false;
  Request request_;
  std::string error_;
};

// Convenience for tests and the fuzz target: parses a whole byte string.
RequestParser::State ParseAll(std::span<const std::uint8_t> bytes, Request& out, std::string& error,
                              std::size_t& used);

}  // namespace kavreld
