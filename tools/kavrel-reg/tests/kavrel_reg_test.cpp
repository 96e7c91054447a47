// The command line of kavrel-reg, as scripts and tests call it.
#include <gtest/gtest.h>

#include "kavrel/registry.h"
#include "kavrel/testing/run.h"
#include "kavrel/testing/scratch.h"

namespace {

using kavrel::testing::ProgramRun;
using kavrel::testing::RunProgram;
using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;
namespace reg = kavrel::registry;

class KavrelReg : public ::testing::Test {
 protected:
  ScratchDir dir_{"kavrel-reg"};
  ScopedEnv env_{"KAVREL_REGISTRY", dir_.path().string()};

  ProgramRun Reg(std::vector<std::string> args) {
    args.insert(args.begin(), KAVREL_REG_EXE);
    return RunProgram(args);
  }
};

TEST_F(KavrelReg, SetGetDeleteOfValuesAndKeys) {
  const std::string key = "Software\\VTQClient_PC\\KavrelClient\\Settings";
  EXPECT_EQ(Reg({"set", "HKCU", key, "ticker_dir", "/opt/kavrel dir"}).exitCode, 0);
  EXPECT_EQ(reg::GetValue(reg::Hive::CurrentUser, key, "ticker_dir"), reg::Value(std::string("/opt/kavrel dir")));

  auto got = Reg({"get", "hkcu", "SOFTWARE\\vtqclient_pc\\kavrelclient\\settings", "TICKER_DIR"});
  EXPECT_EQ(got.exitCode, 0);
  EXPECT_EQ(got.out, "/opt/kavrel dir\n");

  // The default value: an empty VALUE, or none at all for get.
  EXPECT_EQ(Reg({"set", "HKCR", "CorvathSystem.KavrelASP", "", "KavrelASP"}).exitCode, 0);
  EXPECT_EQ(Reg({"get", "HKCR", "CorvathSystem.KavrelASP"}).out, "KavrelASP\n");
  EXPECT_EQ(Reg({"get", "HKCR", "CorvathSystem.KavrelASP", ""}).out, "KavrelASP\n");

  EXPECT_EQ(Reg({"set", "--dword", "HKLM", "Numbers", "n", "0x2a"}).exitCode, 0);
  EXPECT_EQ(Reg({"get", "HKLM", "Numbers", "n"}).out, "42\n");
  EXPECT_EQ(reg::GetValue(reg::Hive::LocalMachine, "Numbers", "n"), reg::Value(std::uint32_t{42}));

  // A key alone, then a value removed, then the key with its subkeys.
  EXPECT_EQ(Reg({"set", "HKLM", "Objects\\Sub\\Deeper"}).exitCode, 0);
  EXPECT_EQ(reg::OpenKey(reg::Hive::LocalMachine, "objects\\sub\\deeper"), reg::Status::Ok);
  EXPECT_EQ(Reg({"delete", "HKCU", key, "ticker_dir"}).exitCode, 0);
  EXPECT_EQ(Reg({"get", "HKCU", key, "ticker_dir"}).exitCode, 1);
  EXPECT_EQ(Reg({"delete", "HKLM", "OBJECTS"}).exitCode, 0);
  EXPECT_EQ(reg::OpenKey(reg::Hive::LocalMachine, "Objects\\Sub"), reg::Status::NoKey);
}

TEST_F(KavrelReg, AbsentKeysAndValuesExitOneWithAMessage) {
  ASSERT_EQ(reg::CreateKey(reg::Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows CE Services"), reg::Status::Ok);
  const std::vector<std::vector<std::string>> absent = {
      {"get", "HKLM", "SOFTWARE\\Microsoft\\Windows CE Services", "InstalledDir"},
      {"get", "HKLM", "SOFTWARE\\Microsoft\\Windows CE Services"},
      {"get", "HKLM", "SOFTWARE\\Nobody", "x"},
      {"delete", "HKLM", "SOFTWARE\\Nobody"},
      {"delete", "HKLM", "SOFTWARE\\Microsoft\\Windows CE Services", "InstalledDir"},
  };
  for (const auto& args : absent) {
    SCOPED_TRACE(args[2]);
    auto run = Reg(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
  }
}

TEST_F(KavrelReg, BadArgumentsExitTwoWithUsage) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"get"},
      {"get", "HKCU"},
      {"get", "HKU", "Key"},
      {"list", "HKCU", "Key"},
      {"get", "HKCU", "Key", "v", "extra"},
      {"set", "HKCU", "Key", "v"},
      {"set", "HKCU", "Key", "v", "d", "extra"},
      {"set", "--dword", "HKCU", "Key", "v", "twelve"},
      {"set", "--dword", "HKCU", "Key", "v", "4294967296"},
      {"set", "--dword", "HKCU", "Key", "v", "-1"},
      {"set", "--dword", "HKCU", "Key"},
      {"delete", "HKCU", "Key", "v", "extra"},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(args.empty() ? "(none)" : args[0] + " " + std::to_string(args.size()));
    auto run = Reg(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("usage: kavrel-reg"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "HKCU.reg"));
}

}  // namespace
