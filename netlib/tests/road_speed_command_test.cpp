// Code 7 on the server path: the road name goes out, one speed byte per segment
// comes back and is expanded against the road file.
#include <cstring>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "library_fixture.h"
#include "process_state.h"
#include "protocol/road_file.h"

namespace zmntp::testing {
using namespace protocol;
namespace {

std::string Cp(const char* utf8) { return *kavrel::Utf8ToCp949(utf8); }

class RoadSpeedCommand : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    RoadFileSource source;
    Road road;
    road.id = 12;
    road.name = Cp("강변북로");
    road.segments = {{1, Cp("가양대교"), Cp("성산대교")},
                     {2, Cp("성산대교"), Cp("가양대교")},
                     {3, Cp("성산대교"), Cp("양화대교")},
                     {4, Cp("양화대교"), Cp("성산대교")}};
    source.roads.push_back(road);
    std::vector<std::uint8_t> image;
    std::string error;
    ASSERT_TRUE(BuildRoadFileImage(source, image, error)) << error;
    std::copy(image.begin(), image.end(), State().roadFileImage.begin());
  }
  void TearDown() override {
    State().roadFileImage.fill(0);
    LibraryTest::TearDown();
  }
  Bytes NameBody() const {
    Bytes body(128, 0);
    std::string name = Cp("강변북로");
    std::memcpy(body.data(), name.data(), name.size());
    return body;
  }
};

TEST_F(RoadSpeedCommand, SpeedsArrivingInPiecesBecomeRecords) {
  Conversation c{24 + 128, Framed({45, 0xF6, 80, 12})};  // 0xF6 is -10
  c.pieceSize = 3;
  ScriptedPeer peer(TestAddress(), {c});
  std::string name = Cp("강변북로");
  Outcome o = Run(peer, CMD_ROAD_SPEED, name.c_str(), 0, kRoadSpeedRecordSize);
  peer.Finish();
  ASSERT_EQ(o.result, 0);
  ASSERT_EQ(o.count, 4u);
  EXPECT_EQ(kavrel::ReadU32(o.data.data(), 0), 1u);
  EXPECT_EQ(kavrel::ReadI32(o.data.data(), 4), 45);
  EXPECT_EQ(kavrel::ReadI32(o.data.data(), 104 + 4), -10);
  EXPECT_EQ(kavrel::ReadCp949Field(o.data.data() + 104 + 8, 32), Cp("성산대교"));
  const Bytes sent = peer.Received()[0];
  EXPECT_EQ(Bytes(sent.begin() + 24, sent.end()), Concat({NameBody(), Le32(0)}));
}

TEST_F(RoadSpeedCommand, EmptyOrUnknownRoadGivesNoRecordsButIsAcknowledged) {
  {
    ScriptedPeer peer(TestAddress(), {{24 + 128, Framed({})}});
    Outcome o = Run(peer, CMD_ROAD_SPEED, Cp("강변북로").c_str(), 0, kRoadSpeedRecordSize);
    peer.Finish();
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.count, 0u);
    EXPECT_EQ(peer.Received()[0].size(), 24u + 128 + 4);
  }
  ScriptedPeer peer(TestAddress(), {{24 + 128, Framed({50, 50})}});
  Outcome o = Run(peer, CMD_ROAD_SPEED, Cp("올림픽대로").c_str(), 0, kRoadSpeedRecordSize);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.count, 0u);
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(RoadSpeedCommand, FailuresLogTheirStep) {
  struct Case {
    const char* name;
    Conversation conversation;
    std::string log;
  };
  const Case cases[] = {
      {"no length", {24 + 128, {}, Conversation::Then::Close}, "ZMNT:SendCmd:(길속도):2:recv=0"},
      {"short speeds", {24 + 128, Concat({Le32(4), Bytes{1, 2}}), Conversation::Then::Close},
       "ZMNT:SendCmd:(길속도):3:recv=0"},
      {"silent after two speeds", {24 + 128, Concat({Le32(4), Bytes{1, 2}})}, "ZMNT:SendCmd:(길속도):3:recv=-1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ / "DBM.TXT");
    ScriptedPeer peer(TestAddress(), {c.conversation});
    Outcome o = Run(peer, CMD_ROAD_SPEED, Cp("강변북로").c_str(), 0, kRoadSpeedRecordSize);
    EXPECT_EQ(o.result, 3);
    EXPECT_EQ(o.count, 0u);
    EXPECT_EQ(LogLines(), std::vector<std::string>{c.log});
  }
}

}  // namespace
}  // namespace zmntp::testing
