#include "module.h"

#include <dlfcn.h>

#include <atomic>
#include <filesystem>

#include "kavrel/debug_log.h"
#include "provider_names.h"

namespace kavrelasp {
namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};
std::atomic<OptionsDialogRunner> dialogRunner{nullptr};

}  // namespace

void ObjectCreated() { liveObjects.fetch_add(1); }
void ObjectDestroyed() { liveObjects.fetch_sub(1); }
void LockServer(bool lock) { serverLocks.fetch_add(lock ? 1 : -1); }
bool ModuleInUse() { return liveObjects.load() > 0 || serverLocks.load() > 0; }

std::string ModulePath(const void* address) {
  Dl_info info{};
  if (!::dladdr(address, &info) || !info.dli_fname || !*info.dli_fname) return {};
  std::error_code ec;
  auto path = std::filesystem::absolute(info.dli_fname, ec);
  return ec ? std::string{} : path.lexically_normal().string();
}

void Log(std::string_view text) { kavrel::AppendLogLine(kLogFile, kavrel::LogLayout::TextFirst, text); }

void SetOptionsDialogRunner(OptionsDialogRunner runner) { dialogRunner.store(runner); }

bool RunOptionsDialog(kavrel::com::HWND parent) {
  OptionsDialogRunner runner = dialogRunner.load();
  return runner && runner(parent);
}

}  // namespace kavrelasp
