// kavrel-regsvr [-u] LIBRARY: registers (or with -u unregisters) a provider library by
// calling its DllRegisterServer (DllUnregisterServer). Exit status 0 on success; on
// failure the failing result is printed and the status is 1 (2 for a usage error).
#include <cstdio>
#include <cstring>
#include <string>

#include "kavrel/com/repl.h"
#include "library.h"

namespace {

constexpr const char* kUsage = "usage: kavrel-regsvr [-u] LIBRARY\n";

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0 && !unregister && path.empty()) {
      unregister = true;
    } else if (path.empty() && argv[i][0] != '\0' && argv[i][0] != '-') {
      path = argv[i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (path.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  kavrel::hosts::Library library(path);
  if (!library.loaded()) {
    std::fprintf(stderr, "kavrel-regsvr: cannot load %s: %s\n", path.c_str(), library.error().c_str());
    return 1;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto function = library.Export<kavrel::com::DllRegisterServerFn>(entry);
  if (!function) {
    std::fprintf(stderr, "kavrel-regsvr: %s has no %s\n", path.c_str(), entry);
    return 1;
  }
  kavrel::com::HRESULT hr = function();
  if (kavrel::com::FAILED(hr)) {
    std::fprintf(stderr, "kavrel-regsvr: %s failed: %s\n", entry, kavrel::com::ResultText(hr).c_str());
    return 1;
  }
  std::printf("%s: %s succeeded\n", path.c_str(), entry);
  return 0;
}
