#include "kavrel/window_handles.h"

#include <gtest/gtest.h>

#include <string>

namespace kavrel {
namespace {

struct Recorder : WindowTarget {
  void ShowPicture(const std::uint8_t*, int w, int h) override { pictures.push_back(w * h); }
  void DrawText(std::string_view t, const TextRect&) override { texts.emplace_back(t); }
  std::vector<int> pictures;
  std::vector<std::string> texts;
};

TEST(WindowHandles, RegisterFindUnregister) {
  auto a = std::make_shared<Recorder>();
  auto b = std::make_shared<Recorder>();
  WindowHandle ha = RegisterWindow(a);
  WindowHandle hb = RegisterWindow(b);
  EXPECT_NE(ha, 0u);
  EXPECT_NE(ha, hb);
  EXPECT_EQ(FindWindow(ha), a);
  FindWindow(hb)->DrawText("error", {0, 30, 300, 60});
  EXPECT_EQ(b->texts, std::vector<std::string>{"error"});
  UnregisterWindow(ha);
  EXPECT_EQ(FindWindow(ha), nullptr);
  EXPECT_EQ(FindWindow(0), nullptr);
  UnregisterWindow(hb);
}

}  // namespace
}  // namespace kavrel
