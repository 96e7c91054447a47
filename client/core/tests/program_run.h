// The built KavrelClientPDA as a child process: offscreen, with its own profile folder
// (as $XDG_CONFIG_HOME) as its working directory, standard error in a file that the
// test reads as the run goes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace client::testing {

class ProgramRun {
 public:
  // Long enough for a sanitizer build on a busy two-core machine.
  static constexpr auto kPatience = std::chrono::seconds(180);

  ProgramRun(std::filesystem::path profileDir, std::vector<std::string> args)
      : dir_(std::move(profileDir)), log_(dir_ / "client.log") {
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + dir_.string(), "QT_QPA_PLATFORM=offscreen"};
    for (char** e = environ; *e; ++e) {
      const std::string v = *e;
      if (v.rfind("XDG_CONFIG_HOME=", 0) != 0 && v.rfind("QT_QPA_PLATFORM=", 0) != 0) env.push_back(v);
    }
    args.insert(args.begin(), KAVREL_CLIENT_PATH);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    posix_spawn_file_actions_addopen(&actions, 2, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, KAVREL_CLIENT_PATH, &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ProgramRun() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  void Signal(int signal) const {
    if (pid_ > 0) ::kill(pid_, signal);
  }

  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The first line of standard error that starts with `prefix`, once it has been
  // written (nullopt when the program ends or time runs out first).
  std::optional<std::string> WaitForLine(const std::string& prefix) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
      const std::string log = Log();
      for (std::size_t at = 0; at < log.size();) {
        const std::size_t end = log.find('\n', at);
        if (end == std::string::npos) break;  // a line still being written
        if (log.compare(at, prefix.size(), prefix) == 0) return log.substr(at, end - at);
        at = end + 1;
      }
      if (Exited() || std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  // The program's exit status once it has ended (nullopt when it is still running
  // after the patience).
  std::optional<int> WaitForExit() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!Exited()) {
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return status_;
  }
  // Lines of standard error that start with `prefix`.
  int CountLines(const std::string& prefix) const {
    std::istringstream in(Log());
    int n = 0;
    for (std::string line; std::getline(in, line);)
      if (line.rfind(prefix, 0) == 0) ++n;
    return n;
  }

 private:
  bool Exited() {
    if (pid_ <= 0) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
  }

  std::filesystem::path dir_;
  std::filesystem::path log_;
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace client::testing
