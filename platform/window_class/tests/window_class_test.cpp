#include "kavrel/window_class.h"

#include <gtest/gtest.h>

#include <fstream>

#include "kavrel/desktop_runtime.h"
#include "kavrel/testing/scratch.h"

namespace kavrel::desktop {
namespace {

using kavrel::testing::ScopedEnv;
using kavrel::testing::ScratchDir;

TEST(WindowClass, LiveWindowsAreFoundByClassAndTitle) {
  ScratchDir runtime("runtime");
  ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
  EXPECT_EQ(FindWindow("CEAppMgr", "Add/Remove Programs"), 0);

  auto appMgr = Window::Create([](unsigned, std::int64_t, std::int64_t) { return 0; });
  auto other = Window::Create([](unsigned, std::int64_t, std::int64_t) { return 0; });
  ASSERT_TRUE(appMgr && other);
  WindowClassEntry otherEntry(other->handle(), "CEAppMgr", "Something else");
  {
    WindowClassEntry entry(appMgr->handle(), "CEAppMgr", "Add/Remove Programs");
    ASSERT_TRUE(entry.published());
    EXPECT_EQ(FindWindow("CEAppMgr", "Add/Remove Programs"), appMgr->handle());
    EXPECT_EQ(FindWindow("CEAppMgr", "Add/Remove"), 0);
    EXPECT_EQ(FindWindow("ceappmgr", "Add/Remove Programs"), 0);
    EXPECT_EQ(FindWindow("CEAppMgr", "Something else"), other->handle());
  }
  EXPECT_EQ(FindWindow("CEAppMgr", "Add/Remove Programs"), 0);  // the entry went with its object

  // An entry whose window has gone is not found, and is removed.
  const Hwnd gone = appMgr->handle();
  WindowClassEntry stale(gone, "Stale", "t");
  appMgr.reset();
  EXPECT_EQ(FindWindow("Stale", ""), 0);
  EXPECT_FALSE(std::filesystem::exists(RuntimeDirectory() / ("class-" + std::to_string(gone))));
  // Stray files in the folder are passed over.
  std::ofstream(RuntimeDirectory() / "class-12x") << "CEAppMgr\nAdd/Remove Programs\n";
  std::ofstream(RuntimeDirectory() / "class-") << "CEAppMgr\n";
  EXPECT_EQ(FindWindow("CEAppMgr", ""), other->handle());
}

}  // namespace
}  // namespace kavrel::desktop
