// Request parsing: header checks, the body size of every code, question lengths,
// and the same verdict however the bytes are split.
#include <gtest/gtest.h>

#include "kavrel/little_endian.h"
#include "request_parser.h"
#include "server_process.h"

namespace kavreld {
using namespace protocol;
namespace {

using Bytes = std::vector<std::uint8_t>;
using State = RequestParser::State;

Bytes RequestBytes(std::uint32_t code, std::size_t bodySize) {
  Bytes r = testing::Header(code);
  r.resize(24 + bodySize, 0x41);
  return r;
}

Bytes Question(std::uint32_t length, std::size_t textBytes) {
  Bytes r = testing::Header(kQuestionSend);
  r.resize(24 + 21, 0);
  r.resize(24 + 25, 0);
  kavrel::WriteU32(r.data(), 24 + 21, length);
  r.resize(r.size() + textBytes, 'q');
  return r;
}

struct Case {
  const char* what;
  Bytes bytes;
  State state;
  std::size_t bodySize;  // when Complete
};

TEST(RequestParser, VerdictsForWholeRequests) {
  std::vector<Case> cases = {
      {"news, no body", RequestBytes(1, 0), State::Complete, 0},
      {"join", RequestBytes(2, 124), State::Complete, 124},
      {"login", RequestBytes(3, 124), State::Complete, 124},
      {"road speed", RequestBytes(7, 128), State::Complete, 128},
      {"logout", RequestBytes(8, 124), State::Complete, 124},
      {"still", RequestBytes(16, 4), State::Complete, 4},
      {"text items", RequestBytes(34, 0), State::Complete, 0},
      {"search", RequestBytes(48, 128), State::Complete, 128},
      {"limits", RequestBytes(64, 0), State::Complete, 0},
      {"broadcast", RequestBytes(96, 0), State::Complete, 0},
      {"answer check", RequestBytes(129, 21), State::Complete, 21},
      {"answer get", RequestBytes(130, 21), State::Complete, 21},
      {"route", RequestBytes(144, 12), State::Complete, 12},
      {"user info", RequestBytes(176, 21), State::Complete, 21},
      {"user update", RequestBytes(177, 124), State::Complete, 124},
      {"user find", RequestBytes(178, 14), State::Complete, 14},
      {"question", Question(5, 5), State::Complete, 30},
      {"empty question", Question(0, 0), State::Complete, 25},
      {"longest question", Question(kMaxQuestionLength, kMaxQuestionLength), State::Complete,
       25 + kMaxQuestionLength},
      {"question too long", Question(kMaxQuestionLength + 1, 0), State::Rejected, 0},
      {"question of 4 GiB", Question(0xFFFFFFFFu, 0), State::Rejected, 0},
      {"short header", Bytes(10, 0), State::NeedMore, 0},
      {"short body", RequestBytes(3, 100), State::NeedMore, 0},
      {"short question text", Question(9, 8), State::NeedMore, 0},
      {"unknown code", RequestBytes(5, 0), State::Rejected, 0},
      {"local-only code", RequestBytes(9, 0), State::Rejected, 0},
      {"bulk exchange", RequestBytes(240, 732), State::Complete, 732},
      {"short bulk exchange", RequestBytes(240, 700), State::NeedMore, 0},
      {"address text without NUL", Bytes(24, '1'), State::Rejected, 0},
  };
  Bytes letters = testing::Header(1, "abc");
  cases.push_back({"address text not dotted decimal", letters, State::Rejected, 0});

  for (const Case& c : cases) {
    kavreld::Request out;
    std::string error;
    std::size_t used = 0;
    State s = ParseAll(c.bytes, out, error, used);
    EXPECT_EQ(s, c.state) << c.what;
    EXPECT_LE(used, c.bytes.size()) << c.what;
    if (s == State::Complete) {
      EXPECT_EQ(out.body.size(), c.bodySize) << c.what;
      EXPECT_EQ(used, c.bytes.size()) << c.what;
      EXPECT_EQ(out.clientAddress, "127.0.0.1") << c.what;
    }
    if (s == State::Rejected) {
      EXPECT_FALSE(error.empty()) << c.what;
    }
  }
}

TEST(RequestParser, ByteByByteGivesTheSameRequest) {
  Bytes bytes = Question(7, 7);
  RequestParser parser;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    ASSERT_EQ(parser.state(), State::NeedMore) << "at byte " << i;
    std::size_t used = 0;
    parser.Feed(std::span<const std::uint8_t>(&bytes[i], 1), used);
    EXPECT_EQ(used, 1u);
  }
  ASSERT_EQ(parser.state(), State::Complete);
  EXPECT_EQ(parser.request().code, kQuestionSend);
  EXPECT_EQ(std::string(parser.request().body.end() - 7, parser.request().body.end()), "qqqqqqq");
}

TEST(RequestParser, TakesNothingBeyondTheBody) {
  Bytes bytes = RequestBytes(16, 4);
  bytes.push_back(0xAB);
  RequestParser parser;
  std::size_t used = 0;
  EXPECT_EQ(parser.Feed(bytes, used), State::Complete);
  EXPECT_EQ(used, 28u);  // the extra byte is left for the caller to judge
  EXPECT_EQ(parser.Feed(bytes, used), State::Complete);
  EXPECT_EQ(used, 0u);
}

}  // namespace
}  // namespace kavreld
