// Any bytes given back by the manager as a stored handle: read within their length,
// and a handle made from them writes back a form of its own size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "handles.h"
#include "sync_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kavrelasp::SyncFolder folder(nullptr);
  auto find = [&](const char* name) { return std::strcmp(name, "KavrelASP") == 0 ? &folder : nullptr; };
  std::unique_ptr<kavrelasp::ReplHandle> handle(kavrelasp::HandleFromBytes(data, size, find));
  if (!handle) return 0;
  if (std::memchr(handle->name, '\0', sizeof handle->name) == nullptr) __builtin_trap();  // always terminated
  std::vector<std::uint8_t> form(kavrelasp::HandleToBytes(*handle, nullptr));
  if (kavrelasp::HandleToBytes(*handle, form.data()) != form.size()) __builtin_trap();
  return 0;
}
