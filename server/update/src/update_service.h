// kavreld's update service: the update script that updaters ask (GET SCRIPT?getinfo=N&ver=V)
// and the update files, over HTTP/1.1.
//   getinfo=2           the reply the manifest gives for version V (not cacheable)
//   any other getinfo   a status or error report: recorded (time, address, V, N), "OK"
//   /files/NAME         a file some version of the manifest names, streamed from disk
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "update_manifest.h"
#include "update_reports.h"

namespace httplib {
class Server;
}

namespace kavreld {

struct UpdateServiceOptions {
  std::string address = "127.0.0.1";
  std::uint16_t port = 8080;  // 0: any free port (see port())
  std::string script = "/update";
  std::filesystem::path dir;  // manifest.json and the files
};

class UpdateService {
 public:
  UpdateService(UpdateServiceOptions options, UpdateManifest manifest, UpdateReports& reports,
                std::function<void(const std::string&)> log);
  ~UpdateService();

  bool Start(std::string& error);
  void Stop();
  std::uint16_t port() const { return port_; }

 private:
  UpdateServiceOptions options_;
  UpdateManifest manifest_;
  UpdateReports& reports_;
  std::function<void(const std::string&)> log_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::atomic<bool> listenEnded_{false};
  std::uint16_t port_ = 0;
};

}  // namespace kavreld
