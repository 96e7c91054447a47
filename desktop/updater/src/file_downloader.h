// One file of an update fetched over HTTP/1.1 into a local file, on the worker thread.
// The request target is the path as the reply gave it and the Host is the server as
// the reply named it (host or host:port). The body is written as it arrives, in
// blocks of at most 1024 bytes, and progress is told once per block.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace updater {

// The local file name of a download path: the part after its last "/" (all of it
// when there is none). Empty when that name cannot be used as a file in the download
// folder: empty, ".", "..", or holding a path separator or a NUL.
std::string LocalFileName(std::string_view downloadPath);

// The progress range of a file: 0 .. expectedSize / 1024 when above 1024, else 0 .. 1.
int ProgressMaximum(std::int32_t expectedSize);

struct DownloadResult {
  enum class Outcome { Complete, Cancelled, Failed };
  Outcome outcome = Outcome::Failed;
  // For a failure: the system's error number, the HTTP status when the server said
  // no, or the transfer library's error number.
  int errorNumber = 0;
  std::string reason;  // what went wrong, for logs
};

class FileDownloader {
 public:
  FileDownloader(std::string serverHost, std::string userId, std::string password)
      : serverHost(std::move(serverHost)), userId(std::move(userId)), password(std::move(password)) {}

  const std::string serverHost, userId, password;  // the user id and password are not sent
  std::string requestPath;
  std::string localPath;
  std::int32_t expectedSize = 0;

  // Fetches requestPath into localPath. A status other than 2xx, a body shorter than
  // its announced length or a file that cannot be written is a failure (the partial
  // file is left to the caller). `cancel` is looked at after every block and while
  // the server is silent. `progress` gets the block counter before each body block.
  DownloadResult Download(const std::atomic<bool>& cancel, const std::function<void(int block)>& progress) const;
};

}  // namespace updater
