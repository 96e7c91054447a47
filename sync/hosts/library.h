// A provider library loaded by a host: dlopen by path, exports looked up by name.
#pragma once

#include <dlfcn.h>

#include <filesystem>
#include <string>

namespace kavrel::hosts {

class Library {
 public:
  // A path without a folder is taken in the current directory, as a file name.
  explicit Library(const std::string& path) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    handle_ = ec ? nullptr : ::dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
      const char* why = ::dlerror();
      error_ = why ? why : "cannot load " + path;
    }
  }
  ~Library() {
    if (handle_) ::dlclose(handle_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }
  // The export of that name as a function of type F; nullptr when the library lacks it.
  template <typename F>
  F Export(const char* name) const {
    return handle_ ? reinterpret_cast<F>(::dlsym(handle_, name)) : nullptr;
  }
  // Unloads now (the manager's answer to DllCanUnloadNow).
  void Unload() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
  }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace kavrel::hosts
