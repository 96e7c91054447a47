// The synchronisation manager's interfaces and records: the store and object-handler
// interfaces a desktop provider implements, the manager's callback interface, and the
// records of the handheld's synchronisation service. Slots are in the manager's order.
#pragma once

#include <cstdint>

#include "kavrel/com/com.h"

namespace kavrel::com {

inline constexpr IID IID_IReplStore = MakeGuid("{A417BC0F-7BE1-11CE-AD82-00AA006EC559}");
inline constexpr IID IID_IReplObjHandler = MakeGuid("{A417BC0E-7BE1-11CE-AD82-00AA006EC559}");
inline constexpr IID IID_IReplNotify = MakeGuid("{A417BC0D-7BE1-11CE-AD82-00AA006EC559}");

inline constexpr UINT MAX_PATH = 260;
// Object-type names of the handheld's records, in 16-bit units with the terminator.
inline constexpr UINT MAX_OBJTYPE_NAME = 100;

// Where the manager finds its providers: the object types under this local-machine
// key, each naming its store's ProgID in "Store"; the ProgID's "CLSID" subkey (classes
// root) names the class, and the class's "InprocServer32" the library file.
inline constexpr const char* kSyncObjectsKey =
    "Software\\Microsoft\\Windows CE Services\\Services\\Synchronization\\Objects";
inline constexpr const char* kStoreValue = "Store";
inline constexpr const char* kClassesKey = "CLSID";
inline constexpr const char* kInprocServerKey = "InprocServer32";
inline constexpr const char* kProgIdKey = "ProgId";

// Results of the synchronisation manager's own facility.
inline constexpr HRESULT RWRN_LAST_PACKET = MakeResult(0x00140001);      // no more data
inline constexpr HRESULT RERR_DIALOG_CANCELLED = MakeResult(0x80140003);  // options dialog left with Cancel
inline constexpr HRESULT RERR_CONFLICT_IGNORED = MakeResult(0x80140005);  // no conflict resolution offered
inline constexpr HRESULT RERR_OBJECT_GONE = MakeResult(0x80140008);       // the object no longer exists

// Status codes of ReportStatus.
inline constexpr UINT RSC_RELEASE = 6;  // the manager lets go of the store's notify interface

// A handle the manager keeps for the provider (a folder or an item); only the provider
// knows what it points to.
struct REPLOBJ;
using HREPLOBJ = REPLOBJ*;
using HREPLFLD = HREPLOBJ;
using HREPLITEM = HREPLOBJ;

using HICON = std::uint32_t;  // an icon by its resource number

struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

struct STOREINFO {
  UINT cbStruct = sizeof(STOREINFO);
  UINT uFlags = 0;
  char szProgId[256] = {};
  char szStoreDesc[200] = {};
  UINT uTimerRes = 0;
  UINT cbMaxStoreId = 0;  // room at lpbStoreId
  UINT cbStoreId = 0;
  BYTE* lpbStoreId = nullptr;
};

struct OBJUIDATA {
  UINT cbStruct = sizeof(OBJUIDATA);
  HICON hIconLarge = 0;
  HICON hIconSmall = 0;
  char szName[MAX_PATH] = {};
  char szSyncText[MAX_PATH] = {};
  char szTypeText[80] = {};
  char szPlTypeText[80] = {};
};

// The set-up record of an object handler. The desktop manager names the object by its
// handles, the handheld service by its object identifiers.
struct REPLSETUP {
  UINT cbStruct = sizeof(REPLSETUP);
  BOOL fRead = FALSE;
  DWORD dwFlags = 0;
  HRESULT hr = S_OK;
  DWORD oid = 0;
  DWORD oidParent = 0;
  HREPLITEM hItem = nullptr;
  HREPLFLD hFolder = nullptr;
};

struct CONFINFO {
  UINT cbStruct = sizeof(CONFINFO);
  HREPLFLD hFolder = nullptr;
  HREPLITEM hLocalItem = nullptr;
  HREPLITEM hRemoteItem = nullptr;
  char szLocalName[MAX_PATH] = {};
  char szLocalDesc[512] = {};
  char szRemoteName[MAX_PATH] = {};
  char szRemoteDesc[512] = {};
};

// The enumerator of items the manager hands to the options dialog; opaque here.
class IEnumReplItem;

// The manager's callback interface, given to the store at initialisation.
class IReplNotify : public IUnknown {
 public:
  virtual HRESULT SetStatusText(const char* text) = 0;
  virtual HRESULT GetWindow(UINT flags, HWND* window) = 0;
  virtual HRESULT OnItemNotify(UINT code, const char* progId, const char* name, HREPLITEM item, ULONG flags) = 0;
  virtual HRESULT QueryDevice(UINT code, void** data) = 0;

 protected:
  ~IReplNotify() = default;
};

class IReplStore : public IUnknown {
 public:
  virtual HRESULT Initialize(IReplNotify* notify, UINT flags) = 0;                       // 3
  virtual HRESULT GetStoreInfo(STOREINFO* info) = 0;                                      // 4
  virtual HRESULT ReportStatus(HREPLFLD folder, HREPLITEM item, UINT status, UINT param) = 0;
  virtual int CompareStoreIDs(const BYTE* id1, UINT size1, const BYTE* id2, UINT size2) = 0;
  virtual int CompareItem(HREPLITEM item1, HREPLITEM item2) = 0;
  virtual BOOL IsItemChanged(HREPLFLD folder, HREPLITEM item, HREPLITEM compared) = 0;
  virtual BOOL IsItemReplicated(HREPLFLD folder, HREPLITEM item) = 0;
  virtual void UpdateItem(HREPLFLD folder, HREPLITEM target, HREPLITEM source) = 0;     // 10
  virtual HRESULT GetFolderInfo(const char* objectType, HREPLFLD* folder, IUnknown** objHandler) = 0;
  virtual HRESULT IsFolderChanged(HREPLFLD folder, BOOL* changed) = 0;
  virtual HRESULT FindFirstItem(HREPLFLD folder, HREPLITEM* item, BOOL* exists) = 0;
  virtual HRESULT FindNextItem(HREPLFLD folder, HREPLITEM* item, BOOL* exists) = 0;
  virtual HRESULT FindItemClose(HREPLFLD folder) = 0;                                    // 15
  virtual UINT ObjectToBytes(HREPLOBJ object, BYTE* bytes) = 0;
  virtual HREPLOBJ BytesToObject(const BYTE* bytes, UINT size) = 0;
  virtual void FreeObject(HREPLOBJ object) = 0;
  virtual BOOL CopyObject(HREPLOBJ source, HREPLOBJ target) = 0;
  virtual HRESULT IsValidObject(HREPLFLD folder, HREPLITEM item, UINT flags) = 0;       // 20
  virtual HRESULT ActivateDialog(UINT dialog, HWND parent, HREPLFLD folder, IEnumReplItem* items) = 0;
  virtual HRESULT GetObjTypeUIData(HREPLFLD folder, OBJUIDATA* data) = 0;
  virtual HRESULT GetConflictInfo(CONFINFO* conflict) = 0;
  virtual HRESULT RemoveDuplicates(const char* objectType, UINT flags) = 0;             // 24

 protected:
  ~IReplStore() = default;
};

class IReplObjHandler : public IUnknown {
 public:
  virtual HRESULT Setup(REPLSETUP* setup) = 0;
  virtual HRESULT Reset(REPLSETUP* setup) = 0;
  virtual HRESULT GetPacket(BYTE** data, DWORD* size, DWORD recommendedSize) = 0;
  virtual HRESULT SetPacket(BYTE* data, DWORD size) = 0;
  virtual HRESULT DeleteObj(REPLSETUP* setup) = 0;

 protected:
  ~IReplObjHandler() = default;
};

// Records of the handheld's synchronisation service. Object-type names are wide
// (16-bit) strings there.
struct OBJNOTIFY {
  UINT cbStruct = sizeof(OBJNOTIFY);
  char16_t szObjType[MAX_OBJTYPE_NAME] = {};
  UINT uFlags = 0;
  UINT uPartnerBit = 0;
  DWORD oidObject = 0;
  DWORD oidParent = 0;
};

struct OBJTYPEINFO {
  UINT cbStruct = sizeof(OBJTYPEINFO);
  char16_t szObjType[MAX_OBJTYPE_NAME] = {};
  UINT uFlags = 0;
  char16_t szName[80] = {};
  UINT cObjects = 0;
  UINT cbAllObj = 0;
  FILETIME ftLastModified;
};

// The handheld provider's exports, as the service finds them by name.
using InitObjTypeFn = BOOL (*)(const char16_t* objectType, IReplObjHandler** handler, UINT partner);
using ObjectNotifyFn = BOOL (*)(OBJNOTIFY* notify);
using GetObjTypeInfoFn = BOOL (*)(OBJTYPEINFO* info);
using ReportStatusFn = BOOL (*)(const char16_t* objectType, UINT status, UINT param);

// The desktop provider's exports.
using DllGetClassObjectFn = HRESULT (*)(const CLSID& clsid, const IID& iid, void** object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();

}  // namespace kavrel::com
