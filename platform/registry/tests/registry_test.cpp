#include "kavrel/registry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "kavrel/testing/scratch.h"

namespace kavrel::registry {
namespace {

using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;

class RegistryTest : public ::testing::Test {
 protected:
  ScratchDir dir_{"registry"};
  ScopedEnv env_{"KAVREL_REGISTRY", dir_.path().string()};

  std::string Read(Hive hive) {
    std::ifstream in(HiveFile(hive));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(Hive hive, const std::string& text) { std::ofstream(HiveFile(hive)) << text; }
};

TEST_F(RegistryTest, ValuesRoundTripAndNamesIgnoreCase) {
  const std::string key = "Software\\VTQClient_PC\\KavrelClient\\Settings";
  EXPECT_EQ(OpenKey(Hive::CurrentUser, key), Status::NoKey);
  ASSERT_EQ(SetValue(Hive::CurrentUser, key, "ticker_dir", std::string("/opt/kavrel")), Status::Ok);
  ASSERT_EQ(SetValue(Hive::CurrentUser, key, "", std::string("default")), Status::Ok);
  ASSERT_EQ(SetValue(Hive::CurrentUser, key, "Count", std::uint32_t{0xDEADBEEF}), Status::Ok);

  EXPECT_EQ(OpenKey(Hive::CurrentUser, "SOFTWARE\\vtqclient_pc\\KAVRELCLIENT\\settings"), Status::Ok);
  EXPECT_EQ(GetValue(Hive::CurrentUser, "software\\VTQCLIENT_PC\\kavrelclient\\SETTINGS", "TICKER_DIR"),
            Value(std::string("/opt/kavrel")));
  EXPECT_EQ(GetValue(Hive::CurrentUser, key, ""), Value(std::string("default")));
  EXPECT_EQ(GetValue(Hive::CurrentUser, key, "count"), Value(std::uint32_t{0xDEADBEEF}));

  // Setting under another case replaces the value; the key keeps its first spelling.
  ASSERT_EQ(SetValue(Hive::CurrentUser, "software\\vtqclient_pc", "TICKER", std::string("x")), Status::Ok);
  ASSERT_EQ(SetValue(Hive::CurrentUser, key, "TICKER_DIR", std::string("/srv")), Status::Ok);
  EXPECT_EQ(GetValue(Hive::CurrentUser, key, "ticker_dir"), Value(std::string("/srv")));
  EXPECT_EQ(SubkeyNames(Hive::CurrentUser, "SOFTWARE"), std::vector<std::string>{"VTQClient_PC"});

  // The hives are separate files.
  EXPECT_EQ(OpenKey(Hive::LocalMachine, key), Status::NoKey);
  EXPECT_EQ(OpenKey(Hive::ClassesRoot, key), Status::NoKey);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "HKCU.reg"));
}

TEST_F(RegistryTest, MissingKeyAndMissingValueAreTold) {
  ASSERT_EQ(CreateKey(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows CE Services"), Status::Ok);
  Status s = Status::Ok;
  EXPECT_FALSE(GetValue(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows CE Services", "InstalledDir", &s));
  EXPECT_EQ(s, Status::NoValue);
  EXPECT_FALSE(GetValue(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Other", "InstalledDir", &s));
  EXPECT_EQ(s, Status::NoKey);
  EXPECT_FALSE(GetValue(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows CE Services", "", &s));
  EXPECT_EQ(s, Status::NoValue);  // no default value until one is set
  EXPECT_EQ(OpenKey(Hive::LocalMachine, ""), Status::Ok);
}

TEST_F(RegistryTest, TextsWithSpecialCharactersSurviveTheFile) {
  const std::string texts[] = {"quote \" and backslash \\ end\\", "two\nlines\r\n", "tab\there",
                               "bell\x07 del\x7f", "교통정보 티커", "", "=[x]=", "\"\""};
  int i = 0;
  for (const auto& text : texts) {
    std::string name = "v\"" + std::to_string(i++) + "\\";
    ASSERT_EQ(SetValue(Hive::ClassesRoot, "CLSID\\{5528279A}\\Inproc]Server[32", name, text), Status::Ok);
  }
  // Every value is one line of the file, whatever its data.
  std::string file = Read(Hive::ClassesRoot);
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 1 + 3 + static_cast<long>(std::size(texts)));  // comment, three keys
  i = 0;
  for (const auto& text : texts)
    EXPECT_EQ(GetValue(Hive::ClassesRoot, "clsid\\{5528279a}\\inproc]server[32", "V\"" + std::to_string(i++) + "\\"),
              Value(text));
}

TEST_F(RegistryTest, DeletingKeysTakesSubkeysAndValues) {
  ASSERT_EQ(SetValue(Hive::ClassesRoot, "CorvathSystem.KavrelASP\\CLSID", "", std::string("{x}")), Status::Ok);
  ASSERT_EQ(SetValue(Hive::ClassesRoot, "CorvathSystem.KavrelASP", "Display Name", std::string("y")), Status::Ok);
  ASSERT_EQ(CreateKey(Hive::ClassesRoot, "CorvathSystem.KavrelASPX"), Status::Ok);

  EXPECT_EQ(DeleteValue(Hive::ClassesRoot, "corvathsystem.kavrelasp", "DISPLAY NAME"), Status::Ok);
  EXPECT_EQ(DeleteValue(Hive::ClassesRoot, "corvathsystem.kavrelasp", "DISPLAY NAME"), Status::NoValue);
  EXPECT_EQ(DeleteValue(Hive::ClassesRoot, "nothing", "x"), Status::NoKey);

  EXPECT_EQ(DeleteKey(Hive::ClassesRoot, "CORVATHSYSTEM.KAVRELASP"), Status::Ok);
  EXPECT_EQ(OpenKey(Hive::ClassesRoot, "CorvathSystem.KavrelASP\\CLSID"), Status::NoKey);
  EXPECT_EQ(OpenKey(Hive::ClassesRoot, "CorvathSystem.KavrelASPX"), Status::Ok);  // a sibling stays
  EXPECT_EQ(DeleteKey(Hive::ClassesRoot, "CorvathSystem.KavrelASP"), Status::NoKey);
  EXPECT_EQ(DeleteKey(Hive::ClassesRoot, "a\\b"), Status::NoKey);
}

TEST_F(RegistryTest, NamesTheRegistryCannotHoldAreRefused) {
  const std::string badKeys[] = {"", "\\Software", "Software\\", "a\\\\b", "a\nb", std::string(256, 'k')};
  for (const auto& key : badKeys) {
    SCOPED_TRACE(key);
    EXPECT_EQ(SetValue(Hive::CurrentUser, key, "v", std::string("d")), Status::BadName);
    EXPECT_EQ(DeleteKey(Hive::CurrentUser, key), Status::BadName);
  }
  EXPECT_EQ(SetValue(Hive::CurrentUser, "k", "line\nbreak", std::string("d")), Status::BadName);
  EXPECT_EQ(SetValue(Hive::CurrentUser, "k", "v", std::string("nul\0inside", 10)), Status::BadName);
  EXPECT_FALSE(std::filesystem::exists(HiveFile(Hive::CurrentUser)));
}

TEST_F(RegistryTest, DamagedFilesAreNeitherReadNorOverwritten) {
  const std::string damaged[] = {
      "\"v\"=\"value before any key\"\n",
      "[Key]\n\"v\"=\"unterminated\n",
      "[Key]\n\"v\"=dword:123\n",
      "[Key]\n\"v\"=\"bad \\q escape\"\n",
      "[Key]\n\"v\"=\"a\"\n\"V\"=\"listed twice\"\n",
      "[Key]\n\"v\"=\"a\"",  // no line end
      "[Key\n",
      "[a\\\\b]\n",
      "[Key]\n\"v\"=\"a\\x00\"\n",
  };
  for (const auto& text : damaged) {
    SCOPED_TRACE(text);
    Write(Hive::CurrentUser, text);
    Status s = Status::Ok;
    EXPECT_FALSE(GetValue(Hive::CurrentUser, "Key", "v", &s));
    EXPECT_EQ(s, Status::Corrupt);
    EXPECT_EQ(SetValue(Hive::CurrentUser, "Key", "w", std::string("x")), Status::Corrupt);
    EXPECT_EQ(Read(Hive::CurrentUser), text);
  }
  // Written by hand in the same format, a file is read.
  Write(Hive::CurrentUser, "; by hand\n\n[Key]\n@=\"d\"\n\"v\"=dword:0000002A\n");
  EXPECT_EQ(GetValue(Hive::CurrentUser, "KEY", "v"), Value(std::uint32_t{42}));
  EXPECT_EQ(GetValue(Hive::CurrentUser, "KEY", ""), Value(std::string("d")));
}

TEST_F(RegistryTest, ConcurrentWritersKeepEachOthersChanges) {
  auto writer = [](char tag) {
    for (int i = 0; i < 20; ++i)
      ASSERT_EQ(SetValue(Hive::LocalMachine, "Shared", std::string(1, tag) + std::to_string(i), std::uint32_t(i)),
                Status::Ok);
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  for (char tag : {'a', 'b'})
    for (int i = 0; i < 20; ++i)
      EXPECT_EQ(GetValue(Hive::LocalMachine, "Shared", std::string(1, tag) + std::to_string(i)), Value(std::uint32_t(i)));
}

TEST(RegistryDirectory, DefaultsToTheUsersConfigFolder) {
  ScopedEnv reg("KAVREL_REGISTRY", std::nullopt);
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(Directory(), "/tmp/cfg/kavrel/registry");
  }
  ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv home("HOME", "/home/u");
  EXPECT_EQ(Directory(), "/home/u/.config/kavrel/registry");
  EXPECT_EQ(HiveFile(Hive::LocalMachine), "/home/u/.config/kavrel/registry/HKLM.reg");
}

TEST(RegistryHive, NamesParseInAnyCase) {
  EXPECT_EQ(ParseHive("hkcu"), Hive::CurrentUser);
  EXPECT_EQ(ParseHive("HKEY_LOCAL_MACHINE"), Hive::LocalMachine);
  EXPECT_EQ(ParseHive("HKCR"), Hive::ClassesRoot);
  EXPECT_EQ(ParseHive("HKU"), std::nullopt);
  EXPECT_EQ(ParseHive(""), std::nullopt);
}

}  // namespace
}  // namespace kavrel::registry
