// The PlumoSetup program as the provider starts it.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kavrel/shell.h"
#include "kavrel/testing/run.h"
#include "setup_harness.h"
#include "setup_texts.h"
#include "update_server.h"

namespace setup {
namespace {

using namespace setup::testing;

// Reads a line from a FIFO that a program writes to; false when nothing came within
// the safety limit.
bool AwaitSignal(const fs::path& fifo) {
  int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  char buffer[16];
  bool got = false;
  while (!got) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 120000) <= 0) break;  // a safety net, not a wait
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) got = true;
    if (n < 0 && errno != EAGAIN) break;
  }
  ::close(fd);
  return got;
}

class PlumoSetupProgram : public SetupBench {};

TEST_F(PlumoSetupProgram, ASecondInstallerEndsAtOnceWithoutTouchingAnything) {
  const auto ready = root_ / "ready", go = root_ / "go";
  ASSERT_EQ(::mkfifo(ready.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(go.c_str(), 0600), 0);
  ScopedEnv script("FAKE_UPDATER_SCRIPT", "signal:" + ready.string() + "|await:" + go.string() + "|notice:3");
  auto first = kavrel::shell::ShellExecute("open", PLUMOSETUP_EXE, "", program_, kavrel::shell::ShowWindow::Hidden);
  ASSERT_GT(first.result, 32);
  ASSERT_TRUE(AwaitSignal(ready));  // the first installer runs its updater now

  WriteFile(program_ / "__TEMP__" / "KavrelClient.ini", "downloading");
  auto second = kavrel::testing::RunProgram({PLUMOSETUP_EXE}, program_.string());
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.err.find("message:"), std::string::npos) << second.err;
  EXPECT_EQ(ReadFile(program_ / "__TEMP__" / "KavrelClient.ini"), "downloading");
  auto log = UpdaterLog();
  EXPECT_EQ(log.find("args "), log.rfind("args "));  // one updater only

  { std::ofstream(go) << "go\n"; }
  ASSERT_TRUE(first.process.WaitFor(-1));
  EXPECT_NE(UpdaterLog().find("send notice 3\nrecv WM_CLOSE\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(program_ / "__TEMP__"));

  // With the first one gone, an installer runs again.
  ScopedEnv noUpdate("FAKE_UPDATER_SCRIPT", "notice:3");
  EXPECT_EQ(kavrel::testing::RunProgram({PLUMOSETUP_EXE}, program_.string()).exitCode, 0);
  log = UpdaterLog();
  EXPECT_NE(log.find("args "), log.rfind("args "));
}

// The real updater against kavreld's update service; every box answered with its
// default button (OK on the offer). The updater inherits the installer's output, so a
// run returns only once both programs have ended.
class PlumoSetupWithUpdater : public SetupBench {
 public:
  void SetUp() override {
    SetupBench::SetUp();
    fs::copy_file(PUPDATER_EXE, program_ / kUpdaterProgram, fs::copy_options::overwrite_existing);
    MakeUpdate("KavrelClient.ini", "KavrelClient.cab", "1.1", "road of 1.1");
    server_.Start(files_, kTestManifest);
  }
  kavrel::testing::ProgramRun RunInstaller(const std::string& version) {
    WriteHandheld("[Settings]\nupdate_url=\"" + server_.UpdateUrl() + "\"\ncurr_ver=" + version + "\n");
    return kavrel::testing::RunProgram({PLUMOSETUP_EXE}, program_.string());
  }
  UpdateServer server_;
};

TEST_F(PlumoSetupWithUpdater, AnOfferAnsweredOkIsInstalledOnTheDevice) {
  auto run = RunInstaller("1.0");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.err.find("message: 교통정보 티커 1.1  새 도로 파일  " + std::string(texts::kUpdateQuestion)),
            std::string::npos) << run.err;
  EXPECT_EQ(InstalledRoad(), "road of 1.1");
  EXPECT_NE(HandheldSettings().find("curr_ver=1.1"), std::string::npos) << HandheldSettings();
  EXPECT_EQ(server_.Reports(), "1 5 6 ");  // offered, begun, downloaded
  for (const char* gone : {"__TEMP__", "EXE.BAT"}) EXPECT_FALSE(fs::exists(program_ / gone)) << gone;

  // The device now has 1.1, and the next connection finds nothing new.
  run = RunInstaller("1.1");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err.find("message:"), std::string::npos) << run.err;
  EXPECT_EQ(server_.Reports(), "1 5 6 4 ");
}

TEST_F(PlumoSetupWithUpdater, NoUpdateMajorUpdateAndNoHandheld) {
  struct Case {
    const char* what;
    std::string version;
    std::string box;  // "" for none
    std::string reports;
  };
  const Case cases[] = {
      {"no update", "2.0", "", "4 "},
      {"major update", "3.0", texts::kMajorUpdate, "4 "},
      {"no handheld", "", texts::kHandheldReadFailed, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string before = server_.Reports();
    ScopedEnv device("KAVREL_DEVICE", c.version.empty() ? std::nullopt : std::optional(device_.string()));
    auto run = RunInstaller(c.version);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err.find("message:") != std::string::npos, !c.box.empty()) << run.err;
    if (!c.box.empty()) {
      EXPECT_NE(run.err.find("message: " + c.box), std::string::npos) << run.err;
    }
    EXPECT_EQ(server_.Reports(), before + c.reports);
    EXPECT_FALSE(fs::exists(kavrel::device::ProgramDirectory(device_) / "road.dat"));
  }
}

}  // namespace
}  // namespace setup
