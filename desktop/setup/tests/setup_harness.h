// The installer's test bench: a desktop (registry, program directory with an updater,
// the synchronisation software's folder with CeAppMgr), a connected handheld and a
// runtime directory, all in one scratch folder, with the environment pointing there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kavrel/device.h"
#include "kavrel/registry.h"
#include "kavrel/testing/files.h"
#include "kavrel/testing/scratch.h"
#include "setup_files.h"

namespace setup::testing {

namespace fs = std::filesystem;
using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;
namespace reg = kavrel::registry;

using kavrel::testing::ReadFile;
using kavrel::testing::WriteFile;

class SetupBench : public ::testing::Test {
 public:
  ScratchDir root_{"setup"};
  fs::path registry_ = root_ / "registry";
  fs::path device_ = root_ / "device";
  fs::path runtime_ = root_ / "runtime";
  fs::path program_ = root_ / "kavrel";        // ticker_dir
  fs::path syncSoftware_ = root_ / "ce sync";  // InstalledDir
  fs::path files_ = root_ / "server files";    // what the updater "downloads"
  ScopedEnv registryEnv_{"KAVREL_REGISTRY", registry_.string()};
  ScopedEnv deviceEnv_{"KAVREL_DEVICE", device_.string()};
  ScopedEnv runtimeEnv_{"XDG_RUNTIME_DIR", runtime_.string()};
  ScopedEnv qpa_{"QT_QPA_PLATFORM", "offscreen"};
  ScopedEnv unattended_{"KAVREL_UNATTENDED", "1"};

  void SetUp() override {
    for (const auto& dir : {registry_, device_, runtime_, program_, syncSoftware_, files_}) fs::create_directories(dir);
    ASSERT_EQ(reg::SetValue(reg::Hive::CurrentUser, kDesktopKey, kTickerDirValue, program_.string()), reg::Status::Ok);
    ASSERT_EQ(reg::SetValue(reg::Hive::LocalMachine, kSyncSoftwareKey, kInstalledDirValue, syncSoftware_.string()),
              reg::Status::Ok);
    fs::copy_file(CEAPPMGR_EXE, syncSoftware_ / kAppMgrProgram);
    fs::copy_file(FAKE_UPDATER_EXE, program_ / kUpdaterProgram);
    WriteHandheld("[Settings]\nupdate_url=\"http://127.0.0.1:9/update.php\"\ncurr_ver=1.0\ntsip=127.0.0.1\n");
  }

  void WriteHandheld(const std::string& settings) {
    WriteFile(kavrel::device::LocateProfileKey(device_, kavrel::device::kClientSettingsKey)->file, settings);
  }
  std::string HandheldSettings() {
    return ReadFile(kavrel::device::LocateProfileKey(device_, kavrel::device::kClientSettingsKey)->file);
  }
  // A set-up file and its cabinet among the server's files (made with gcab).
  void MakeUpdate(const std::string& iniName, const std::string& cabName, const std::string& version,
                  const std::string& roadData) {
    WriteFile(files_ / iniName, "[CEAppManager]\r\nVersion = 1.0\r\nComponent = KavrelClient\r\n[KavrelClient]\r\n"
                                "CabFiles = " + cabName + "\r\nVersion = " + version + "\r\n");
    auto work = files_ / ("work-" + cabName);
    WriteFile(work / "road.dat", roadData);
    std::string command = "cd '" + work.string() + "' && gcab -c '" + (files_ / cabName).string() + "' road.dat";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::string UpdaterLog() { return ReadFile(program_ / "fake_updater.log"); }
  std::string InstalledRoad() { return ReadFile(kavrel::device::ProgramDirectory(device_) / "road.dat"); }
};

}  // namespace setup::testing
