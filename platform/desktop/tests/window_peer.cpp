// The second program of the desktop window tests, run as
//   desktop_window_peer HANDLE
// It puts "peer text 한글" on the clipboard, opens a window and tells HANDLE its handle
// (message "KAVREL_TEST", wParam 1). Handling wParam 10 it sends back wParam 11 with
// lParam + 1 and answers 100 + lParam; on WM_CLOSE it ends.
#include <cstdio>

#include "kavrel/desktop_runtime.h"
#include "kavrel/desktop_window.h"

using namespace kavrel::desktop;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Hwnd caller = HandleFromText(argv[1]);
  unsigned message = RegisterWindowMessage("KAVREL_TEST");
  bool closed = false;
  auto window = Window::Create([&](unsigned m, std::int64_t w, std::int64_t l) -> std::int64_t {
    if (m == kWmClose) {
      closed = true;
      return 0;
    }
    if (m == message && w == 10) {
      SendMessage(caller, message, 11, l + 1);
      return 100 + l;
    }
    return -1;
  });
  if (!window) return 3;
  if (!SetClipboardText("peer text 한글")) return 4;
  SendMessage(caller, message, 1, window->handle());
  while (!closed)
    if (!window->DispatchOne(std::chrono::milliseconds(1000)) && !IsWindow(caller)) return 5;  // the test has gone
  return 0;
}
