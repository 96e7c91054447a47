#include "file_downloader.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "http_request.h"

namespace updater {
namespace {

// Receive blocks of at most this many bytes (also the unit of the progress range).
constexpr long kBlockSize = 1024;

struct Transfer {
  CURL* curl = nullptr;
  std::FILE* file = nullptr;
  const std::atomic<bool>* cancel = nullptr;
  const std::function<void(int)>* progress = nullptr;
  int blocks = 0;
  long refusedStatus = 0;  // a status other than 2xx
  int writeError = 0;      // errno of a failed write
};

size_t WriteBlock(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  if (t.cancel->load()) return 0;
  if (t.blocks == 0) {
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
      t.refusedStatus = status;
      return 0;
    }
  }
  size_t bytes = size * count;
  if (std::fwrite(data, 1, bytes, t.file) != bytes) {
    t.writeError = errno ? errno : EIO;
    return 0;
  }
  if (*t.progress) (*t.progress)(t.blocks);
  ++t.blocks;
  return bytes;
}

// Called regularly, also while the server sends nothing: a cancel ends the wait.
int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<Transfer*>(user)->cancel->load() ? 1 : 0;
}

bool SafeTarget(std::string_view path) {
  if (path.empty()) return false;
  for (unsigned char c : path)
    if (c <= ' ' || c == 0x7F) return false;  // no white space or control character in a request line
  return true;
}

}  // namespace

std::string LocalFileName(std::string_view downloadPath) {
  std::size_t slash = downloadPath.rfind('/');
  std::string_view name = slash == std::string_view::npos ? downloadPath : downloadPath.substr(slash + 1);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos)
    return {};
  return std::string(name);
}

int ProgressMaximum(std::int32_t expectedSize) { return expectedSize > 1024 ? expectedSize / 1024 : 1; }

DownloadResult FileDownloader::Download(const std::atomic<bool>& cancel,
                                        const std::function<void(int)>& progress) const {
  DownloadResult result;
  if (!SafeTarget(requestPath) || serverHost.empty()) {
    result.errorNumber = EINVAL;
    result.reason = "unusable request target or host";
    return result;
  }
  InitCurlOnce();
  std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) {
    result.errorNumber = CURLE_FAILED_INIT;
    result.reason = "no transfer";
    return result;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(localPath.c_str(), "wb"), std::fclose);
  if (!file) {
    result.errorNumber = errno;
    result.reason = "cannot write " + localPath;
    return result;
  }
  Transfer t;
  t.curl = curl.get();
  t.file = file.get();
  t.cancel = &cancel;
  t.progress = &progress;
  // The server as the reply named it, the path as the request target, exactly.
  std::string url = "http://" + serverHost + "/";
  curl_easy_setopt(t.curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(t.curl, CURLOPT_REQUEST_TARGET, requestPath.c_str());
  curl_easy_setopt(t.curl, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(t.curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(t.curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(t.curl, CURLOPT_BUFFERSIZE, kBlockSize);
  curl_easy_setopt(t.curl, CURLOPT_WRITEFUNCTION, WriteBlock);
  curl_easy_setopt(t.curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(t.curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(t.curl, CURLOPT_XFERINFOFUNCTION, CheckCancel);
  curl_easy_setopt(t.curl, CURLOPT_XFERINFODATA, &t);
  CURLcode rc = curl_easy_perform(t.curl);
  if (rc == CURLE_OK && t.blocks == 0) {
    // An empty body: its status has not been looked at yet.
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) t.refusedStatus = status;
  }
  int closeFailed = std::fclose(file.release()) != 0 ? errno : 0;

  if (cancel.load()) {
    result.outcome = DownloadResult::Outcome::Cancelled;
  } else if (t.refusedStatus != 0) {
    result.errorNumber = static_cast<int>(t.refusedStatus);
    result.reason = "server answered " + std::to_string(t.refusedStatus);
  } else if (t.writeError != 0 || closeFailed != 0) {
    result.errorNumber = t.writeError ? t.writeError : closeFailed;
    result.reason = "cannot write " + localPath;
  } else if (rc != CURLE_OK) {
    long osError = 0;
    curl_easy_getinfo(t.curl, CURLINFO_OS_ERRNO, &osError);
    result.errorNumber = osError != 0 ? static_cast<int>(osError) : static_cast<int>(rc);
    result.reason = curl_easy_strerror(rc);
  } else {
    result.outcome = DownloadResult::Outcome::Complete;
  }
  return result;
}

}  // namespace updater
