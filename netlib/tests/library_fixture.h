// Common ground of the library's tests: a working directory of the test's own (the
// debug log and ".\CastingDate" land there), an initialised CZMNTP and the log's lines.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ZMNTP.h"
#include "connection.h"
#include "kavrel/cp949.h"
#include "scripted_peer.h"

namespace zmntp::testing {

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("zmntp-") + info->test_suite_name() + "-" + info->name() + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    oldDir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    savedTimeouts_ = Timeouts();
    Timeouts().replyIdleMs = 400;
    Timeouts().bulkSizeIdleMs = 400;
    Timeouts().bulkDataIdleMs = 400;
    lib_.ZMNTP_Init();
  }
  void TearDown() override {
    lib_.ZMNTP_Destroy();
    Timeouts() = savedTimeouts_;
    std::filesystem::current_path(oldDir_);
    std::filesystem::remove_all(dir_);
  }

  // The debug log's lines as UTF-8, without their time stamps and line ends.
  std::vector<std::string> LogLines() const {
    std::ifstream in(dir_ / "DBM.TXT", std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::vector<std::string> lines;
    std::string text = all.str();
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) end = text.size();
      std::string line = kavrel::Cp949ToUtf8(text.substr(at, end - at)).value_or("<not CP949>");
      std::size_t close = line.find(')');
      lines.push_back(line.substr(0, 1) == "(" && close != std::string::npos ? line.substr(close + 1) : line);
      at = end + 2;
    }
    return lines;
  }

  // Sends one command to `peer` and fetches its result (when there is one).
  struct Outcome {
    int result;
    unsigned long count;
    Bytes data;
  };
  Outcome Run(ScriptedPeer& peer, unsigned long code, const void* data, unsigned long count = 0,
              std::size_t unit = 1) {
    Outcome o{};
    o.count = count;
    o.result = lib_.SendCmd(peer.addressText(), 7000, code, &o.count, const_cast<void*>(data));
    if (o.result == 0 && o.count > 0) {
      o.data.assign(o.count * unit, 0xEE);
      lib_.GetData(code, nullptr, o.count, o.data.data());
    }
    return o;
  }

  CZMNTP lib_;
  std::filesystem::path dir_;
  std::filesystem::path oldDir_;
  NetTimeouts savedTimeouts_;
};

}  // namespace zmntp::testing
