// kavreld: the reference traffic server.
//
//   kavreld [--listen ADDR] [--public-address ADDR] [--port N] [--data DIR] [--db FILE]
//           [--seed N] [--idle-timeout MS] [--max-connections N] [--max-per-address N]
//           [--relay-port N] [--video-port N] [--video-ports N] [--update-port N] [--updates DIR]
//
// Serves members (SQLite), live traffic simulated over the road file, places,
// routes, the news flash, texts, limits, broadcasts, questions and camera pictures,
// the bulk exchange, live video through the camera relay and the video server, and the
// desktop updater's update script and files over HTTP.
// One log line per request on standard error; SIGINT and SIGTERM stop it cleanly.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include <asio.hpp>

#include "camera_relay.h"
#include "kavrel/clock.h"
#include "kavrel/handheld_path.h"
#include "request_handler.h"
#include "tcp_server.h"
#include "update_service.h"
#include "video_streamer.h"

namespace {

const char kUsage[] =
    "usage: kavreld [--listen ADDR] [--public-address ADDR] [--port N] [--data DIR] [--db FILE]\n"
    "               [--seed N] [--idle-timeout MS] [--max-connections N] [--max-per-address N]\n"
    "               [--relay-port N] [--video-port N] [--video-ports N] [--update-port N]\n"
    "               [--updates DIR]\n"
    "  --listen ADDR          IPv4 address of all three services (127.0.0.1)\n"
    "  --public-address ADDR  address that code 34 and the camera relay name, for a server\n"
    "                         behind a translating router (the --listen address)\n"
    "  --port N               TCP port (7000)\n"
    "  --data DIR             road.dat, server/ and cctv/ (the installed sample data)\n"
    "  --db FILE              member database (DIR/members.db)\n"
    "  --seed N               seed of the traffic simulation (1)\n"
    "  --idle-timeout MS      close a connection of any service idle this long (10000)\n"
    "  --max-connections N    traffic connections served at once (256)\n"
    "  --max-per-address N    connections of each service from one address (32)\n"
    "  --relay-port N         camera relay's TCP port (6000)\n"
    "  --video-port N         video server's first TCP port (6100)\n"
    "  --video-ports N        video server's ports, one per camera named and not yet\n"
    "                         streamed (64)\n"
    "  --update-port N        update service's HTTP port (8080)\n"
    "  --updates DIR          update manifest.json and files (updates/ of --data)\n";

std::optional<unsigned long long> Number(const std::string& s, unsigned long long min, unsigned long long max) {
  if (s.empty() || s.size() > 20) return std::nullopt;
  for (char c : s)
    if (c < '0' || c > '9') return std::nullopt;
  errno = 0;
  unsigned long long v = std::strtoull(s.c_str(), nullptr, 10);
  if (errno != 0 || v < min || v > max) return std::nullopt;
  return v;
}

void LogLine(const std::string& text) {
  kavrel::LocalTime t = kavrel::GetLocalTime();
  std::fprintf(stderr, "%04d-%02d-%02d %02d:%02d:%02d.%03d %s\n", t.year, t.month, t.day, t.hour, t.minute, t.second,
               t.millisecond, text.c_str());
  std::fflush(stderr);
}

bool IsIpv4(const std::string& s) {
  std::error_code ec;
  (void)asio::ip::make_address_v4(s, ec);
  return !ec && s.size() <= 15;
}

int Usage(const std::string& why) {
  std::fprintf(stderr, "kavreld: %s\n%s", why.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  kavreld::ServerOptions options;
  kavreld::HandlerSetup setup;
  setup.dataDir = kavrel::DataDirectory();
  std::optional<std::filesystem::path> db;
  kavreld::CameraRelayOptions relayOptions;
  kavreld::VideoStreamerOptions videoOptions;
  std::string publicAddress;
  kavreld::UpdateServiceOptions updateOptions;
  std::optional<std::filesystem::path> updatesDir;

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) return Usage(arg + " needs a value");
    std::string value = argv[++i];
    if (arg == "--listen") {
      if (!IsIpv4(value)) return Usage("--listen takes a dotted IPv4 address");
      options.address = value;
    } else if (arg == "--public-address") {
      if (!IsIpv4(value) || value == "0.0.0.0") return Usage("--public-address takes a dotted IPv4 address");
      publicAddress = value;
    } else if (arg == "--port") {
      auto v = Number(value, 1, 65535);
      if (!v) return Usage("--port takes 1..65535");
      options.port = static_cast<std::uint16_t>(*v);
    } else if (arg == "--data") {
      setup.dataDir = value;
    } else if (arg == "--db") {
      db = value;
    } else if (arg == "--seed") {
      auto v = Number(value, 0, ~0ull);
      if (!v) return Usage("--seed takes a whole number");
      setup.seed = *v;
    } else if (arg == "--idle-timeout") {
      auto v = Number(value, 10, 3600000);
      if (!v) return Usage("--idle-timeout takes 10..3600000 milliseconds");
      options.idleTimeout = std::chrono::milliseconds(*v);
    } else if (arg == "--max-connections") {
      auto v = Number(value, 1, 100000);
      if (!v) return Usage("--max-connections takes 1..100000");
      options.maxConnections = static_cast<std::size_t>(*v);
    } else if (arg == "--max-per-address") {
      auto v = Number(value, 1, 100000);
      if (!v) return Usage("--max-per-address takes 1..100000");
      options.maxPerAddress = relayOptions.maxPerAddress = videoOptions.maxPerAddress = static_cast<std::size_t>(*v);
    } else if (arg == "--video-ports") {
      auto v = Number(value, 1, 4096);
      if (!v) return Usage("--video-ports takes 1..4096");
      videoOptions.ports = static_cast<std::uint16_t>(*v);
    } else if (arg == "--relay-port") {
      auto v = Number(value, 1, 65535);
      if (!v) return Usage("--relay-port takes 1..65535");
      relayOptions.port = static_cast<std::uint16_t>(*v);
    } else if (arg == "--video-port") {
      auto v = Number(value, 1, 65535);
      if (!v) return Usage("--video-port takes 1..65535");
      videoOptions.port = static_cast<std::uint16_t>(*v);
    } else if (arg == "--update-port") {
      auto v = Number(value, 1, 65535);
      if (!v) return Usage("--update-port takes 1..65535");
      updateOptions.port = static_cast<std::uint16_t>(*v);
    } else if (arg == "--updates") {
      updatesDir = value;
    } else {
      return Usage("unknown option " + arg);
    }
  }
  setup.dbPath = db ? *db : setup.dataDir / "members.db";
  // Clients are sent to the relay and the video server by address: "any address" names none.
  if (publicAddress.empty() && options.address == "0.0.0.0")
    return Usage("--listen 0.0.0.0 needs --public-address (the address clients reach)");
  setup.relayAddress = publicAddress.empty() ? options.address : publicAddress;
  if (videoOptions.port + videoOptions.ports - 1 > 65535) return Usage("--video-port and --video-ports pass 65535");

  std::vector<std::string> warnings;
  std::string error;
  auto handler = kavreld::RequestHandler::Create(setup, warnings, error);
  for (const auto& w : warnings) LogLine("warning: " + w);
  if (!handler) {
    LogLine("cannot start: " + error);
    return 1;
  }

  // Signals are caught from before the first listener opens: a SIGINT or SIGTERM that comes
  // as soon as a client can connect waits in the set until the serving loop takes it.
  asio::io_context io;
  asio::signal_set signals(io, SIGINT, SIGTERM);

  // The update service, when its folder holds a manifest; reports go to the server's database.
  // It is up before the traffic server accepts, so that a client that can connect finds it.
  updateOptions.address = options.address;
  updateOptions.dir = updatesDir ? *updatesDir : setup.dataDir / "updates";
  std::unique_ptr<kavreld::UpdateReports> updateReports;
  std::unique_ptr<kavreld::UpdateService> updates;
  if (auto manifest = kavreld::UpdateManifest::Load(updateOptions.dir, error)) {
    updateReports = kavreld::UpdateReports::Open(setup.dbPath, error);
    if (updateReports) {
      updates = std::make_unique<kavreld::UpdateService>(updateOptions, std::move(*manifest), *updateReports, LogLine);
      if (!updates->Start(error)) updates.reset();
    }
    if (!updates) {
      LogLine("cannot start: " + error);
      return 1;
    }
    LogLine("update service on " + options.address + ":" + std::to_string(updateOptions.port) + ", updates " +
            updateOptions.dir.string());
  } else if (updatesDir) {
    LogLine("cannot start: " + error);
    return 1;
  } else {
    LogLine("warning: no update service: " + error);
  }

  kavreld::TcpServer server(io, *handler, options, LogLine);
  if (!server.Start(error)) {
    LogLine("cannot start: " + error);
    return 1;
  }
  // Live video: the camera relay names the video server, which streams cctv/<id>.263.
  relayOptions.address = videoOptions.address = options.address;
  videoOptions.publicAddress = publicAddress;
  relayOptions.idleTimeout = videoOptions.idleTimeout = options.idleTimeout;
  videoOptions.clips = setup.dataDir / "cctv";
  kavreld::VideoStreamer streamer(io, videoOptions, LogLine);
  kavreld::CameraRelay relay(io, streamer, relayOptions, LogLine);
  if (!streamer.Start(error) || !relay.Start(error)) {
    LogLine("cannot start: " + error);
    return 1;
  }
  signals.async_wait([&](const std::error_code& ec, int signal) {
    if (ec) return;
    LogLine(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
    server.Stop();
    relay.Stop();
    streamer.Stop();
    if (updates) updates->Stop();
    io.stop();
  });
  LogLine("listening on " + options.address + ":" + std::to_string(options.port) + " with " +
          std::to_string(handler->network().roads().size()) + " roads, " +
          std::to_string(handler->network().places().size()) + " places; data " + setup.dataDir.string() +
          ", members " + setup.dbPath.string());
  io.run();
  LogLine("stopped");
  return 0;
}
