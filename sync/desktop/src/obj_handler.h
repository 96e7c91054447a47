// The object handler of the desktop provider: it moves no data.
#pragma once

#include "kavrel/com/empty_obj_handler.h"
#include "module.h"

namespace kavrelasp {

class SyncFolder;

class SyncObjHandler final : public kavrel::com::EmptyObjHandler, ModuleObject {
 public:
  explicit SyncObjHandler(SyncFolder* folder) : folder_(folder) {}
  // The unknown interface only.
  kavrel::com::HRESULT QueryInterface(const kavrel::com::IID& iid, void** object) override;
  // Asks the folder to delete the set-up record's item.
  kavrel::com::HRESULT DeleteObj(kavrel::com::REPLSETUP* setup) override;

 private:
  ~SyncObjHandler() override = default;
  SyncFolder* folder_;
};

}  // namespace kavrelasp
