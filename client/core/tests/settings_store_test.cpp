#include "settings_store.h"

#include <gtest/gtest.h>

#include "client_test_support.h"
#include "news_flash.h"

namespace {

using client::testing::ScratchProfile;

TEST(SettingsStore, AFreshDeviceReadsTheDefaults) {
  ScratchProfile profile;
  CSettingsStore s;
  EXPECT_EQ(s.ServerAddress(), "");
  EXPECT_EQ(s.AutoLogin(), 1);
  EXPECT_EQ(s.LoginId(), "");
  EXPECT_EQ(s.TickerStart(), 0);
  CNewsFlash news;
  news.show = 7;
  news.seconds = 9;
  s.LoadNewsFlash(news);
  EXPECT_EQ(news.show, 1);
  EXPECT_EQ(news.seconds, 0);
  for (const char* section : {CSettingsStore::kRoutes, CSettingsStore::kRoads, CSettingsStore::kCameras}) {
    EXPECT_EQ(s.ReadList(section), QStringList{"0,5,"}) << section;
    EXPECT_TRUE(s.ReadEntries(section).isEmpty());
    EXPECT_EQ(s.ReadNum(section), 0);
    EXPECT_EQ(s.ReadSeconds(section), 0);
  }
}

TEST(SettingsStore, CommaHoldingTextsComeBackAsTheSameText) {
  ScratchProfile profile;
  CSettingsStore s;
  const QStringList rows = {"true,대 로,중앙대로,1,", "false,가까운길,시청앞,1,중앙역,2,", "true,\"따옴표\",-1",
                            ",,", " true , 공백 ,", "", "", "", "", ""};
  s.SaveList(CSettingsStore::kRoads, rows, 2, 30, 7);
  CNewsFlash news;
  news.show = 0;
  news.seconds = 12;
  news.minutes = 3;
  s.SaveNewsFlash(news);

  // What another reader of the file (the desktop installer) sees, and what we see.
  EXPECT_EQ(s.GetProfileString(CSettingsStore::kRoads, "update"), "30,7,");
  EXPECT_EQ(s.GetProfileString(CSettingsStore::kNewsFlash, "update"), "12,3");
  EXPECT_EQ(s.ReadEntries(CSettingsStore::kRoads), rows.mid(0, 5));
  EXPECT_EQ(s.ReadNum(CSettingsStore::kRoads), 2);
  EXPECT_EQ(s.ReadSeconds(CSettingsStore::kRoads), 30);
  const QByteArray file = profile.ReadText();
  EXPECT_TRUE(file.contains("[SEOULTRAFFIC]")) << file.constData();
  EXPECT_TRUE(file.contains("num=2")) << file.constData();
}

TEST(SettingsStore, HandWrittenValuesReadAsAtoiAndTheListRulesDo) {
  ScratchProfile profile;
  // Unquoted commas (the INI reader splits these into lists), blanks, junk numbers.
  profile.WriteText(
      "[Settings]\ntsip=127.0.0.9\nauto_login=abc\nticker_start= 12x\nlogin_id=member\ncurr_ver=1.2\n"
      "[CCTV]\nupdate=30,7,\nnum=-3\n1=true,시청앞 카메라,17,\n3=false,역전 카메라,-1\n"
      "[NEWSFLASH]\nshow=\nupdate=x5,\n"
      "[SHORTCUT]\nupdate=99999999999,5,\nnum=2147483648\n");
  CSettingsStore s;
  EXPECT_EQ(s.ServerAddress(), "127.0.0.9");
  EXPECT_EQ(s.AutoLogin(), 0);
  EXPECT_EQ(s.TickerStart(), 12);
  EXPECT_EQ(s.LoginId(), "member");
  EXPECT_EQ(s.ReadSeconds(CSettingsStore::kCameras), 30);
  EXPECT_EQ(s.ReadNum(CSettingsStore::kCameras), -3);
  EXPECT_EQ(s.ReadList(CSettingsStore::kCameras),
            (QStringList{"30,7,", "true,시청앞 카메라,17,", "false,역전 카메라,-1"}));
  CNewsFlash news;
  s.LoadNewsFlash(news);
  EXPECT_EQ(news.show, 0);
  EXPECT_EQ(news.seconds, 0);
  EXPECT_EQ(s.ReadSeconds(CSettingsStore::kRoutes), 2147483647);
  EXPECT_EQ(s.ReadNum(CSettingsStore::kRoutes), 2147483647);

  // A login rewrites only its two values; the installer's stay.
  s.SaveLogin("새회원");
  EXPECT_EQ(s.LoginId(), "새회원");
  EXPECT_EQ(s.TickerStart(), 1);
  EXPECT_EQ(s.GetProfileString(CSettingsStore::kSettings, "curr_ver"), "1.2");
}

}  // namespace
