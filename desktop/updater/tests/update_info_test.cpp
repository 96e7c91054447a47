// UpdateInfo against a small HTTP server on loopback: the exact request addresses, the
// reports in order, and what happens when the server cannot be reached.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "update_info.h"

namespace updater {
namespace {

TEST(UpdateInfoTest, AddressesAreFormattedAsGiven) {
  EXPECT_EQ("http://h/u.php?getinfo=2&ver=1.0 b", UpdateInfo::InfoAddress("http://h/u.php", "1.0 b"));
  EXPECT_EQ("http://h/u?x=1?getinfo=5&ver=1.0", UpdateInfo::StatusAddress("http://h/u?x=1", "5", "1.0"));
  EXPECT_EQ("u?getinfo=106&ver=", UpdateInfo::ErrorAddress("u", 106, ""));
}

// Answers /update with `reply` to getinfo=2 and "OK" to everything else, and keeps
// every request target in order.
class ReplyServer {
 public:
  explicit ReplyServer(std::string reply) : reply_(std::move(reply)) {
    server_.Get("/update", [this](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        targets_.push_back(req.target);
      }
      res.set_content(req.get_param_value("getinfo") == "2" ? reply_ : "OK\nsecond line\n", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] {
      server_.listen_after_bind();
      ended_ = true;
    });
  }
  ~ReplyServer() {
    // stop() only reaches a server that has started listening.
    while (!server_.is_running() && !ended_) std::this_thread::yield();
    server_.stop();
    thread_.join();
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/update"; }
  std::vector<std::string> targets() {
    std::lock_guard<std::mutex> lock(mutex_);
    return targets_;
  }

 private:
  std::string reply_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> ended_{false};
  std::mutex mutex_;
  std::vector<std::string> targets_;
};

TEST(UpdateInfoTest, OfferIsFetchedParsedAndReported) {
  ReplyServer server("Update<br>\n[server];files.example<br>\n[patch_file];/a/x.ini;200;/a/x.cab;5000<br>\n");
  UpdateInfo info;
  info.baseAddress = server.base();
  info.currentVersion = "1.0";
  int failures = 0;
  info.onStatusFailed = [&](int) { ++failures; };
  info.FetchInfo();
  EXPECT_EQ(UpdateDecision::Offer, info.ParseInfo());
  EXPECT_EQ("files.example", info.serverHost);
  EXPECT_EQ("/a/x.cab", info.patchPath2);
  info.SendStatus("1");
  EXPECT_TRUE(info.SendErrorReport(106));
  EXPECT_EQ(0, failures);
  // The status reply is appended to the text and never read again.
  EXPECT_NE(std::string::npos, info.infoText.find("OKsecond line"));
  EXPECT_EQ((std::vector<std::string>{"/update?getinfo=2&ver=1.0", "/update?getinfo=1&ver=1.0",
                                      "/update?getinfo=106&ver=1.0"}),
            server.targets());
}

TEST(UpdateInfoTest, ReplyWithoutServerSendsReport111AndShowsItsMessage) {
  ReplyServer server("Unconditional update<br>\n");
  UpdateInfo info;
  info.baseAddress = server.base();
  info.currentVersion = "2.5";
  std::vector<std::string> messages;
  info.showMessage = [&](const std::string& text) { messages.push_back(text); };
  info.FetchInfo();
  EXPECT_EQ(UpdateDecision::Abort, info.ParseInfo());
  EXPECT_EQ(std::vector<std::string>{"서버로부터 정보를 가져 오는데 실패 했습니다."}, messages);
  EXPECT_EQ((std::vector<std::string>{"/update?getinfo=2&ver=2.5", "/update?getinfo=111&ver=2.5"}), server.targets());
}

TEST(UpdateInfoTest, UnreachableServerAbortsSilentlyAndStatusFailuresAreToldWithTheErrorNumber) {
  std::string base;
  {
    ReplyServer closed("");
    base = closed.base();
  }  // nothing listens there any more
  UpdateInfo info;
  info.baseAddress = base;
  info.currentVersion = "1.0";
  std::vector<std::string> messages;
  std::vector<int> failures;
  info.showMessage = [&](const std::string& text) { messages.push_back(text); };
  info.onStatusFailed = [&](int error) { failures.push_back(error); };
  info.FetchInfo();
  EXPECT_EQ("", info.infoText);
  EXPECT_EQ(UpdateDecision::Abort, info.ParseInfo());
  EXPECT_TRUE(messages.empty());
  info.SendStatus("4");
  EXPECT_EQ(std::vector<int>{7}, failures);  // could not connect
  EXPECT_FALSE(info.SendErrorReport(106));
}

}  // namespace
}  // namespace updater
