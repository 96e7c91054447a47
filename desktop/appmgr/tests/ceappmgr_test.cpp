// The CeAppMgr program on a device folder, as the installer's batch file runs it.
#include <gtest/gtest.h>

#include <QSettings>

#include "cabinet_files.h"
#include "kavrel/device.h"
#include "kavrel/testing/run.h"
#include "kavrel/testing/scratch.h"

namespace appmgr {
namespace {

namespace fs = std::filesystem;
using namespace appmgr::testing;
using kavrel::testing::RunProgram;
using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;

class CeAppMgr : public ::testing::Test {
 public:
  void SetUp() override {
    WriteFile(temp_ / "KavrelClient.ini",
              "[CEAppManager]\r\nVersion = 1.0\r\nComponent = KavrelClient\r\n\r\n"
              "[KavrelClient]\r\nDescription = Kavrel\r\nCabFiles = KavrelClient.cab\r\nVersion = 1.1\r\n");
    ASSERT_TRUE(MakeCabinet(temp_ / "KavrelClient.cab", work_ / "files", {{"road.dat", "new road"}, {"skin/a.bmp", "BM"}}));
    // The client's own settings, which the install must keep.
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.setValue("Settings/curr_ver", "1.0");
    settings.setValue("Settings/tsip", "127.0.0.1");
    settings.setValue("NEWSFLASH/update", "0,5");
  }

  QString SettingsFile() const {
    return QString::fromStdString(kavrel::device::LocateProfileKey(device_.path(), kavrel::device::kClientSettingsKey)->file.string());
  }
  QString Setting(const char* key) const { return QSettings(SettingsFile(), QSettings::IniFormat).value(key).toString(); }

  ScratchDir work_{"appmgr"}, device_{"device"};
  fs::path temp_ = work_ / "__TEMP__";
  ScopedEnv qpa_{"QT_QPA_PLATFORM", "offscreen"};
  ScopedEnv unattended_{"KAVREL_UNATTENDED", "1"};
  ScopedEnv env_{"KAVREL_DEVICE", device_.path().string()};
};

TEST_F(CeAppMgr, InstallsTheCabinetAndRecordsTheVersion) {
  auto run = RunProgram({CEAPPMGR_EXE, (temp_ / "KavrelClient.ini").string()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto program = kavrel::device::ProgramDirectory(device_.path());
  EXPECT_EQ(ReadFile(program / "road.dat"), "new road");
  EXPECT_EQ(ReadFile(program / "skin" / "a.bmp"), "BM");
  EXPECT_EQ(Setting("Settings/curr_ver"), "1.1");
  EXPECT_EQ(Setting("Settings/tsip"), "127.0.0.1");
  EXPECT_EQ(Setting("NEWSFLASH/update"), "0,5");
}

TEST_F(CeAppMgr, FailuresInstallNothingAndKeepTheVersion) {
  struct Case {
    const char* what;
    std::function<void(CeAppMgr&)> arrange;
    const char* message;
  };
  const Case cases[] = {
      {"no device", [](CeAppMgr&) { ::unsetenv("KAVREL_DEVICE"); }, "No device is connected."},
      {"no cabinet", [](CeAppMgr& t) { fs::remove(t.temp_ / "KavrelClient.cab"); }, "cannot be opened"},
      {"no version",
       [](CeAppMgr& t) {
         WriteFile(t.temp_ / "KavrelClient.ini", "[CEAppManager]\nComponent=KavrelClient\n[KavrelClient]\nCabFiles=KavrelClient.cab\n");
       },
       "has no Version"},
      {"cabinet leaving the folder",
       [](CeAppMgr& t) { ASSERT_TRUE(MakeCabinetWithNames(t.temp_ / "KavrelClient.cab", {{"..\\..\\config\\x", "x"}})); },
       "outside the program folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedEnv device("KAVREL_DEVICE", device_.path().string());
    SetUp();
    c.arrange(*this);
    auto run = RunProgram({CEAPPMGR_EXE, (temp_ / "KavrelClient.ini").string()});
    EXPECT_EQ(run.exitCode, 1);
    auto box = run.err.find("message: ");  // the message box, logged by the unattended run
    ASSERT_NE(box, std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.message, box), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(kavrel::device::ProgramDirectory(device_.path()) / "road.dat"));
    EXPECT_EQ(Setting("Settings/curr_ver"), "1.0");
  }
}

}  // namespace
}  // namespace appmgr
