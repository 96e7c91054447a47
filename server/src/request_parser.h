// Reads one request of the traffic protocol from the bytes of a connection: the
// request header and the body of its code (protocol/commands.h).
// Bytes are fed as they arrive; the parser never reads past what it was given and
// never buffers more than the largest body a code may carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "protocol/commands.h"

namespace kavreld {

// The protocol's codes, by the names the server's parts use.
using enum protocol::Code;

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
