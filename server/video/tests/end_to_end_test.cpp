// zmntp-cli against the relay and the video server: the session's pictures, written
// by the tool's --frames window, are the pixels camdec-cli decodes from the same clip,
// and code 161 ends the session.
#include <chrono>

#include "programs.h"
#include "video_server_fixture.h"

namespace kavreld::testing {
namespace {

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
  std::size_t frames = CheckFrames(dir_ / "frames", decoded);
  // The renderer's first pause is 500 ms and shrinks while frames wait.
  EXPECT_GE(frames, 2u);
}

}  // namespace
}  // namespace kavreld::testing
