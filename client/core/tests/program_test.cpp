// The built program against the reference server, watched from outside: its progress
// lines, its message lines, and the requests a peer in front of kavreld sees. Each
// test has its own loopback addresses and its own profile folder.
#include <QImage>

#include <csignal>
#include <functional>
#include <string>

#include "client_test_support.h"
#include "connection.h"
#include "demo_profile.h"
#include "forwarding_peer.h"
#include "program_run.h"
#include "protocol/commands.h"
#include "server_process.h"

namespace {

using client::testing::ForwardingPeer;
using client::testing::ProgramRun;
using client::testing::Spoil;

// A loopback address of the running test's own for each `role`.
std::string AddressFor(const std::string& role) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::size_t h = std::hash<std::string>{}(std::string("program.") + info->name() + "." + role);
  return "127." + std::to_string(1 + h % 250) + "." + std::to_string((h >> 8) % 250) + "." +
         std::to_string(1 + (h >> 16) % 250);
}

const std::string kFullScreen = "roads 3/3, routes 1/1, cameras 2/2";

// The longest time the ended program's GUI thread was held (-1 when it did not say).
long LongestStallMs(ProgramRun& program) {
  const std::string prefix = "trace: longest GUI stall: ";
  const auto line = program.WaitForLine(prefix);
  return line ? std::stol(line->substr(prefix.size())) : -1;
}
// No wait of the GUI thread may be longer than one reply's idle time-out.
const long kStallBoundMs = static_cast<long>(zmntp::NetTimeouts{}.replyIdleMs);

// kavreld behind a forwarding peer, and a profile prepared through them.
class ProgramAgainstKavreld : public ::testing::Test {
 protected:
  bool StartServer(client::testing::PeerOptions peerOptions = {}) {
    server.emplace(back, kavreld::testing::SampleData(), dir.path() / "members.db", dir.path() / "kavreld.log",
                   std::vector<std::string>{"--public-address", front});
    if (!server->Start()) return false;
    peer.emplace(front, back, peerOptions);
    return peer->listening();
  }
  std::filesystem::path ProfileDir() const { return profile.Folder().toStdString(); }
  // The codes of the requests since `from`.
  std::vector<std::uint32_t> CodesSince(std::size_t from) {
    auto codes = peer->Codes();
    return {codes.begin() + static_cast<std::ptrdiff_t>(std::min(from, codes.size())), codes.end()};
  }

  kavreld::testing::TempDir dir{"program"};
  client::testing::ScratchProfile profile;
  const std::string front = AddressFor("front");
  const std::string back = AddressFor("back");
  std::optional<kavreld::testing::KavreldProcess> server;
  std::optional<ForwardingPeer> peer;
};

// A whole session: automatic login to the full traffic screen, refreshes that flip the
// buffers while the panel keeps painting, the server going away and coming back, and
// the end (SIGTERM, as the exit command) with its logout.
TEST_F(ProgramAgainstKavreld, SessionSurvivesTheServerGoingAwayAndLogsOutAtTheEnd) {
  client::testing::PeerOptions quick;
  quick.quickRefresh = true;  // every refresh check refreshes
  ASSERT_TRUE(StartServer(quick)) << server->Log();
  ASSERT_TRUE(client::demo::PrepareProfile(front));
  const std::size_t before = peer->Codes().size();
  const std::string shot = (dir.path() / "traffic.png").string();

  ProgramRun program(ProfileDir(), {"--trace", "--screenshot", shot});
  ASSERT_TRUE(program.started());
  auto screen = program.WaitForLine("trace: traffic screen:");
  ASSERT_TRUE(screen) << program.Log();
  EXPECT_EQ(*screen, "trace: traffic screen: " + kFullScreen);
  EXPECT_EQ(CodesSince(before).at(0), protocol::kUserLogin);

  // Refreshes flip every category with fresh data.
  ASSERT_TRUE(program.WaitForLine("trace: refresh: cameras")) << program.Log();

  // The server goes away: refreshes go on from what the library holds, the screen
  // keeps its data, and nothing is said about it.
  server->Stop();
  const int refreshesUp = program.CountLines("trace: refresh:");
  auto waitForRefreshes = [&](int count) {
    for (int i = 0; i < 9000 && program.CountLines("trace: refresh:") < count; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return program.CountLines("trace: refresh:") >= count;
  };
  ASSERT_TRUE(waitForRefreshes(refreshesUp + 6)) << program.Log();

  // It comes back (same address, same members): the refreshes go on.
  server.emplace(back, kavreld::testing::SampleData(), dir.path() / "members.db", dir.path() / "kavreld.log",
                 std::vector<std::string>{"--public-address", front});
  ASSERT_TRUE(server->Start()) << server->Log();
  ASSERT_TRUE(waitForRefreshes(refreshesUp + 12)) << program.Log();

  // The exit command's way out: the logout is the last request.
  const std::size_t atExit = peer->Codes().size();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(), 0) << program.Log();
  const auto last = CodesSince(atExit);
  ASSERT_FALSE(last.empty());
  EXPECT_EQ(last.back(), protocol::kUserLogout);

  // Every refresh that flipped showed full data; the failures stayed quiet.
  const std::string log = program.Log();
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("trace: refresh: ", 0) != 0) continue;
    const std::string counts = line.substr(line.find(' ', 16) + 1);
    EXPECT_EQ(counts.substr(0, counts.find('/')), counts.substr(counts.find('/') + 1)) << line;
  }
  EXPECT_LE(program.CountLines("message:"), 1) << log;
  const long stallMs = LongestStallMs(program);  // the panel kept painting throughout
  EXPECT_GE(stallMs, 0) << log;
  EXPECT_LT(stallMs, kStallBoundMs) << log;
  const QImage picture(QString::fromStdString(shot));
  EXPECT_EQ(picture.size(), QSize(240, 320));
}


// The program against a peer that spoils about half of the replies, one way per test:
// it is started again and again, each run ending after 4 s with --quit-after, until
// KAVREL_HOSTILE_MS have passed (one run unless set; scripts/hostile-client runs it
// longer). No run may crash or trip a sanitizer, hold its GUI thread longer than one
// reply's time-out, or fail to end cleanly.
class HostilePeer : public ProgramAgainstKavreld, public ::testing::WithParamInterface<Spoil> {};

int EnvNumber(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

TEST_P(HostilePeer, ProgramStaysResponsiveAndEndsCleanly) {
  client::testing::PeerOptions spoiling;
  spoiling.spoil = GetParam();
  spoiling.seed = static_cast<unsigned>(EnvNumber("KAVREL_HOSTILE_SEED", 1));
  spoiling.honestFirst = 1;  // the first login, so that a whole session meets the spoiled replies
  ASSERT_TRUE(StartServer(spoiling)) << server->Log();
  ASSERT_TRUE(client::demo::PrepareProfile(back));  // honestly, straight to kavreld
  CSettingsStore().WriteProfileString(CSettingsStore::kSettings, "tsip", QString::fromStdString(front));

  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(EnvNumber("KAVREL_HOSTILE_MS", 0));
  int runs = 0, messages = 0;
  long worstStallMs = 0;
  do {
    ProgramRun program(ProfileDir(), {"--trace", "--quit-after", "4000"});
    ASSERT_TRUE(program.started());
    ASSERT_EQ(program.WaitForExit(), 0) << program.Log();
    const std::string log = program.Log();
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:", "ThreadSanitizer"})
      ASSERT_EQ(log.find(report), std::string::npos) << log;
    const long stallMs = LongestStallMs(program);
    ASSERT_GE(stallMs, 0) << log;
    ASSERT_LT(stallMs, kStallBoundMs) << log;
    worstStallMs = std::max(worstStallMs, stallMs);
    messages += program.CountLines("message:");
    ++runs;
  } while (std::chrono::steady_clock::now() < end);
  EXPECT_GT(peer->spoiled(), 0);
  std::printf("%s: %d runs, %d of %zu connections spoiled, longest GUI stall %ld ms, %d messages\n",
              SpoilName(GetParam()), runs, peer->spoiled(), peer->Codes().size(), worstStallMs, messages);
}

INSTANTIATE_TEST_SUITE_P(Spoils, HostilePeer,
                         ::testing::Values(Spoil::CutShort, Spoil::LyingLength, Spoil::Garbage, Spoil::Stall),
                         [](const auto& info) {
                           std::string name = SpoilName(info.param);
                           std::erase(name, '-');
                           return name;
                         });

}  // namespace
