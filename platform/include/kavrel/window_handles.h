// Window handles that cross library borders. A handle is a 32-bit number naming a
// target that can take a 24-bit picture and draw a text; the client registers its
// widgets, tools register file writers. Handle 0 names no window.
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
void UnregisterWindow(WindowHandle handle);
// The target of a handle, or nullptr when none is registered under it.
std::shared_ptr<WindowTarget> FindWindow(WindowHandle handle);

}  // namespace kavrel
