// The road network read from a road file, its places and ids, the traffic
// simulation, and routes over it.
#include <gtest/gtest.h>

#include <set>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "places.h"
#include "protocol/road_file.h"
#include "road_network.h"
#include "routes.h"
#include "traffic_simulation.h"

namespace kavreld {
using namespace protocol;
namespace {

std::string Cp(const char* utf8) { return kavrel::Utf8ToCp949Lossy(utf8); }

protocol::RoadSegment Seg(std::uint32_t id, const char* from, const char* to, std::uint32_t length,
                       std::uint32_t limit) {
  return {id, Cp(from), Cp(to), length, limit};
}

// A at the west, C at the east. A→B→C is short but slow (limit 20); A→D→C is long
// and fast (limit 100). C→A does not exist; E is reached from nowhere.
std::vector<std::uint8_t> SmallCity(bool reversedRoads = false) {
  protocol::RoadFileSource src;
  protocol::Road slow{1, 1, Cp("느린길"), {Seg(11, "가", "나", 1000, 20), Seg(12, "나", "다", 1000, 20)}};
  protocol::Road fast{1, 2, Cp("빠른길"), {Seg(21, "가", "라", 3000, 100), Seg(22, "라", "다", 3000, 100)}};
  protocol::Road lone{1, 3, Cp("외딴길"), {Seg(31, "마", "바", 0, 0)}};
  src.roads = reversedRoads ? std::vector<protocol::Road>{lone, fast, slow} : std::vector<protocol::Road>{slow, fast, lone};
  std::vector<std::uint8_t> image;
  std::string error;
  EXPECT_TRUE(protocol::BuildRoadFileImage(src, image, error)) << error;
  return image;
}

std::size_t PlaceNamed(const RoadNetwork& net, const char* utf8) {
  for (std::size_t i = 0; i < net.places().size(); ++i)
    if (net.places()[i].utf8 == utf8) return i;
  ADD_FAILURE() << utf8;
  return 0;
}

TEST(RoadNetwork, PlacesAreDistinctEndPointsWithStableIds) {
  RoadNetwork net = RoadNetwork::FromImage(SmallCity());
  EXPECT_EQ(net.places().size(), 6u);
  EXPECT_EQ(net.links().size(), 5u);
  // A segment without length or limit stands for 500 m at 60 km/h.
  EXPECT_EQ(net.links()[4].lengthM, kDefaultLengthM);
  EXPECT_EQ(net.links()[4].limitKmh, kDefaultLimitKmh);
  std::set<std::uint32_t> ids;
  for (const Place& p : net.places()) {
    EXPECT_NE(p.id, 0u);
    ids.insert(p.id);
    EXPECT_EQ(net.FindPlace(p.id), PlaceNamed(net, p.utf8.c_str()));
  }
  EXPECT_EQ(ids.size(), 6u);
  // The same names keep their ids when the roads come in another order.
  RoadNetwork other = RoadNetwork::FromImage(SmallCity(true));
  for (const Place& p : net.places()) EXPECT_EQ(other.places()[PlaceNamed(other, p.utf8.c_str())].id, p.id);
  EXPECT_EQ(net.FindRoad(Cp("빠른길")), 1u);
  EXPECT_FALSE(net.FindRoad(Cp("빠른")));
  // A short or empty image reads as no roads.
  EXPECT_TRUE(RoadNetwork::FromImage({}).roads().empty());
}

TEST(Places, SearchMatchesWholeCharactersAndFillsTheReply) {
  RoadNetwork net = RoadNetwork::FromImage(SmallCity());
  EXPECT_EQ(SearchPlaces(net, Cp("나")).size(), 1u);
  EXPECT_EQ(SearchPlaces(net, "").size(), 6u);
  EXPECT_TRUE(SearchPlaces(net, "\xB0").empty());  // half a character matches nothing
  auto found = SearchPlaces(net, Cp("다"));
  auto reply = BuildSearchReply(net, found);
  ASSERT_EQ(reply.size(), kSearchReplySize);
  EXPECT_EQ(reply[0], 1);
  EXPECT_EQ(kavrel::ReadCp949Field(reply.data() + 1, 128), Cp("다"));
  EXPECT_EQ(kavrel::ReadU32(reply.data(), 6404), net.places()[found[0]].id);
}

TEST(Routes, FastestAndShortestDifferWithTraffic) {
  RoadNetwork net = RoadNetwork::FromImage(SmallCity());
  std::size_t a = PlaceNamed(net, "가"), c = PlaceNamed(net, "다");
  std::vector<int> speeds = {20, 20, 100, 100, 60};
  auto shortest = FindRoute(net, speeds, RouteKind::Shortest, a, c);
  auto fastest = FindRoute(net, speeds, RouteKind::Fastest, a, c);
  ASSERT_TRUE(shortest && fastest);
  EXPECT_EQ(*shortest, (std::vector<std::size_t>{0, 1}));  // 2 km at 20 km/h: 360 s
  EXPECT_EQ(*fastest, (std::vector<std::size_t>{2, 3}));   // 6 km at 100 km/h: 216 s
  // Links are one-way: no way back, none to an unconnected place.
  EXPECT_FALSE(FindRoute(net, speeds, RouteKind::Fastest, c, a));
  EXPECT_FALSE(FindRoute(net, speeds, RouteKind::Fastest, a, PlaceNamed(net, "바")));
  EXPECT_TRUE(FindRoute(net, speeds, RouteKind::Fastest, a, a)->empty());

  auto reply = BuildRouteReply(net, speeds, a, *fastest);
  ASSERT_EQ(reply.size(), 3 * kRouteRecordSize);
  EXPECT_EQ(kavrel::ReadCp949Field(reply.data(), 128), Cp("가"));
  EXPECT_EQ(kavrel::ReadU16(reply.data(), kRouteSpeedOffset), 0);  // the origin has no leg
  EXPECT_EQ(kavrel::ReadCp949Field(reply.data() + 134, 128), Cp("라"));
  EXPECT_EQ(kavrel::ReadU16(reply.data(), 134 + kRouteSpeedOffset), 100);
  EXPECT_EQ(kavrel::ReadU16(reply.data(), 134 + kRouteLengthOffset), 3000);
  EXPECT_EQ(kavrel::ReadU16(reply.data(), 134 + kRouteTimeOffset), 108);
  EXPECT_EQ(kavrel::ReadCp949Field(reply.data() + 268, 128), Cp("다"));
}

TEST(Routes, TravelTimeRoundsAndNeverDividesByZero) {
  EXPECT_EQ(TravelSeconds(1000, 60), 60u);
  EXPECT_EQ(TravelSeconds(1000, 36), 100u);
  EXPECT_EQ(TravelSeconds(10, 0), 36u);  // taken as 1 km/h
  EXPECT_EQ(TravelSeconds(0xFFFFFFFFu, 1), 15461882262ull & 0xFFFFFFFFu);
}

TEST(TrafficSimulation, SameSeedAndMinuteGiveTheSameSpeeds) {
  RoadNetwork net = RoadNetwork::FromImage(SmallCity());
  TrafficSimulation a(net, 42), b(net, 42), c(net, 43);
  std::int64_t minute = MinuteOf(2026, 12, 7, 8, 15);
  EXPECT_EQ(a.Speeds(minute), b.Speeds(minute));
  bool differs = false;
  for (std::int64_t m = minute; m < minute + 60; ++m) differs = differs || a.Speeds(m) != c.Speeds(m);
  EXPECT_TRUE(differs);
}

TEST(TrafficSimulation, SpeedsStayInBoundsAndRushHourIsSlower) {
  RoadNetwork net = RoadNetwork::FromImage(SmallCity());
  TrafficSimulation sim(net, 7);
  long night = 0, rush = 0;
  for (int day = 1; day <= 7; ++day) {
    for (int minute = 0; minute < 1440; minute += 5) {
      std::int64_t m = MinuteOf(2026, 12, day, minute / 60, minute % 60);
      for (std::size_t l = 0; l < net.links().size(); ++l) {
        int v = sim.Speed(l, m);
        ASSERT_GE(v, 3);
        ASSERT_LE(v, static_cast<int>(std::min(net.links()[l].limitKmh + 10, kMaxLimitKmh)));
        if (minute / 60 == 3) night += v;
        if (minute / 60 == 8) rush += v;
      }
    }
  }
  EXPECT_LT(rush * 10, night * 8);  // the morning rush is clearly slower than the night
  // From one minute to the next a speed drifts, it does not jump about.
  std::int64_t m = MinuteOf(2026, 12, 7, 12, 0);
  for (std::size_t l = 0; l < net.links().size(); ++l)
    EXPECT_LE(std::abs(sim.Speed(l, m + 1) - sim.Speed(l, m)), 1 + static_cast<int>(net.links()[l].limitKmh) / 5);
}

TEST(TrafficSimulation, MinutesCountFromTheYear2000) {
  EXPECT_EQ(MinuteOf(2000, 1, 1, 0, 0), 0);
  EXPECT_EQ(MinuteOf(2000, 3, 1, 0, 0), (31 + 29) * 1440);  // a leap year
  EXPECT_EQ(MinuteOf(2001, 1, 1, 1, 2), 366 * 1440 + 62);
  EXPECT_EQ(MinuteOf(1999, 12, 31, 23, 59), -1);
}

}  // namespace
}  // namespace kavreld
