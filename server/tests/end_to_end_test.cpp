// Every code the network library sends to a server, end to end: the built kavreld on
// a loopback address of each test's own, driven through CZMNTP as the handheld does.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "ZMNTP.h"
#include "camera_clips.h"
#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "server_process.h"

namespace kavreld::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes UserRecord(const std::string& id, const std::string& name, const std::string& number,
                 const std::string& type, const std::string& email) {
  Bytes r(124, 0);
  kavrel::WriteUtf8AsCp949Field(r.data(), 21, id);
  kavrel::WriteUtf8AsCp949Field(r.data() + 21, 21, name);
  kavrel::WriteUtf8AsCp949Field(r.data() + 42, 14, number);
  kavrel::WriteUtf8AsCp949Field(r.data() + 56, 13, type);
  kavrel::WriteUtf8AsCp949Field(r.data() + 69, 55, email);
  return r;
}

Bytes LoginRecord(const std::string& id) {
  Bytes r(124, 0);
  kavrel::WriteUtf8AsCp949Field(r.data(), 120, id);
  std::memcpy(r.data() + 120, "PDA", 4);
  return r;
}

Bytes Text(const std::string& utf8) {
  std::string cp = kavrel::Utf8ToCp949Lossy(utf8);
  Bytes b(cp.begin(), cp.end());
  b.push_back(0);
  return b;
}

std::string FieldUtf8(const Bytes& b, std::size_t offset, std::size_t size) {
  return kavrel::Cp949ToUtf8Lossy(kavrel::ReadCp949Field(b.data() + offset, size));
}

constexpr char kValidNumber[] = "8001011234560";  // check digit 0

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("KAVREL_HOME", SampleData().c_str(), 0);
    dir_ = std::make_unique<TempDir>("e2e");
    data_ = dir_->path() / "data";
    std::filesystem::copy(SampleData(), data_, std::filesystem::copy_options::recursive);
    oldDir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_->path());  // the library's log and CastingDate land here
    lib_.ZMNTP_Init();
  }
  void TearDown() override {
    if (server_) server_->Stop();
    lib_.ZMNTP_Destroy();
    std::filesystem::current_path(oldDir_);
  }

  void StartServer(const std::string& address, std::vector<std::string> extra = {}) {
    address_ = address;
    server_ = std::make_unique<KavreldProcess>(address, data_, dir_->path() / "members.db",
                                               dir_->path() / "kavreld.log", std::move(extra));
    ASSERT_TRUE(server_->Start()) << server_->Log();
  }

  struct Outcome {
    int result = -1;
    unsigned long count = 0;
    Bytes data;
  };
  Outcome Run(unsigned long code, Bytes body = {}, unsigned long countIn = 0) {
    Outcome o;
    o.count = countIn;
    o.result = lib_.SendCmd(address_.data(), 7000, code, &o.count, body.empty() ? nullptr : body.data());
    if (o.result == 0 && o.count > 0) {
      std::size_t unit = ZMNTP_ResultUnit(code);
      o.data.assign(o.count * (unit ? unit : 1), 0);
      lib_.GetData(code, nullptr, o.count, o.data.data());
    }
    return o;
  }
  std::uint32_t Word(unsigned long code, Bytes body) {
    Outcome o = Run(code, std::move(body));
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.count, 4u) << "code " << code;
    return o.data.size() >= 4 ? kavrel::ReadU32(o.data.data(), 0) : 0xFFFFFFFFu;
  }
  void Join(const std::string& id, const std::string& number = kValidNumber) {
    ASSERT_EQ(Word(CMD_USER_REGISTER, UserRecord(id, "홍길동", number, "USER", "hong@example.com")), 0u);
  }

  kavrel::FakeClock clock_;
  kavrel::ScopedClock scoped_{clock_};
  std::unique_ptr<TempDir> dir_;
  std::filesystem::path data_, oldDir_;
  std::string address_;
  std::unique_ptr<KavreldProcess> server_;
  CZMNTP lib_;
};

TEST_F(ServerTest, JoinLoginAndMemberRecords) {
  StartServer("127.0.6.1");
  Join("hong");
  // The same ID again is taken; a number failing its check digit or a missing '@' is refused.
  EXPECT_EQ(Word(CMD_USER_REGISTER, UserRecord("hong", "홍길동", kValidNumber, "USER", "x@y")), 16u);
  EXPECT_EQ(Word(CMD_USER_REGISTER, UserRecord("kim", "김철수", "8001011234567", "USER", "k@y")), 32u);
  EXPECT_EQ(Word(CMD_USER_REGISTER, UserRecord("kim", "김철수", "80010112345a8", "USER", "k@y")), 32u);
  EXPECT_EQ(Word(CMD_USER_REGISTER, UserRecord("kim", "김철수", kValidNumber, "USER", "no-at")), 32u);
  EXPECT_EQ(Word(CMD_USER_REGISTER, UserRecord("kim", "김철수", kValidNumber, "BOSS", "k@y")), 32u);

  EXPECT_EQ(Word(CMD_USER_LOGIN, LoginRecord("nobody")), 48u);
  EXPECT_EQ(Word(CMD_USER_LOGIN, LoginRecord("hong")), 0u);

  // 176 asks for the member of the last login, whatever the caller passes.
  Outcome info = Run(CMD_USER_INFO_GET, LoginRecord("someone-else"));
  ASSERT_EQ(info.count, 124u);
  EXPECT_EQ(FieldUtf8(info.data, 0, 21), "hong");
  EXPECT_EQ(FieldUtf8(info.data, 21, 21), "홍길동");
  EXPECT_EQ(FieldUtf8(info.data, 42, 14), kValidNumber);
  EXPECT_EQ(FieldUtf8(info.data, 56, 13), "USER");
  EXPECT_EQ(FieldUtf8(info.data, 69, 55), "hong@example.com");

  // 177 changes e-mail and type; the change shows in the next 176.
  EXPECT_EQ(Word(CMD_USER_INFO_UPDATE, UserRecord("hong", "", "", "DRIVER", "gd@example.com")), 1u);
  EXPECT_EQ(Word(CMD_USER_INFO_UPDATE, UserRecord("nobody", "", "", "DRIVER", "gd@example.com")), 0u);
  EXPECT_EQ(Word(CMD_USER_INFO_UPDATE, UserRecord("hong", "", "", "", "gd@example.com")), 0u);
  info = Run(CMD_USER_INFO_GET);
  ASSERT_EQ(info.count, 124u);
  EXPECT_EQ(FieldUtf8(info.data, 56, 13), "DRIVER");
  EXPECT_EQ(FieldUtf8(info.data, 69, 55), "gd@example.com");

  // 178 finds the ID of a number; an unknown number gives an empty reply.
  char number[] = "8001011234560";
  Outcome found = Run(CMD_USER_INFO_FIND, Bytes(number, number + 14));
  ASSERT_EQ(found.result, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(found.data.data())), "hong");
  char other[] = "9001011234568";
  EXPECT_EQ(Run(CMD_USER_INFO_FIND, Bytes(other, other + 14)).count, 0u);

  EXPECT_EQ(Word(CMD_USER_LOGOUT, LoginRecord("hong")), 0u);
  // After a logout-record naming an unknown member, 176 answers with an empty reply.
  Word(CMD_USER_LOGOUT, LoginRecord("nobody"));
  EXPECT_EQ(Run(CMD_USER_INFO_GET).count, 0u);
}

TEST_F(ServerTest, MembersSurviveARestart) {
  StartServer("127.0.6.2");
  Join("park");
  EXPECT_EQ(server_->Stop(), 0);  // a clean exit on SIGTERM
  StartServer("127.0.6.2");
  EXPECT_EQ(Word(CMD_USER_LOGIN, LoginRecord("park")), 0u);
  EXPECT_EQ(Word(CMD_USER_REGISTER, UserRecord("park", "박", kValidNumber, "USER", "p@q")), 16u);
}

TEST_F(ServerTest, RoadSpeedsComeAsOneSignedBytePerSegment) {
  StartServer("127.0.6.3");
  // 중앙대로 has ten segments: the library turns the ten bytes into ten records.
  Outcome road = Run(CMD_ROAD_SPEED, Text("중앙대로"));
  ASSERT_EQ(road.result, 0);
  ASSERT_EQ(road.count, 10u);
  for (unsigned long i = 0; i < road.count; ++i) {
    std::int32_t speed = kavrel::ReadI32(road.data.data(), 104 * i + 4);
    EXPECT_GE(speed, 3);
    EXPECT_LE(speed, 70);  // limit 60 + 10
  }
  EXPECT_EQ(FieldUtf8(road.data, 8, 32), "가람역");
  // A tunnel the library does not know itself comes from the server.
  EXPECT_EQ(Run(CMD_ROAD_SPEED, Text("솔뫼터널")).count, 2u);
  // An unknown road: an empty reply.
  Outcome unknown = Run(CMD_ROAD_SPEED, Text("없는길"));
  EXPECT_EQ(unknown.result, 0);
  EXPECT_EQ(unknown.count, 0u);
}

TEST_F(ServerTest, PlaceSearchAndRoutes) {
  StartServer("127.0.6.4");
  Outcome search = Run(CMD_NODE_INFO, Text("역"));
  ASSERT_EQ(search.count, 6604u);
  int n = static_cast<std::int8_t>(search.data[0]);
  ASSERT_GE(n, 1);
  ASSERT_LE(n, 50);
  std::vector<std::pair<std::string, std::uint32_t>> places;
  for (int i = 0; i < n; ++i)
    places.emplace_back(FieldUtf8(search.data, 1 + 128 * static_cast<std::size_t>(i), 128),
                        kavrel::ReadU32(search.data.data(), 6404 + 4 * static_cast<std::size_t>(i)));
  for (const auto& [name, id] : places) EXPECT_NE(name.find("역"), std::string::npos) << name;
  // Ids are stable: the same search gives the same ids.
  EXPECT_EQ(Run(CMD_NODE_INFO, Text("역")).data, search.data);
  EXPECT_EQ(Run(CMD_NODE_INFO, Text("없는곳이름")).data[0], 0);

  auto idOf = [&](const std::string& name) -> std::uint32_t {
    Outcome s = Run(CMD_NODE_INFO, Text(name));
    for (int i = 0; i < static_cast<std::int8_t>(s.data[0]); ++i)
      if (FieldUtf8(s.data, 1 + 128 * static_cast<std::size_t>(i), 128) == name)
        return kavrel::ReadU32(s.data.data(), 6404 + 4 * static_cast<std::size_t>(i));
    ADD_FAILURE() << name << " not found";
    return 0;
  };
  std::uint32_t from = idOf("가람역"), to = idOf("남부시장");
  auto route = [&](std::uint32_t kind, std::uint32_t a, std::uint32_t b) {
    Bytes q(12);
    kavrel::WriteU32(q.data(), 0, kind);
    kavrel::WriteU32(q.data(), 4, a);
    kavrel::WriteU32(q.data(), 8, b);
    return Run(CMD_ROUTE, q);
  };
  std::uint32_t lengths[2] = {0, 0}, times[2] = {0, 0};
  for (std::uint32_t kind : {0u, 1u}) {
    Outcome r = route(kind, from, to);
    ASSERT_EQ(r.result, 0);
    ASSERT_GE(r.count, 2u * 134);
    ASSERT_EQ(r.count % 134, 0u);
    std::size_t records = r.count / 134;
    EXPECT_EQ(FieldUtf8(r.data, 0, 128), "가람역");
    EXPECT_EQ(FieldUtf8(r.data, 134 * (records - 1), 128), "남부시장");
    for (std::size_t i = 1; i < records; ++i) {
      std::uint16_t speed = kavrel::ReadU16(r.data.data(), 134 * i + 128);
      std::uint16_t length = kavrel::ReadU16(r.data.data(), 134 * i + 130);
      std::uint16_t time = kavrel::ReadU16(r.data.data(), 134 * i + 132);
      EXPECT_GT(speed, 0);
      EXPECT_GT(length, 0);
      EXPECT_NEAR(time, length * 3.6 / speed, 1.0);
      lengths[kind] += length;
      times[kind] += time;
    }
  }
  // The shortest is never longer than the fastest. (Times are not compared: the two
  // requests may fall into different minutes of the simulation.)
  EXPECT_LE(lengths[0], lengths[1]);
  EXPECT_GT(times[0], 0u);
  EXPECT_GT(times[1], 0u);
  EXPECT_EQ(route(1, from, 12345).count, 0u);  // unknown place
  EXPECT_EQ(route(7, from, to).count, 0u);     // unknown kind
}

TEST_F(ServerTest, NewsTextsLimitsAndBroadcasts) {
  StartServer("127.0.6.5");
  Outcome news = Run(CMD_TICKER_TEXT);
  ASSERT_GT(news.count, 0u);
  ASSERT_LE(news.count, 2048u);
  std::string text(news.data.begin(), news.data.end());
  EXPECT_EQ(text.substr(text.size() - 3), "\r\n\n");  // every line: CR and two separators
  EXPECT_NE(kavrel::Cp949ToUtf8Lossy(text).find("가람대교 북단"), std::string::npos);

  Outcome a = Run(CMD_TEXT_ITEM_A), b = Run(CMD_TEXT_ITEM_B), c = Run(CMD_TEXT_ITEM_C);
  ASSERT_EQ(a.count, 80u);
  ASSERT_EQ(b.count, 80u);
  ASSERT_EQ(c.count, 80u);
  EXPECT_EQ(FieldUtf8(a.data, 0, 80), "가람시 교통정보센터");
  EXPECT_EQ(FieldUtf8(c.data, 0, 80), "127.0.6.5");  // the relay listens where the server does

  Outcome limits = Run(CMD_REFRESH_INTERVALS);
  ASSERT_EQ(limits.count, 28u);
  EXPECT_EQ(kavrel::ReadU32(limits.data.data(), 4 * 2), 10u);

  // The newest broadcast is news once; the next check is quiet.
  Outcome first = Run(CMD_BROADCAST_CHECK), second = Run(CMD_BROADCAST_CHECK);
  ASSERT_EQ(first.count, 1u);
  EXPECT_EQ(first.data[0], 1);
  EXPECT_EQ(second.data[0], 0);
  // A later broadcast added to the operator's file is news again.
  std::ofstream(data_ / "server" / "broadcasts.txt", std::ios::app) << "2027-01-02 08:15 새해 교통방송\n";
  EXPECT_EQ(Run(CMD_BROADCAST_CHECK).data[0], 1);
  // No broadcast at all: "#", nothing new.
  std::ofstream(data_ / "server" / "broadcasts.txt", std::ios::trunc) << "# none\n";
  EXPECT_EQ(Run(CMD_BROADCAST_CHECK).data[0], 0);
}

TEST_F(ServerTest, QuestionsAndOperatorAnswers) {
  StartServer("127.0.6.6");
  Join("lee");
  ASSERT_EQ(Word(CMD_USER_LOGIN, LoginRecord("lee")), 0u);
  std::string q = kavrel::Utf8ToCp949Lossy("강변북로 통제는 언제 끝나나요?");
  Bytes question(q.begin(), q.end());
  EXPECT_EQ(Word(CMD_QUESTION_SEND, question), 32u) << "count 0 sends no text";
  Outcome sent = Run(CMD_QUESTION_SEND, question, question.size());
  ASSERT_EQ(sent.count, 4u);
  EXPECT_EQ(kavrel::ReadU32(sent.data.data(), 0), 0u);

  EXPECT_EQ(Word(CMD_ANSWER_CHECK, {}), 1u);
  Outcome answer = Run(CMD_ANSWER_GET);
  ASSERT_GT(answer.count, 1u);
  EXPECT_NE(FieldUtf8(answer.data, 0, answer.data.size()).find("오전 10시부터"), std::string::npos);
  EXPECT_EQ(Word(CMD_ANSWER_CHECK, {}), 0u);
  EXPECT_EQ(Run(CMD_ANSWER_GET).count, 0u);

  // A member who never joined cannot leave questions.
  ASSERT_EQ(Word(CMD_USER_LOGIN, LoginRecord("ghost")), 48u);
  Outcome ghost = Run(CMD_QUESTION_SEND, question, question.size());
  ASSERT_EQ(ghost.count, 4u);
  EXPECT_EQ(kavrel::ReadU32(ghost.data.data(), 0), 48u);
}

TEST_F(ServerTest, StillPictureIsTheCamerasClip) {
  StartServer("127.0.6.7");
  // Through the library: decoded into a whole QCIF picture.
  std::uint32_t camera = 1;
  Bytes id(4);
  kavrel::WriteU32(id.data(), 0, camera);
  EXPECT_EQ(Run(CMD_CCTV_STILL, id).count, 76032u);
  kavrel::WriteU32(id.data(), 0, 999);
  EXPECT_EQ(Run(CMD_CCTV_STILL, id).count, 0u);

  // On the wire: the first picture of the camera's clip, length-prefixed.
  auto fd = Connect(address_);
  ASSERT_TRUE(fd);
  Bytes request = Header(16);
  request.resize(28);
  kavrel::WriteU32(request.data(), 24, camera);
  ASSERT_EQ(::send(*fd, request.data(), request.size(), 0), 28);
  std::ifstream clip(data_ / "cctv" / "1.263", std::ios::binary);
  Bytes whole((std::istreambuf_iterator<char>(clip)), std::istreambuf_iterator<char>());
  Bytes expected = SplitClip(whole, std::chrono::microseconds(0)).pictures.at(0);
  Bytes reply;
  std::uint8_t buffer[4096];
  while (reply.size() < 4 + expected.size()) {
    ssize_t r = ::recv(*fd, buffer, sizeof buffer, 0);
    if (r <= 0) break;
    reply.insert(reply.end(), buffer, buffer + r);
  }
  ::close(*fd);
  ASSERT_EQ(reply.size(), 4 + expected.size());
  EXPECT_EQ(kavrel::ReadU32(reply.data(), 0), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reply.begin() + 4));
}

TEST_F(ServerTest, BulkExchangeFillsTheCacheThatThenAnswersAlone) {
  StartServer("127.0.6.13");
  const Bytes news = Run(CMD_TICKER_TEXT).data;
  ASSERT_FALSE(news.empty());
  auto placeId = [&](const std::string& name) {
    Outcome s = Run(CMD_NODE_INFO, Text(name));
    return s.data.size() >= 6408 ? kavrel::ReadU32(s.data.data(), 6404) : 0u;
  };
  Bytes query(12, 0);
  query[0] = 1;
  kavrel::WriteU32(query.data(), 4, placeId("가람역"));
  kavrel::WriteU32(query.data(), 8, placeId("남부시장"));

  Bytes selection(732, 0);
  const std::string roads[] = {*kavrel::Utf8ToCp949("중앙대로"), *kavrel::Utf8ToCp949("없는길")};
  kavrel::WriteU32(selection.data(), 120, 2);
  for (std::size_t j = 0; j < 2; ++j) std::memcpy(selection.data() + 124 + 32 * j, roads[j].data(), roads[j].size());
  kavrel::WriteU32(selection.data(), 484, 1);
  std::memcpy(selection.data() + 488, query.data(), 12);
  kavrel::WriteU32(selection.data(), 648, 1);
  kavrel::WriteU32(selection.data(), 652, 3);
  ASSERT_EQ(Run(CMD_ONE_STEP_LOAD, selection).result, 0);

  // With the server gone, the followed items still come, from the cache.
  server_->Stop();
  EXPECT_EQ(Run(CMD_TICKER_TEXT).data, news);
  EXPECT_EQ(Run(CMD_ROAD_SPEED, Text("중앙대로")).count, 10u);
  Outcome route = Run(CMD_ROUTE, query);
  EXPECT_EQ(route.result, 0);
  EXPECT_GT(route.count, 134u);
  EXPECT_EQ(route.count % 134, 0u);
  Bytes camera(4);
  kavrel::WriteU32(camera.data(), 0, 3);
  EXPECT_EQ(Run(CMD_CCTV_STILL, camera).count, 76032u);
  EXPECT_EQ(Run(CMD_TEXT_ITEM_C).count, 80u);
  EXPECT_EQ(Run(CMD_REFRESH_INTERVALS).count, 28u);
  // What is not followed goes to the server, which is no longer there.
  kavrel::WriteU32(camera.data(), 0, 4);
  EXPECT_EQ(Run(CMD_CCTV_STILL, camera).result, 1);
}

// Hostile and broken clients while good requests run: each bad connection is closed
// with a log line, and every good request is answered.
TEST_F(ServerTest, BadRequestsDoNotDisturbGoodOnes) {
  StartServer("127.0.6.8", {"--idle-timeout", "300"});
  Join("choi");
  std::atomic<bool> stop{false};
  std::atomic<int> badRuns{0};
  std::thread bad([&] {
    while (!stop) {
      std::vector<Bytes> attacks;
      attacks.push_back(Bytes(24, 0xFF));                 // garbage
      attacks.push_back(Header(0xFFFFFFFFu));             // unknown code
      Bytes longQuestion = Header(128);
      longQuestion.resize(24 + 25, 0);
      kavrel::WriteU32(longQuestion.data(), 24 + 21, 1u << 30);
      attacks.push_back(longQuestion);                    // a question of a gigabyte
      Bytes tooLong = Header(64);
      tooLong.push_back(1);
      attacks.push_back(tooLong);                         // bytes beyond the body
      Bytes noNul(24, '1');
      attacks.push_back(noNul);                           // address text without NUL
      for (const Bytes& a : attacks) {
        auto fd = Connect(address_);
        if (!fd) continue;
        ::send(*fd, a.data(), a.size(), MSG_NOSIGNAL);
        Bytes reply = ReadToEnd(*fd);
        EXPECT_TRUE(reply.empty()) << "a bad request got a reply";
        ::close(*fd);
      }
      ++badRuns;
    }
  });
  // Half a header, then silence: the idle time-out frees the server of them.
  std::vector<int> stuck;
  for (int i = 0; i < 5; ++i)
    if (auto fd = Connect(address_)) {
      ::send(*fd, "\x03\x00", 2, MSG_NOSIGNAL);
      stuck.push_back(*fd);
    }
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(Word(CMD_USER_LOGIN, LoginRecord("choi")), 0u);
    EXPECT_EQ(Run(CMD_ROAD_SPEED, Text("시청로")).count, 6u);
  }
  stop = true;
  bad.join();
  EXPECT_GT(badRuns.load(), 0);
  for (int fd : stuck) {
    EXPECT_TRUE(ReadToEnd(fd).empty());  // closed by the server without a reply
    ::close(fd);
  }
  std::string log = server_->Log();
  EXPECT_NE(log.find("rejected: unknown code"), std::string::npos);
  EXPECT_NE(log.find("too long"), std::string::npos);
  EXPECT_NE(log.find("beyond the body"), std::string::npos);
  EXPECT_NE(log.find("timed out after 2 bytes"), std::string::npos);
  EXPECT_NE(log.find("code=3 reply=4 member choi"), std::string::npos);
}

// A client that keeps sending a byte now and then, never idle for long, is still
// closed once the whole exchange has taken six idle time-outs.
TEST_F(ServerTest, TricklingClientMeetsTheDeadline) {
  // Idle time-out 1 s (a loaded machine may pause the trickle for a good part of it),
  // so the whole exchange's deadline is 6 s.
  StartServer("127.0.6.12", {"--idle-timeout", "1000"});
  auto fd = Connect(address_);
  ASSERT_TRUE(fd);
  Bytes question = Header(128);
  question.resize(24 + 25, 0);
  kavrel::WriteU32(question.data(), 24 + 21, 4000);
  ::send(*fd, question.data(), question.size(), MSG_NOSIGNAL);
  bool closed = false;
  for (int i = 0; i < 1000 && !closed; ++i) {  // up to 1000 x 20 ms: well past 6 x 1 s
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    closed = ::send(*fd, "q", 1, MSG_NOSIGNAL) < 0;
  }
  ::close(*fd);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(server_->LogShows("took longer than 6 idle time-outs")) << server_->Log();
}

// At the connection cap, further clients wait until a connection ends; idle ones end
// by their time-out, so a good request is still answered.
TEST_F(ServerTest, ConnectionCapWaitsForAFreeSlot) {
  StartServer("127.0.6.9", {"--idle-timeout", "200", "--max-connections", "2"});
  std::vector<int> idle;
  for (int i = 0; i < 2; ++i)
    if (auto fd = Connect(address_)) idle.push_back(*fd);
  ASSERT_EQ(idle.size(), 2u);
  Outcome limits = Run(CMD_REFRESH_INTERVALS);
  EXPECT_EQ(limits.result, 0);
  EXPECT_EQ(limits.count, 28u);
  for (int fd : idle) ::close(fd);
}

TEST_F(ServerTest, StartsOnlyWithUsableArgumentsAndData) {
  auto log = dir_->path() / "start.log";
  EXPECT_EQ(WEXITSTATUS(KavreldProcess::RunToEnd({"--port", "70000"}, log)), 2);
  EXPECT_EQ(WEXITSTATUS(KavreldProcess::RunToEnd({"--listen"}, log)), 2);
  EXPECT_EQ(WEXITSTATUS(KavreldProcess::RunToEnd({"--bogus", "1"}, log)), 2);
  EXPECT_EQ(WEXITSTATUS(KavreldProcess::RunToEnd(
                {"--listen", "127.0.6.10", "--data", (dir_->path() / "nothing").string()}, log)),
            1);
  EXPECT_EQ(WEXITSTATUS(KavreldProcess::RunToEnd({"--listen", "localhost"}, log)), 2);
  EXPECT_EQ(WEXITSTATUS(KavreldProcess::RunToEnd({"--listen", "0.0.0.0"}, log)), 2);  // names no address
  EXPECT_EQ(WEXITSTATUS(KavreldProcess::RunToEnd({"--public-address", "gate"}, log)), 2);
  std::ofstream(data_ / "server" / "server.conf", std::ios::app) << "limits = 5 5 99 5 10 5 10\n";
  EXPECT_EQ(WEXITSTATUS(KavreldProcess::RunToEnd({"--listen", "127.0.6.10", "--data", data_.string()}, log)), 1);
}

// One address holding many silent connections takes only its share: its further
// connections are closed at once, and a client at another address is still served
// (the silent ones would otherwise hold every connection for the whole idle time-out).
TEST_F(ServerTest, OneAddressTakesOnlyItsShareOfConnections) {
  StartServer("127.0.6.16", {"--max-connections", "8", "--max-per-address", "4", "--idle-timeout", "60000"});
  std::vector<int> held;
  for (int i = 0; i < 10; ++i) {
    auto fd = Connect(address_, 7000, "127.0.6.17");
    ASSERT_TRUE(fd);
    held.push_back(*fd);
  }
  // The first four stay open; the server closed the other six without waiting.
  std::uint8_t byte = 0;
  for (std::size_t i = 4; i < held.size(); ++i) EXPECT_EQ(::recv(held[i], &byte, 1, 0), 0) << i;
  auto good = Connect(address_, 7000, "127.0.6.18");
  ASSERT_TRUE(good);
  Bytes request = Header(CMD_TEXT_ITEM_A);
  ASSERT_EQ(::send(*good, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
  Bytes reply(4 + 80);
  ASSERT_EQ(::recv(*good, reply.data(), reply.size(), MSG_WAITALL), static_cast<ssize_t>(reply.size()));
  EXPECT_EQ(kavrel::ReadU32(reply.data(), 0), 80u);
  ::close(*good);
  for (int fd : held) ::close(fd);
  EXPECT_TRUE(server_->LogShows("127.0.6.17 refused: 4 connections")) << server_->Log();
}

// The member store works on its own thread: a join waiting for the database (another
// program holds its write lock) does not hold up a client that needs no database.
TEST_F(ServerTest, SlowStoreWorkDoesNotHoldOtherClients) {
  StartServer("127.0.6.15");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((dir_->path() / "members.db").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

  auto joining = Connect(address_);
  ASSERT_TRUE(joining);
  Bytes join = Header(CMD_USER_REGISTER);
  Bytes record = UserRecord("slow", "느림", kValidNumber, "USER", "s@example.com");
  join.insert(join.end(), record.begin(), record.end());
  ASSERT_EQ(::send(*joining, join.data(), join.size(), MSG_NOSIGNAL), static_cast<ssize_t>(join.size()));

  auto quick = Connect(address_);
  ASSERT_TRUE(quick);
  Bytes request = Header(CMD_TEXT_ITEM_B);
  ASSERT_EQ(::send(*quick, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
  Bytes reply(4 + 80);
  ASSERT_EQ(::recv(*quick, reply.data(), reply.size(), MSG_WAITALL), static_cast<ssize_t>(reply.size()));
  ::close(*quick);
  // The join is still waiting, neither answered nor dropped.
  std::uint8_t byte = 0;
  EXPECT_EQ(::recv(*joining, &byte, 1, MSG_DONTWAIT), -1);

  ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  Bytes answer(8);
  ASSERT_EQ(::recv(*joining, answer.data(), answer.size(), MSG_WAITALL), 8);
  EXPECT_EQ(kavrel::ReadU32(answer.data(), 4), 0u);
  ::close(*joining);
}

TEST_F(ServerTest, StopsCleanlyOnSigint) {
  StartServer("127.0.6.11");
  int status = server_->Stop(SIGINT);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(server_->Log().find("stopping on SIGINT"), std::string::npos);
}

}  // namespace
}  // namespace kavreld::testing
