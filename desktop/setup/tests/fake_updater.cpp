// A stand-in for the updater in the installer's tests: it talks to its caller as the
// updater does, but follows a script instead of asking a server.
//   FAKE_UPDATER_SCRIPT  steps separated by '|':
//     notice:N          send notice N ("APP_AUTO_UPDATE", wParam N, lParam 0)
//     clip:TEXT         put TEXT on the clipboard
//     close-caller      send WM_CLOSE to the caller
//     copy:FROM=NAME    copy the file FROM to __TEMP__/NAME (a "download")
//     wait-command      handle messages until command 1 or WM_CLOSE came
//     signal:FIFO       write a line to FIFO (the test waits for it)
//     await:FIFO        read a line from FIFO (the test lets it go on)
//     exit              end at once
//   After the last step it handles messages until WM_CLOSE.
// Everything it receives is appended to fake_updater.log in its current directory.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kavrel/desktop_runtime.h"
#include "kavrel/desktop_window.h"

namespace desktop = kavrel::desktop;

namespace {

void Log(const std::string& line) { std::ofstream("fake_updater.log", std::ios::app) << line << "\n"; }

}  // namespace

int main(int argc, char** argv) {
  std::string params;
  for (int i = 1; i < argc; ++i) params += (i > 1 ? " " : "") + std::string(argv[i]);
  Log("args " + params);
  const desktop::Hwnd caller = desktop::HandleFromText(params);
  const unsigned autoUpdate = desktop::RegisterWindowMessage("APP_AUTO_UPDATE");
  bool closed = false, commanded = false;
  auto window = desktop::Window::Create([&](unsigned message, std::int64_t w, std::int64_t l) -> std::int64_t {
    if (message == desktop::kWmClose) {
      Log("recv WM_CLOSE");
      closed = true;
    } else if (message == autoUpdate) {
      Log("recv command " + std::to_string(w) + " " + std::to_string(l));
      if (w == 1) commanded = true;
    }
    return 0;
  });
  if (!window) return 3;
  desktop::SendMessage(caller, autoUpdate, 1, window->handle());

  const char* script = std::getenv("FAKE_UPDATER_SCRIPT");
  std::stringstream steps(script ? script : "");
  std::string step;
  while (!closed && std::getline(steps, step, '|')) {
    auto colon = step.find(':');
    std::string verb = step.substr(0, colon), arg = colon == std::string::npos ? "" : step.substr(colon + 1);
    if (verb == "notice") {
      Log("send notice " + arg);
      desktop::SendMessage(caller, autoUpdate, std::stoi(arg), 0);
    } else if (verb == "clip") {
      desktop::SetClipboardText(arg);
    } else if (verb == "close-caller") {
      desktop::SendMessage(caller, desktop::kWmClose, 0, 0);
    } else if (verb == "copy") {
      auto eq = arg.find('=');
      std::filesystem::create_directories("__TEMP__");
      std::filesystem::copy_file(arg.substr(0, eq), "__TEMP__/" + arg.substr(eq + 1),
                                 std::filesystem::copy_options::overwrite_existing);
    } else if (verb == "wait-command") {
      while (!commanded && !closed) window->DispatchOne(std::chrono::hours(1));
    } else if (verb == "signal") {
      std::ofstream(arg) << "go\n";
    } else if (verb == "await") {
      std::string line;
      std::ifstream in(arg);
      std::getline(in, line);
    } else if (verb == "exit") {
      Log("exit");
      return 0;
    }
  }
  while (!closed) window->DispatchOne(std::chrono::hours(1));
  Log("exit");
  return 0;
}
