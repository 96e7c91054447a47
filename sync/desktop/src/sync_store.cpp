#include "sync_store.h"

#include <cstring>
#include <filesystem>
#include <new>

#include "kavrel/little_endian.h"
#include "kavrel/registry.h"
#include "kavrel/shell.h"
#include "provider_names.h"
#include "setup_files.h"

namespace kavrelasp {

using namespace kavrel::com;

SyncStore::~SyncStore() {
  if (notify_) notify_->Release();
}

SyncFolder* SyncStore::FindObjectType(const char* name) const {
  return name && std::strcmp(name, folder_->TypeName()) == 0 ? folder_.get() : nullptr;
}

HRESULT SyncStore::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IReplStore) return E_NOINTERFACE;
  *object = static_cast<IReplStore*>(this);
  AddRef();
  return S_OK;
}

ULONG SyncStore::Release() {
  Log("Release");
  ULONG left = refs_.Decrement();
  if (left == 0) delete this;
  return left;
}

HRESULT SyncStore::Initialize(IReplNotify* notify, UINT) {
  auto dir = setup::ReadRegistryText(kavrel::registry::Hive::CurrentUser, setup::kDesktopKey, setup::kTickerDirValue);
  if (dir.result == setup::RegistryText::Result::OpenFailed) Log("Fatal Error: Resistry Open failed");
  if (dir.result != setup::RegistryText::Result::Ok) Log("Fatal Error: Resistry Query failed");
  // A directory that cannot be entered leaves the current one: the start then fails
  // or finds an installer there.
  if (dir.result == setup::RegistryText::Result::Ok) {
    std::error_code ec;
    std::filesystem::current_path(dir.text, ec);
  }
  auto launch = kavrel::shell::ShellExecute("open", kInstallerProgram, "", {}, kavrel::shell::ShowWindow::Hidden);
  Log("Initialize");
  Log(launch.result > 31 ? "PlumoSetup_Execute_SUCCESS" : "PlumoSetup_Execute_FAILED");

  if (!notify) return E_INVALIDARG;
  notify->AddRef();
  if (notify_) notify_->Release();
  notify_ = notify;
  initialized_ = true;
  return S_OK;
}

HRESULT SyncStore::GetStoreInfo(STOREINFO* info) {
  if (!info) return E_INVALIDARG;
  info->uFlags = kStoreFlags;
  std::strncpy(info->szProgId, kProgId, sizeof info->szProgId - 1);
  std::strncpy(info->szStoreDesc, kStoreDescription, sizeof info->szStoreDesc - 1);
  if (!initialized_) return S_OK;
  info->cbStoreId = sizeof kStoreId;
  if (info->cbMaxStoreId < sizeof kStoreId) return E_OUTOFMEMORY;
  if (!info->lpbStoreId) return E_POINTER;
  kavrel::WriteU32(info->lpbStoreId, 0, kStoreId);
  return S_OK;
}

HRESULT SyncStore::ReportStatus(HREPLFLD, HREPLITEM, UINT status, UINT) {
  if (status == RSC_RELEASE && notify_) {
    notify_->Release();
    notify_ = nullptr;
  }
  return S_OK;
}

int SyncStore::CompareStoreIDs(const BYTE* id1, UINT size1, const BYTE* id2, UINT size2) {
  if (size1 != size2) return size1 < size2 ? -1 : 1;
  if (size1 == 0) return 0;
  if (!id1 || !id2) return E_INVALIDARG;
  int order = std::memcmp(id1, id2, size1);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int SyncStore::CompareItem(HREPLITEM item1, HREPLITEM item2) {
  ReplHandle* a = FromHandle(item1);
  ReplHandle* b = FromHandle(item2);
  if (!a || !b) return E_INVALIDARG;
  int order = std::strcmp(a->name, b->name);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

BOOL SyncStore::IsItemChanged(HREPLFLD folder, HREPLITEM item, HREPLITEM compared) {
  FolderHandle* f = AsFolder(folder);
  ItemHandle* i = AsItem(item);
  if (!f || !i) return FALSE;
  if (ItemHandle* c = AsItem(compared))
    return i->stamp.dwLowDateTime != c->stamp.dwLowDateTime || i->stamp.dwHighDateTime != c->stamp.dwHighDateTime;
  return f->folder->IsItemChanged(i) ? TRUE : FALSE;
}

BOOL SyncStore::IsItemReplicated(HREPLFLD folder, HREPLITEM item) {
  FolderHandle* f = AsFolder(folder);
  if (!f) return FALSE;
  ItemHandle* i = AsItem(item);
  if (!i) return TRUE;
  return f->folder->IsItemReplicated(i) ? TRUE : FALSE;
}

void SyncStore::UpdateItem(HREPLFLD folder, HREPLITEM target, HREPLITEM source) {
  ItemHandle* t = AsItem(target);
  if (!t) return;
  if (ItemHandle* s = AsItem(source)) {
    t->stamp = s->stamp;
  } else if (FolderHandle* f = AsFolder(folder)) {
    f->folder->UpdateItem(t);
  }
}

HRESULT SyncStore::GetFolderInfo(const char* objectType, HREPLFLD* folder, IUnknown** objHandler) {
  if (!objectType || !folder || !objHandler) return E_INVALIDARG;
  SyncFolder* type = FindObjectType(objectType);
  if (!type) return E_INVALIDARG;
  if (HRESULT hr = type->CreateObjHandler(objHandler); FAILED(hr)) return hr;
  if (*folder) return S_OK;
  auto* handle = new (std::nothrow) FolderHandle;
  if (!handle) {
    (*objHandler)->Release();
    *objHandler = nullptr;
    return E_OUTOFMEMORY;
  }
  handle->SetName(objectType);
  handle->folder = type;
  *folder = ToHandle(handle);
  return S_OK;
}

HRESULT SyncStore::IsFolderChanged(HREPLFLD folder, BOOL* changed) {
  if (!folder || !changed) return E_INVALIDARG;
  *changed = TRUE;
  return S_OK;
}

HRESULT SyncStore::FindFirstItem(HREPLFLD folder, HREPLITEM* item, BOOL* exists) {
  if (!folder || !item || !exists) return E_INVALIDARG;
  *item = nullptr;
  *exists = FALSE;
  return S_OK;
}

HRESULT SyncStore::FindNextItem(HREPLFLD folder, HREPLITEM* item, BOOL* exists) {
  if (!folder || !item || !exists) return E_INVALIDARG;
  *exists = FALSE;
  return S_OK;
}

HRESULT SyncStore::FindItemClose(HREPLFLD folder) { return folder ? S_OK : E_INVALIDARG; }

UINT SyncStore::ObjectToBytes(HREPLOBJ object, BYTE* bytes) {
  ReplHandle* h = FromHandle(object);
  return h ? HandleToBytes(*h, bytes) : 0;
}

HREPLOBJ SyncStore::BytesToObject(const BYTE* bytes, UINT size) {
  return ToHandle(HandleFromBytes(bytes, size, [this](const char* name) { return FindObjectType(name); }));
}

void SyncStore::FreeObject(HREPLOBJ object) { delete FromHandle(object); }

BOOL SyncStore::CopyObject(HREPLOBJ source, HREPLOBJ target) {
  ReplHandle* s = FromHandle(source);
  ReplHandle* t = FromHandle(target);
  if (!s || !t || s->type != t->type) return FALSE;
  std::memcpy(t->name, s->name, sizeof t->name);
  if (FolderHandle* f = AsFolder(source)) AsFolder(target)->folder = f->folder;
  if (ItemHandle* i = AsItem(source)) AsItem(target)->stamp = i->stamp;
  return TRUE;
}

HRESULT SyncStore::IsValidObject(HREPLFLD folder, HREPLITEM item, UINT) {
  if (folder && !AsFolder(folder)) return E_HANDLE;
  if (item && !AsItem(item)) return E_HANDLE;
  if (!item) return S_OK;
  if (!folder) return E_INVALIDARG;
  return AsFolder(folder)->folder->CheckObject(AsItem(item));
}

HRESULT SyncStore::ActivateDialog(UINT dialog, HWND parent, HREPLFLD folder, IEnumReplItem* items) {
  FolderHandle* f = AsFolder(folder);
  if (!parent || !f || !items) return E_INVALIDARG;
  if (dialog != 0) return E_NOTIMPL;
  return f->folder->OptionsDialog(parent);
}

HRESULT SyncStore::GetObjTypeUIData(HREPLFLD folder, OBJUIDATA* data) {
  FolderHandle* f = AsFolder(folder);
  if (!f || !data) return E_INVALIDARG;
  f->folder->UiData(data);
  return S_OK;
}

HRESULT SyncStore::GetConflictInfo(CONFINFO* conflict) {
  if (!conflict) return E_INVALIDARG;
  FolderHandle* f = AsFolder(conflict->hFolder);
  if (!f) return E_INVALIDARG;
  return f->folder->ConflictInfo(conflict);
}

HRESULT SyncStore::RemoveDuplicates(const char* objectType, UINT) {
  if (objectType && !FindObjectType(objectType)) return E_INVALIDARG;
  return folder_->RemoveDuplicates();
}

}  // namespace kavrelasp
