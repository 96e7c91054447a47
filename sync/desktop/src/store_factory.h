// The class factory of the provider's store.
#pragma once

#include "kavrel/com/com.h"
#include "module.h"

namespace kavrelasp {

class StoreFactory final : public kavrel::com::IClassFactory, ModuleObject {
 public:
  kavrel::com::HRESULT QueryInterface(const kavrel::com::IID& iid, void** object) override;
  kavrel::com::ULONG AddRef() override { return refs_.Increment(); }
  kavrel::com::ULONG Release() override;
  kavrel::com::HRESULT CreateInstance(kavrel::com::IUnknown* outer, const kavrel::com::IID& iid,
                                      void** object) override;
  kavrel::com::HRESULT LockServer(kavrel::com::BOOL lock) override;

 private:
  ~StoreFactory() = default;
  kavrel::com::RefCount refs_;
};

// DllGetClassObject: a factory for any class, asked for `iid`.
kavrel::com::HRESULT GetClassObject(const kavrel::com::IID& iid, void** object);

}  // namespace kavrelasp
