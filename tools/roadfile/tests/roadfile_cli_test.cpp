// The command line of the tool, as the build and other checks call it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "protocol/road_file.h"

namespace {

struct ToolRun {
  int status = -1;
  std::string out;
};

// Runs the tool with `args` (already quoted for the shell); stdout and stderr together.
ToolRun RoadFile(const std::string& args) {
  ToolRun run;
  const std::string command = std::string("'") + ROADFILE_EXE + "' " + args + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class RoadFileCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("roadfile_cli_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return "'" + (dir_ / name).string() + "'"; }
  void Write(const char* name, const std::string& text) const { std::ofstream(dir_ / name, std::ios::binary) << text; }
  std::filesystem::path dir_;
};

TEST_F(RoadFileCli, BuildThenDumpGivesTheSourceBack) {
  const std::string source =
      "{\n"
      "  \"roads\": [\n"
      "    {\"category\": 3, \"id\": 301, \"name\": \"산복터널\", \"segments\": [\n"
      "      {\"id\": 30101, \"from\": \"산복터널북단\", \"to\": \"산복터널남단\", \"length_m\": 1120, \"limit_kmh\": 70},\n"
      "      {\"id\": 30102, \"from\": \"산복터널남단\", \"to\": \"산복터널북단\", \"length_m\": 1120, \"limit_kmh\": 70}\n"
      "    ]}\n"
      "  ],\n"
      "  \"codes\": [\n"
      "    {\"name\": \"산복터널북단\", \"code\": 19}\n"
      "  ]\n"
      "}\n";
  Write("city.json", source);
  const ToolRun build = RoadFile("build " + Path("city.json") + " " + Path("road.dat"));
  ASSERT_EQ(build.status, 0) << build.out;
  EXPECT_EQ(build.out, "");
  EXPECT_EQ(std::filesystem::file_size(dir_ / "road.dat"), protocol::kRoadFileSize);
  const ToolRun dump = RoadFile("dump " + Path("road.dat"));
  EXPECT_EQ(dump.status, 0);
  EXPECT_EQ(dump.out, source);
}

TEST_F(RoadFileCli, FailuresExplainThemselvesAndLeaveNoFile) {
  Write("bad.json", R"({"roads":[],"codes":[{"name":"시청앞","code":300}]})");
  ToolRun run = RoadFile("build " + Path("bad.json") + " " + Path("road.dat"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("named code 1 \"시청앞\": \"code\" 300 is above 255"), std::string::npos) << run.out;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "road.dat"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "road.dat.tmp"));

  run = RoadFile("build " + Path("missing.json") + " " + Path("road.dat"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("cannot open"), std::string::npos);
  EXPECT_EQ(RoadFile("dump " + Path("missing.dat")).status, 1);

  for (const char* args : {"", "build", "build a.json", "dump", "dump a b", "list x"}) {
    run = RoadFile(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_NE(run.out.find("usage: roadfile build SRC.json OUT.dat"), std::string::npos);
  }
}

TEST_F(RoadFileCli, DumpReadsDamagedFilesAsTheHandheldDoes) {
  std::string image(100, '\0');
  image[0] = '\x05';  // five roads, all zero: category 0, no name, no segments
  image[4 + 48] = '\x7F';  // road 1 claims 127 segments
  Write("short.dat", image);
  const ToolRun run = RoadFile("dump " + Path("short.dat"));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("warning: " + (dir_ / "short.dat").string() + " is shorter than 1329528 bytes"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("warning: road 1: the segment count 127 is read as 60"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("{\"category\": 0, \"id\": 0, \"name\": \"\", \"segments\": [\n"), std::string::npos);
}

}  // namespace
