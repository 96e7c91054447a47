// The remote API reading the handheld's settings from a device folder.
#include "kavrel/rapi.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <functional>
#include <map>

#include "kavrel/device.h"
#include "kavrel/testing/scratch.h"

namespace kavrel::rapi {
namespace {

using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;

constexpr const WCHAR* kKey = u"SOFTWARE\\VTQClient_PDA\\KavrelClientPDA\\Settings";

class Rapi : public ::testing::Test {
 protected:
  ScratchDir device_{"device"};
  ScopedEnv env_{"KAVREL_DEVICE", device_.path().string()};

  void TearDown() override { CeRapiUninit(); }

  void WriteSettings(const std::map<QString, QString>& values, const char* group = "Settings") {
    WriteSettingsTo(device_.path(), values, group);
  }
  static void WriteSettingsTo(const std::filesystem::path& device, const std::map<QString, QString>& values,
                              const char* group = "Settings") {
    auto location = device::LocateProfileKey(device, device::kClientSettingsKey);
    ASSERT_TRUE(location);
    QSettings settings(QString::fromStdString(location->file.string()), QSettings::IniFormat);
    settings.beginGroup(group);
    for (const auto& [name, value] : values) settings.setValue(name, value);
  }

  // Reads one text value into a buffer of `units` UTF-16 units, as the installer does.
  LONG Query(HKEY key, const WCHAR* name, std::u16string& out, DWORD units = 50) {
    std::vector<BYTE> buffer(units * 2, 0xCC);
    DWORD size = static_cast<DWORD>(buffer.size()), type = 0;
    LONG r = CeRegQueryValueEx(key, name, nullptr, &type, buffer.data(), &size);
    out.clear();
    if (r == ERROR_SUCCESS) {
      EXPECT_EQ(type, REG_SZ);
      EXPECT_EQ(size % 2, 0u);
      for (DWORD i = 0; i + 2 < size; i += 2) out += static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8);
      EXPECT_EQ(buffer[size - 2], 0);
      EXPECT_EQ(buffer[size - 1], 0);
      if (size < buffer.size()) {
        EXPECT_EQ(buffer[size], 0xCC);  // nothing written past the text
      }
    }
    return r;
  }
};

TEST_F(Rapi, ReadsTheClientSettingsOfTheConnectedDevice) {
  WriteSettings({{"update_url", "http://127.0.0.2:8080/update.php"}, {"curr_ver", QString::fromUtf8("1.0 판")}});
  ASSERT_EQ(CeRapiInit(), S_OK);
  HKEY key = 0;
  ASSERT_EQ(CeRegOpenKeyEx(HKEY_CURRENT_USER, u"software\\vtqclient_pda\\KavrelClientPDA\\SETTINGS", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  std::u16string text;
  EXPECT_EQ(Query(key, u"update_url", text), ERROR_SUCCESS);
  EXPECT_EQ(text, u"http://127.0.0.2:8080/update.php");
  EXPECT_EQ(Query(key, u"CURR_VER", text), ERROR_SUCCESS);
  EXPECT_EQ(text, u"1.0 판");

  // Size only.
  DWORD size = 0;
  EXPECT_EQ(CeRegQueryValueEx(key, u"curr_ver", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u * 6);
  EXPECT_EQ(CeRegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(CeRegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(CeRapiUninit(), S_OK);
  EXPECT_EQ(CeRapiUninit(), E_FAIL);
}

TEST_F(Rapi, TextsThatDoNotFitTheBufferAreRefused) {
  WriteSettings({{"fits", QString(49, 'a')}, {"long", QString(50, 'b')}, {"pair", QString(48, 'c') + QString::fromUtf8("\xF0\x9F\x9A\x97")}});
  ASSERT_EQ(CeRapiInit(), S_OK);
  HKEY key = 0;
  ASSERT_EQ(CeRegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  std::u16string text;
  EXPECT_EQ(Query(key, u"fits", text), ERROR_SUCCESS);
  EXPECT_EQ(text.size(), 49u);
  EXPECT_EQ(Query(key, u"long", text), ERROR_MORE_DATA);
  EXPECT_EQ(Query(key, u"pair", text), ERROR_MORE_DATA);  // never half a surrogate pair
  std::vector<BYTE> buffer(100);
  DWORD size = 100;
  EXPECT_EQ(CeRegQueryValueEx(key, u"long", nullptr, nullptr, buffer.data(), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 102u);
}

TEST_F(Rapi, EachMissingPieceIsAFailure) {
  using Settings = std::map<QString, QString>;
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path& device)> arrange;
    bool init, open;  // which steps still succeed
  };
  const Case cases[] = {
      {"no device folder set", [](auto&) { ::unsetenv("KAVREL_DEVICE"); }, false, false},
      {"device folder missing", [](auto& d) { ::setenv("KAVREL_DEVICE", (d / "gone").c_str(), 1); }, false, false},
      {"no settings file", [](auto&) {}, true, false},
      {"no Settings section", [](auto& d) { WriteSettingsTo(d, Settings{{"tsip", "127.0.0.1"}}, "NEWSFLASH"); }, true, false},
      {"no update_url value", [](auto& d) { WriteSettingsTo(d, Settings{{"curr_ver", "1.0"}}); }, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir device("device");
    ScopedEnv env("KAVREL_DEVICE", device.path().string());
    c.arrange(device.path());
    EXPECT_EQ(CeRapiInit() >= 0, c.init);
    HKEY key = 0;
    LONG opened = CeRegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key);
    EXPECT_EQ(opened == ERROR_SUCCESS, c.open);
    std::u16string text;
    if (opened == ERROR_SUCCESS)
      EXPECT_EQ(Query(key, u"update_url", text), ERROR_FILE_NOT_FOUND);
    else
      EXPECT_EQ(key, 0u);
    CeRapiUninit();
  }
}

TEST_F(Rapi, CallsOutsideASessionOrWithBadArgumentsFail) {
  WriteSettings({{"curr_ver", "1.0"}});
  HKEY key = 0;
  EXPECT_EQ(CeRegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_NOT_READY);
  ASSERT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(CeRegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(CeRegOpenKeyEx(0x80000002u, kKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  for (auto* bad : {u"SOFTWARE\\..\\KavrelClientPDA\\Settings", u"SOFTWARE\\VTQClient_PDA", u"HARDWARE\\a\\b\\c",
                    u"SOFTWARE\\a\\b\\c\\d", u"SOFTWARE\\VTQClient_PDA\\Kavrel/../x\\Settings"})
    EXPECT_EQ(CeRegOpenKeyEx(HKEY_CURRENT_USER, bad, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  const char16_t lone[] = {u'S', 0xD800, 0};
  EXPECT_EQ(CeRegOpenKeyEx(HKEY_CURRENT_USER, lone, 0, KEY_READ, &key), ERROR_INVALID_PARAMETER);
  ASSERT_EQ(CeRegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  std::u16string text;
  EXPECT_EQ(Query(key + 1, u"curr_ver", text), ERROR_INVALID_HANDLE);
  DWORD reserved = 0, size = 10;
  BYTE data[10];
  EXPECT_EQ(CeRegQueryValueEx(key, u"curr_ver", &reserved, nullptr, data, &size), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(CeRegQueryValueEx(key, u"curr_ver", nullptr, nullptr, data, nullptr), ERROR_INVALID_PARAMETER);
  // The session's end closes its keys.
  ASSERT_EQ(CeRapiUninit(), S_OK);
  ASSERT_EQ(CeRapiInit(), S_OK);
  EXPECT_EQ(Query(key, u"curr_ver", text), ERROR_INVALID_HANDLE);
}

}  // namespace
}  // namespace kavrel::rapi
