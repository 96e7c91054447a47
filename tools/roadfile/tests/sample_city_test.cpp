// The sample city that the build turns into road.dat for the client and the server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "kavrel/cp949.h"
#include "road_json.h"

namespace roadfile {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path SourceDir() {
  const char* dir = std::getenv("KAVREL_SOURCE_DIR");
  return dir && *dir ? dir : KAVREL_TEST_SOURCE_DIR;
}

std::string Utf8(const std::string& cp949) { return kavrel::Cp949ToUtf8(cp949).value(); }

class SampleCity : public ::testing::Test {
 protected:
  void SetUp() override {
    text_ = ReadAll(SourceDir() / "data/road/city.json");
    ASSERT_FALSE(text_.empty()) << "data/road/city.json not found under " << SourceDir();
    std::string error;
    ASSERT_TRUE(ParseRoadFileJson(text_, city_, error)) << error;
  }
  std::string text_;
  protocol::RoadFileSource city_;
};

TEST_F(SampleCity, BuildsAndDumpsBackToItsSourceText) {
  std::vector<std::uint8_t> image;
  std::string error;
  ASSERT_TRUE(protocol::BuildRoadFileImage(city_, image, error)) << error;
  std::vector<std::string> warnings;
  EXPECT_EQ(RoadFileJson(protocol::ReadRoadFileImage(image), warnings), text_);
  EXPECT_TRUE(warnings.empty());
  EXPECT_TRUE(ImageWarnings(image).empty());

  // The build put the same image where the handheld looks for it.
  if (const char* home = std::getenv("KAVREL_HOME")) {
    const std::string file = ReadAll(std::filesystem::path(home) / "road.dat");
    const std::vector<std::uint8_t> built(file.begin(), file.end());
    EXPECT_TRUE(built == image)
        << "road.dat in " << home << " is not the build of data/road/city.json";
  }
}

TEST_F(SampleCity, HasTheRoadsBridgesAndTunnelsTheClientShows) {
  std::map<std::uint32_t, int> perCategory;
  std::set<std::uint32_t> roadIds, segmentIds;
  std::set<std::string> names;
  int oddRoads = 0;
  for (const protocol::Road& road : city_.roads) {
    SCOPED_TRACE(Utf8(road.name));
    ++perCategory[road.category];
    EXPECT_TRUE(roadIds.insert(road.id).second) << "road id used twice";
    EXPECT_TRUE(names.insert(road.name).second) << "road name used twice";
    ASSERT_FALSE(road.segments.empty());
    oddRoads += road.segments.size() % 2;
    for (std::size_t j = 0; j < road.segments.size(); ++j) {
      const protocol::RoadSegment& seg = road.segments[j];
      EXPECT_TRUE(segmentIds.insert(seg.id).second) << "segment id used twice: " << seg.id;
      EXPECT_NE(seg.from, seg.to);
      EXPECT_GT(seg.lengthM, 0u);
      EXPECT_TRUE(seg.limitKmh >= 30 && seg.limitKmh <= 110) << seg.limitKmh;
      // Up and down alternate: every odd segment runs back along the one before it.
      if (j % 2 == 1) {
        const protocol::RoadSegment& up = road.segments[j - 1];
        EXPECT_EQ(seg.from, up.to) << j;
        EXPECT_EQ(seg.to, up.from) << j;
        EXPECT_EQ(seg.lengthM, up.lengthM) << j;
      } else if (j > 0) {
        EXPECT_EQ(seg.from, road.segments[j - 1].from) << "segment " << j << " does not go on from the last point";
      }
    }
  }
  EXPECT_GE(perCategory[protocol::kCategoryRoad], 30);
  EXPECT_GE(perCategory[protocol::kCategoryBridge], 8);
  EXPECT_GE(oddRoads, 3);
  for (const char* tunnel : {"산복터널", "구룡터널", "문성터널", "삼청터널", "내곡터널"})
    EXPECT_TRUE(names.count(kavrel::Utf8ToCp949(tunnel).value())) << tunnel;
}

TEST_F(SampleCity, CamerasStandAtPlacesOfTheRoads) {
  std::set<std::string> places;
  for (const protocol::Road& road : city_.roads)
    for (const protocol::RoadSegment& seg : road.segments) {
      places.insert(seg.from);
      places.insert(seg.to);
    }
  EXPECT_GE(city_.codes.size(), 20u);
  std::set<std::uint32_t> codes;
  for (const protocol::NamedCode& camera : city_.codes) {
    EXPECT_TRUE(places.count(camera.name)) << Utf8(camera.name) << " is no place of the roads";
    EXPECT_TRUE(codes.insert(camera.code).second) << "camera id used twice: " << camera.code;
    EXPECT_NE(camera.code, 0u);
  }
}

}  // namespace
}  // namespace roadfile
