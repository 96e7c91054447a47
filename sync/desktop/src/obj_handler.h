// The object handler of the desktop provider: it moves no data.
#pragma once

#include "kavrel/com/repl.h"
#include "module.h"

namespace kavrelasp {

class SyncFolder;

class SyncObjHandler final : public kavrel::com::IReplObjHandler, ModuleObject {
 public:
  explicit SyncObjHandler(SyncFolder* folder) : folder_(folder) {}
  kavrel::com::HRESULT QueryInterface(const kavrel::com::IID& iid, void** object) override;
  kavrel::com::ULONG AddRef() override { return refs_.Increment(); }
  kavrel::com::ULONG Release() override;
  kavrel::com::HRESULT Setup(kavrel::com::REPLSETUP* setup) override;
  kavrel::com::HRESULT Reset(kavrel::com::REPLSETUP* setup) override;
  kavrel::com::HRESULT GetPacket(kavrel::com::BYTE** data, kavrel::com::DWORD* size,
                                 kavrel::com::DWORD recommendedSize) override;
  kavrel::com::HRESULT SetPacket(kavrel::com::BYTE* data, kavrel::com::DWORD size) override;
  kavrel::com::HRESULT DeleteObj(kavrel::com::REPLSETUP* setup) override;

  kavrel::com::REPLSETUP* readSetup() const { return readSetup_; }
  kavrel::com::REPLSETUP* writeSetup() const { return writeSetup_; }

 private:
  ~SyncObjHandler() = default;
  kavrel::com::RefCount refs_;
  SyncFolder* folder_;
  kavrel::com::REPLSETUP* readSetup_ = nullptr;
  kavrel::com::REPLSETUP* writeSetup_ = nullptr;
};

}  // namespace kavrelasp
