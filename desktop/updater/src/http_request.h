// HTTP requests of the updater through libcurl: one session (easy handle) per request,
// the system's proxy settings from the environment, the program's name as user agent.
#pragma once

#include <string>

namespace updater {

inline constexpr const char* kUserAgent = "Updater";

// Makes libcurl ready once per process (safe from any thread).
void InitCurlOnce();

// GETs `url` and appends the body to `joined` line by line (AppendReplyLine). Returns 0,
// or the library's error number; on an error `joined` is left as it was.
int GetReplyText(const std::string& url, std::string& joined);

// GETs `url` and closes the transfer as soon as the server answers, without reading
// the body. Returns 0 once the server has answered, else the library's error number.
int OpenAndClose(const std::string& url);

}  // namespace updater
