// The provider's store: an empty data set whose one real effect is to start the
// installer whenever the manager initialises it (the handheld has connected).
#pragma once

#include <memory>

#include "kavrel/com/repl.h"
#include "module.h"
#include "sync_folder.h"

namespace kavrelasp {

class SyncStore final : public kavrel::com::IReplStore, ModuleObject {
 public:
  SyncStore() : folder_(std::make_unique<SyncFolder>(this)) {}

  kavrel::com::HRESULT QueryInterface(const kavrel::com::IID& iid, void** object) override;
  kavrel::com::ULONG AddRef() override { return refs_.Increment(); }
  kavrel::com::ULONG Release() override;

  kavrel::com::HRESULT Initialize(kavrel::com::IReplNotify* notify, kavrel::com::UINT flags) override;
  kavrel::com::HRESULT GetStoreInfo(kavrel::com::STOREINFO* info) override;
  kavrel::com::HRESULT ReportStatus(kavrel::com::HREPLFLD folder, kavrel::com::HREPLITEM item,
                                    kavrel::com::UINT status, kavrel::com::UINT param) override;
  int CompareStoreIDs(const kavrel::com::BYTE* id1, kavrel::com::UINT size1, const kavrel::com::BYTE* id2,
                      kavrel::com::UINT size2) override;
  int CompareItem(kavrel::com::HREPLITEM item1, kavrel::com::HREPLITEM item2) override;
  kavrel::com::BOOL IsItemChanged(kavrel::com::HREPLFLD folder, kavrel::com::HREPLITEM item,
                                  kavrel::com::HREPLITEM compared) override;
  kavrel::com::BOOL IsItemReplicated(kavrel::com::HREPLFLD folder, kavrel::com::HREPLITEM item) override;
  void UpdateItem(kavrel::com::HREPLFLD folder, kavrel::com::HREPLITEM target,
                  kavrel::com::HREPLITEM source) override;
  kavrel::com::HRESULT GetFolderInfo(const char* objectType, kavrel::com::HREPLFLD* folder,
                                     kavrel::com::IUnknown** objHandler) override;
  kavrel::com::HRESULT IsFolderChanged(kavrel::com::HREPLFLD folder, kavrel::com::BOOL* changed) override;
  kavrel::com::HRESULT FindFirstItem(kavrel::com::HREPLFLD folder, kavrel::com::HREPLITEM* item,
                                     kavrel::com::BOOL* exists) override;
  kavrel::com::HRESULT FindNextItem(kavrel::com::HREPLFLD folder, kavrel::com::HREPLITEM* item,
                                    kavrel::com::BOOL* exists) override;
  kavrel::com::HRESULT FindItemClose(kavrel::com::HREPLFLD folder) override;
  kavrel::com::UINT ObjectToBytes(kavrel::com::HREPLOBJ object, kavrel::com::BYTE* bytes) override;
  kavrel::com::HREPLOBJ BytesToObject(const kavrel::com::BYTE* bytes, kavrel::com::UINT size) override;
  void FreeObject(kavrel::com::HREPLOBJ object) override;
  kavrel::com::BOOL CopyObject(kavrel::com::HREPLOBJ source, kavrel::com::HREPLOBJ target) override;
  kavrel::com::HRESULT IsValidObject(kavrel::com::HREPLFLD folder, kavrel::com::HREPLITEM item,
                                     kavrel::com::UINT flags) override;
  kavrel::com::HRESULT ActivateDialog(kavrel::com::UINT dialog, kavrel::com::HWND parent,
                                      kavrel::com::HREPLFLD folder, kavrel::com::IEnumReplItem* items) override;
  kavrel::com::HRESULT GetObjTypeUIData(kavrel::com::HREPLFLD folder, kavrel::com::OBJUIDATA* data) override;
  kavrel::com::HRESULT GetConflictInfo(kavrel::com::CONFINFO* conflict) override;
  kavrel::com::HRESULT RemoveDuplicates(const char* objectType, kavrel::com::UINT flags) override;

  bool initialized() const { return initialized_; }
  kavrel::com::IReplNotify* notify() const { return notify_; }

 private:
  ~SyncStore();
  // The object type of that name; nullptr when the store has none.
  SyncFolder* FindObjectType(const char* name) const;

  kavrel::com::RefCount refs_;
  bool initialized_ = false;
  kavrel::com::IReplNotify* notify_ = nullptr;
  std::unique_ptr<SyncFolder> folder_;  // the table of object types: exactly one
};

}  // namespace kavrelasp
