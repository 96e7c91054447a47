// Desktop windows between processes: registered window messages sent synchronously,
// WM_CLOSE, and window handles that are unique across the user's processes and travel
// as decimal text.
//
// Each window listens on a Unix-domain socket named by its handle in the runtime
// directory (desktop_runtime.h). A send connects to the receiver's socket, writes one
// message and waits for its result; while it waits, messages sent to windows of the
// sending thread are handled, so a message sent back meanwhile is handled before the
// first send returns. A handle that names no window drops the message (result 0).
//
// Messages are handled on the thread that created the window: a program calls
// DispatchPending when fd() is readable (a Qt program watches it with a
// QSocketNotifier), or DispatchOne in a loop of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kavrel::desktop {

using Hwnd = std::int32_t;
inline constexpr unsigned kWmClose = 0x0010;

// The identifier of a registered message: the same name gives the same number in
// every process (a number in 0xC000..0xFFFF derived from the name).
unsigned RegisterWindowMessage(std::string_view name);

// Reads a handle from decimal text (leading digits; none gives 0).
Hwnd HandleFromText(std::string_view text);

class Window {
 public:
  using Handler = std::function<std::int64_t(unsigned message, std::int64_t wParam, std::int64_t lParam)>;

  // A new window handled by `handler` on the calling thread; nullptr (and `error`) when
  // no socket can be made for it.
  static std::unique_ptr<Window> Create(Handler handler, std::string* error = nullptr);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Hwnd handle() const { return handle_; }
  // Readable when a message waits.
  int fd() const { return listenFd_; }
  // Handles every message waiting now; never blocks for a new one.
  void DispatchPending();
  // Waits up to `timeout` for a message and handles it; false when none came.
  bool DispatchOne(std::chrono::milliseconds timeout);

 private:
  Window(Hwnd handle, int listenFd, Handler handler);
  enum class Accepted { Nothing, Empty, Message };
  Accepted AcceptAndHandle();
  friend std::int64_t SendMessage(Hwnd, unsigned, std::int64_t, std::int64_t);

  Hwnd handle_;
  int listenFd_;
  Handler handler_;
};

// Sends a message and waits until the receiver has handled it; returns its result, or
// 0 when `to` names no window (or the receiver ends before answering).
std::int64_t SendMessage(Hwnd to, unsigned message, std::int64_t wParam, std::int64_t lParam);

// Whether a window with this handle exists now.
bool IsWindow(Hwnd handle);

}  // namespace kavrel::desktop
