// One category of traffic items (road points, CCTV cameras or routes) in two buffers:
// the screen shows one while the other is rebuilt and fetched, then they flip.
//
// The loader thread fetches into the first buffer while the GUI thread runs, so the
// fields the two share are atomics; the GUI thread touches the items only once
// `itemsLoaded` says the loader is done with them (release/acquire).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

template <typename Item>
class ItemCategory {
 public:
  using Buffer = std::vector<std::unique_ptr<Item>>;

  std::array<Buffer, 2> buffers;
  std::atomic<int> displayBuffer{0};  // the buffer the screen shows
  std::atomic<int> displayIndex{0};   // the item the rotating screen shows
  std::atomic<bool> firstItemFetched{false};
  std::atomic<bool> categoryEnabled{false};
  std::uint32_t lastTick = 0;  // of the last refresh
  std::uint32_t interval = 0;  // refresh period in milliseconds
  int seconds = 0;             // the user's extra seconds of the period

  Buffer& First() { return buffers[0]; }
  Buffer& Displayed() { return buffers[displayBuffer.load() ? 1 : 0]; }
  const Buffer& Displayed() const { return buffers[displayBuffer.load() ? 1 : 0]; }
  Buffer& Undisplayed() { return buffers[displayBuffer.load() ? 0 : 1]; }
  void Flip() { displayBuffer.store(displayBuffer.load() ? 0 : 1); }
  // The item the screen shows now, or nullptr.
  const Item* Shown() const {
    const Buffer& b = Displayed();
    const int i = displayIndex.load();
    return (i >= 0 && static_cast<std::size_t>(i) < b.size()) ? b[static_cast<std::size_t>(i)].get() : nullptr;
  }
  // Rotation: the next item of the displayed buffer, back to 0 after the last.
  void Advance() {
    int next = displayIndex.load() + 1;
    if (static_cast<std::size_t>(next) >= Displayed().size()) next = 0;
    displayIndex.store(next);
  }
  void Clear() {
    buffers[0].clear();
    buffers[1].clear();
  }
};
