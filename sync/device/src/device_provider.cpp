#include "device_provider.h"

#include <memory>
#include <new>

namespace devkavrelasp {

using namespace kavrel::com;

namespace {
// The table of object types, from the library's load to its unload: exactly one.
const std::unique_ptr<ObjectType> objectTypes[] = {std::make_unique<SyncFolder>()};
}  // namespace

ObjectType* FindObjectType(const char16_t* name, std::size_t maxUnits) {
  if (!name) return nullptr;
  std::size_t length = 0;
  while (length < maxUnits && name[length] != u'\0') ++length;
  for (const auto& type : objectTypes)
    if (type->TypeName() == std::u16string_view(name, length)) return type.get();
  return nullptr;
}

void EndOfUse() {
  for (const auto& type : objectTypes) type->EndOfUse();
}

IReplObjHandler* SyncFolder::CreateObjHandler(UINT partner) { return new (std::nothrow) SyncObjHandler(partner); }

void SyncFolder::TypeInformation(OBJTYPEINFO* info) {
  info->cObjects = 0;
  info->cbAllObj = 0;
}

HRESULT SyncObjHandler::QueryInterface(const IID&, void** object) {
  if (!object) return E_INVALIDARG;
  *object = static_cast<IReplObjHandler*>(this);
  AddRef();
  return S_OK;
}

HRESULT SyncObjHandler::DeleteObj(REPLSETUP* setup) { return setup ? S_OK : E_INVALIDARG; }

}  // namespace devkavrelasp
