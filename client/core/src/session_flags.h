// Flags of the session shared by the GUI thread, the loader thread and the news-flash
// scroller. The loader publishes its items with a release store of `itemsLoaded`; the
// GUI thread reads the flags with acquire loads before it touches them.
#pragma once

#include <atomic>

struct SessionFlags {
  std::atomic<bool> dialogOpen{false};      // refresh and rotation do nothing
  std::atomic<bool> showTraffic{false};     // the view paints the traffic screen
  std::atomic<bool> itemsLoaded{false};     // rotation runs; fetches fill whole buffers and flip
  std::atomic<bool> refreshEnabled{false};  // the periodic refresh runs
  std::atomic<bool> tickerPaused{false};    // the news-flash scroller stands still
};
