// The provider's one object type, "KavrelASP": a folder that holds no items, never
// changes an item and offers no data.
#pragma once

#include "handles.h"
#include "kavrel/com/repl.h"

namespace kavrelasp {

class SyncStore;

// An object type of the store, as the store asks it.
class ObjectType {
 public:
  virtual ~ObjectType() = default;
  virtual const char* PluralName() const = 0;
  virtual const char* SingularName() const = 0;
  virtual const char* TypeName() const = 0;
  virtual bool IsItemChanged(ItemHandle* item) = 0;
  virtual bool IsItemReplicated(ItemHandle* item) = 0;
  virtual kavrel::com::HRESULT CreateObjHandler(kavrel::com::IUnknown** handler) = 0;
  virtual kavrel::com::HRESULT CheckObject(ItemHandle* item) = 0;
  virtual bool IsFolderChanged() = 0;
  virtual kavrel::com::HRESULT DeleteObject(kavrel::com::REPLSETUP* setup) = 0;
  virtual ItemHandle* FirstItem() = 0;
  virtual ItemHandle* NextItem() = 0;
  virtual kavrel::com::HRESULT CloseEnumeration() = 0;
  virtual kavrel::com::HRESULT RemoveDuplicates() = 0;
  virtual void UpdateItem(ItemHandle* item) = 0;
  virtual void UiData(kavrel::com::OBJUIDATA* data) = 0;
  virtual kavrel::com::HRESULT OptionsDialog(kavrel::com::HWND parent) = 0;
  virtual kavrel::com::HRESULT ConflictInfo(kavrel::com::CONFINFO* conflict) = 0;
};

class SyncFolder final : public ObjectType {
 public:
  explicit SyncFolder(SyncStore* store) : store_(store) {}
  const char* PluralName() const override;
  const char* SingularName() const override;
  const char* TypeName() const override;
  bool IsItemChanged(ItemHandle*) override { return false; }
  bool IsItemReplicated(ItemHandle*) override { return true; }
  kavrel::com::HRESULT CreateObjHandler(kavrel::com::IUnknown** handler) override;
  kavrel::com::HRESULT CheckObject(ItemHandle* item) override;
  bool IsFolderChanged() override { return true; }
  kavrel::com::HRESULT DeleteObject(kavrel::com::REPLSETUP*) override { return kavrel::com::S_OK; }
  ItemHandle* FirstItem() override { return nullptr; }
  ItemHandle* NextItem() override { return nullptr; }
  kavrel::com::HRESULT CloseEnumeration() override { return kavrel::com::S_OK; }
  kavrel::com::HRESULT RemoveDuplicates() override { return kavrel::com::S_OK; }
  void UpdateItem(ItemHandle*) override {}
  void UiData(kavrel::com::OBJUIDATA* data) override;
  kavrel::com::HRESULT OptionsDialog(kavrel::com::HWND parent) override;
  kavrel::com::HRESULT ConflictInfo(kavrel::com::CONFINFO* conflict) override;

  SyncStore* store() const { return store_; }

 private:
  SyncStore* store_;
};

}  // namespace kavrelasp
