// Shell execution and file listing of the desktop.
//
// ShellExecute opens a file as the desktop shell does: a program runs with the
// parameters as its one argument (the whole command-line text, as the program would
// see it after its own name); a ".BAT" file runs through the shell /bin/sh. The window
// flag is accepted for the caller's sake; programs here decide themselves when to show.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::shell {

enum class ShowWindow { Hidden, Normal };

// Results of ShellExecute as the desktop shell reports them: above 32 is success.
inline constexpr int kSucceeded = 42;
inline constexpr int kFileNotFound = 2;
inline constexpr int kAccessDenied = 5;
inline constexpr int kNoAssociation = 31;

// A started program. It can be watched for its end (fd() becomes readable then) and
// waited for; a program still running when this object goes is left running.
class Process {
 public:
  Process() = default;
  Process(pid_t pid, int fd) : pid_(pid), fd_(fd) {}
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;

  bool valid() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // Readable once the program has ended; -1 when there is no program.
  int fd() const { return fd_; }
  // Waits up to `timeoutMs` (negative: without limit) for the end; true when it ended.
  bool WaitFor(int timeoutMs);
  // The exit code after the end (-1 when killed by a signal or not ended yet).
  int exitCode() const { return exitCode_; }

 private:
  void Reset();
  pid_t pid_ = -1;
  int fd_ = -1;
  bool ended_ = false;
  int exitCode_ = -1;
};

struct Launch {
  int result = 0;  // > 32 when started
  Process process;
};

// `verb` "open" or empty; `file` relative to `directory` (the current directory when
// empty), which also becomes the program's current directory.
Launch ShellExecute(std::string_view verb, const std::filesystem::path& file, std::string_view parameters,
                    const std::filesystem::path& directory, ShowWindow show);

// Names of the files in `dir` that match `pattern` ('*' any run, '?' one character,
// without regard to ASCII case), in byte order of the names.
std::vector<std::string> FindFiles(const std::filesystem::path& dir, std::string_view pattern);

}  // namespace kavrel::shell
