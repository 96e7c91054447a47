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

HRESULT SyncObjHandler::DeleteObj(REPLSETUP* setup) {
  if (!setup) return E_INVALIDARG;
  folder_->DeleteObject(setup);
  return S_OK;
}

}  // namespace kavrelasp
