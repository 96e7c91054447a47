#include "kavrel/debug_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kavrel {
namespace {

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class DebugLog : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kavrel-log-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

// 월 일 시 분 초 밀 in CP949
const std::string kMonth = "\xBF\xF9", kDay = "\xC0\xCF", kHour = "\xBD\xC3", kMin = "\xBA\xD0",
                  kSec = "\xC3\xCA", kMs = "\xB9\xD0";

TEST_F(DebugLog, BothLayoutsExactBytes) {
  FakeClock fake(0, LocalTime{2026, 12, 7, 9, 5, 3, 45});
  ScopedClock scope(fake);
  auto file = dir_ / "DBM.TXT";
  AppendLogLine(file, LogLayout::TimeFirst, "ZMNT:connect:=-1");
  AppendLogLine(file, LogLayout::TextFirst, "터널");  // Korean text goes out in CP949
  const std::string stamp = "(12" + kMonth + "7" + kDay + "9" + kHour + "5" + kMin + "3" + kSec + "45" + kMs + ")";
  EXPECT_EQ(ReadAll(file), stamp + "ZMNT:connect:=-1\r\n" + "\xC5\xCD\xB3\xCE" + stamp + "\r\n");
}

TEST_F(DebugLog, UnopenableFileIsIgnored) {
  AppendLogLine(dir_ / "missing-dir" / "DBM.TXT", LogLayout::TimeFirst, "x");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing-dir"));
}

TEST(DebugLogFormat, LongLineIsCutToTheLineBuffer) {
  std::string text(5000, 'a');
  std::string line = FormatLogLine(LogLayout::TimeFirst, LocalTime{}, text);
  EXPECT_EQ(line.size(), 2047u);
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}

}  // namespace
}  // namespace kavrel
