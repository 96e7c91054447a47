// The libraries of the process share one platform layer: a window the program
// registers is the window the decoder library draws into, and a clock the program
// installs is the clock the decoder library waits on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camdec.h"
#include "kavrel/clock.h"
#include "kavrel/window_handles.h"

namespace {

struct Recorder : kavrel::WindowTarget {
  void ShowPicture(const std::uint8_t*, int, int) override {}
  void DrawText(std::string_view text, const kavrel::TextRect& r) override {
    texts.emplace_back(text);
    rect = r;
  }
  std::vector<std::string> texts;
  kavrel::TextRect rect;
};

TEST(SharedPlatform, DecoderReportsIntoTheProgramsWindowOnTheProgramsClock) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scope(clock);
  auto window = std::make_shared<Recorder>();
  kavrel::WindowHandle handle = kavrel::RegisterWindow(window);
  // A picture start code and header, then bytes that are no macroblocks.
  std::vector<unsigned char> coded = {0x00, 0x00, 0x80, 0x02, 0x08, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  std::vector<unsigned char> pixels(176 * 144 * 3);
  ASSERT_EQ(Init(handle, coded.data(), pixels.data(), CAMDEC_QCIF), 0);
  Decode(static_cast<int>(coded.size()));
  Destroy();
  kavrel::UnregisterWindow(handle);
  ASSERT_EQ(window->texts, std::vector<std::string>{"error"});
  EXPECT_EQ(window->rect.top, 30);
  EXPECT_EQ(window->rect.right, 300);
  // The report's 1,000 ms wait passed on the installed clock, at once.
  EXPECT_GE(clock.TickCount() - 1000, 1000u);
}

}  // namespace
