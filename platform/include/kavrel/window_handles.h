// Window handles that cross library borders. A handle is a 32-bit number naming a
// target that can take a 24-bit picture and draw a text; the client registers its
// widgets, tools register file writers. Handle 0 names no window.
//
// Threads. The libraries call a target from their own worker threads, never from the
// program's GUI thread: the video renderer shows each live picture and the decoder
// draws its error text from the renderer thread. A target therefore
//   - copies the picture (or the text) before it returns: the memory is reused for the
//     next picture as soon as the call is over;
//   - hands the copy to its GUI thread without waiting for it (a queued call or a
//     posted event), and never waits for the GUI thread in any other way either: the
//     GUI thread may at that very moment be inside code 161, waiting for the renderer
//     to finish the call;
//   - never registers or unregisters a window, nor starts or stops the video session,
//     from inside a call.
// Calls into one target come one at a time, whichever threads make them.
//
// Unregistering. UnregisterWindow may be called from any thread (the GUI thread,
// typically, as the widget goes) while a worker is drawing into the target. It waits
// for a call in progress to return; once it has returned, no further call reaches the
// target, even through a target pointer a worker found earlier. A picture that arrives
// after the window has gone is dropped.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace kavrel {

using WindowHandle = std::uint32_t;

struct TextRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

class WindowTarget {
 public:
  virtual ~WindowTarget() = default;
  // Copies a 24-bit bottom-up bitmap to the window at client position (1, 1): `bgr`
  // holds width x height pixels of 3 bytes (blue, green, red), and the first row in
  // memory is the bitmap's bottom row, as a device-independent bitmap keeps it.
  virtual void ShowPicture(const std::uint8_t* bgr, int width, int height) = 0;
  // Draws a UTF-8 text in the rectangle (client coordinates).
  virtual void DrawText(std::string_view utf8, const TextRect& rect) = 0;
};

// Registers a target and returns its new handle (never 0).
WindowHandle RegisterWindow(std::shared_ptr<WindowTarget> target);
// Ends a registration: waits for a call in progress, after which no call reaches the
// target any more. Unknown handles are ignored.
void UnregisterWindow(WindowHandle handle);
// The window of a handle, or nullptr when none is registered under it. The pointer
// leads to the registered target only while the registration lasts: afterwards its
// calls do nothing.
std::shared_ptr<WindowTarget> FindWindow(WindowHandle handle);

}  // namespace kavrel
