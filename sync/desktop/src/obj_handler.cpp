#include "obj_handler.h"

#include "sync_folder.h"

namespace kavrelasp {

using namespace kavrel::com;

HRESULT SyncObjHandler::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  if (iid != IID_IUnknown) return E_NOINTERFACE;
  *object = static_cast<IUnknown*>(this);
  AddRef();
  return S_OK;
}

ULONG SyncObjHandler::Release() {
  ULONG left = refs_.Decrement();
  if (left == 0) delete this;
  return left;
}

HRESULT SyncObjHandler::Setup(REPLSETUP* setup) {
  if (!setup) return E_INVALIDARG;
  (setup->fRead ? readSetup_ : writeSetup_) = setup;
  return S_OK;
}

HRESULT SyncObjHandler::Reset(REPLSETUP* setup) { return setup ? S_OK : E_INVALIDARG; }

HRESULT SyncObjHandler::GetPacket(BYTE** data, DWORD* size, DWORD) {
  if (!data || !size) return E_INVALIDARG;
  *data = nullptr;
  *size = 0;
  return RWRN_LAST_PACKET;
}

HRESULT SyncObjHandler::SetPacket(BYTE* data, DWORD) { return data ? S_OK : E_INVALIDARG; }

HRESULT SyncObjHandler::DeleteObj(REPLSETUP* setup) {
  if (!setup) return E_INVALIDARG;
  folder_->DeleteObject(setup);
  return S_OK;
}

}  // namespace kavrelasp
