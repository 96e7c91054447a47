// The installer's window against a scripted updater, a test device and the real
// application manager; message boxes recorded and answered by the test.
#include "setup_dialog.h"

#include <QEventLoop>
#include <cstdio>
#include <functional>
#include <QTimer>

#include "kavrel/desktop_runtime.h"
#include "kavrel/ui/message_box.h"
#include "setup_harness.h"
#include "setup_texts.h"
#include "update_server.h"

namespace setup {
namespace {

using namespace setup::testing;
namespace ui = kavrel::ui;

class SetupDialogTest : public SetupBench {
 public:
  void TearDown() override { fs::current_path(startDir_); }

  // Runs the installer's window from its start to its end, in `startDir`.
  void Run(const std::string& script, const std::vector<ui::MessageAnswer>& answers = {}) {
    ScopedEnv env("FAKE_UPDATER_SCRIPT", script);
    fs::current_path(program_);  // where the provider starts the installer
    for (auto answer : answers) recorder_.Script({answer});
    {
      SetupDialog dialog;
      QEventLoop loop;
      QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
      bool timedOut = false;
      QTimer::singleShot(0, &dialog, &SetupDialog::Start);
      QTimer::singleShot(120000, &loop, [&] {  // a safety net against a hang, not a wait
        timedOut = true;
        loop.quit();
      });
      loop.exec();
      ASSERT_FALSE(timedOut);
    }
    fs::current_path(startDir_);
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto& t : recorder_.texts()) texts.push_back(t.toStdString());
    return texts;
  }

  fs::path startDir_ = fs::current_path();
  ui::MessageBoxRecorder recorder_;
};

TEST_F(SetupDialogTest, AnOfferAnsweredOkIsDownloadedAndInstalled) {
  MakeUpdate("KavrelClient.ini", "KavrelClient.cab", "1.1", "new road");
  const std::string ini = (files_ / "KavrelClient.ini").string(), cab = (files_ / "KavrelClient.cab").string();
  Run("clip:업데이트 내용\r\n\r\n둘째 줄|notice:2|wait-command|copy:" + cab + "=KavrelClient.cab|copy:" + ini +
          "=KavrelClient.ini|notice:6",
      {ui::MessageAnswer::Ok});

  auto shown = recorder_.shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text.toStdString(), "업데이트 내용\r\n\r\n둘째 줄\r\n\r\n" + std::string(texts::kUpdateQuestion));
  EXPECT_EQ(shown[0].caption, "PlumoSetup");
  EXPECT_EQ(shown[0].buttons, ui::MessageButtons::OkCancel);
  // Started with its window handle, the address and the version; started, then closed.
  auto log = UpdaterLog();
  EXPECT_NE(log.find(" /http://127.0.0.1:9/update.php /1.0\n"), std::string::npos) << log;
  EXPECT_NE(log.find("recv command 1 0\nsend notice 6\nrecv WM_CLOSE\n"), std::string::npos) << log;
  // The application manager installed the files and the version before the clean-up.
  EXPECT_EQ(InstalledRoad(), "new road");
  EXPECT_NE(HandheldSettings().find("curr_ver=1.1"), std::string::npos) << HandheldSettings();
  for (const char* gone : {"__TEMP__", "EXE.BAT", "pupdaterTmp"}) EXPECT_FALSE(fs::exists(program_ / gone)) << gone;
  EXPECT_TRUE(fs::exists(program_ / "pupdater"));
}

TEST_F(SetupDialogTest, EachNoticeEndsAsItShould) {
  struct Case {
    const char* what;
    std::string script;
    std::vector<ui::MessageAnswer> answers;
    std::vector<std::string> boxes;
    bool updaterClosed;
  };
  const Case cases[] = {
      {"offer cancelled", "notice:2", {ui::MessageAnswer::Cancel}, {"\r\n\r\n" + std::string(texts::kUpdateQuestion)}, true},
      {"no update", "notice:3", {}, {}, true},
      {"major update", "clip:x|notice:4", {}, {texts::kMajorUpdate}, true},
      {"status report failed", "notice:5|exit", {}, {texts::kUpdaterError}, false},
      {"unconditional update", "close-caller|exit", {}, {}, false},
      {"updater ends without a notice", "exit", {}, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(program_ / "fake_updater.log");
    ASSERT_TRUE(kavrel::desktop::SetClipboardText(""));
    recorder_.Clear();
    Run(c.script, c.answers);
    EXPECT_EQ(Texts(), c.boxes);
    auto log = UpdaterLog();
    EXPECT_EQ(log.find("recv command"), std::string::npos) << log;
    EXPECT_EQ(log.find("recv WM_CLOSE") != std::string::npos, c.updaterClosed) << log;
    EXPECT_NE(HandheldSettings().find("curr_ver=1.0"), std::string::npos);
    EXPECT_FALSE(fs::exists(program_ / "pupdaterTmp"));
  }
}

TEST_F(SetupDialogTest, FailuresBeforeTheUpdaterEndTheInstaller) {
  struct Case {
    const char* what;
    std::function<void(SetupDialogTest&)> arrange;
    const char* box;
  };
  const Case cases[] = {
      {"handheld not connected", [](auto&) { ::unsetenv("KAVREL_DEVICE"); }, texts::kHandheldReadFailed},
      {"handheld key missing", [](auto& t) { t.WriteHandheld("[NEWSFLASH]\nshow=1\n"); }, texts::kHandheldReadFailed},
      {"update_url missing", [](auto& t) { t.WriteHandheld("[Settings]\ncurr_ver=1.0\n"); }, texts::kHandheldReadFailed},
      {"curr_ver missing", [](auto& t) { t.WriteHandheld("[Settings]\nupdate_url=u\n"); }, texts::kHandheldReadFailed},
      {"curr_ver of 50 units",
       [](auto& t) { t.WriteHandheld("[Settings]\nupdate_url=u\ncurr_ver=" + std::string(50, '1') + "\n"); },
       texts::kHandheldReadFailed},
      {"ticker_dir key missing", [](auto&) { reg::DeleteKey(reg::Hive::CurrentUser, "Software\\VTQClient_PC"); },
       texts::kDesktopKeyOpenFailed},
      {"ticker_dir missing", [](auto&) { reg::DeleteValue(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue); },
       texts::kDesktopKeyReadFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(root_.path());  // a fresh bench for each case
    fs::create_directories(root_.path());
    SetUp();
    ScopedEnv device("KAVREL_DEVICE", device_.string());
    recorder_.Clear();
    WriteFile(program_ / "__TEMP__" / "stale.ini", "");  // left by an earlier run
    c.arrange(*this);
    Run("notice:3");
    EXPECT_EQ(Texts(), std::vector<std::string>{c.box});
    EXPECT_FALSE(fs::exists(program_ / "fake_updater.log"));  // the updater never ran
    EXPECT_FALSE(fs::exists(program_ / "__TEMP__"));
  }
}

TEST_F(SetupDialogTest, InstallFailuresAreReportedAndInstallNothing) {
  MakeUpdate("KavrelClient.ini", "KavrelClient.cab", "1.1", "new road");
  const std::string download = "notice:2|copy:" + (files_ / "KavrelClient.cab").string() +
                               "=KavrelClient.cab|copy:" + (files_ / "KavrelClient.ini").string() +
                               "=KavrelClient.ini|notice:6";
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::vector<std::string> boxes;
  };
  const std::string offer = "\r\n\r\n" + std::string(texts::kUpdateQuestion);
  const Case cases[] = {
      {"no synchronisation software key",
       [] { reg::DeleteKey(reg::Hive::LocalMachine, "SOFTWARE\\Microsoft"); },
       {offer, texts::kSyncKeyOpenFailed}},
      {"no InstalledDir", [] { reg::DeleteValue(reg::Hive::LocalMachine, kSyncSoftwareKey, kInstalledDirValue); },
       {offer, texts::kSyncKeyQueryFailed}},
      {"InstalledDir holding a double quote",
       [this] {
         reg::SetValue(reg::Hive::LocalMachine, kSyncSoftwareKey, kInstalledDirValue, syncSoftware_.string() + "\"x");
       },
       {offer, texts::kBatchNotOpened, texts::kAppMgrExecuteFailed}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recorder_.Clear();
    ASSERT_EQ(reg::SetValue(reg::Hive::LocalMachine, kSyncSoftwareKey, kInstalledDirValue, syncSoftware_.string()),
              reg::Status::Ok);
    c.arrange();
    Run(download, {ui::MessageAnswer::Ok});
    EXPECT_EQ(Texts(), c.boxes);
    EXPECT_NE(UpdaterLog().find("send notice 6\nrecv WM_CLOSE\n"), std::string::npos);  // closed before the install
    EXPECT_FALSE(fs::exists(kavrel::device::ProgramDirectory(device_) / "road.dat"));
    EXPECT_NE(HandheldSettings().find("curr_ver=1.0"), std::string::npos);
    for (const char* gone : {"__TEMP__", "EXE.BAT", "pupdaterTmp"}) EXPECT_FALSE(fs::exists(program_ / gone)) << gone;
  }
}

TEST_F(SetupDialogTest, StaleFilesGoAndTheLastSetupFileIsInstalled) {
  // An earlier run's leftovers: a set-up file that would be listed last, and a copy of
  // the updater that cannot run.
  MakeUpdate("Z.ini", "z.cab", "9.9", "stale road");
  WriteFile(program_ / "__TEMP__" / "Z.ini", ReadFile(files_ / "Z.ini"));
  fs::copy_file(files_ / "z.cab", program_ / "__TEMP__" / "z.cab");
  WriteFile(program_ / "pupdaterTmp", "not a program");
  MakeUpdate("A.ini", "a.cab", "1.5", "road A");
  MakeUpdate("B.ini", "b.cab", "2.0", "road B");
  std::string script = "notice:2";
  for (const char* name : {"a.cab", "A.ini", "b.cab", "B.ini"})
    script += "|copy:" + (files_ / name).string() + "=" + name;
  Run(script + "|notice:6", {ui::MessageAnswer::Ok});
  EXPECT_EQ(InstalledRoad(), "road B");
  EXPECT_NE(HandheldSettings().find("curr_ver=2.0"), std::string::npos) << HandheldSettings();
}

TEST_F(SetupDialogTest, AnOpenApplicationManagerIsClosedFirst) {
  MakeUpdate("KavrelClient.ini", "KavrelClient.cab", "1.1", "new road");
  FILE* appMgr = ::popen(("'" + (syncSoftware_ / kAppMgrProgram).string() + "'").c_str(), "r");
  ASSERT_TRUE(appMgr);
  char line[128] = {};
  ASSERT_TRUE(std::fgets(line, sizeof line, appMgr));  // its window can be found now
  EXPECT_EQ(std::string(line).rfind("CEAppMgr window ", 0), 0u) << line;
  Run("notice:2|copy:" + (files_ / "KavrelClient.cab").string() + "=KavrelClient.cab|copy:" +
          (files_ / "KavrelClient.ini").string() + "=KavrelClient.ini|notice:6",
      {ui::MessageAnswer::Ok});
  EXPECT_EQ(::pclose(appMgr), 0);  // it was closed and ended
  EXPECT_EQ(InstalledRoad(), "new road");
}

TEST_F(SetupDialogTest, TheRealUpdatersOfferCancelledEndsBoth) {
  fs::copy_file(PUPDATER_EXE, program_ / kUpdaterProgram, fs::copy_options::overwrite_existing);
  MakeUpdate("KavrelClient.ini", "KavrelClient.cab", "1.1", "road of 1.1");
  UpdateServer server;
  server.Start(files_, kTestManifest);
  WriteHandheld("[Settings]\nupdate_url=\"" + server.UpdateUrl() + "\"\ncurr_ver=1.0\n");
  Run("", {ui::MessageAnswer::Cancel});
  EXPECT_EQ(Texts(), std::vector<std::string>{"교통정보 티커 1.1\r\n\r\n새 도로 파일\r\n\r\n" +
                                              std::string(texts::kUpdateQuestion)});
  EXPECT_EQ(server.Reports(), "1 ");  // offered, never begun
  EXPECT_FALSE(fs::exists(kavrel::device::ProgramDirectory(device_) / "road.dat"));
  EXPECT_NE(HandheldSettings().find("curr_ver=1.0"), std::string::npos);
}

}  // namespace
}  // namespace setup
