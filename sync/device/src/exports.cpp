// DEVKAVRELASP's exports, found by name by the handheld's synchronisation service.
#include "device_provider.h"

using namespace kavrel::com;
using devkavrelasp::FindObjectType;

namespace {
// Object-type names given as arguments are terminated; they are read no further than
// the longest name a record can hold.
constexpr std::size_t kArgumentUnits = MAX_OBJTYPE_NAME;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) BOOL InitObjType(const char16_t* objectType, IReplObjHandler** handler,
                                                        UINT partner) {
  if (!objectType) {
    devkavrelasp::EndOfUse();
    return TRUE;
  }
  if (handler) *handler = nullptr;
  auto* type = FindObjectType(objectType, kArgumentUnits);
  if (!type || !handler) return FALSE;
  *handler = type->CreateObjHandler(partner);
  return *handler ? TRUE : FALSE;
}

__attribute__((visibility("default"))) BOOL ObjectNotify(OBJNOTIFY* notify) {
  if (!notify) return FALSE;
  auto* type = FindObjectType(notify->szObjType, MAX_OBJTYPE_NAME);
  return type && type->ObjectNotification(notify) ? TRUE : FALSE;
}

__attribute__((visibility("default"))) BOOL GetObjTypeInfo(OBJTYPEINFO* info) {
  if (!info) return FALSE;
  auto* type = FindObjectType(info->szObjType, MAX_OBJTYPE_NAME);
  if (!type) return FALSE;
  type->TypeInformation(info);
  return TRUE;
}

__attribute__((visibility("default"))) BOOL ReportStatus(const char16_t*, UINT, UINT) { return TRUE; }

}  // extern "C"
