// The bulk exchange, the cache it fills and the answers and refreshes it gives.
#include <zlib.h>

#include <cstring>

#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "library_fixture.h"
#include "one_step_cache.h"
#include "process_state.h"
#include "protocol/road_file.h"

namespace zmntp::testing {
using namespace protocol;
namespace {

namespace os = one_step;

std::string Cp(const char* utf8) { return *kavrel::Utf8ToCp949(utf8); }

Bytes Compress(const Bytes& plain) {
  uLongf size = compressBound(plain.size());
  Bytes out(size);
  compress2(out.data(), &size, plain.data(), plain.size(), 9);
  out.resize(size);
  return out;
}

Bytes Text80(const std::string& s) {
  Bytes b(80, 0);
  std::memcpy(b.data(), s.data(), std::min<std::size_t>(s.size(), 79));
  return b;
}

Bytes Limits(std::uint32_t news, std::uint32_t routes, std::uint32_t roads, std::uint32_t cameras) {
  // Seven limits; the clocks use fields 0 (news), 3 (roads), 1 (routes) and 5 (cameras).
  return Concat({Le32(news), Le32(routes), Le32(99), Le32(roads), Le32(99), Le32(cameras), Le32(99)});
}

Bytes RouteRecords(std::uint32_t n, std::uint8_t fill) {
  return Concat({Le32(n), Bytes(n * 134, fill)});
}

struct Selection {
  std::vector<std::string> roads;  // CP949
  std::vector<Bytes> routes;       // 12-byte queries
  std::vector<std::uint32_t> cameras;
  Bytes Wire() const {
    Bytes w(732, 0);
    // Whatever item list the client gives is replaced by the library's own.
    kavrel::WriteU32(w.data(), os::kItemCount, 2);
    kavrel::WriteU32(w.data(), os::kItemTypes, 96);
    kavrel::WriteU32(w.data(), os::kRoadCount, static_cast<std::uint32_t>(roads.size()));
    for (std::size_t j = 0; j < roads.size(); ++j)
      std::memcpy(w.data() + os::kRoadNames + 32 * j, roads[j].data(), roads[j].size());
    kavrel::WriteU32(w.data(), os::kRouteCount, static_cast<std::uint32_t>(routes.size()));
    for (std::size_t j = 0; j < routes.size(); ++j)
      std::memcpy(w.data() + os::kRouteQueries + 12 * j, routes[j].data(), 12);
    kavrel::WriteU32(w.data(), os::kCameraCount, static_cast<std::uint32_t>(cameras.size()));
    for (std::size_t j = 0; j < cameras.size(); ++j) kavrel::WriteU32(w.data(), os::kCameraIds + 4 * j, cameras[j]);
    return w;
  }
};

Bytes Query(std::uint8_t kind, std::uint32_t from, std::uint32_t to) {
  return Concat({Bytes{kind, 0, 0, 0}, Le32(from), Le32(to)});
}

class OneStep : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    clock_ = std::make_unique<kavrel::FakeClock>(100000);
    scope_ = std::make_unique<kavrel::ScopedClock>(*clock_);
    RoadFileSource source;
    Road road;
    road.id = 3;
    road.name = Cp("내부순환로");
    road.segments = {{1, Cp("성산"), Cp("홍제")}, {2, Cp("홍제"), Cp("성산")}};
    source.roads.push_back(road);
    std::vector<std::uint8_t> image;
    std::string error;
    ASSERT_TRUE(BuildRoadFileImage(source, image, error)) << error;
    std::copy(image.begin(), image.end(), State().roadFileImage.begin());
    selection_.roads = {Cp("내부순환로"), Cp("강변북로")};
    selection_.routes = {Query(1, 7, 9)};
    selection_.cameras = {21};
  }
  void TearDown() override {
    State().roadFileImage.fill(0);
    LibraryTest::TearDown();
    scope_.reset();
  }

  // The expanded reply for the selection: items 1, 32, 33, 34, 64, then the blocks.
  Bytes FullReply(const std::string& news, std::uint8_t speed, const Bytes& limits) const {
    return Concat({Le32(static_cast<std::uint32_t>(news.size())), ToBytes(news), Text80("text a"), Text80("text b"),
                   Text80("127.0.0.1"), limits,
                   Concat({Le32(2), Bytes{speed, static_cast<std::uint8_t>(speed + 1)}}),  // 내부순환로
                   Concat({Le32(3), Bytes{1, 2, 3}}),                                      // 강변북로
                   RouteRecords(2, 0x5A), Concat({Le32(5), Bytes{0, 0, 0x80, 2, 0}})});
  }

  Outcome Load(unsigned long code, const Bytes& expanded, ScriptedPeer*& out) {
    (void)out;
    Bytes compressed = Compress(expanded);
    peer_ = std::make_unique<ScriptedPeer>(TestAddress(), std::vector<Conversation>{{24 + 732, Framed(compressed)}});
    Bytes wire = selection_.Wire();
    Outcome o{};
    o.result = lib_.SendCmd(peer_->addressText(), 7000, code, &o.count, wire.data());
    peer_->Finish();
    return o;
  }

  // A command answered with no server at all (nobody listens any more).
  Outcome Cached(unsigned long code, const void* data, std::size_t unit = 1) {
    std::string address = TestAddress();
    Outcome o{};
    o.result = lib_.SendCmd(address.data(), 7000, code, &o.count, const_cast<void*>(data));
    if (o.result == 0 && o.count) {
      o.data.assign(o.count * unit, 0);
      lib_.GetData(code, nullptr, o.count, o.data.data());
    }
    return o;
  }

  std::unique_ptr<kavrel::FakeClock> clock_;
  std::unique_ptr<kavrel::ScopedClock> scope_;
  std::unique_ptr<ScriptedPeer> peer_;
  Selection selection_;
};

TEST_F(OneStep, RequestCarriesTheSelectionWithTheLibrarysItemList) {
  ScriptedPeer* unused = nullptr;
  Bytes expanded = FullReply("news", 50, Limits(10, 10, 10, 10));
  Load(CMD_ONE_STEP_LOAD, expanded, unused);
  Bytes got = peer_->Received()[0];
  ASSERT_EQ(got.size(), 24u + 732 + 4);
  EXPECT_EQ(kavrel::ReadU32(got.data(), 0), 240u);
  const std::uint8_t* req = got.data() + 24;
  EXPECT_EQ(kavrel::ReadU32(req, os::kItemCount), 5u);
  const std::uint32_t types[] = {1, 32, 33, 34, 64};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(kavrel::ReadU32(req, os::kItemTypes + 4 * i), types[i]);
  EXPECT_EQ(kavrel::ReadU32(req, os::kRoadCount), 2u);
  EXPECT_EQ(kavrel::ReadCp949Field(req + os::kRoadNames + 32, 32), Cp("강변북로"));
  EXPECT_EQ(Bytes(req + os::kRouteQueries, req + os::kRouteQueries + 12), Query(1, 7, 9));
  EXPECT_EQ(kavrel::ReadU32(req, os::kCameraIds), 21u);
  // Clocks and data fields go out as zero.
  for (std::size_t at : {os::kTicks, os::kIntervals, os::kItemData, os::kSpeedData, os::kRouteData, os::kStillData})
    EXPECT_EQ(Bytes(req + at, req + at + 16), Bytes(16, 0)) << at;
  // The acknowledgement echoes the compressed length.
  EXPECT_EQ(Bytes(got.end() - 4, got.end()), Le32(static_cast<std::uint32_t>(Compress(expanded).size())));
}

TEST_F(OneStep, LoadedItemsAreAnsweredWithoutAConnection) {
  ScriptedPeer* unused = nullptr;
  Outcome load = Load(CMD_ONE_STEP_LOAD, FullReply("정체 구간 안내", 61, Limits(10, 10, 10, 10)), unused);
  EXPECT_EQ(load.result, 0);
  EXPECT_EQ(load.count, 0u);
  EXPECT_EQ(peer_->Connections(), 1);

  EXPECT_EQ(Cached(CMD_TICKER_TEXT, nullptr).data, ToBytes("정체 구간 안내"));
  EXPECT_EQ(Cached(CMD_TEXT_ITEM_A, nullptr).data, Text80("text a"));
  EXPECT_EQ(Cached(CMD_TEXT_ITEM_C, nullptr).data, Text80("127.0.0.1"));
  EXPECT_EQ(Cached(CMD_REFRESH_INTERVALS, nullptr).data, Limits(10, 10, 10, 10));
  EXPECT_EQ(Cached(CMD_ROUTE, Query(1, 7, 9).data()).data, Bytes(2 * 134, 0x5A));
  EXPECT_EQ(Cached(CMD_FLAG_A, nullptr).data, Bytes{0});
  Outcome road = Cached(CMD_ROAD_SPEED, Cp("내부순환로").c_str(), 104);
  ASSERT_EQ(road.count, 2u);
  EXPECT_EQ(kavrel::ReadI32(road.data.data(), 4), 61);
  EXPECT_EQ(kavrel::ReadI32(road.data.data(), 104 + 4), 62);
  Outcome still = Cached(CMD_CCTV_STILL, Le32(21).data());
  EXPECT_EQ(still.result, 0);
  EXPECT_EQ(still.count, 76032u);
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(OneStep, UnfollowedItemsGoToTheServer) {
  ScriptedPeer* unused = nullptr;
  Load(CMD_ONE_STEP_LOAD, FullReply("n", 50, Limits(10, 10, 10, 10)), unused);
  // Another kind byte, another camera, another road: the cache does not answer.
  ScriptedPeer server(TestAddress(), {{24 + 12, Framed(ToBytes("from server"))},
                                      {24 + 4, Framed({})},
                                      {24 + 128, Framed({})}});
  EXPECT_EQ(Run(server, CMD_ROUTE, Query(0, 7, 9).data()).data, ToBytes("from server"));
  EXPECT_EQ(Run(server, CMD_CCTV_STILL, Le32(22).data()).result, 0);
  EXPECT_EQ(Run(server, CMD_ROAD_SPEED, Cp("올림픽대로").c_str()).result, 0);
  server.Finish();
  EXPECT_EQ(server.Connections(), 3);
}

TEST_F(OneStep, QuestionKeepsItsLengthWhenTheCacheIsLoaded) {
  ScriptedPeer* unused = nullptr;
  Load(CMD_ONE_STEP_LOAD, FullReply("n", 50, Limits(10, 10, 10, 10)), unused);
  ScriptedPeer server(TestAddress(), {{24 + 21 + 4 + 5, Framed(ToBytes("ok"))}});
  Outcome o = Run(server, CMD_QUESTION_SEND, "hello", 5);
  server.Finish();
  EXPECT_EQ(o.data, ToBytes("ok"));
  Bytes got = server.Received()[0];
  EXPECT_EQ(Bytes(got.begin() + 45, got.begin() + 54), Concat({Le32(5), ToBytes("hello")}));
}

TEST_F(OneStep, GroupIsFetchedAgainOnceItsIntervalHasPassed) {
  ScriptedPeer* unused = nullptr;
  Load(CMD_ONE_STEP_LOAD, FullReply("n", 50, Limits(10, 10, 2, 10)), unused);
  // Roads refresh every 2 minutes less 3 seconds, counted from the load (which was
  // followed by its 1,000 ms wait).
  clock_->Advance(2 * 60000 - 3000 - 1000 - 1);
  EXPECT_EQ(kavrel::ReadI32(Cached(CMD_ROAD_SPEED, Cp("내부순환로").c_str(), 104).data.data(), 4), 50);
  clock_->Advance(1);
  Bytes roads = Concat({Concat({Le32(2), Bytes{90, 91}}), Concat({Le32(1), Bytes{7}})});
  ScriptedPeer refresh(TestAddress(), {{24 + 732, Framed(Compress(roads))}});
  Outcome o = Run(refresh, CMD_ROAD_SPEED, Cp("내부순환로").c_str(), 0, 104);
  refresh.Finish();
  ASSERT_EQ(refresh.Connections(), 1);
  EXPECT_EQ(kavrel::ReadI32(o.data.data(), 4), 90);
  // The refresh asked for the roads only.
  const Bytes sent = refresh.Received()[0];
  const std::uint8_t* req = sent.data() + 24;
  EXPECT_EQ(kavrel::ReadU32(req, os::kItemCount), 0u);
  EXPECT_EQ(kavrel::ReadU32(req, os::kRoadCount), 2u);
  EXPECT_EQ(kavrel::ReadU32(req, os::kRouteCount), 0u);
  EXPECT_EQ(kavrel::ReadU32(req, os::kCameraCount), 0u);
}

TEST_F(OneStep, ZeroMinutesRefreshesAtEveryRequest) {
  EXPECT_EQ(RefreshInterval(0), static_cast<std::uint32_t>(-3000));
  ScriptedPeer* unused = nullptr;
  Load(CMD_ONE_STEP_LOAD, FullReply("old", 50, Limits(0, 10, 10, 10)), unused);
  for (const char* news : {"first", "second"}) {
    Bytes item = Concat({Le32(static_cast<std::uint32_t>(std::strlen(news))), ToBytes(news)});
    ScriptedPeer refresh(TestAddress(), {{24 + 732, Framed(Compress(item))}});
    EXPECT_EQ(Run(refresh, CMD_TICKER_TEXT, nullptr).data, ToBytes(news));
  }
}

TEST_F(OneStep, FailedExchangesLeaveTheCache) {
  ScriptedPeer* unused = nullptr;
  Load(CMD_ONE_STEP_LOAD, FullReply("kept", 50, Limits(10, 10, 10, 10)), unused);
  struct Case {
    const char* name;
    Bytes reply;
    std::string log;  // empty: none
  };
  Bytes bomb = Compress(Bytes(100000, 0));  // expands to far more than ten times itself
  const Case cases[] = {
      {"zero length", Le32(0), ""},
      {"short walk", Framed(Compress(FullReply("x", 1, Limits(10, 10, 10, 10)).size() > 0
                                          ? Bytes{5, 0, 0, 0, 'a'}
                                          : Bytes{})),
       "SendOneStepCmd:walk(5 byte) fail"},
      {"expands too far", Framed(bomb), "SendOneStepCmd:expand(" + std::to_string(bomb.size()) + " byte) fail"},
      {"not zlib", Framed(ToBytes("garbage!")), "SendOneStepCmd:expand(8 byte) fail"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ / "DBM.TXT");
    ScriptedPeer peer(TestAddress(), {{24 + 732, c.reply}});
    Bytes wire = selection_.Wire();
    unsigned long count = 0;
    EXPECT_EQ(lib_.SendCmd(peer.addressText(), 7000, CMD_ONE_STEP_RELOAD, &count, wire.data()), 0);
    peer.Finish();
    Bytes got = peer.Received()[0];
    if (c.log.empty()) {
      EXPECT_EQ(Bytes(got.end() - 4, got.end()), Le32(0));  // the zero length goes back
      EXPECT_TRUE(LogLines().empty());
    } else {
      EXPECT_EQ(LogLines(), std::vector<std::string>{c.log});
    }
    EXPECT_EQ(Cached(CMD_TICKER_TEXT, nullptr).data, ToBytes("kept"));
  }
}

TEST_F(OneStep, ReloadReplacesTheCache) {
  ScriptedPeer* unused = nullptr;
  Load(CMD_ONE_STEP_LOAD, FullReply("old", 50, Limits(10, 10, 10, 10)), unused);
  selection_.roads = {Cp("내부순환로")};
  selection_.routes = {};
  selection_.cameras = {};
  Bytes reply = Concat({Le32(3), ToBytes("new"), Text80("a"), Text80("b"), Text80("c"), Limits(10, 10, 10, 10),
                        Concat({Le32(2), Bytes{33, 34}})});
  Load(CMD_ONE_STEP_RELOAD, reply, unused);
  EXPECT_EQ(Cached(CMD_TICKER_TEXT, nullptr).data, ToBytes("new"));
  EXPECT_EQ(OneStepCache().routeCount, 0u);
  EXPECT_TRUE(OneStepCache().routeData[0].empty());
  EXPECT_TRUE(OneStepCache().stillData[0].empty());
  lib_.ZMNTP_Destroy();
  EXPECT_TRUE(OneStepCache().speedData[0].empty());
  EXPECT_TRUE(OneStepCache().itemData[0].empty());
}

TEST(OneStepWalk, LengthsAtOddOffsetsAndBlocksInOrder) {
  OneStepRecord r;
  r.itemCount = 3;
  r.itemTypes = {kItemNews, kItemFlagB, 77};  // 77 is unknown: consumes nothing
  r.roadCount = 1;
  r.routeCount = 1;
  r.cameraCount = 1;
  Bytes reply = Concat({Le32(3), ToBytes("abc"), Bytes{9}, Le32(1), Bytes{0xFF}, RouteRecords(1, 4),
                        Le32(2), Bytes{7, 8}});
  ASSERT_TRUE(WalkOneStepReply(reply, r, 5));
  EXPECT_EQ(r.itemData[0], Concat({Le32(3), ToBytes("abc")}));
  EXPECT_EQ(r.flagB, 9);
  EXPECT_EQ(r.speedData[0], Concat({Le32(1), Bytes{0xFF}}));
  EXPECT_EQ(r.routeData[0], RouteRecords(1, 4));
  EXPECT_EQ(r.stillData[0], Concat({Le32(2), Bytes{7, 8}}));
  // Every shorter reply fails rather than reading past its end.
  for (std::size_t n = 0; n < reply.size(); ++n) {
    OneStepRecord cut = r;
    cut.FreeData();
    EXPECT_FALSE(WalkOneStepReply(std::span(reply).first(n), cut, 5)) << n;
  }
}

TEST(OneStepWalk, CountsAboveTenAreTakenAsTen) {
  Bytes wire(732, 0);
  kavrel::WriteU32(wire.data(), os::kRoadCount, 4000);
  kavrel::WriteU32(wire.data(), os::kItemCount, 11);
  OneStepRecord r = OneStepRecord::FromWire(wire);
  EXPECT_EQ(r.roadCount, 10u);
  EXPECT_EQ(r.itemCount, 10u);
}

}  // namespace
}  // namespace zmntp::testing
