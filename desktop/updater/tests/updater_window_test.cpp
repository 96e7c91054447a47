// The updater window end to end, in this process: a test caller window takes the
// notices, the update service answers the information request and the reports, and a
// scripted HTTP peer on loopback serves the files (or refuses, stalls, cuts short, lies
// about the length, redirects). Message boxes are recorded.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kavrel/desktop_runtime.h"
#include "kavrel/desktop_window.h"
#include "kavrel/ui/message_box.h"
#include "update_service.h"
#include "updater_dialog.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using kavrel::desktop::Hwnd;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How the scripted peer answers a file request.
enum class PeerScript { Serve, ServeHeaderInPieces, CutShort, LongerThanAnnounced, NotFound, Redirect, Stall };

// A raw HTTP peer on loopback (ephemeral port): reads one request per connection and
// answers as scripted with `body`.
class ScriptedPeer {
 public:
  ScriptedPeer(PeerScript script, std::string body) : script_(script), body_(std::move(body)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 8);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~ScriptedPeer() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  // The peer has sent part of a body and now says nothing.
  bool stalled() const { return stalled_; }

 private:
  void Send(int c, const std::string& s) { ::send(c, s.data(), s.size(), MSG_NOSIGNAL); }
  void Run() {
    for (;;) {
      int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) return;
      std::string request;
      char b[512];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::recv(c, b, sizeof b, 0);
        if (n <= 0) break;
        request.append(b, static_cast<std::size_t>(n));
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request.substr(0, request.find("\r\n")) + "|" + HostOf(request));
      }
      std::string length = std::to_string(body_.size());
      switch (script_) {
        case PeerScript::Serve:
          Send(c, "HTTP/1.1 200 OK\r\nContent-Length: " + length + "\r\nConnection: close\r\n\r\n" + body_);
          break;
        case PeerScript::ServeHeaderInPieces: {
          std::string all = "HTTP/1.1 200 OK\r\nserver: peer\r\ncontent-LENGTH: " + length + "\r\n\r\n" + body_;
          for (std::size_t i = 0; i < all.size(); i += 3) {
            Send(c, all.substr(i, 3));
            ::usleep(0);
          }
          break;
        }
        case PeerScript::CutShort:
          Send(c, "HTTP/1.1 200 OK\r\nContent-Length: " + length + "\r\n\r\n" + body_.substr(0, body_.size() / 2));
          break;
        case PeerScript::LongerThanAnnounced:
          Send(c, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size() / 2) + "\r\n\r\n" + body_);
          break;
        case PeerScript::NotFound:
          Send(c, "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found");
          break;
        case PeerScript::Redirect:
          Send(c, "HTTP/1.1 302 Found\r\nLocation: http://" + host() + "/elsewhere\r\nContent-Length: 0\r\n\r\n");
          break;
        case PeerScript::Stall:
          Send(c, "HTTP/1.1 200 OK\r\nContent-Length: " + length + "\r\n\r\n" + body_.substr(0, 100));
          stalled_ = true;
          while (::recv(c, b, sizeof b, 0) > 0) {
          }  // until the client gives up
          break;
      }
      ::close(c);
    }
  }
  static std::string HostOf(const std::string& request) {
    std::size_t at = request.find("\r\nHost: ");
    if (at == std::string::npos) return "";
    at += 8;
    return request.substr(at, request.find("\r\n", at) - at);
  }

  PeerScript script_;
  std::string body_;
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::atomic<bool> stalled_{false};
};

struct Event {
  int code;  // a notice, or -1 for WM_CLOSE
  std::int64_t value;
};

class UpdaterWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kuw-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
            std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "run");
    fs::create_directories(dir_ / "updates");
    fs::create_directories(dir_ / "work");
    ::setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    ::setenv("KAVREL_UNATTENDED", "1", 1);
    previous_ = fs::current_path();
    fs::current_path(dir_ / "work");
    caller_ = kavrel::desktop::Window::Create([this](unsigned m, std::int64_t w, std::int64_t l) -> std::int64_t {
      if (m == kavrel::desktop::kWmClose) {
        events_.push_back({-1, 0});
      } else if (m == kavrel::desktop::RegisterWindowMessage(kNoticeMessageName)) {
        events_.push_back({static_cast<int>(w), l});
        if (react_) react_(static_cast<int>(w), l);
      }
      return 0;
    });
    ASSERT_TRUE(caller_);
    callerNotifier_ = std::make_unique<QSocketNotifier>(caller_->fd(), QSocketNotifier::Read);
    QObject::connect(callerNotifier_.get(), &QSocketNotifier::activated, [this] { caller_->DispatchPending(); });
  }
  void TearDown() override {
    callerNotifier_.reset();
    caller_.reset();
    service_.reset();
    reports_.reset();
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }

  void WriteUpdate(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / "updates" / name, std::ios::binary) << content;
  }
  // Starts the update service with this manifest.
  void StartService(const std::string& manifestJson) {
    std::ofstream(dir_ / "updates" / "manifest.json") << manifestJson;
    std::string error;
    auto manifest = kavreld::UpdateManifest::Load(dir_ / "updates", error);
    ASSERT_TRUE(manifest) << error;
    reports_ = kavreld::UpdateReports::Open(dir_ / "server.db", error);
    ASSERT_TRUE(reports_) << error;
    kavreld::UpdateServiceOptions options;
    options.port = 0;
    options.dir = dir_ / "updates";
    service_ = std::make_unique<kavreld::UpdateService>(options, *manifest, *reports_, [](const std::string&) {});
    ASSERT_TRUE(service_->Start(error)) << error;
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(service_->port()) + "/update"; }
  std::string Reports() {
    std::string codes;
    for (const auto& r : reports_->All()) codes += r.code + " ";
    return codes;
  }
  std::string Notices() {
    std::string codes;
    for (const auto& e : events_) codes += (e.code < 0 ? std::string("close") : std::to_string(e.code)) + " ";
    return codes;
  }

  // Runs the window until `done` holds (or the window closes); the bound only ends a
  // broken test, it synchronises nothing.
  void RunUntil(UpdaterDialog& dialog, const std::function<bool()>& done) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && !finished_ && std::chrono::steady_clock::now() < limit)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    (void)dialog;
  }
  // Makes the window for version `version` and starts it.
  std::unique_ptr<UpdaterDialog> Open(const std::string& version) {
    CommandLine line{caller_->handle(), Base(), version};
    auto dialog = std::make_unique<UpdaterDialog>(line);
    QObject::connect(dialog.get(), &QDialog::finished, [this](int r) {
      finished_ = true;
      result_ = r;
    });
    dialog->Start();
    return dialog;
  }
  int RunToEnd(UpdaterDialog& dialog) {
    RunUntil(dialog, [] { return false; });
    EXPECT_TRUE(finished_);
    return result_;
  }
  static QString Stage(UpdaterDialog& d) { return d.findChild<QLabel*>("1004")->text(); }

  fs::path dir_, previous_;
  std::unique_ptr<kavrel::desktop::Window> caller_;
  std::unique_ptr<QSocketNotifier> callerNotifier_;
  std::function<void(int, std::int64_t)> react_;
  std::vector<Event> events_;
  std::unique_ptr<kavreld::UpdateReports> reports_;
  std::unique_ptr<kavreld::UpdateService> service_;
  bool finished_ = false;
  int result_ = -1;
};

std::string Payload(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7) % 26);
  return s;
}

TEST_F(UpdaterWindowTest, OfferTakenDownloadsBothFilesAndTellsTheCaller) {
  WriteUpdate("x.ini", "[ini]\r\n");
  WriteUpdate("x.cab", Payload(5000));
  StartService(R"({"versions": {"1.0": {"reply": "offer", "pre_info": "New roads;Restart", "files": ["x.ini", "x.cab"]}}})");
  std::string offered;
  Hwnd updater = 0;
  react_ = [&](int code, std::int64_t value) {
    if (code == kStarted) updater = static_cast<Hwnd>(value);
    if (code == kOffered) {
      offered = kavrel::desktop::GetClipboardText().value_or("(none)");
      kavrel::desktop::SendMessage(updater, kavrel::desktop::RegisterWindowMessage(kNoticeMessageName), 2, 50);
      kavrel::desktop::SendMessage(updater, kavrel::desktop::RegisterWindowMessage(kNoticeMessageName), 7, 0);
      kavrel::desktop::SendMessage(updater, kavrel::desktop::RegisterWindowMessage(kNoticeMessageName), 1, 0);
      // A second start during the download changes nothing.
      kavrel::desktop::SendMessage(updater, kavrel::desktop::RegisterWindowMessage(kNoticeMessageName), 1, 0);
    }
    if (code == kDownloaded) kavrel::desktop::SendMessage(updater, kavrel::desktop::kWmClose, 0, 0);
  };
  auto dialog = Open("1.0");
  EXPECT_EQ(dialog->handle(), updater);
  EXPECT_EQ(1, RunToEnd(*dialog));
  EXPECT_EQ("1 2 6 ", Notices());
  EXPECT_EQ("New roads\r\n\r\nRestart", offered);
  EXPECT_EQ("1 5 6 ", Reports());
  EXPECT_EQ(Payload(5000), ReadFile("__TEMP__/x.cab"));
  EXPECT_EQ("[ini]\r\n", ReadFile("__TEMP__/x.ini"));
  EXPECT_EQ(50, dialog->findChild<QProgressBar*>("1001")->value());
  EXPECT_EQ(QString::fromUtf8("업데이트 파일 다운로드 완료"), Stage(*dialog));
  EXPECT_TRUE(dialog->isVisible() || finished_);
}

TEST_F(UpdaterWindowTest, NoUpdateMajorAndUnreachableServer) {
  WriteUpdate("x.cab", "cab");
  StartService(R"({"versions": {"1.1": {"reply": "none"}, "0.9": {"reply": "major", "pre_info": "Reinstall;now"}}})");
  Hwnd updater = 0;
  react_ = [&](int code, std::int64_t value) {
    if (code == kStarted) updater = static_cast<Hwnd>(value);
    if (code == kNoUpdate || code == kMajor) kavrel::desktop::SendMessage(updater, kavrel::desktop::kWmClose, 0, 0);
  };
  {
    auto dialog = Open("1.1");
    EXPECT_EQ(1, RunToEnd(*dialog));
    EXPECT_EQ("1 3 ", Notices());
    EXPECT_EQ("4 ", Reports());
  }
  events_.clear();
  finished_ = false;
  {
    auto dialog = Open("0.9");
    EXPECT_EQ(1, RunToEnd(*dialog));
    EXPECT_EQ("1 4 ", Notices());
    EXPECT_EQ("4 4 ", Reports());
    // Records after a "Major update" headline are not read: the offer text is empty.
    EXPECT_EQ("", kavrel::desktop::GetClipboardText().value_or("(none)"));
  }
  events_.clear();
  finished_ = false;
  service_->Stop();
  {
    auto dialog = Open("1.0");  // nothing answers: the window ends at once, without a message
    EXPECT_TRUE(finished_);
    EXPECT_EQ(1, result_);
    EXPECT_EQ("1 ", Notices());
  }
}

TEST_F(UpdaterWindowTest, UnconditionalUpdateClosesTheCallerAndStillTellsItTheEnd) {
  WriteUpdate("x.cab", Payload(3000));
  StartService(R"({"versions": {"1.0": {"reply": "unconditional", "files": ["x.cab"]}}})");
  bool doneSeen = false;
  react_ = [&](int code, std::int64_t) { doneSeen = doneSeen || code == kDownloaded; };
  auto dialog = Open("1.0");
  RunUntil(*dialog, [&] { return doneSeen; });
  EXPECT_EQ("1 close 6 ", Notices());
  EXPECT_EQ("5 6 ", Reports());
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(Payload(3000), ReadFile("__TEMP__/x.cab"));
}

// Answers the information request with a fixed reply and keeps the codes of every
// other request (the reports) in order.
class InfoServer {
 public:
  explicit InfoServer(std::string reply) : reply_(std::move(reply)) {
    server_.Get("/update", [this](const httplib::Request& req, httplib::Response& res) {
      std::string code = req.get_param_value("getinfo");
      if (code != "2") {
        std::lock_guard<std::mutex> lock(mutex_);
        reports_ += code + " ";
      }
      res.set_content(code == "2" ? reply_ : "OK\n", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] {
      server_.listen_after_bind();
      ended_ = true;
    });
  }
  ~InfoServer() { Stop(); }
  void Stop() {
    if (!thread_.joinable()) return;
    while (!server_.is_running() && !ended_) std::this_thread::yield();
    server_.stop();
    thread_.join();
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/update"; }
  std::string reports() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }

 private:
  std::string reply_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> ended_{false};
  std::mutex mutex_;
  std::string reports_;
};

std::string OfferReply(const std::string& host, const std::string& path, std::size_t size) {
  return "Update<br>\n[server];" + host + "<br>\n[patch_file];" + path + ";" + std::to_string(size) + "<br>\n";
}

// Downloads from the scripted peer: what is stored, what is reported and shown.
TEST_F(UpdaterWindowTest, DownloadsFromAScriptedPeer) {
  const std::string body = Payload(5000);
  struct Case {
    const char* name;
    PeerScript script;
    std::string path;
    bool complete;
    std::string stored;
  } cases[] = {
      {"served", PeerScript::Serve, "/dir/sub/x.cab", true, body},
      {"header in pieces, length in any case", PeerScript::ServeHeaderInPieces, "/x.cab", true, body},
      {"longer than announced", PeerScript::LongerThanAnnounced, "/x.cab", true, body.substr(0, 2500)},
      {"cut short", PeerScript::CutShort, "/x.cab", false, ""},
      {"not found", PeerScript::NotFound, "/x.cab", false, ""},
      {"redirect", PeerScript::Redirect, "/x.cab", false, ""},
      {"name ..", PeerScript::Serve, "/dir/..", false, ""},
      {"empty name", PeerScript::Serve, "/dir/", false, ""},
      {"path without a slash is its own name", PeerScript::Serve, "x.cab", true, body},
  };
  const unsigned message = kavrel::desktop::RegisterWindowMessage(kNoticeMessageName);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all("__TEMP__");
    ScriptedPeer peer(c.script, body);
    InfoServer info(OfferReply(peer.host(), c.path, body.size()));
    events_.clear();
    finished_ = false;
    Hwnd updater = 0;
    react_ = [&](int code, std::int64_t value) {
      if (code == kStarted) updater = static_cast<Hwnd>(value);
      if (code == kOffered) kavrel::desktop::SendMessage(updater, message, 1, 0);
      if (code == kDownloaded) kavrel::desktop::SendMessage(updater, kavrel::desktop::kWmClose, 0, 0);
    };
    kavrel::ui::MessageBoxRecorder boxes;
    UpdaterDialog dialog(CommandLine{caller_->handle(), info.base(), "1.0"});
    QObject::connect(&dialog, &QDialog::finished, [this](int r) {
      finished_ = true;
      result_ = r;
    });
    dialog.Start();
    EXPECT_EQ(1, RunToEnd(dialog));
    if (c.complete) {
      EXPECT_EQ("1 2 6 ", Notices());
      EXPECT_EQ("1 5 6 ", info.reports());
      EXPECT_EQ(c.stored, ReadFile("__TEMP__/x.cab"));
      EXPECT_TRUE(boxes.shown().empty());
      // One file named in the reply is fetched twice, with the path as the request
      // target and the server as the Host.
      auto requests = peer.requests();
      ASSERT_EQ(2u, requests.size());
      EXPECT_EQ("GET " + c.path + " HTTP/1.1|" + peer.host(), requests[0]);
      EXPECT_EQ(requests[0], requests[1]);
      EXPECT_EQ(4, dialog.findChild<QProgressBar*>("1000")->maximum());
    } else {
      EXPECT_EQ("1 2 ", Notices());
      EXPECT_EQ("1 5 106 ", info.reports());
      EXPECT_FALSE(fs::exists("__TEMP__/x.cab"));
      auto shown = boxes.shown();
      ASSERT_EQ(1u, shown.size());
      EXPECT_TRUE(shown[0].text.startsWith(QString::fromUtf8("업데이트 서버와 연결 실패   error:"))) << shown[0].text.toStdString();
      EXPECT_EQ("Updater", shown[0].caption);
      EXPECT_EQ(kavrel::ui::MessageIcon::None, shown[0].icon);
      EXPECT_EQ(kavrel::ui::MessageButtons::Ok, shown[0].buttons);
    }
  }
}

TEST_F(UpdaterWindowTest, CancelDuringTheFirstFileStopsItAndASecondCancelCloses) {
  ScriptedPeer peer(PeerScript::Stall, Payload(5000));
  InfoServer info(OfferReply(peer.host(), "/x.cab", 5000));
  Hwnd updater = 0;
  react_ = [&](int code, std::int64_t value) {
    if (code == kStarted) updater = static_cast<Hwnd>(value);
    if (code == kOffered)
      kavrel::desktop::SendMessage(updater, kavrel::desktop::RegisterWindowMessage(kNoticeMessageName), 1, 0);
  };
  UpdaterDialog dialog(CommandLine{caller_->handle(), info.base(), "1.0"});
  QObject::connect(&dialog, &QDialog::finished, [this](int r) {
    finished_ = true;
    result_ = r;
  });
  dialog.Start();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.findChild<QWidget*>("2")->isEnabled());
  EXPECT_EQ(QString::fromUtf8("업데이트 할 파일을 다운로드 중 입니다."), Stage(dialog));
  RunUntil(dialog, [&] { return peer.stalled(); });
  dialog.findChild<QPushButton*>("2")->click();  // Cancel
  RunUntil(dialog, [&] { return !dialog.downloading(); });
  EXPECT_FALSE(finished_);
  EXPECT_EQ(QString::fromUtf8("다운로드가 취소 되었습니다."), Stage(dialog));
  EXPECT_EQ(1u, peer.requests().size());  // the second file is not fetched
  dialog.findChild<QPushButton*>("2")->click();
  EXPECT_TRUE(finished_);
  EXPECT_EQ(2, result_);
  EXPECT_EQ("1 2 ", Notices());
  EXPECT_EQ("1 5 ", info.reports());
}

TEST_F(UpdaterWindowTest, CloseDuringADownloadClosesOnceTheWorkerHasStopped) {
  ScriptedPeer peer(PeerScript::Stall, Payload(5000));
  InfoServer info(OfferReply(peer.host(), "/x.cab", 5000));
  Hwnd updater = 0;
  react_ = [&](int code, std::int64_t value) {
    if (code == kStarted) updater = static_cast<Hwnd>(value);
    if (code == kOffered)
      kavrel::desktop::SendMessage(updater, kavrel::desktop::RegisterWindowMessage(kNoticeMessageName), 1, 0);
  };
  UpdaterDialog dialog(CommandLine{caller_->handle(), info.base(), "1.0"});
  QObject::connect(&dialog, &QDialog::finished, [this](int r) {
    finished_ = true;
    result_ = r;
  });
  dialog.Start();
  RunUntil(dialog, [&] { return peer.stalled(); });
  kavrel::desktop::SendMessage(updater, kavrel::desktop::kWmClose, 0, 0);
  EXPECT_TRUE(dialog.downloading());
  kavrel::desktop::SendMessage(updater, kavrel::desktop::kWmClose, 0, 0);  // changes nothing
  EXPECT_EQ(1, RunToEnd(dialog));
  EXPECT_EQ("1 2 ", Notices());
  EXPECT_EQ("1 5 ", info.reports());
}

TEST_F(UpdaterWindowTest, WhenTheErrorReportFailsTooTheWindowStaysClosable) {
  std::uint16_t nothing;
  {
    ScriptedPeer gone(PeerScript::Serve, "");
    nothing = static_cast<std::uint16_t>(std::stoi(gone.host().substr(10)));
  }
  InfoServer info(OfferReply("127.0.0.1:" + std::to_string(nothing), "/x.cab", 5000));
  Hwnd updater = 0;
  std::int64_t reportError = 0;
  react_ = [&](int code, std::int64_t value) {
    if (code == kStarted) updater = static_cast<Hwnd>(value);
    if (code == kReportFailed) reportError = value;
    if (code == kOffered) {
      info.Stop();  // from now on every report fails
      kavrel::desktop::SendMessage(updater, kavrel::desktop::RegisterWindowMessage(kNoticeMessageName), 1, 0);
    }
  };
  kavrel::ui::MessageBoxRecorder boxes;
  UpdaterDialog dialog(CommandLine{caller_->handle(), info.base(), "1.0"});
  QObject::connect(&dialog, &QDialog::finished, [this](int r) {
    finished_ = true;
    result_ = r;
  });
  dialog.Start();
  RunUntil(dialog, [&] { return !dialog.downloading(); });
  EXPECT_FALSE(finished_);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ("1 2 5 ", Notices());  // status report 5 failed
  EXPECT_EQ(7, reportError);       // could not connect
  kavrel::desktop::SendMessage(updater, kavrel::desktop::kWmClose, 0, 0);
  EXPECT_TRUE(finished_);
  EXPECT_EQ(1, result_);
}

}  // namespace
}  // namespace updater
