// The network library against the relay and the video server: the session's pictures
// in the viewer's window are the pixels the decoder makes of the same clip, and code 161
// ends the session.
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

TEST_F(EndToEnd, ViewerShowsThePicturesTheDecoderMakesOfTheClip) {
  AddCamera(7, "qcif_inter_q5.263");
  StartServer();
  std::filesystem::create_directories(dir_ / "cwd");
  const auto decoded = DecodeClip(StreamFile("qcif_inter_q5.263"));
  ASSERT_EQ(decoded.size(), 10u);

  std::filesystem::current_path(dir_ / "cwd");
  LibraryViewer viewer;
  EXPECT_EQ(viewer.Start(7, address_), std::make_pair(0, 0ul));
  // The renderer's first pause is 500 ms and shrinks while frames wait.
  EXPECT_TRUE(viewer.WaitForPictures(2));
  EXPECT_EQ(viewer.Stop(), std::make_pair(0, 0ul));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "cwd" / "DBM.TXT"));
  CheckPictures(viewer.Pictures(), decoded);
}

}  // namespace
}  // namespace kavreld::testing
