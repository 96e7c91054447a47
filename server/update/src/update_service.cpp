#include "update_service.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <httplib.h>

namespace kavreld {
namespace {

// Longest version and code text kept from a request.
constexpr std::size_t kMaxField = 64;
constexpr std::size_t kFileBlock = 64 * 1024;

std::int64_t FileSize(const std::filesystem::path& path) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<std::int64_t>(size);
}

}  // namespace

UpdateService::UpdateService(UpdateServiceOptions options, UpdateManifest manifest, UpdateReports& reports,
                             std::function<void(const std::string&)> log)
    : options_(std::move(options)), manifest_(std::move(manifest)), reports_(reports), log_(std::move(log)) {}

UpdateService::~UpdateService() { Stop(); }

bool UpdateService::Start(std::string& error) {
  server_ = std::make_unique<httplib::Server>();
  server_->Get(options_.script, [this](const httplib::Request& req, httplib::Response& res) {
    std::string version = req.get_param_value("ver").substr(0, kMaxField);
    std::string code = req.get_param_value("getinfo").substr(0, kMaxField);
    res.set_header("Cache-Control", "no-store");
    if (code == "2") {
      auto found = manifest_.versions.find(version);
      const UpdateEntry* entry = found == manifest_.versions.end() ? nullptr : &found->second;
      std::vector<UpdateFileSize> files;
      if (entry)
        for (const auto& name : entry->files) files.push_back({name, FileSize(options_.dir / name)});
      std::string host = manifest_.server.empty() ? req.get_header_value("Host") : manifest_.server;
      res.set_content(BuildUpdateReply(entry, host, files), "text/plain");
      log_("update: " + req.remote_addr + " asks for version " + version);
      return;
    }
    bool stored = reports_.Record(req.remote_addr, version, code);
    log_("update: " + req.remote_addr + " reports " + code + " for version " + version + (stored ? "" : " (not stored)"));
    if (!stored) res.status = 500;
    res.set_content("OK\n", "text/plain");
  });
  server_->Get(std::string(kUpdateFilePrefix) + "(.+)", [this](const httplib::Request& req, httplib::Response& res) {
    std::string name = req.matches[1];
    int fd = manifest_.Serves(name) ? ::open((options_.dir / name).c_str(), O_RDONLY | O_CLOEXEC) : -1;
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      if (fd >= 0) ::close(fd);
      res.status = 404;
      return;
    }
    log_("update: " + req.remote_addr + " fetches " + name);
    res.set_content_provider(
        static_cast<std::size_t>(st.st_size), "application/octet-stream",
        [fd](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          char block[kFileBlock];
          ssize_t n = ::pread(fd, block, std::min(length, sizeof block), static_cast<off_t>(offset));
          if (n <= 0) return false;
          return sink.write(block, static_cast<std::size_t>(n));
        },
        [fd](bool) { ::close(fd); });
  });
  if (options_.port == 0) {
    int port = server_->bind_to_any_port(options_.address);
    if (port <= 0) {
      error = "update service cannot listen on " + options_.address;
      return false;
    }
    port_ = static_cast<std::uint16_t>(port);
  } else {
    if (!server_->bind_to_port(options_.address, options_.port)) {
      error = "update service cannot listen on " + options_.address + ":" + std::to_string(options_.port);
      return false;
    }
    port_ = options_.port;
  }
  listenEnded_ = false;
  thread_ = std::thread([this] {
    server_->listen_after_bind();
    listenEnded_ = true;
  });
  return true;
}

void UpdateService::Stop() {
  if (!server_) return;
  // stop() only reaches a server that has started listening.
  while (thread_.joinable() && !server_->is_running() && !listenEnded_) std::this_thread::yield();
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
}

}  // namespace kavreld
