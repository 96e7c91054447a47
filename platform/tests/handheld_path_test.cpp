#include "kavrel/handheld_path.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavrel {
namespace {

TEST(HandheldPath, ClientDirectoryLiesUnderKavrelHome) {
  const char* old = std::getenv("KAVREL_HOME");
  std::string saved = old ? old : "";
  setenv("KAVREL_HOME", "/tmp/kavrel-home", 1);
  EXPECT_EQ(HandheldPath("\\Program Files\\KavrelClient\\road.dat"), "/tmp/kavrel-home/road.dat");
  EXPECT_EQ(HandheldPath("\\Program Files\\KavrelClient\\skin\\main.bmp"), "/tmp/kavrel-home/skin/main.bmp");
  // The handheld's file system ignores case.
  EXPECT_EQ(HandheldPath("\\program files\\kavrelclient\\road.dat"), "/tmp/kavrel-home/road.dat");
  EXPECT_EQ(HandheldPath(".\\DBM.TXT"), "DBM.TXT");
  EXPECT_EQ(HandheldPath(".\\CastingDate"), "CastingDate");

  unsetenv("KAVREL_HOME");
  // Tests run from the build tree, so the build's data directory is the default.
  EXPECT_EQ(DataDirectory(), KAVREL_TEST_BUILD_DATADIR);
  if (old) setenv("KAVREL_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace kavrel
