#include "sync_folder.h"

#include <cstring>
#include <new>

#include "module.h"
#include "obj_handler.h"
#include "provider_names.h"

namespace kavrelasp {

using namespace kavrel::com;

namespace {
template <std::size_t N>
void CopyText(char (&field)[N], const char* text) {
  std::strncpy(field, text, N - 1);
  field[N - 1] = '\0';
}
}  // namespace

const char* SyncFolder::PluralName() const { return kItemsName; }
const char* SyncFolder::SingularName() const { return kItemName; }
const char* SyncFolder::TypeName() const { return kObjectType; }

HRESULT SyncFolder::CreateObjHandler(IUnknown** handler) {
  *handler = new (std::nothrow) SyncObjHandler(this);
  return *handler ? S_OK : E_OUTOFMEMORY;
}

HRESULT SyncFolder::CheckObject(ItemHandle* item) { return item ? S_OK : RERR_OBJECT_GONE; }

void SyncFolder::UiData(OBJUIDATA* data) {
  data->hIconLarge = kIconResource;
  data->hIconSmall = kIconResource;
  CopyText(data->szName, kObjectType);
  CopyText(data->szTypeText, kItemName);
  CopyText(data->szPlTypeText, kItemsName);
}

HRESULT SyncFolder::OptionsDialog(HWND parent) { return RunOptionsDialog(parent) ? S_OK : RERR_DIALOG_CANCELLED; }

HRESULT SyncFolder::ConflictInfo(CONFINFO*) { return RERR_CONFLICT_IGNORED; }

}  // namespace kavrelasp
