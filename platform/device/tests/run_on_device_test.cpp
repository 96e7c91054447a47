// scripts/run-on-device runs the client with the device folder's layout.
#include <gtest/gtest.h>

#include <fstream>

#include "kavrel/testing/run.h"
#include "kavrel/testing/scratch.h"

namespace {

namespace fs = std::filesystem;
using kavrel::testing::RunProgram;
using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;

TEST(RunOnDevice, RunsTheClientWithTheDevicesFolders) {
  ScratchDir build("fake-build"), devices("devices");
  // A stand-in client that tells how it was started.
  fs::create_directories(build / "bin");
  const auto client = build / "bin" / "KavrelClientPDA";
  std::ofstream(client) << "#!/bin/sh\necho \"$KAVREL_HOME|$XDG_CONFIG_HOME|$KAVREL_DEVICE|$(pwd)|$*\"\n";
  fs::permissions(client, fs::perms::owner_all);
  ScopedEnv env("KAVREL_BUILD_DIR", build.path().string());

  const auto device = devices / "pda one";
  auto run = RunProgram({KAVREL_SOURCE_DIR "/scripts/run-on-device", device.string(), "--quit-after", "1"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto d = device.string();
  EXPECT_EQ(run.out, d + "/Program Files/KavrelClient|" + d + "/config|" + d + "|" + d + "|--quit-after 1\n");
  EXPECT_TRUE(fs::is_directory(device / "Program Files" / "KavrelClient"));

  EXPECT_EQ(RunProgram({KAVREL_SOURCE_DIR "/scripts/run-on-device"}).exitCode, 2);
  fs::remove(client);
  EXPECT_EQ(RunProgram({KAVREL_SOURCE_DIR "/scripts/run-on-device", device.string()}).exitCode, 1);
}

}  // namespace
