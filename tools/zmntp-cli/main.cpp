// zmntp-cli: runs commands of the network library from the command line and prints
// each result as one JSON line.
//
//   zmntp-cli --server ADDR [--port N] [--home DIR] [--frames DIR] STEP...
//   STEP:  CODE  |  CODE=DATA  |  sleep:MS
//   DATA:  hex:HEX | text:UTF8 | u32:N | file:PATH | video:CAMERA@RELAY
//
// The library reads a fixed number of bytes of the caller's data for most codes
// (protocol::CallerDataSize): DATA is padded with zeros to that size, and refused when
// it is longer, so the library never reads past what the tool hands it.
// With --frames, the tool registers a window that writes every picture it is given to
// DIR/frame-00000.bmp, frame-00001.bmp, ...; video:CAMERA@RELAY builds the video start
// request of code 160 for that window (handle 0 without --frames).
#include <arpa/inet.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "ZMNTP.h"
#include "kavrel/clock.h"
#include "kavrel/cp949.h"
#include "kavrel/little_endian.h"
#include "kavrel/window_handles.h"
#include "protocol/commands.h"
#include "protocol/video.h"

namespace {

const char kUsage[] =
    "usage: zmntp-cli --server ADDR [--port N] [--home DIR] [--frames DIR] STEP...\n"
    "  STEP:  CODE  |  CODE=DATA  |  sleep:MS\n"
    "  DATA:  hex:HEX | text:UTF8 | u32:N | file:PATH | video:CAMERA@RELAY\n"
    "  --frames DIR: pictures of the video session go to DIR/frame-NNNNN.bmp;\n"
    "                video:CAMERA@RELAY is the start request (code 160) for that window\n"
    "  DATA is padded with zeros to the bytes the library reads for the code, and refused\n"
    "  when longer: 124 for codes 2, 3, 8 and 177; 4 for 4, 5 and 16; 128 for 7 and 48\n"
    "  (text: holds at most 127 bytes in code page 949); 12 for 144; 14 for 178; 732 for\n"
    "  241 and 242; code 128 sends the data as it is, its length as the count\n";

struct Step {
  bool sleep = false;
  unsigned long value = 0;  // the code, or the milliseconds of a sleep
  bool hasData = false;
  std::vector<std::uint8_t> data;
  bool video = false;  // data is the video start request; the window handle is filled in at run time
};

// A window whose pictures go to numbered bitmap files.
class FrameFileWindow : public kavrel::WindowTarget {
 public:
  explicit FrameFileWindow(std::filesystem::path dir) : dir_(std::move(dir)) {}

  // The picture is the pixel memory of a bottom-up bitmap: its first row is the
  // bitmap's bottom row, and is written as such.
  void ShowPicture(const std::uint8_t* bgr, int width, int height) override {
    if (width <= 0 || height <= 0) return;
    char name[32];
    std::snprintf(name, sizeof name, "frame-%05u.bmp", next_.fetch_add(1));
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    const std::size_t stride = (row + 3) & ~static_cast<std::size_t>(3);
    const std::size_t image = stride * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> file(54 + image, 0);
    std::uint8_t* h = file.data();
    h[0] = 'B';
    h[1] = 'M';
    kavrel::WriteU32(h, 2, static_cast<std::uint32_t>(file.size()));
    kavrel::WriteU32(h, 10, 54);  // pixels follow both headers
    kavrel::WriteU32(h, 14, 40);  // info header size
    kavrel::WriteU32(h, 18, static_cast<std::uint32_t>(width));
    kavrel::WriteU32(h, 22, static_cast<std::uint32_t>(height));  // positive: bottom-up
    kavrel::WriteLE<std::uint16_t>(h, 26, 1);                      // planes
    kavrel::WriteLE<std::uint16_t>(h, 28, 24);                     // bits per pixel
    kavrel::WriteU32(h, 34, static_cast<std::uint32_t>(image));
    for (int y = 0; y < height; ++y)
      std::memcpy(h + 54 + static_cast<std::size_t>(y) * stride, bgr + static_cast<std::size_t>(y) * row, row);
    std::ofstream out(dir_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out && !failed_.exchange(true))
      std::fprintf(stderr, "zmntp-cli: cannot write %s\n", (dir_ / name).c_str());
  }
  void DrawText(std::string_view utf8, const kavrel::TextRect&) override {
    std::fprintf(stderr, "zmntp-cli: window text: %.*s\n", static_cast<int>(utf8.size()), utf8.data());
  }

 private:
  std::filesystem::path dir_;
  std::atomic<unsigned> next_{0};
  std::atomic<bool> failed_{false};
};

std::optional<unsigned long> ParseNumber(const std::string& s, unsigned long max) {
  if (s.empty() || s.size() > 10) return std::nullopt;
  for (char c : s)
    if (c < '0' || c > '9') return std::nullopt;
  unsigned long long v = std::strtoull(s.c_str(), nullptr, 10);
  if (v > max) return std::nullopt;
  return static_cast<unsigned long>(v);
}

std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& s) {
  if (s.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < s.size(); i += 2) {
    auto nibble = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    int hi = nibble(s[i]), lo = nibble(s[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return out;
}

// Parses DATA; on failure returns nullopt with `error` set.
std::optional<std::vector<std::uint8_t>> ParseData(const std::string& d, std::string& error) {
  auto after = [&](const char* prefix) { return d.substr(std::string(prefix).size()); };
  if (d.rfind("hex:", 0) == 0) {
    auto bytes = ParseHex(after("hex:"));
    if (!bytes) error = "hex data must be pairs of hexadecimal digits";
    return bytes;
  }
  if (d.rfind("text:", 0) == 0) {
    auto cp = kavrel::Utf8ToCp949(after("text:"));
    if (!cp) {
      error = "text is not UTF-8 or has characters without a code page 949 form";
      return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(cp->begin(), cp->end());
    bytes.push_back(0);
    return bytes;
  }
  if (d.rfind("u32:", 0) == 0) {
    auto v = ParseNumber(after("u32:"), 0xFFFFFFFFul);
    if (!v) {
      error = "u32 needs a number from 0 to 4294967295";
      return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(4);
    kavrel::WriteU32(bytes.data(), 0, static_cast<std::uint32_t>(*v));
    return bytes;
  }
  if (d.rfind("file:", 0) == 0) {
    std::ifstream in(after("file:"), std::ios::binary);
    if (!in) {
      error = "cannot read " + after("file:");
      return std::nullopt;
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  error = "data must start with hex:, text:, u32:, file: or video:";
  return std::nullopt;
}

std::optional<Step> ParseStep(const std::string& arg, std::string& error) {
  Step step;
  if (arg.rfind("sleep:", 0) == 0) {
    auto ms = ParseNumber(arg.substr(6), 86400000);
    if (!ms) {
      error = "sleep needs milliseconds";
      return std::nullopt;
    }
    step.sleep = true;
    step.value = *ms;
    return step;
  }
  std::size_t eq = arg.find('=');
  auto code = ParseNumber(arg.substr(0, eq), 0xFFFFFFFFul);
  if (!code) {
    error = "a step is CODE, CODE=DATA or sleep:MS";
    return std::nullopt;
  }
  step.value = *code;
  if (eq != std::string::npos && arg.compare(eq + 1, 6, "video:") == 0) {
    // video:CAMERA@RELAY -> {window handle (filled in later), camera, relay address text}
    std::string video = arg.substr(eq + 7);
    std::size_t at = video.find('@');
    auto camera = at == std::string::npos ? std::nullopt : ParseNumber(video.substr(0, at), 0xFFFFFFFFul);
    std::string relay = at == std::string::npos ? std::string() : video.substr(at + 1);
    in_addr parsed{};
    if (!camera || relay.size() > 15 || ::inet_pton(AF_INET, relay.c_str(), &parsed) != 1) {
      error = "video needs CAMERA@RELAY with a camera number and a dotted IPv4 relay address";
      return std::nullopt;
    }
    step.hasData = true;
    step.video = true;
    auto request = protocol::WriteVideoStartRequest({0, static_cast<std::uint32_t>(*camera), relay});
    step.data.assign(request.begin(), request.end());
    return step;
  }
  if (eq != std::string::npos) {
    auto data = ParseData(arg.substr(eq + 1), error);
    if (!data) return std::nullopt;
    // The library reads the code's whole body from the caller: hand it that many bytes.
    const std::size_t body = protocol::CallerDataSize(static_cast<std::uint32_t>(*code));
    if (body > 0) {
      if (data->size() > body) {
        error = "data of " + std::to_string(data->size()) + " bytes is longer than the " + std::to_string(body) +
                " bytes code " + std::to_string(*code) + " takes";
        return std::nullopt;
      }
      data->resize(body, 0);
    }
    step.hasData = true;
    step.data = std::move(*data);
  }
  return step;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (auto b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "zmntp-cli: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string server;
  unsigned long port = 7000;
  std::vector<Step> steps;
  std::optional<std::filesystem::path> framesDir;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* what) -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      (void)what;
      return std::string(argv[++i]);
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--server") {
      auto v = value("--server");
      if (!v) return Fail("--server needs an address");
      server = *v;
    } else if (arg == "--port") {
      auto v = value("--port");
      auto n = v ? ParseNumber(*v, 65535) : std::nullopt;
      if (!n || *n == 0) return Fail("--port needs a number from 1 to 65535");
      port = *n;
    } else if (arg == "--home") {
      auto v = value("--home");
      if (!v) return Fail("--home needs a directory");
      ::setenv("KAVREL_HOME", v->c_str(), 1);
    } else if (arg == "--frames") {
      auto v = value("--frames");
      std::error_code ec;
      if (!v || !std::filesystem::is_directory(*v, ec)) return Fail("--frames needs an existing directory");
      framesDir = *v;
    } else if (arg.rfind("--", 0) == 0) {
      return Fail("unknown option " + arg);
    } else {
      std::string error;
      auto step = ParseStep(arg, error);
      if (!step) return Fail("step '" + arg + "': " + error);
      steps.push_back(std::move(*step));
    }
  }
  if (server.empty()) return Fail("--server is required");

  kavrel::WindowHandle window = 0;
  if (framesDir) window = kavrel::RegisterWindow(std::make_shared<FrameFileWindow>(*framesDir));

  CZMNTP lib;
  lib.ZMNTP_Init();
  for (Step& step : steps) {
    if (step.video) kavrel::WriteU32(step.data.data(), 0, window);
    if (step.sleep) {
      kavrel::Sleep(static_cast<std::uint32_t>(step.value));
      continue;
    }
    unsigned long count = step.value == CMD_QUESTION_SEND ? static_cast<unsigned long>(step.data.size()) : 0;
    void* data = step.hasData ? step.data.data() : nullptr;
    int result = lib.SendCmd(server.data(), port, step.value, &count, data);
    std::vector<std::uint8_t> out;
    std::size_t unit = ZMNTP_ResultUnit(step.value);
    if (result == 0 && count > 0 && unit > 0) {
      out.assign(static_cast<std::size_t>(count) * unit, 0);
      lib.GetData(step.value, nullptr, count, out.data());
    }
    std::printf("{\"code\":%lu,\"result\":%d,\"count\":%lu,\"data\":\"%s\"}\n", step.value, result, count,
                Hex(out).c_str());
    std::fflush(stdout);
  }
  lib.ZMNTP_Destroy();
  // A session still running ends now, before the window goes.
  unsigned long count = 0;
  lib.SendCmd(server.data(), port, CMD_CCTV_VIDEO_STOP, &count, nullptr);
  if (window) kavrel::UnregisterWindow(window);
  return 0;
}
