// kavreld's serving loop on its own thread for the benchmarks, on the sample data
// with a temporary member database that holds one member, "bench".
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kavrel/cp949.h"
#include "protocol/records.h"
#include "request_handler.h"
#include "tcp_server.h"

namespace kavreld::bench {

// The join of the benchmarks' member, "bench".
inline kavreld::Request BenchMemberJoin() {
  kavreld::Request join{kavreld::kUserRegister, "127.0.0.1", std::vector<std::uint8_t>(protocol::kUserRecordSize, 0)};
  kavrel::WriteCp949Field(join.body.data(), 21, "bench");
  kavrel::WriteCp949Field(join.body.data() + 21, 21, "bench");
  kavrel::WriteCp949Field(join.body.data() + 42, 14, "8001011234560");
  kavrel::WriteCp949Field(join.body.data() + 56, 13, "USER");
  kavrel::WriteCp949Field(join.body.data() + 69, 55, "bench@example.com");
  return join;
}

// The server on its own thread, shared by every benchmark of the run.
class BenchServer {
 public:
  BenchServer(const char* address, std::uint16_t port) {
    dir_ = std::filesystem::temp_directory_path() / ("kavreld-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    kavreld::HandlerSetup setup;
    setup.dataDir = KAVREL_BENCH_DATADIR;
    setup.dbPath = dir_ / "members.db";
    std::vector<std::string> warnings;
    std::string error;
    handler_ = kavreld::RequestHandler::Create(setup, warnings, error);
    if (!handler_) {
      std::fprintf(stderr, "kavreld bench server: %s\n", error.c_str());
      std::exit(1);
    }
    handler_->Handle(BenchMemberJoin());
    kavreld::ServerOptions options;
    options.address = address;
    options.port = port;
    options.maxConnections = 1024;
    options.maxPerAddress = 1024;  // every benchmark client comes from one address
    server_ = std::make_unique<kavreld::TcpServer>(io_, *handler_, options, [](const std::string&) {});
    if (!server_->Start(error)) {
      std::fprintf(stderr, "kavreld bench server: %s\n", error.c_str());
      std::exit(1);
    }
    thread_ = std::thread([this] { io_.run(); });
  }
  ~BenchServer() {
    asio::post(io_, [this] { server_->Stop(); io_.stop(); });
    thread_.join();
    server_.reset();
    handler_.reset();
    std::filesystem::remove_all(dir_);
  }

 private:
  std::filesystem::path dir_;
  std::unique_ptr<kavreld::RequestHandler> handler_;
  asio::io_context io_;
  std::unique_ptr<kavreld::TcpServer> server_;
  std::thread thread_;
};

}  // namespace kavreld::bench
