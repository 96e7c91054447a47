// The hosts, and the whole desktop chain through them: a handheld connects, the
// manager loads the registered provider, the provider starts the installer, the
// installer the updater against kavreld's update service, and the application manager
// installs what was downloaded on the handheld.
#include <string>

#include "kavrel/com/repl.h"
#include "kavrel/testing/run.h"
#include "setup_harness.h"
#include "update_server.h"

namespace {

using namespace setup::testing;
using kavrel::testing::RunProgram;

class DesktopChain : public SetupBench {
 public:
  fs::path manager_ = root_ / "manager";  // where the synchronisation manager runs

  void SetUp() override {
    SetupBench::SetUp();
    fs::create_directories(manager_);
    fs::permissions(runtime_, fs::perms::owner_all);  // as a runtime directory must be
    fs::copy_file(PUPDATER_EXE, program_ / setup::kUpdaterProgram, fs::copy_options::overwrite_existing);
    fs::copy_file(PLUMOSETUP_EXE, program_ / "PlumoSetup");
    MakeUpdate("KavrelClient.ini", "KavrelClient.cab", "1.1", "road of 1.1");
    server_.Start(files_, kTestManifest);
    // The synchronisation software's own key, which registration expects.
    ASSERT_EQ(reg::CreateKey(reg::Hive::LocalMachine, kavrel::com::kSyncObjectsKey), reg::Status::Ok);
    auto run = RunProgram({REGSVR_EXE, KAVRELASP_LIBRARY});
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  // The handheld with `version` installed connects; the run ends when the installer
  // and the updater it started have ended too (they share the manager's output).
  kavrel::testing::ProgramRun Connect(const std::string& version, const std::string& url) {
    WriteHandheld("[Settings]\nupdate_url=\"" + url + "\"\ncurr_ver=" + version + "\n");
    return RunProgram({SYNCMGR_EXE, "connect"}, manager_.string());
  }
  UpdateServer server_;
};

TEST_F(DesktopChain, OfferAcceptedDeclinedAndServerDown) {
  struct Case {
    const char* what;
    const char* answer;  // the unattended answer to the offer
    bool serverUp;
    std::string box;      // the message shown, "" for none
    std::string version;  // the handheld's version afterwards
    std::string road;     // the installed road file, "" for none
    std::string reports;  // the server's record of the updaters' reports
  };
  const Case cases[] = {
      {"declined", "cancel", true, "교통정보 티커 1.1", "1.0", "", "1 "},
      {"server down", "ok", false, "", "1.0", "", "1 "},
      {"accepted", "ok", true, "교통정보 티커 1.1", "1.1", "road of 1.1", "1 1 5 6 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedEnv answer("KAVREL_UNATTENDED_ANSWER", c.answer);
    auto run = Connect("1.0", c.serverUp ? server_.UpdateUrl() : "http://127.0.0.1:9/update");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    for (const char* line : {"Initialize: 0x00000000\n", "store: CorvathSystem.KavrelASP (KavrelASP Store), flags 1, "
                                                         "identifier of 4 bytes\n", "items: 0\n", "disconnected\n"})
      EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
    if (c.box.empty()) {
      EXPECT_EQ(run.err.find("message: "), std::string::npos) << run.err;
    } else {
      EXPECT_NE(run.err.find("message: " + c.box), std::string::npos) << run.err;
    }
    EXPECT_NE(HandheldSettings().find("curr_ver=" + c.version), std::string::npos) << HandheldSettings();
    EXPECT_EQ(fs::exists(kavrel::device::ProgramDirectory(device_) / "road.dat"), !c.road.empty());
    if (!c.road.empty()) {
      EXPECT_EQ(InstalledRoad(), c.road);
    }
    EXPECT_EQ(server_.Reports(), c.reports);
    for (const char* gone : {"__TEMP__", "EXE.BAT", "pupdaterTmp"}) EXPECT_FALSE(fs::exists(program_ / gone)) << gone;
  }
  // The provider logged each connection in the program directory.
  const std::string log = ReadFile(program_ / "SYNCQ_DBM5.TXT");
  std::size_t starts = 0;
  for (std::size_t at = 0; (at = log.find("PlumoSetup_Execute_SUCCESS(", at)) != std::string::npos; ++at) ++starts;
  EXPECT_EQ(starts, 3u) << log;
}

TEST_F(DesktopChain, HostsReportWhatIsMissing) {
  // No handheld: a message and a failure, and no installer.
  {
    ScopedEnv noDevice("KAVREL_DEVICE", std::nullopt);
    auto run = RunProgram({SYNCMGR_EXE, "connect"}, manager_.string());
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("no handheld connected"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(program_ / "SYNCQ_DBM5.TXT"));
  }
  // Unregistered: the manager finds no provider; a second unregistration fails at the class.
  auto run = RunProgram({REGSVR_EXE, "-u", KAVRELASP_LIBRARY});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  run = RunProgram({REGSVR_EXE, "-u", KAVRELASP_LIBRARY});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("DllUnregisterServer failed: 0x80070002"), std::string::npos) << run.err;
  run = RunProgram({SYNCMGR_EXE, "connect"}, manager_.string());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("KavrelASP is not registered"), std::string::npos) << run.err;
  for (const auto& args : std::vector<std::vector<std::string>>{
           {REGSVR_EXE}, {REGSVR_EXE, "-u"}, {REGSVR_EXE, "-x", KAVRELASP_LIBRARY}, {SYNCMGR_EXE}, {DEVSYNC_EXE}})
    EXPECT_EQ(RunProgram(args).exitCode, 2) << args.size();
  run = RunProgram({REGSVR_EXE, (root_ / "missing.so").string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("cannot load"), std::string::npos) << run.err;
}

TEST(DeviceSync, ServiceFindsTheObjectTypeWithNoObjects) {
  auto run = RunProgram({DEVSYNC_EXE, DEVKAVRELASP_LIBRARY});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "InitObjType KavrelASP: TRUE, handler given\n"
            "GetObjTypeInfo KavrelASP: TRUE, 0 objects, 0 bytes\n"
            "ObjectNotify KavrelASP: FALSE\n"
            "GetPacket: 0x00140001, 0 bytes\n"
            "ReportStatus: TRUE\n"
            "InitObjType (end of use): TRUE\n");
  // The desktop provider is no handheld provider.
  EXPECT_EQ(RunProgram({DEVSYNC_EXE, KAVRELASP_LIBRARY}).exitCode, 1);
}

}  // namespace
