#include "kavrel/shell.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "kavrel/testing/files.h"
#include "kavrel/testing/scratch.h"

namespace kavrel::shell {
namespace {

using kavrel::testing::ScratchDir;
namespace fs = std::filesystem;

using kavrel::testing::ReadFile;

void WriteFile(const fs::path& path, const std::string& text, bool executable = false) {
  kavrel::testing::WriteFile(path, text);
  if (executable) fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
}

class Shell : public ::testing::Test {
 protected:
  void SetUp() override {
    // Records its argument count, its arguments and its current folder.
    WriteFile(dir_ / "prog",
              "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; pwd; } > \"$0.out\"\nexit 7\n", true);
  }
  ScratchDir dir_{"shell"};
};

TEST_F(Shell, ProgramsGetTheWholeParameterTextInTheirFolder) {
  fs::create_directory(dir_ / "other");
  auto launch = ShellExecute("open", "prog", "123 /http://127.0.0.1/u.php /1.0 \"q\"", dir_.path(), ShowWindow::Hidden);
  ASSERT_GT(launch.result, 32);
  ASSERT_TRUE(launch.process.WaitFor(-1));
  EXPECT_EQ(launch.process.exitCode(), 7);
  EXPECT_EQ(ReadFile(dir_ / "prog.out"), "1\n[123 /http://127.0.0.1/u.php /1.0 \"q\"]\n" + dir_.path().string() + "\n");

  // No parameters: no argument at all; an absolute file runs in the folder given.
  launch = ShellExecute("", dir_ / "prog", "", dir_ / "other", ShowWindow::Normal);
  ASSERT_GT(launch.result, 32);
  ASSERT_TRUE(launch.process.WaitFor(-1));
  EXPECT_EQ(ReadFile(dir_ / "prog.out"), "0\n" + (dir_ / "other").string() + "\n");
}

TEST_F(Shell, BatchFilesRunThroughTheShell) {
  fs::create_directory(dir_ / "with space");
  WriteFile(dir_ / "with space" / "prog", ReadFile(dir_ / "prog"), true);
  for (const char* name : {"EXE.BAT", "run.bat"}) {
    SCOPED_TRACE(name);
    // One line without a line end, both paths quoted, as the installer writes it.
    WriteFile(dir_ / name, "\"" + (dir_ / "with space" / "prog").string() + "\" \"" + (dir_ / "a b.ini").string() + "\"");
    auto launch = ShellExecute("open", name, "", dir_.path(), ShowWindow::Hidden);
    ASSERT_GT(launch.result, 32);
    ASSERT_TRUE(launch.process.WaitFor(-1));
    EXPECT_EQ(launch.process.exitCode(), 7);
    EXPECT_EQ(ReadFile(dir_ / "with space" / "prog.out"), "1\n[" + (dir_ / "a b.ini").string() + "]\n" + dir_.path().string() + "\n");
  }
}

TEST_F(Shell, FailuresAreReportedAsTheShellReportsThem) {
  WriteFile(dir_ / "notes.txt", "text");
  struct Case {
    const char* verb;
    const char* file;
    int result;
  } cases[] = {
      {"open", "missing", kFileNotFound},
      {"open", "missing.bat", kFileNotFound},
      {"open", "notes.txt", kNoAssociation},
      {"print", "prog", kNoAssociation},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto launch = ShellExecute(c.verb, c.file, "", dir_.path(), ShowWindow::Hidden);
    EXPECT_EQ(launch.result, c.result);
    EXPECT_FALSE(launch.process.valid());
    EXPECT_FALSE(launch.process.WaitFor(0));
  }
  EXPECT_FALSE(fs::exists(dir_ / "prog.out"));
}

TEST_F(Shell, TheEndOfAProgramCanBeWatched) {
  const auto fifo = dir_ / "go";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  WriteFile(dir_ / "waiter", "#!/bin/sh\nread line < \"$1\"\nexit 3\n", true);
  auto launch = ShellExecute("open", "waiter", fifo.string(), dir_.path(), ShowWindow::Hidden);
  ASSERT_GT(launch.result, 32);
  ASSERT_GE(launch.process.fd(), 0);
  EXPECT_FALSE(launch.process.WaitFor(0));
  EXPECT_EQ(launch.process.exitCode(), -1);

  int fd = ::open(fifo.c_str(), O_WRONLY);  // opens once the program reads
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "x\n", 2), 2);
  ::close(fd);
  pollfd p{launch.process.fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, -1), 1);  // the descriptor tells the end
  EXPECT_TRUE(launch.process.WaitFor(0));
  EXPECT_EQ(launch.process.exitCode(), 3);
}

TEST_F(Shell, FilesAreListedInByteOrderOfTheirNames) {
  for (const char* name : {"b.ini", "a.INI", "c.txt", "Z.ini", "ini", "x.ini.bak", "_1.ini"}) WriteFile(dir_ / name, "");
  fs::create_directory(dir_ / "d.ini");
  EXPECT_EQ(FindFiles(dir_.path(), "*.ini"), (std::vector<std::string>{"Z.ini", "_1.ini", "a.INI", "b.ini"}));
  EXPECT_EQ(FindFiles(dir_.path(), "?.ini"), (std::vector<std::string>{"Z.ini", "a.INI", "b.ini"}));
  EXPECT_EQ(FindFiles(dir_.path(), "*"), (std::vector<std::string>{"Z.ini", "_1.ini", "a.INI", "b.ini", "c.txt", "ini",
                                                                   "prog", "x.ini.bak"}));
  EXPECT_EQ(FindFiles(dir_.path(), "*i*.*k"), (std::vector<std::string>{"x.ini.bak"}));
  EXPECT_TRUE(FindFiles(dir_ / "missing", "*.ini").empty());
}

}  // namespace
}  // namespace kavrel::shell
