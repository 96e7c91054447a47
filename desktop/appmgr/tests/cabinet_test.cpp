#include "cabinet.h"

#include <gtest/gtest.h>

#include "cabinet_files.h"
#include "kavrel/testing/scratch.h"

namespace appmgr {
namespace {

namespace fs = std::filesystem;
using namespace appmgr::testing;
using kavrel::testing::ScratchDir;

// Everything under a folder: relative path -> content.
std::map<std::string, std::string> Tree(const fs::path& dir) {
  std::map<std::string, std::string> tree;
  for (auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) tree[fs::relative(e.path(), dir).string()] = ReadFile(e.path());
  return tree;
}

TEST(CabinetEntryPath, KeepsNamesInsideTheFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"road.dat", "road.dat"}, {"skin\\main.bmp", "skin/main.bmp"}, {"skin/a/b.bmp", "skin/a/b.bmp"},
      {".\\x", "x"},            {"a\\\\b", "a/b"},                   {"..x\\y..", "..x/y.."},
      {"..", nullptr},          {"..\\evil", nullptr},               {"a\\..\\..\\evil", nullptr},
      {"a/../b", nullptr},      {"\\abs", nullptr},                  {"/abs", nullptr},
      {"C:\\x", nullptr},       {"", nullptr},                       {".\\", nullptr},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    auto path = CabinetEntryPath(name);
    if (expected)
      EXPECT_EQ(path, fs::path(expected));
    else
      EXPECT_EQ(path, std::nullopt);
  }
}

TEST(InstallCabinet, UnpacksACabinetMadeByGcabOverTheOldFiles) {
  ScratchDir work("cab"), device("device");
  const auto program = device / "Program Files" / "KavrelClient";
  WriteFile(program / "road.dat", "old road");
  WriteFile(program / "kept.txt", "kept");
  ASSERT_TRUE(MakeCabinet(work / "KavrelClient.cab", work / "files",
                          {{"road.dat", "new road"}, {"skin/main.bmp", std::string("BM\0\1", 4)}, {"CastingDate", ""}}));
  std::string error;
  ASSERT_TRUE(InstallCabinet(work / "KavrelClient.cab", program, error)) << error;
  EXPECT_EQ(Tree(program), (std::map<std::string, std::string>{{"road.dat", "new road"},
                                                               {"skin/main.bmp", std::string("BM\0\1", 4)},
                                                               {"CastingDate", ""},
                                                               {"kept.txt", "kept"}}));
  EXPECT_EQ(Tree(device / "Program Files").size(), 4u);  // no staging folder left
}

TEST(InstallCabinet, RefusesCabinetsThatWouldWriteOutsideTheFolder) {
  for (const char* evil : {"..\\evil.txt", "skin\\..\\..\\evil.txt", "/tmp/evil.txt", "\\evil.txt", "C:\\evil.txt"}) {
    SCOPED_TRACE(evil);
    ScratchDir work("cab"), device("device");
    const auto program = device / "Program Files" / "KavrelClient";
    WriteFile(program / "road.dat", "old road");
    ASSERT_TRUE(MakeCabinetWithNames(work / "evil.cab", {{"road.dat", "new road"}, {evil, "evil"}}));
    std::string error;
    EXPECT_FALSE(InstallCabinet(work / "evil.cab", program, error));
    EXPECT_NE(error.find("outside the program folder"), std::string::npos) << error;
    EXPECT_EQ(Tree(device.path()), (std::map<std::string, std::string>{{"Program Files/KavrelClient/road.dat", "old road"}}));
  }
}

TEST(InstallCabinet, DamagedOrMissingCabinetsChangeNothing) {
  ScratchDir work("cab"), device("device");
  const auto program = device / "Program Files" / "KavrelClient";
  WriteFile(program / "road.dat", "old road");
  ASSERT_TRUE(MakeCabinet(work / "good.cab", work / "files", {{"road.dat", std::string(5000, 'r')}}));
  const std::string good = ReadFile(work / "good.cab");
  WriteFile(work / "cut.cab", good.substr(0, good.size() - 100));
  WriteFile(work / "noise.cab", "MSCF but not really a cabinet at all");
  for (const char* name : {"cut.cab", "noise.cab", "missing.cab"}) {
    SCOPED_TRACE(name);
    std::string error;
    EXPECT_FALSE(InstallCabinet(work / name, program, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Tree(device.path()), (std::map<std::string, std::string>{{"Program Files/KavrelClient/road.dat", "old road"}}));
  }
}

}  // namespace
}  // namespace appmgr
