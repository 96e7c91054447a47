#include "setup_ini.h"

#include <gtest/gtest.h>

namespace appmgr {
namespace {

TEST(SetupIni, ReadsTheComponentItsCabinetsAndVersion) {
  std::string error;
  auto ini = ParseSetupIni(
      "; written by the update build\r\n"
      "[CEAppManager]\r\n"
      "Version      = 1.0\r\n"
      "Component    = KavrelClient\r\n"
      "\r\n"
      "[kavrelclient]\r\n"
      "Description  = Kavrel traffic ticker\r\n"
      "CabFiles     = KavrelClient.ARM.cab, \"Kavrel Extra.cab\" ,\r\n"
      "VERSION      = 1.1 beta\r\n",
      error);
  ASSERT_TRUE(ini) << error;
  EXPECT_EQ(ini->component, "KavrelClient");
  EXPECT_EQ(ini->cabFiles, (std::vector<std::string>{"KavrelClient.ARM.cab", "Kavrel Extra.cab"}));
  EXPECT_EQ(ini->version, "1.1 beta");
}

TEST(SetupIni, RefusesFilesThatCannotBeInstalled) {
  const std::pair<const char*, const char*> cases[] = {
      {"[Other]\nComponent=X\n", "names no component"},
      {"[CEAppManager]\nComponent=X\n[Y]\nCabFiles=a.cab\nVersion=1\n", "no section [X]"},
      {"[CEAppManager]\nComponent=X\n[X]\nVersion=1\n", "lists no cabinet"},
      {"[CEAppManager]\nComponent=X\n[X]\nCabFiles= , \nVersion=1\n", "lists no cabinet"},
      {"[CEAppManager]\nComponent=X\n[X]\nCabFiles=a.cab\n", "has no Version"},
      {"[CEAppManager]\nComponent=X\n[X]\nCabFiles=../a.cab\nVersion=1\n", "not a file beside"},
      {"[CEAppManager]\nComponent=X\n[X]\nCabFiles=ok.cab,/etc/a.cab\nVersion=1\n", "not a file beside"},
      {"[CEAppManager]\nComponent=X\n[X]\nCabFiles=sub\\a.cab\nVersion=1\n", "not a file beside"},
      {"[CEAppManager]\nComponent=X\n[X]\nCabFiles=..\nVersion=1\n", "not a file beside"},
      {"", "names no component"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    std::string error;
    EXPECT_FALSE(ParseSetupIni(text, error));
    EXPECT_NE(error.find(expected), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace appmgr
