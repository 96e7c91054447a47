#include "local_answers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZMNTP.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "process_state.h"
#include "protocol/road_file.h"

namespace zmntp {
using namespace protocol;
namespace {

std::string Cp(std::string_view utf8) { return kavrel::Utf8ToCp949(utf8).value(); }
std::string Utf8(const std::uint8_t* field, std::size_t size) {
  return kavrel::Cp949ToUtf8(kavrel::ReadCp949Field(field, size)).value();
}

RoadFileSource City() {
  RoadFileSource s;
  auto seg = [](std::uint32_t id, std::string_view from, std::string_view to) {
    return RoadSegment{id, Cp(from), Cp(to), 500, 60};
  };
  s.roads.push_back({kCategoryRoad, 101, Cp("중앙대로"),
                     {seg(1, "시청앞", "중앙역"), seg(2, "중앙역", "시청앞"), seg(3, "중앙역", "동문사거리")}});
  s.roads.push_back({kCategoryTunnel, 301, Cp("산복터널"),
                     {seg(4, "산복터널북단", "산복터널남단"), seg(5, "산복터널남단", "산복터널북단")}});
  s.roads.push_back({kCategoryRoad, 102, Cp("강변로"), {seg(6, "서문", "남문")}});
  s.roads.push_back({kCategoryRoad, 101, Cp("중앙대로 (옛길)"), {seg(7, "x", "y")}});  // duplicate id
  s.codes.push_back({Cp("시청앞"), 3});
  s.codes.push_back({Cp("동문사거리"), 200});
  return s;
}

std::vector<std::uint8_t> Image(const RoadFileSource& source) {
  std::vector<std::uint8_t> image;
  std::string error;
  EXPECT_TRUE(BuildRoadFileImage(source, image, error)) << error;
  return image;
}

std::vector<std::string> RoadNames(const LocalAnswer& a) {
  EXPECT_EQ(a.records.size(), a.count * kRoadSpeedRecordSize);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < a.count; ++i) {
    const std::uint8_t* r = a.records.data() + i * kRoadSpeedRecordSize;
    for (std::size_t k = 0; k < 72; ++k) EXPECT_EQ(r[k], 0) << k;  // only the name is written
    names.push_back(Utf8(r + 72, 32));
  }
  return names;
}

TEST(LocalAnswers, RoadListsByCategoryInFileOrder) {
  const auto image = Image(City());
  auto list = [&](std::uint32_t category) {
    auto a = AnswerLocally(image, CMD_ROAD_LIST, &category);
    EXPECT_TRUE(a);
    return a ? RoadNames(*a) : std::vector<std::string>{};
  };
  EXPECT_EQ(list(1), (std::vector<std::string>{"중앙대로", "강변로", "중앙대로 (옛길)"}));
  EXPECT_EQ(list(3), (std::vector<std::string>{"산복터널"}));
  EXPECT_TRUE(list(2).empty());  // no bridges
  EXPECT_TRUE(list(0).empty());
  EXPECT_TRUE(list(7).empty());
}

TEST(LocalAnswers, SegmentsOfTheFirstRoadWithTheId) {
  const auto image = Image(City());
  std::uint32_t id = 101;
  auto a = AnswerLocally(image, CMD_ROAD_SEGMENTS, &id);
  ASSERT_TRUE(a);
  ASSERT_EQ(a->count, 3u);
  ASSERT_EQ(a->records.size(), 3 * kRoadSpeedRecordSize);
  const std::uint8_t* r = a->records.data() + 2 * kRoadSpeedRecordSize;
  EXPECT_EQ(kavrel::ReadU32(r, 0), 3u);
  EXPECT_EQ(kavrel::ReadI32(r, 4), 0);
  EXPECT_EQ(Utf8(r + 8, 32), "중앙역");
  EXPECT_EQ(Utf8(r + 40, 32), "동문사거리");
  for (std::size_t k = 72; k < 104; ++k) EXPECT_EQ(r[k], 0);

  id = 999;
  a = AnswerLocally(image, CMD_ROAD_SEGMENTS, &id);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->count, 0u);
  EXPECT_TRUE(a->records.empty());
}

TEST(LocalAnswers, NamedCodeList) {
  auto a = AnswerLocally(Image(City()), CMD_NAMED_CODE_LIST, nullptr);
  ASSERT_TRUE(a);
  ASSERT_EQ(a->count, 2u);
  ASSERT_EQ(a->records.size(), 2 * kNamedCodeRecordSize);
  const std::uint8_t* r = a->records.data() + kNamedCodeRecordSize;
  EXPECT_EQ(Utf8(r, 128), "동문사거리");
  for (std::size_t k = std::string_view(Cp("동문사거리")).size(); k < 128; ++k) EXPECT_EQ(r[k], 0);
  EXPECT_EQ(kavrel::ReadU32(r, 128), 200u);  // the code byte, not sign-extended
}

TEST(LocalAnswers, TunnelSpeedsComeFromTheTable) {
  const std::vector<std::uint8_t> noFile(kRoadFileSize, 0);
  struct Case {
    const char* name;
    const char* end1;
    const char* end2;
  };
  const Case cases[] = {{"산복터널", "산복터널북단", "산복터널남단"},
                        {"구룡터널", "구룡터널북단", "구룡터널남단"},
                        {"문성터널", "문성터널동", "문성터널서"},
                        {"삼청터널", "삼청터널북", "삼청터널남"},
                        {"내곡터널", "내곡터널북", "내곡터널남"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = Cp(c.name);
    auto a = AnswerLocally(noFile, CMD_ROAD_SPEED, name.c_str());
    ASSERT_TRUE(a);
    ASSERT_EQ(a->count, 2u);
    ASSERT_EQ(a->records.size(), 2 * kRoadSpeedRecordSize);
    for (int i = 0; i < 2; ++i) {
      const std::uint8_t* r = a->records.data() + i * kRoadSpeedRecordSize;
      EXPECT_EQ(kavrel::ReadU32(r, 0), 0u);
      EXPECT_EQ(kavrel::ReadI32(r, 4), 60);
      EXPECT_EQ(Utf8(r + 8, 32), i == 0 ? c.end1 : c.end2);
      EXPECT_EQ(Utf8(r + 40, 32), i == 0 ? c.end2 : c.end1);
      for (std::size_t k = 72; k < 104; ++k) EXPECT_EQ(r[k], 0);
    }
  }
}

TEST(LocalAnswers, OtherRoadSpeedsAndOtherCodesAreLeftToTheNextStage) {
  const auto image = Image(City());
  for (const char* text : {"중앙대로", "산복터널 ", " 산복터널", "산복", "황령터널", ""}) {
    const std::string name = Cp(text);
    EXPECT_FALSE(AnswerLocally(image, CMD_ROAD_SPEED, name.c_str())) << text;
  }
  // The tunnel names count in CP949, as the client sends them; UTF-8 bytes do not match.
  EXPECT_FALSE(AnswerLocally(image, CMD_ROAD_SPEED, "산복터널"));
  // A text without a NUL in its first 128 bytes is only read that far.
  const std::string unterminated(128, 'a');
  std::vector<char> exact(unterminated.begin(), unterminated.end());
  EXPECT_FALSE(AnswerLocally(image, CMD_ROAD_SPEED, exact.data()));
  EXPECT_FALSE(AnswerLocally(image, CMD_ROAD_SPEED, nullptr));
  for (unsigned long code : {0ul, 1ul, 3ul, 6ul, 16ul, 96ul, 144ul, 241ul, 242ul, 0xFFFFFFFFul})
    EXPECT_FALSE(AnswerLocally(image, code, nullptr)) << code;
}

TEST(LocalAnswers, EmptyOrDamagedFilesStillAnswer) {
  const std::vector<std::uint8_t> empty(kRoadFileSize, 0);
  std::uint32_t category = 1;
  EXPECT_EQ(AnswerLocally(empty, CMD_ROAD_LIST, &category)->count, 0u);
  EXPECT_EQ(AnswerLocally(empty, CMD_NAMED_CODE_LIST, nullptr)->count, 0u);

  std::vector<std::uint8_t> damaged = Image(City());
  kavrel::WriteU32(damaged.data(), 0, 100000);           // roads
  kavrel::WriteU32(damaged.data(), 1323924, 100000);     // named codes
  kavrel::WriteU32(damaged.data(), 4 + 48, 100000);      // segments of road 0
  std::fill_n(damaged.data() + 4 + 16, 32, 'N');         // road name without NUL
  std::fill_n(damaged.data() + 1323928, 32, 'C');        // entry name without NUL
  auto roads = AnswerLocally(damaged, CMD_ROAD_LIST, &category);
  ASSERT_TRUE(roads);
  ASSERT_EQ(roads->count, 3u);  // the zero records beyond are category 0
  EXPECT_EQ(RoadNames(*roads)[0], std::string(31, 'N'));  // cut to fit with its NUL
  std::uint32_t id = 101;
  EXPECT_EQ(AnswerLocally(damaged, CMD_ROAD_SEGMENTS, &id)->count, 60u);
  auto codes = AnswerLocally(damaged, CMD_NAMED_CODE_LIST, nullptr);
  ASSERT_EQ(codes->count, 160u);
  EXPECT_EQ(Utf8(codes->records.data(), 128), std::string(32, 'C'));
}

// Through the library object: the road image of the process, SendCmd and GetData.
class LocalAnswersThroughCZMNTP : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = State().roadFileImage; }
  void TearDown() override { State().roadFileImage = saved_; }
  void UseImage(const std::vector<std::uint8_t>& image) {
    std::copy(image.begin(), image.end(), State().roadFileImage.begin());
  }
  std::array<std::uint8_t, protocol::kRoadFileSize> saved_{};
};

TEST_F(LocalAnswersThroughCZMNTP, TunnelAnswerNeedsNoLoginAndNoServer) {
  UseImage(std::vector<std::uint8_t>(kRoadFileSize, 0));
  CZMNTP lib;
  unsigned long count = 99;
  std::string name = Cp("산복터널");
  // Nothing listens at this address: an answer can only come from the table.
  char address[] = "127.0.0.2";
  ASSERT_EQ(lib.SendCmd(address, 7000, CMD_ROAD_SPEED, &count, name.data()), 0);
  ASSERT_EQ(count, 2u);
  std::vector<std::uint8_t> out(2 * kRoadSpeedRecordSize, 0xEE);
  EXPECT_EQ(lib.GetData(CMD_ROAD_SPEED, nullptr, count, out.data()), 0);
  EXPECT_EQ(kavrel::ReadI32(out.data(), 4), 60);
  EXPECT_EQ(Utf8(out.data() + 8, 32), "산복터널북단");
  EXPECT_EQ(Utf8(out.data() + kRoadSpeedRecordSize + 8, 32), "산복터널남단");
}

TEST_F(LocalAnswersThroughCZMNTP, ListsComeFromTheProcessImage) {
  UseImage(Image(City()));
  CZMNTP lib;
  unsigned long count = 99;
  std::uint32_t category = 2;
  EXPECT_EQ(lib.CmdPreProcess(CMD_ROAD_LIST, &count, &category), 0);
  EXPECT_EQ(count, 0u);  // no bridges

  char address[] = "127.0.0.3";
  std::uint32_t unused = 3;
  ASSERT_EQ(lib.SendCmd(address, 7000, CMD_NAMED_CODE_LIST, &count, &unused), 0);
  ASSERT_EQ(count, 2u);
  std::vector<std::uint8_t> out(2 * kNamedCodeRecordSize);
  lib.GetData(CMD_NAMED_CODE_LIST, nullptr, count, out.data());
  EXPECT_EQ(Utf8(out.data(), 128), "시청앞");
  EXPECT_EQ(kavrel::ReadU32(out.data(), 128), 3u);

  EXPECT_EQ(lib.CmdPreProcess(CMD_USER_LOGIN, &count, nullptr), RESULT_NOT_HANDLED);
}

}  // namespace
}  // namespace zmntp
