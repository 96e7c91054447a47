#include "kavrel/shell.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "kavrel/ascii_case.h"

extern char** environ;

namespace kavrel::shell {
namespace {

bool Matches(std::string_view pattern, std::string_view name) {
  // Iterative wildcard match with one back-track point for the last '*'.
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool IsBatchFile(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  return SameNoCase(ext, ".bat");
}

int ResultOf(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return kFileNotFound;
    case EACCES:
    case EPERM: return kAccessDenied;
    default: return kNoAssociation;
  }
}

}  // namespace

Process::~Process() { Reset(); }

Process::Process(Process&& other) noexcept { *this = std::move(other); }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Reset();
    pid_ = std::exchange(other.pid_, -1);
    fd_ = std::exchange(other.fd_, -1);
    ended_ = std::exchange(other.ended_, false);
    exitCode_ = std::exchange(other.exitCode_, -1);
  }
  return *this;
}

void Process::Reset() {
  if (pid_ > 0 && !ended_) WaitFor(0);  // collects a program that has already ended
  if (fd_ >= 0) ::close(fd_);
  pid_ = -1;
  fd_ = -1;
}

bool Process::WaitFor(int timeoutMs) {
  if (pid_ <= 0) return false;
  if (ended_) return true;
  if (fd_ >= 0) {
    pollfd p{fd_, POLLIN, 0};
    int r;
    do r = ::poll(&p, 1, timeoutMs);
    while (r < 0 && errno == EINTR);
    if (r <= 0) return false;
  }
  int status = 0;
  pid_t r;
  do r = ::waitpid(pid_, &status, fd_ >= 0 || timeoutMs >= 0 ? WNOHANG : 0);
  while (r < 0 && errno == EINTR);
  if (r != pid_) return false;
  ended_ = true;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

Launch ShellExecute(std::string_view verb, const std::filesystem::path& file, std::string_view parameters,
                    const std::filesystem::path& directory, ShowWindow) {
  Launch launch;
  if (!verb.empty() && verb != "open") {
    launch.result = kNoAssociation;
    return launch;
  }
  std::error_code ec;
  const auto base = directory.empty() ? std::filesystem::current_path(ec) : std::filesystem::absolute(directory, ec);
  const auto path = file.is_absolute() ? file : base / file;
  if (ec || !std::filesystem::is_regular_file(path, ec)) {
    launch.result = kFileNotFound;
    return launch;
  }
  const bool batch = IsBatchFile(path);
  if (!batch && ::access(path.c_str(), X_OK) != 0) {
    launch.result = kNoAssociation;  // a document without a program to open it
    return launch;
  }
  std::string program = batch ? "/bin/sh" : path.string();
  std::vector<std::string> args{batch ? "sh" : path.string()};
  if (batch) args.push_back(path.string());
  if (!parameters.empty()) args.emplace_back(parameters);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, base.c_str());
  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    launch.result = ResultOf(rc);
    return launch;
  }
  // Our own child cannot be replaced by another process before we collect it, so the
  // descriptor surely names it.
  launch.process = Process(pid, static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  launch.result = kSucceeded;
  return launch;
}

std::vector<std::string> FindFiles(const std::filesystem::path& dir, std::string_view pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    auto name = it->path().filename().string();
    if (Matches(pattern, name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kavrel::shell
