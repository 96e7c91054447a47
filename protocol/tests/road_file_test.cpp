#include "protocol/road_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"

namespace protocol {
namespace {

std::string Cp(std::string_view utf8) { return kavrel::Utf8ToCp949(utf8).value(); }

RoadSegment Seg(std::uint32_t id, std::string_view from, std::string_view to, std::uint32_t len = 0,
                std::uint32_t limit = 0) {
  return {id, Cp(from), Cp(to), len, limit};
}

std::vector<std::uint8_t> Image(const RoadFileSource& source) {
  std::vector<std::uint8_t> image;
  std::string error;
  EXPECT_TRUE(BuildRoadFileImage(source, image, error)) << error;
  return image;
}

struct SpeedRecord {
  std::uint32_t id;
  std::int32_t speed;
  std::string from;  // UTF-8
  std::string to;
};

std::vector<SpeedRecord> Records(const std::vector<std::uint8_t>& bytes) {
  EXPECT_EQ(bytes.size() % kRoadSpeedRecordSize, 0u);
  std::vector<SpeedRecord> out;
  for (std::size_t at = 0; at + kRoadSpeedRecordSize <= bytes.size(); at += kRoadSpeedRecordSize) {
    const std::uint8_t* r = bytes.data() + at;
    out.push_back({kavrel::ReadU32(r, 0), kavrel::ReadI32(r, 4),
                   kavrel::Cp949ToUtf8(kavrel::ReadCp949Field(r + 8, 32)).value(),
                   kavrel::Cp949ToUtf8(kavrel::ReadCp949Field(r + 40, 32)).value()});
    // Fields a speed record does not carry stay zero.
    for (std::size_t i = kSpeedRecordRoadNameOffset; i < kRoadSpeedRecordSize; ++i) EXPECT_EQ(r[i], 0) << i;
  }
  return out;
}

bool operator==(const SpeedRecord& a, const SpeedRecord& b) {
  return a.id == b.id && a.speed == b.speed && a.from == b.from && a.to == b.to;
}
std::ostream& operator<<(std::ostream& os, const SpeedRecord& r) {
  return os << "{" << r.id << ", " << r.speed << ", " << r.from << " -> " << r.to << "}";
}

RoadFileSource SmallCity() {
  RoadFileSource s;
  s.roads.push_back({kCategoryRoad, 101, Cp("중앙대로"),
                     {Seg(10101, "시청앞", "중앙역", 850, 60), Seg(10102, "중앙역", "시청앞", 850, 60),
                      Seg(10103, "중앙역", "동문사거리", 1200, 60)}});
  s.roads.push_back({kCategoryBridge, 201, Cp("가람대교"),
                     {Seg(20101, "가람대교북단", "가람대교남단", 1340, 70),
                      Seg(20102, "가람대교남단", "가람대교북단", 1340, 70)}});
  s.roads.push_back({kCategoryTunnel, 301, Cp("산복터널"), {}});
  s.codes.push_back({Cp("시청앞"), 1});
  s.codes.push_back({Cp("가람대교북단"), 255});
  return s;
}

TEST(RoadFileImage, BuildWritesTheRecordLayoutAndZeroFillsTheRest) {
  const std::vector<std::uint8_t> image = Image(SmallCity());
  ASSERT_EQ(image.size(), 1329528u);
  const std::uint8_t* b = image.data();
  EXPECT_EQ(kavrel::ReadU32(b, 0), 3u);

  const std::uint8_t* road0 = b + 4;
  EXPECT_EQ(kavrel::ReadU32(road0, 0), 1u);
  EXPECT_EQ(kavrel::ReadU32(road0, 4), 101u);
  EXPECT_EQ(kavrel::ReadCp949Field(road0 + 16, 32), Cp("중앙대로"));
  EXPECT_EQ(kavrel::ReadU32(road0, 48), 3u);
  const std::uint8_t* seg2 = road0 + 52 + 2 * 84;
  EXPECT_EQ(kavrel::ReadU32(seg2, 0), 10103u);
  EXPECT_EQ(kavrel::ReadU32(seg2, 4), 1200u);  // length in metres
  EXPECT_EQ(kavrel::ReadU32(seg2, 8), 60u);    // speed limit
  EXPECT_EQ(kavrel::ReadCp949Field(seg2 + 20, 32), Cp("중앙역"));
  EXPECT_EQ(kavrel::ReadCp949Field(seg2 + 52, 32), Cp("동문사거리"));
  // Unused bytes of a record, unused segment slots and unused road records are zero.
  for (std::size_t i = 8; i < 16; ++i) EXPECT_EQ(road0[i], 0);
  for (std::size_t i = 12; i < 20; ++i) EXPECT_EQ(seg2[i], 0);
  for (std::size_t i = 52 + 3 * 84; i < 5092; ++i) ASSERT_EQ(road0[i], 0) << i;
  for (std::size_t i = 4 + 3 * 5092; i < 1323924; ++i) ASSERT_EQ(b[i], 0) << i;

  EXPECT_EQ(kavrel::ReadU32(b, 1323924), 2u);
  const std::uint8_t* entry1 = b + 1323928 + 35;
  EXPECT_EQ(kavrel::ReadCp949Field(entry1, 32), Cp("가람대교북단"));
  EXPECT_EQ(entry1[32], 255);
  EXPECT_EQ(entry1[33], 0);
  EXPECT_EQ(entry1[34], 0);
  for (std::size_t i = 1323928 + 2 * 35; i < image.size(); ++i) ASSERT_EQ(b[i], 0) << i;
}

TEST(RoadFileImage, ReadGivesTheSourceBack) {
  const RoadFileSource source = SmallCity();
  EXPECT_EQ(ReadRoadFileImage(Image(source)), source);
  EXPECT_EQ(ReadRoadFileImage(Image(RoadFileSource{})), RoadFileSource{});
}

TEST(RoadFileImage, LimitsAreRefusedNamingTheOffendingRoadOrEntry) {
  auto errorOf = [](const RoadFileSource& s) {
    std::vector<std::uint8_t> image;
    std::string error;
    EXPECT_FALSE(BuildRoadFileImage(s, image, error));
    return error;
  };
  RoadFileSource s;
  for (std::uint32_t i = 0; i < 260; ++i) s.roads.push_back({kCategoryRoad, i + 1, "r" + std::to_string(i), {}});
  EXPECT_EQ(CheckRoadFileSource(s), "");
  s.roads.push_back({kCategoryRoad, 999, Cp("끝길"), {}});
  EXPECT_EQ(errorOf(s), "road 261 (\"끝길\", id 999): more than 260 roads (the source has 261)");

  s = SmallCity();
  for (std::uint32_t j = 0; j < 58; ++j) s.roads[1].segments.push_back(Seg(j, "a", "b"));
  EXPECT_EQ(CheckRoadFileSource(s), "");  // exactly 60
  s.roads[1].segments.push_back(Seg(61, "a", "b"));
  EXPECT_EQ(errorOf(s), "road 2 (\"가람대교\", id 201): more than 60 segments (it has 61)");

  // 15 Hangul characters are 30 bytes and fit; one more ASCII byte still fits (31 +
  // NUL), a second does not.
  const std::string fifteen = "가나다라마바사아자차카타파하가";
  s = SmallCity();
  s.roads[0].segments[1].to = Cp(fifteen + "1");
  EXPECT_EQ(CheckRoadFileSource(s), "");
  s.roads[0].segments[1].to = Cp(fifteen + "12");
  EXPECT_EQ(errorOf(s), "road 1 (\"중앙대로\", id 101), segment 2 (id 10102): to-name \"" + fifteen +
                            "12\" is 32 bytes in CP949; at most 31 fit with the NUL");
  s = SmallCity();
  s.roads[2].name = Cp(fifteen + "터널");
  EXPECT_NE(errorOf(s).find("road 3 (\"" + fifteen + "터널\", id 301): name"), std::string::npos);
  s = SmallCity();
  s.roads[2].category = 4;
  EXPECT_NE(errorOf(s).find("road 3 (\"산복터널\", id 301): category 4"), std::string::npos);

  s = SmallCity();
  s.codes[1].code = 256;
  EXPECT_EQ(errorOf(s), "named code 2 (\"가람대교북단\"): code 256 is above 255");
  s = SmallCity();
  s.codes[0].name = Cp(fifteen + "12");
  EXPECT_NE(errorOf(s).find("named code 1 (\"" + fifteen + "12\"): name"), std::string::npos);
  s = SmallCity();
  s.codes.resize(160, {"cam", 1});
  EXPECT_EQ(CheckRoadFileSource(s), "");
  s.codes.push_back({Cp("남문"), 9});
  EXPECT_EQ(errorOf(s), "named code 161 (\"남문\"): more than 160 codes (the source has 161)");
}

// A damaged or foreign file: counts beyond the tables and names without their NUL.
TEST(RoadFileView, DamagedCountsAreClampedAndNamesStayInTheirFields) {
  std::vector<std::uint8_t> image = Image(SmallCity());
  kavrel::WriteU32(image.data(), 0, 0xFFFFFFFFu);
  kavrel::WriteU32(image.data(), 4 + 48, 1000);           // segments of road 0
  kavrel::WriteU32(image.data(), 1323924, 0x7FFFFFFFu);  // named codes
  std::fill_n(image.data() + 4 + 5092 + 16, 32, 'x');     // name of road 1, no NUL
  std::fill_n(image.data() + 1323928, 32, 'y');           // name of entry 0, no NUL
  // The last road record and the last entry carry names that end the image or the
  // road table without a NUL.
  std::fill_n(image.data() + 4 + 259 * 5092 + 52 + 59 * 84 + 52, 32, 'z');
  std::fill_n(image.data() + 1323928 + 159 * 35, 35, 'w');

  const RoadFileView file(image);
  EXPECT_EQ(file.StoredRoadCount(), 0xFFFFFFFFu);
  EXPECT_EQ(file.RoadCount(), 260u);
  EXPECT_EQ(file.NamedCodeCount(), 160u);
  EXPECT_EQ(file.Road(0).SegmentCount(), 60u);
  EXPECT_EQ(file.Road(1).Name(), std::string(32, 'x'));
  EXPECT_EQ(file.NamedCode(0).name, std::string(32, 'y'));
  EXPECT_EQ(file.Road(259).Segment(59).to, std::string(32, 'z'));
  EXPECT_EQ(file.NamedCode(159).name, std::string(32, 'w'));
  EXPECT_EQ(file.NamedCode(159).code, 'w');

  const RoadFileSource read = ReadRoadFileImage(image);
  EXPECT_EQ(read.roads.size(), 260u);
  EXPECT_EQ(read.codes.size(), 160u);
  EXPECT_TRUE(file.FindRoadByName(std::string(32, 'x')));
  EXPECT_FALSE(file.FindRoadByName(std::string(33, 'x')));
}

TEST(RoadFileView, ShortImagesReadAsZeroPadded) {
  const std::vector<std::uint8_t> image = Image(SmallCity());
  EXPECT_EQ(RoadFileView(std::span(image).first(0)).RoadCount(), 0u);
  EXPECT_EQ(RoadFileView(std::span(image).first(3)).RoadCount(), 0u);
  // Room for one whole road record only.
  const RoadFileView oneRoad{std::span(image).first(4 + 5092 + 100)};
  EXPECT_EQ(oneRoad.RoadCount(), 1u);
  EXPECT_EQ(oneRoad.NamedCodeCount(), 0u);
  EXPECT_FALSE(oneRoad.FindRoadById(201));
  const RoadFileView twoCodes{std::span(image).first(1323928 + 2 * 35)};
  EXPECT_EQ(twoCodes.NamedCodeCount(), 2u);
  EXPECT_EQ(RoadFileView(std::span(image).first(1323928 + 2 * 35 - 1)).NamedCodeCount(), 1u);
}

class TempFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("road_file_test_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { std::filesystem::remove(path_); }
  void Write(const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::path path_;
};

using LoadRoadFileTest = TempFile;

TEST_F(LoadRoadFileTest, ReadsUpToTheImageAndZeroesTheRest) {
  std::vector<std::uint8_t> image(kRoadFileSize, 0xAA);
  LoadRoadFile(image, path_);  // missing file
  EXPECT_EQ(std::count(image.begin(), image.end(), 0), static_cast<long>(kRoadFileSize));

  const std::vector<std::uint8_t> full = Image(SmallCity());
  Write(full);
  LoadRoadFile(image, path_);
  EXPECT_EQ(image, full);

  Write(std::vector<std::uint8_t>(full.begin(), full.begin() + 5000));  // short
  std::fill(image.begin(), image.end(), std::uint8_t{0xAA});
  LoadRoadFile(image, path_);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 5000, full.begin()));
  EXPECT_EQ(std::count(image.begin() + 5000, image.end(), 0), static_cast<long>(kRoadFileSize - 5000));

  std::vector<std::uint8_t> longer = full;  // too long: the rest is not read
  longer.resize(kRoadFileSize + 100, 0x55);
  Write(longer);
  LoadRoadFile(image, path_);
  EXPECT_EQ(image, full);
}

// --- ExpandRoadSpeeds ----------------------------------------------------------------------

RoadFileSource Roads(std::vector<Road> roads) { return {std::move(roads), {}}; }

TEST(ExpandRoadSpeeds, OddRoadGetsTheMissingReverseDirection) {
  const auto image = Image(Roads({{kCategoryRoad, 1, "R", {Seg(1, "A", "B"), Seg(2, "B", "A"), Seg(3, "B", "C")}}}));
  const std::uint8_t speeds[] = {10, 20, 30};
  EXPECT_EQ(Records(ExpandRoadSpeeds(image, "R", speeds)),
            (std::vector<SpeedRecord>{{1, 10, "A", "B"}, {2, 20, "B", "A"}, {3, 30, "B", "C"}, {3, 30, "C", "B"}}));
}

TEST(ExpandRoadSpeeds, InsertionShiftsWhichSegmentsAreChecked) {
  // j=0: A->B does not meet C->D, so its reverse is added; that makes j=1 checked too
  // (1 + 1 is even): C->D meets D->C. j=2: 1 + 2 is odd, unchecked.
  const auto image = Image(Roads(
      {{kCategoryRoad, 1, "R", {Seg(1, "A", "B"), Seg(2, "C", "D"), Seg(3, "D", "C"), Seg(4, "X", "Y"), Seg(5, "Y", "Z")}}}));
  const std::uint8_t speeds[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(Records(ExpandRoadSpeeds(image, "R", speeds)),
            (std::vector<SpeedRecord>{{1, 1, "A", "B"},
                                      {1, 1, "B", "A"},
                                      {2, 2, "C", "D"},
                                      {3, 3, "D", "C"},
                                      {4, 4, "X", "Y"},
                                      {5, 5, "Y", "Z"}}));
  // j=3: 1 + 3 even, Y meets Y: nothing. j=4: 1 + 4 odd, unchecked.
}

TEST(ExpandRoadSpeeds, EvenRoadsAreNeverPaddedAndSpeedsAreSigned) {
  const auto image = Image(Roads({{kCategoryRoad, 1, Cp("중앙대로"), {Seg(7, "A", "B"), Seg(8, "X", "Y")}}}));
  const std::uint8_t speeds[] = {0xFF, 0x80};
  EXPECT_EQ(Records(ExpandRoadSpeeds(image, Cp("중앙대로"), speeds)),
            (std::vector<SpeedRecord>{{7, -1, "A", "B"}, {8, -128, "X", "Y"}}));
}

TEST(ExpandRoadSpeeds, UnknownRoadsAndEmptyRoadsGiveNoRecords) {
  const auto image = Image(SmallCity());
  const std::uint8_t speeds[] = {50, 50, 50};
  EXPECT_TRUE(ExpandRoadSpeeds(image, Cp("없는길"), speeds).empty());
  EXPECT_TRUE(ExpandRoadSpeeds(image, Cp("중앙대"), speeds).empty());   // prefixes do not match
  EXPECT_TRUE(ExpandRoadSpeeds(image, Cp("산복터널"), speeds).empty());  // no segments
  EXPECT_TRUE(ExpandRoadSpeeds(std::span<const std::uint8_t>(), Cp("중앙대로"), speeds).empty());
}

TEST(ExpandRoadSpeeds, ShortRepliesGiveOnlyTheSegmentsThatHaveASpeed) {
  const auto image = Image(Roads({{kCategoryRoad, 1, "R",
                                   {Seg(1, "A", "B"), Seg(2, "C", "D"), Seg(3, "D", "C"), Seg(4, "D", "E"),
                                    Seg(5, "E", "F")}}}));
  const std::vector<std::uint8_t> full = {1, 2, 3, 4, 5};
  const std::vector<std::uint8_t> all = ExpandRoadSpeeds(image, "R", full);
  // Each shorter reply yields the start of the full answer, up to its last segment.
  std::size_t lastSize = 0;
  for (std::size_t n = 0; n <= full.size(); ++n) {
    const std::vector<std::uint8_t> part = ExpandRoadSpeeds(image, "R", std::span(full).first(n));
    ASSERT_LE(part.size(), all.size());
    EXPECT_TRUE(std::equal(part.begin(), part.end(), all.begin())) << n;
    EXPECT_GT(part.size() + (n == 0), lastSize) << n;
    lastSize = part.size();
    const auto records = Records(part);
    if (!records.empty()) {
      EXPECT_EQ(records.back().id, n);
    }
  }
  // The first segment alone: it does not meet C, so its reverse comes with it.
  EXPECT_EQ(Records(ExpandRoadSpeeds(image, "R", std::span(full).first(1))),
            (std::vector<SpeedRecord>{{1, 1, "A", "B"}, {1, 1, "B", "A"}}));
  // Bytes beyond the road's segments are ignored.
  const std::vector<std::uint8_t> longer = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(ExpandRoadSpeeds(image, "R", longer), all);
}

TEST(ExpandRoadSpeeds, DamagedRoadsStayWithinTheImage) {
  std::vector<std::uint8_t> image = Image(Roads({{kCategoryRoad, 1, "R", {Seg(1, "A", "B")}}}));
  kavrel::WriteU32(image.data(), 4 + 48, 0xFFFFFFFFu);  // odd, far beyond 60
  std::fill_n(image.data() + 4 + 52 + 20, 64, 'n');     // from- and to-names without NUL
  const std::vector<std::uint8_t> speeds(255, 9);
  const auto records = Records(ExpandRoadSpeeds(image, "R", speeds));
  ASSERT_EQ(records.size(), 60u);  // 60 segments, even: no insertion
  // Names longer than a record field are cut to 31 bytes plus the NUL.
  EXPECT_EQ(records[0].from, std::string(31, 'n'));
  EXPECT_EQ(records[0].to, std::string(31, 'n'));
}

}  // namespace
}  // namespace protocol
