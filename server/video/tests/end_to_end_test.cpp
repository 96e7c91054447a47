// zmntp-cli against the relay and the video server: the session's pictures, written
// by the tool's --frames window, are the pixels camdec-cli decodes from the same clip,
// and code 161 ends the session.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>

#include "video_server_fixture.h"

extern char** environ;

namespace kavreld::testing {
namespace {

struct Finished {
  bool exited = false;
  int status = -1;
  std::string output;
};

// Runs a program with its standard output to a file; killed if it outlives `limit`.
Finished RunProgram(const std::vector<std::string>& args, const std::filesystem::path& out,
             std::chrono::milliseconds limit) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  Finished f;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return f;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return f;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  f.exited = WIFEXITED(status);
  f.status = WEXITSTATUS(status);
  Bytes text = ReadFile(out);
  f.output.assign(text.begin(), text.end());
  return f;
}

std::string Name(std::size_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%05zu.bmp", frame);
  return name;
}

class EndToEnd : public VideoServerTest {
 protected:
  void TearDown() override {
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    VideoServerTest::TearDown();
  }
};

TEST_F(EndToEnd, ToolWritesThePicturesTheDecoderMakesOfTheClip) {
  AddCamera(7, "qcif_inter_q5.263");
  StartServer();
  std::filesystem::create_directories(dir_ / "frames");
  std::filesystem::create_directories(dir_ / "cwd");

  // The reference: camdec-cli's decode of the whole clip, one 76,032-byte picture after another.
  Finished reference = RunProgram({CAMDEC_CLI_PATH, "decode", StreamFile("qcif_inter_q5.263").string(),
                            (dir_ / "reference.bgr").string()},
                           dir_ / "camdec.txt", std::chrono::seconds(30));
  ASSERT_TRUE(reference.exited && reference.status == 0) << reference.output;
  const Bytes decoded = ReadFile(dir_ / "reference.bgr");
  constexpr std::size_t kPicture = 176 * 144 * 3;
  ASSERT_EQ(decoded.size(), 10 * kPicture);

  // The session runs for two seconds, then 161. The whole run is bounded: a stop that
  // hangs fails the test instead of holding it.
  std::filesystem::current_path(dir_ / "cwd");
  Finished tool = RunProgram({ZMNTP_CLI_PATH, "--server", address_, "--frames", (dir_ / "frames").string(),
                       "160=video:7@" + address_, "sleep:2000", "161"},
                      dir_ / "tool.txt", std::chrono::seconds(20));
  ASSERT_TRUE(tool.exited) << "zmntp-cli did not finish";
  EXPECT_EQ(tool.status, 0);
  EXPECT_EQ(tool.output,
            "{\"code\":160,\"result\":0,\"count\":0,\"data\":\"\"}\n"
            "{\"code\":161,\"result\":0,\"count\":0,\"data\":\"\"}\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "cwd" / "DBM.TXT"));

  // Frame k shows picture k of the clip (it loops from its intra picture).
  std::size_t frames = 0;
  for (; std::filesystem::exists(dir_ / "frames" / Name(frames)); ++frames) {
    SCOPED_TRACE(frames);
    Bytes bmp = ReadFile(dir_ / "frames" / Name(frames));
    ASSERT_EQ(bmp.size(), 54 + kPicture);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(kavrel::ReadU32(bmp.data(), 10), 54u);
    EXPECT_EQ(kavrel::ReadU32(bmp.data(), 18), 176u);
    EXPECT_EQ(kavrel::ReadU32(bmp.data(), 22), 144u);  // bottom-up
    EXPECT_EQ(kavrel::ReadLE<std::uint16_t>(bmp.data(), 28), 24);
    const auto* want = decoded.data() + (frames % 10) * kPicture;
    EXPECT_TRUE(std::equal(bmp.begin() + 54, bmp.end(), want));
  }
  // The renderer's first pause is 500 ms and shrinks while frames wait.
  EXPECT_GE(frames, 2u);
}

}  // namespace
}  // namespace kavreld::testing
