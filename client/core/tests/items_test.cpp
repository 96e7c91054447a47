// Items: what the client makes of each reply, including replies that do not fit their
// layout.
#include <gtest/gtest.h>

#include <cstring>

#include "ansi_text.h"
#include "cctv_item.h"
#include "kavrel/little_endian.h"
#include "news_flash.h"
#include "protocol/records.h"
#include "road_item.h"
#include "route_item.h"
#include "row_entry.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes RoadRecords(std::initializer_list<std::int32_t> speeds) {
  Bytes out(speeds.size() * protocol::kRoadSpeedRecordSize, 0);
  std::size_t i = 0;
  for (std::int32_t s : speeds) kavrel::WriteI32(out.data(), i++ * protocol::kRoadSpeedRecordSize + 4, s);
  return out;
}

Bytes RouteRecord(const std::string& cp949Name, std::uint16_t speed, std::uint16_t length, std::uint16_t time) {
  Bytes r(protocol::kRouteRecordSize, 0);
  std::memcpy(r.data(), cp949Name.data(), std::min<std::size_t>(cp949Name.size(), 127));
  kavrel::WriteU16(r.data(), 128, speed);
  kavrel::WriteU16(r.data(), 130, length);
  kavrel::WriteU16(r.data(), 132, time);
  return r;
}

TEST(RoadItem, SpeedsAverageEvenRecordsUpAndOddRecordsDown) {
  struct Case {
    std::optional<Bytes> records;
    std::uint32_t count;
    int up, down;
  } cases[] = {
      {RoadRecords({60, 40}), 2, 60, 40},
      {RoadRecords({10, 20, 30, 41}), 4, 20, 30},  // up (a + c) / 2, down (b + d) / 2
      {RoadRecords({70}), 1, 0, 0},                // one record: both 0
      {std::nullopt, 4, 0, 0},                     // no records at all
      {RoadRecords({-1, -1, 50, 30}), 4, 24, 14},  // no-data marks count as they come
      {RoadRecords({60, 40}), 4, 60, 40},          // a count beyond the buffer reads only the buffer
  };
  for (const Case& c : cases) {
    RoadItem item(1, "중앙대로");
    item.upSpeed = item.downSpeed = 99;
    item.records = c.records;
    item.recordCount = c.count;
    item.ComputeSpeeds();
    EXPECT_EQ(item.upSpeed, c.up) << c.count;
    EXPECT_EQ(item.downSpeed, c.down) << c.count;
  }
  // A fetch that brought a buffer but no records keeps the speeds shown before.
  RoadItem kept(1, "x");
  kept.upSpeed = 33;
  kept.records = Bytes{};
  kept.ComputeSpeeds();
  EXPECT_EQ(kept.upSpeed, 33);
}

TEST(RouteItem, TotalsAreSumsOfWholeRecords) {
  RouteItem route;
  Bytes records = RouteRecord("시청앞", 50, 12000, 3700);
  Bytes second = RouteRecord("중앙역", 40, 45, 25);
  records.insert(records.end(), second.begin(), second.end());
  route.records = records;
  route.recordCount = static_cast<std::uint32_t>(records.size() / protocol::kRouteRecordSize);
  EXPECT_EQ(route.recordCount, 2u);  // 268 bytes: two segments
  EXPECT_EQ(route.TimeText(), "62분5초");
  EXPECT_EQ(route.LengthText(), "12.045");

  RouteItem empty;  // fetched nothing
  EXPECT_EQ(empty.TimeText(), "0분0초");
  EXPECT_EQ(empty.LengthText(), "0.000");
  RouteItem countOnly;  // a count without records
  countOnly.recordCount = 3;
  EXPECT_EQ(countOnly.TimeText(), "");
  EXPECT_EQ(countOnly.LengthText(), "");

  // A trailing partial record is never read, whatever the count claims.
  Bytes partial = RouteRecord("a", 1, 1000, 60);
  partial.resize(partial.size() + 100, 0xFF);
  RouteItem cut;
  cut.records = partial;
  cut.recordCount = 2;
  EXPECT_EQ(cut.TimeText(), "1분0초");
  EXPECT_EQ(cut.LengthText(), "1.000");
}

TEST(CctvItem, AStillIsABottomUpBitmapAndAShortOneKeepsThePrevious) {
  CctvItem camera("시청앞", 1);
  EXPECT_FALSE(camera.HasPicture());
  EXPECT_TRUE(camera.Picture().isNull());
  Bytes still(protocol::kStillPictureBytes, 0);
  // First row in memory: blue; last row: red.
  for (int x = 0; x < protocol::kStillWidth; ++x) {
    still[3 * x] = 255;
    still[protocol::kStillPictureBytes - 3 * protocol::kStillWidth + 3 * x + 2] = 255;
  }
  ASSERT_TRUE(camera.SetPicture(still));
  QImage shown = camera.Picture();
  ASSERT_EQ(shown.size(), QSize(176, 144));
  EXPECT_EQ(shown.pixelColor(0, 143), QColor(0, 0, 255));  // the first memory row at the bottom
  EXPECT_EQ(shown.pixelColor(175, 0), QColor(255, 0, 0));

  EXPECT_FALSE(camera.SetPicture(std::span(still).first(protocol::kStillPictureBytes - 1)));
  EXPECT_EQ(camera.bits(), still);
}

TEST(NewsFlash, LinesAreJoinedWithTwelveSpacesAndBounded) {
  auto bytes = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
  const std::string first = client::ToAnsiLossy("가람대교 공사");
  EXPECT_EQ(CNewsFlash::JoinLines(bytes(first + "\r\n\n" + "B\r\n\n")),
            QStringLiteral("가람대교 공사            B            ...     "));
  EXPECT_EQ(CNewsFlash::JoinLines({}), "...     ");

  CNewsFlash news;
  news.TakeReply(bytes("ab\r\n\n"), 7);
  EXPECT_EQ(news.width, 7 * (5 + 24));

  // 50 lines: only 40 are read. A line of 2,046 characters is cut to 1,023. Past 2,048
  // bytes nothing is read.
  std::string many;
  for (int i = 0; i < 50; ++i) many += "x\r\n\n";
  EXPECT_EQ(CNewsFlash::JoinLines(bytes(many)).count(QLatin1Char('x')), 40);
  const QString longLine = CNewsFlash::JoinLines(bytes(std::string(2046, 'y') + "\r\n\nz\r\n\n"));
  EXPECT_EQ(longLine.count(QLatin1Char('y')), 1023);
  EXPECT_EQ(longLine.count(QLatin1Char('z')), 0);  // beyond 2,048 bytes
  news.TakeReply(bytes(std::string(5000, 'q')), 1);
  EXPECT_EQ(news.width, 2048 + 24);
}

TEST(RowEntry, FieldsSplitAtCommasAndNumbersReadAsAtoi) {
  QString rest = "true,대 로,중앙대로,1,";
  EXPECT_EQ(client::TakeField(rest), "true");
  EXPECT_EQ(client::TakeField(rest), "대 로");
  EXPECT_EQ(client::TakeField(rest), "중앙대로");
  EXPECT_EQ(client::TakeField(rest), "1");
  EXPECT_EQ(rest, "");
  QString noComma = "-1";
  EXPECT_EQ(client::TakeField(noComma), "-1");
  EXPECT_EQ(noComma, "");
  struct {
    const char* text;
    int value;
  } numbers[] = {{"30", 30}, {" \t-12abc", -12}, {"+7", 7}, {"x1", 0}, {"", 0}, {"-", 0},
                 {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1}};
  for (const auto& n : numbers) EXPECT_EQ(client::AnsiToInt(QString::fromUtf8(n.text)), n.value) << n.text;
}

}  // namespace
