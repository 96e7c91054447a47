#include "kavrel/com/empty_obj_handler.h"

namespace kavrel::com {

ULONG EmptyObjHandler::Release() {
  ULONG left = refs_.Decrement();
  if (left == 0) delete this;
  return left;
}

HRESULT EmptyObjHandler::Setup(REPLSETUP* setup) {
  if (!setup) return E_INVALIDARG;
  (setup->fRead ? readSetup_ : writeSetup_) = setup;
  return S_OK;
}

HRESULT EmptyObjHandler::Reset(REPLSETUP* setup) { return setup ? S_OK : E_INVALIDARG; }

HRESULT EmptyObjHandler::GetPacket(BYTE** data, DWORD* size, DWORD) {
  if (!data || !size) return E_INVALIDARG;
  *data = nullptr;
  *size = 0;
  return RWRN_LAST_PACKET;
}

HRESULT EmptyObjHandler::SetPacket(BYTE* data, DWORD) { return data ? S_OK : E_INVALIDARG; }

}  // namespace kavrel::com
