#include "setup_files.h"

#include <gtest/gtest.h>

#include <fstream>

#include "kavrel/device.h"
#include "kavrel/testing/files.h"
#include "kavrel/testing/scratch.h"

namespace setup {
namespace {

namespace fs = std::filesystem;
using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;
namespace reg = kavrel::registry;

using kavrel::testing::WriteFile;

TEST(HandheldInfo, ReadsBothValuesOrFails) {
  struct Case {
    const char* what;
    const char* settings;  // the profile file's text; nullptr: no file
    bool connected;
    std::optional<HandheldInfo> expected;
  };
  const std::string url49 = "http://h/" + std::string(40, 'u');  // 49 units and the terminator: fits
  const std::string ok = "[Settings]\nupdate_url=\"http://127.0.0.2:8080/update.php\"\ncurr_ver=1.0\n";
  const std::string fits = "[Settings]\nupdate_url=" + url49 + "\ncurr_ver=" + std::string(48, 'v') + "\\xac00\n";
  const std::string tooLong = "[Settings]\nupdate_url=" + url49 + "x\ncurr_ver=1.0\n";
  const std::string korean = "[Settings]\nupdate_url=u\ncurr_ver=" + std::string(49, 'v') + "판\n";
  const Case cases[] = {
      {"both values", ok.c_str(), true, HandheldInfo{"http://127.0.0.2:8080/update.php", "1.0"}},
      {"49 units each", fits.c_str(), true, HandheldInfo{url49, std::string(48, 'v') + "가"}},
      {"not connected", ok.c_str(), false, std::nullopt},
      {"no settings file", nullptr, true, std::nullopt},
      {"no Settings key", "[NEWSFLASH]\nupdate_url=u\ncurr_ver=1\n", true, std::nullopt},
      {"no update_url", "[Settings]\ncurr_ver=1.0\n", true, std::nullopt},
      {"no curr_ver", "[Settings]\nupdate_url=u\n", true, std::nullopt},
      {"update_url of 50 units", tooLong.c_str(), true, std::nullopt},
      {"curr_ver of 50 units ending in Korean", korean.c_str(), true, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir device("device");
    ScopedEnv env("KAVREL_DEVICE", c.connected ? std::optional(device.path().string()) : std::nullopt);
    if (c.settings)
      WriteFile(kavrel::device::LocateProfileKey(device.path(), kavrel::device::kClientSettingsKey)->file, c.settings);
    auto info = ReadHandheldInfo();
    ASSERT_EQ(info.has_value(), c.expected.has_value());
    if (info) {
      EXPECT_EQ(info->updateUrl, c.expected->updateUrl);
      EXPECT_EQ(info->currentVersion, c.expected->currentVersion);
    }
  }
}

TEST(DesktopRegistry, TextsAreReadIntoTheirBuffer) {
  ScratchDir dir("registry");
  ScopedEnv env("KAVREL_REGISTRY", dir.path().string());
  using R = RegistryText::Result;
  EXPECT_EQ(ReadRegistryText(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue).result, R::OpenFailed);
  ASSERT_EQ(reg::CreateKey(reg::Hive::CurrentUser, kDesktopKey), reg::Status::Ok);
  EXPECT_EQ(ReadRegistryText(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue).result, R::ReadFailed);
  ASSERT_EQ(reg::SetValue(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue, std::uint32_t{1}), reg::Status::Ok);
  EXPECT_EQ(ReadRegistryText(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue).result, R::ReadFailed);
  ASSERT_EQ(reg::SetValue(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue, "/" + std::string(99, 'd')), reg::Status::Ok);
  EXPECT_EQ(ReadRegistryText(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue).result, R::ReadFailed);
  ASSERT_EQ(reg::SetValue(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue, "/" + std::string(98, 'd')), reg::Status::Ok);
  auto read = ReadRegistryText(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue);
  EXPECT_EQ(read.result, R::Ok);
  EXPECT_EQ(read.text, "/" + std::string(98, 'd'));
}

TEST(BatchLine, QuotesBothPathsAndRefusesWhatTheShellWouldRead) {
  EXPECT_EQ(BatchLine("/opt/Windows CE Services", "/home/u/kavrel", "KavrelClient.ini"),
            "\"/opt/Windows CE Services/CeAppMgr\" \"/home/u/kavrel/__TEMP__/KavrelClient.ini\"");
  EXPECT_EQ(BatchLine("/opt/sync", "/d", ""), "\"/opt/sync/CeAppMgr\" \"/d/__TEMP__/\"");
  EXPECT_EQ(BatchLine("/opt/sync", "/" + std::string(255, 'd'), "a.ini").has_value(), true);
  EXPECT_EQ(BatchLine("/opt/sync", "/" + std::string(256, 'd'), "a.ini"), std::nullopt);
  for (const char* bad : {"\"", "$HOME", "`id`", "a\\b", "a\nb", "a\rb"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(BatchLine(bad, "/d", "a.ini"), std::nullopt);
    EXPECT_EQ(BatchLine("/opt", std::string("/d") + bad, "a.ini"), std::nullopt);
    EXPECT_EQ(BatchLine("/opt", "/d", std::string(bad) + ".ini"), std::nullopt);
  }
  EXPECT_EQ(UpdaterParameters(123456, "http://127.0.0.2:8080/update.php", "1.0 판"),
            "123456 /http://127.0.0.2:8080/update.php /1.0 판");
}

TEST(SetupFiles, TheLastSetupFileAndTheCleanUp) {
  ScratchDir dir("setup");
  EXPECT_EQ(LastSetupFile(dir.path()), "");
  WriteFile(dir / "__TEMP__" / "KavrelClient.cab", "cab");
  EXPECT_EQ(LastSetupFile(dir.path()), "");
  WriteFile(dir / "__TEMP__" / "KavrelClient_1.ini", "");
  WriteFile(dir / "__TEMP__" / "KavrelClient_2.ini", "");
  WriteFile(dir / "__TEMP__" / "Apple.INI", "");
  EXPECT_EQ(LastSetupFile(dir.path()), "KavrelClient_2.ini");

  WriteFile(dir / "__TEMP__" / "sub" / "x", "");
  WriteFile(dir / "EXE.BAT", "line");
  WriteFile(dir / "pupdaterTmp", "copy");
  WriteFile(dir / "pupdater", "program");
  CleanUp(dir.path());
  EXPECT_FALSE(fs::exists(dir / "__TEMP__"));
  EXPECT_FALSE(fs::exists(dir / "EXE.BAT"));
  EXPECT_FALSE(fs::exists(dir / "pupdaterTmp"));
  EXPECT_TRUE(fs::exists(dir / "pupdater"));
  CleanUp(dir.path());  // nothing left to remove
  CleanUp(dir / "missing");
}

}  // namespace
}  // namespace setup
