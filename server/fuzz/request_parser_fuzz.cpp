// Request parsing against arbitrary bytes: fed whole and fed in pieces, the parser
// must come to the same verdict and never take more than it was given. A complete
// request is then answered by the real handler (sample data, members in memory). The
// texts of the server's own files go through their parsers as well.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string_view>

#include "request_handler.h"
#include "request_parser.h"
#include "server_content.h"

namespace {

kavreld::RequestHandler* Handler() {
  static std::unique_ptr<kavreld::RequestHandler> handler = [] {
    kavreld::HandlerSetup setup;
    setup.dataDir = KAVREL_FUZZ_DATADIR;
    setup.dbPath = ":memory:";
    std::vector<std::string> warnings;
    std::string error;
    return kavreld::RequestHandler::Create(setup, warnings, error);
  }();
  return handler.get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> input(data, size);

  kavreld::Request whole;
  std::string error;
  std::size_t usedWhole = 0;
  auto verdict = kavreld::ParseAll(input, whole, error, usedWhole);
  if (usedWhole > size) std::abort();

  // The same bytes in pieces whose sizes come from the input itself.
  kavreld::RequestParser parser;
  std::size_t at = 0, step = size ? static_cast<std::size_t>(data[0] % 7) + 1 : 1;
  while (at < size && parser.state() == kavreld::RequestParser::State::NeedMore) {
    std::size_t n = std::min(step, size - at), used = 0;
    parser.Feed(input.subspan(at, n), used);
    if (used > n) std::abort();
    at += used;
    if (used < n) break;
  }
  if (parser.state() != verdict) std::abort();
  if (verdict == kavreld::RequestParser::State::Complete &&
      (parser.request().body != whole.body || parser.request().code != whole.code || at != usedWhole))
    std::abort();
  if (verdict == kavreld::RequestParser::State::Complete && Handler()) {
    auto reply = Handler()->Handle(whole);
    if (reply.bytes.size() > 64 * 1024) std::abort();
  }

  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t dropped = 0;
  std::string news = kavreld::BuildNewsReply(text, dropped);
  if (news.size() > protocol::kMaxNewsBytes) std::abort();
  std::string conf;
  (void)kavreld::ParseServerConfig(text, conf);
  std::string newest = kavreld::NewestBroadcast(text);
  if (newest != "#" && newest.size() != 16) std::abort();
  (void)kavreld::AnswerFor(text, text);
  return 0;
}
