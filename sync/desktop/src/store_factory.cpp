#include "store_factory.h"

#include <new>

#include "sync_store.h"

namespace kavrelasp {

using namespace kavrel::com;

HRESULT StoreFactory::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
  *object = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

ULONG StoreFactory::Release() {
  ULONG left = refs_.Decrement();
  if (left == 0) delete this;
  return left;
}

HRESULT StoreFactory::CreateInstance(IUnknown* outer, const IID& iid, void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto* store = new (std::nothrow) SyncStore;
  if (!store) return E_OUTOFMEMORY;
  HRESULT hr = store->QueryInterface(iid, object);
  store->Release();  // the creation reference; logged like every release
  return hr;
}

HRESULT StoreFactory::LockServer(BOOL lock) {
  kavrelasp::LockServer(lock != FALSE);
  return S_OK;
}

HRESULT GetClassObject(const IID& iid, void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  auto* factory = new (std::nothrow) StoreFactory;
  if (!factory) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}

}  // namespace kavrelasp
