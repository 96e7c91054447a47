#include "http_request.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "update_reply.h"

namespace updater {
namespace {

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

Easy NewSession(const std::string& url) {
  InitCurlOnce();
  Easy curl(curl_easy_init());
  if (!curl) return curl;
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
  return curl;
}

size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

size_t StopAtFirstByte(char*, size_t, size_t, void*) { return 0; }

}  // namespace

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

int GetReplyText(const std::string& url, std::string& joined) {
  Easy curl = NewSession(url);
  if (!curl) return CURLE_FAILED_INIT;
  std::string body;
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
  CURLcode rc = curl_easy_perform(curl.get());
  if (rc != CURLE_OK) return rc;
  joined += JoinReplyLines(body);
  return 0;
}

int OpenAndClose(const std::string& url) {
  Easy curl = NewSession(url);
  if (!curl) return CURLE_FAILED_INIT;
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, StopAtFirstByte);
  CURLcode rc = curl_easy_perform(curl.get());
  // Refusing the first body byte ends the transfer: the server has answered.
  return rc == CURLE_OK || rc == CURLE_WRITE_ERROR ? 0 : rc;
}

}  // namespace updater
