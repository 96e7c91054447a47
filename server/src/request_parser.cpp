#include "request_parser.h"

#include <algorithm>
#include <cstring>

#include "kavrel/little_endian.h"

namespace kavreld {

using namespace protocol;

RequestParser::State RequestParser::Reject(std::string why) {
  error_ = std::move(why);
  state_ = State::Rejected;
  return state_;
}

RequestParser::State RequestParser::AfterHeader() {
  auto header = ReadRequestHeader(header_);
  request_.code = kavrel::ReadU32(header_.data(), kHeaderCodeOffset);
  if (!header) return Reject("address text without its NUL");
  request_.clientAddress = header->localAddress;
  for (char c : request_.clientAddress)
    if (!((c >= '0' && c <= '9') || c == '.')) return Reject("address text is not dotted decimal");
  haveHeader_ = true;
  auto size = RequestBodySize(request_.code);
  if (!size) return Reject("unknown code " + std::to_string(request_.code));
  bodyWanted_ = *size;
  request_.body.reserve(bodyWanted_);
  return State::NeedMore;
}

RequestParser::State RequestParser::Feed(std::span<const std::uint8_t> input, std::size_t& used) {
  used = 0;
  while (state_ == State::NeedMore) {
    if (!haveHeader_) {
      std::size_t take = std::min(kRequestHeaderSize - header_.size(), input.size() - used);
      header_.insert(header_.end(), input.begin() + static_cast<std::ptrdiff_t>(used),
                     input.begin() + static_cast<std::ptrdiff_t>(used + take));
      used += take;
      if (header_.size() < kRequestHeaderSize) return state_;
      if (AfterHeader() != State::NeedMore) return state_;
      continue;
    }
    std::size_t take = std::min(bodyWanted_ - request_.body.size(), input.size() - used);
    request_.body.insert(request_.body.end(), input.begin() + static_cast<std::ptrdiff_t>(used),
                         input.begin() + static_cast<std::ptrdiff_t>(used + take));
    used += take;
    if (request_.body.size() < bodyWanted_) return state_;
    if (request_.code == kQuestionSend && !questionSized_) {
      questionSized_ = true;
      std::uint32_t length = kavrel::ReadU32(request_.body.data(), kQuestionLengthOffset);
      if (length > kMaxQuestionLength) return Reject("question of " + std::to_string(length) + " bytes is too long");
      bodyWanted_ += length;
      continue;
    }
    state_ = State::Complete;
  }
  return state_;
}

RequestParser::State ParseAll(std::span<const std::uint8_t> bytes, Request& out, std::string& error,
                              std::size_t& used) {
  RequestParser parser;
  auto state = parser.Feed(bytes, used);
  out = parser.request();
  error = parser.error();
  return state;
}

}  // namespace kavreld
