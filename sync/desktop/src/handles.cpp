#include "handles.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "kavrel/little_endian.h"

namespace kavrelasp {

void ReplHandle::SetName(const char* text) {
  std::memset(name, 0, sizeof name);
  if (text) std::strncpy(name, text, sizeof name - 1);
}

kavrel::com::HREPLOBJ ToHandle(ReplHandle* handle) { return reinterpret_cast<kavrel::com::HREPLOBJ>(handle); }
ReplHandle* FromHandle(kavrel::com::HREPLOBJ handle) { return reinterpret_cast<ReplHandle*>(handle); }

FolderHandle* AsFolder(kavrel::com::HREPLOBJ handle) {
  ReplHandle* h = FromHandle(handle);
  return h && h->type == kFolderType ? static_cast<FolderHandle*>(h) : nullptr;
}

ItemHandle* AsItem(kavrel::com::HREPLOBJ handle) {
  ReplHandle* h = FromHandle(handle);
  return h && h->type == kItemType ? static_cast<ItemHandle*>(h) : nullptr;
}

std::uint32_t HandleToBytes(const ReplHandle& handle, std::uint8_t* out) {
  const std::size_t size = handle.type == kFolderType ? kFolderBytes : handle.type == kItemType ? kItemBytes : 4;
  if (out) {
    kavrel::WriteU32(out, 0, handle.type);
    if (size > 4) std::memcpy(out + 4, handle.name, kNameBytes);
    if (handle.type == kItemType) {
      const auto& stamp = static_cast<const ItemHandle&>(handle).stamp;
      kavrel::WriteU32(out, 4 + kNameBytes, stamp.dwLowDateTime);
      kavrel::WriteU32(out, 8 + kNameBytes, stamp.dwHighDateTime);
    }
  }
  return static_cast<std::uint32_t>(size);
}

ReplHandle* HandleFromBytes(const std::uint8_t* bytes, std::size_t size,
                            const std::function<SyncFolder*(const char* name)>& findFolder) {
  if (!bytes || size < 4) return nullptr;
  // The handle's full form with whatever the manager gave, the rest zero.
  std::uint8_t form[kItemBytes] = {};
  std::memcpy(form, bytes, std::min(size, sizeof form));
  char name[kNameBytes];
  std::memcpy(name, form + 4, kNameBytes);
  name[kNameBytes - 1] = '\0';
  switch (kavrel::ReadU32(form, 0)) {
    case kFolderType: {
      SyncFolder* folder = findFolder(name);
      if (!folder) return nullptr;
      auto* handle = new (std::nothrow) FolderHandle;
      if (!handle) return nullptr;
      handle->SetName(name);
      handle->folder = folder;
      return handle;
    }
    case kItemType: {
      auto* handle = new (std::nothrow) ItemHandle;
      if (!handle) return nullptr;
      handle->SetName(name);
      handle->stamp.dwLowDateTime = kavrel::ReadU32(form, 4 + kNameBytes);
      handle->stamp.dwHighDateTime = kavrel::ReadU32(form, 8 + kNameBytes);
      return handle;
    }
    default:
      return nullptr;
  }
}

}  // namespace kavrelasp
