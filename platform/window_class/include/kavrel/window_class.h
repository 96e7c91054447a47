// Windows found by class name and title, as the desktop's FindWindow finds them. A
// program names one of its windows with a WindowClassEntry; the entry lives in the
// runtime directory beside the window's socket for as long as the object does.
#pragma once

#include <string_view>

#include "kavrel/desktop_window.h"

namespace kavrel::desktop {

class WindowClassEntry {
 public:
  WindowClassEntry(Hwnd handle, std::string_view className, std::string_view title);
  ~WindowClassEntry();
  WindowClassEntry(const WindowClassEntry&) = delete;
  WindowClassEntry& operator=(const WindowClassEntry&) = delete;
  bool published() const { return published_; }

 private:
  Hwnd handle_;
  bool published_ = false;
};

// A live window of that class and title (an empty title matches any); 0 when none.
Hwnd FindWindow(std::string_view className, std::string_view title);

}  // namespace kavrel::desktop
