// kavrel-syncmgr connect: the desktop synchronisation manager's part when a handheld
// connects. For the device in KAVREL_DEVICE it finds the object type "KavrelASP" in the
// registry, follows its store's ProgID to the class and its library, loads the
// library and calls the store the way the manager does: initialise, store information,
// folder information, enumeration, status, release. Exit status 0 when every call
// succeeded; 1 (with a message) when something is missing or a call failed.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "kavrel/com/repl.h"
#include "kavrel/device.h"
#include "kavrel/registry.h"
#include "library.h"

namespace {

using namespace kavrel::com;
namespace reg = kavrel::registry;

constexpr const char* kObjectType = "KavrelASP";

int Fail(const std::string& message) {
  std::fprintf(stderr, "kavrel-syncmgr: %s\n", message.c_str());
  return 1;
}

std::optional<std::string> Text(reg::Hive hive, const std::string& key, const char* name) {
  auto value = reg::GetValue(hive, key, name);
  if (!value || !std::holds_alternative<std::string>(*value)) return std::nullopt;
  return std::get<std::string>(*value);
}

// The manager's side of the store's callbacks.
class ManagerNotify final : public IReplNotify {
 public:
  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!object) return E_INVALIDARG;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IReplNotify) return E_NOINTERFACE;
    *object = static_cast<IReplNotify*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.Increment(); }
  ULONG Release() override { return refs_.Decrement(); }
  HRESULT SetStatusText(const char* text) override {
    std::printf("status: %s\n", text ? text : "");
    return S_OK;
  }
  HRESULT GetWindow(UINT, HWND* window) override {
    if (!window) return E_INVALIDARG;
    *window = nullptr;
    return S_OK;
  }
  HRESULT OnItemNotify(UINT, const char*, const char*, HREPLITEM, ULONG) override { return S_OK; }
  HRESULT QueryDevice(UINT, void**) override { return E_NOTIMPL; }
  ULONG references() const { return refs_.value(); }

 private:
  RefCount refs_;
};

// One call's result, printed; false when it failed.
bool Report(const char* call, HRESULT hr) {
  std::printf("%s: %s\n", call, ResultText(hr).c_str());
  return SUCCEEDED(hr);
}

int Connect() {
  auto device = kavrel::device::ConnectedDevice();
  if (!device) return Fail("no handheld connected (KAVREL_DEVICE does not name a device folder)");
  std::printf("handheld connected: %s\n", device->c_str());

  const std::string typeKey = std::string(kSyncObjectsKey) + "\\" + kObjectType;
  auto progId = Text(reg::Hive::LocalMachine, typeKey, kStoreValue);
  if (!progId) return Fail("the object type " + std::string(kObjectType) + " is not registered");
  auto clsidText = Text(reg::Hive::ClassesRoot, *progId + "\\" + kClassesKey, "");
  auto clsid = clsidText ? ParseGuid(*clsidText) : std::nullopt;
  if (!clsid) return Fail("the store " + *progId + " names no class");
  auto path = Text(reg::Hive::ClassesRoot, std::string(kClassesKey) + "\\" + FormatGuid(*clsid) + "\\" +
                                               kInprocServerKey, "");
  if (!path || path->empty()) return Fail("the class " + FormatGuid(*clsid) + " names no library");

  kavrel::hosts::Library library(*path);
  if (!library.loaded()) return Fail("cannot load " + *path + ": " + library.error());
  auto getClassObject = library.Export<DllGetClassObjectFn>("DllGetClassObject");
  auto canUnloadNow = library.Export<DllCanUnloadNowFn>("DllCanUnloadNow");
  if (!getClassObject || !canUnloadNow) return Fail(*path + " is not an in-process server");

  IClassFactory* factory = nullptr;
  if (!Report("DllGetClassObject", getClassObject(*clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    return 1;
  IReplStore* store = nullptr;
  bool ok = Report("CreateInstance", factory->CreateInstance(nullptr, IID_IReplStore, reinterpret_cast<void**>(&store)));
  factory->Release();
  if (!ok) return 1;

  ManagerNotify notify;
  ok = Report("Initialize", store->Initialize(&notify, 0));

  STOREINFO info;
  BYTE storeId[64] = {};
  info.cbMaxStoreId = sizeof storeId;
  info.lpbStoreId = storeId;
  if (Report("GetStoreInfo", store->GetStoreInfo(&info))) {
    std::printf("store: %s (%s), flags %u, identifier of %u bytes\n", info.szProgId, info.szStoreDesc, info.uFlags,
                info.cbStoreId);
  } else {
    ok = false;
  }

  HREPLFLD folder = nullptr;
  IUnknown* handler = nullptr;
  if (Report("GetFolderInfo", store->GetFolderInfo(kObjectType, &folder, &handler))) {
    int items = 0;
    HREPLITEM item = nullptr;
    BOOL exists = FALSE;
    ok &= Report("FindFirstItem", store->FindFirstItem(folder, &item, &exists));
    while (exists && items < 1000) {
      ++items;
      store->FreeObject(item);
      ok &= Report("FindNextItem", store->FindNextItem(folder, &item, &exists));
    }
    ok &= Report("FindItemClose", store->FindItemClose(folder));
    std::printf("items: %d\n", items);
    ok &= Report("ReportStatus", store->ReportStatus(folder, nullptr, RSC_RELEASE, 0));
    store->FreeObject(folder);
    if (handler) handler->Release();
  } else {
    ok = false;
  }
  store->Release();
  if (notify.references() != 1) ok = Fail("the store kept the manager's notify object");
  if (canUnloadNow() == S_OK) library.Unload();
  std::printf("disconnected\n");
  std::fflush(stdout);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "connect") != 0) {
    std::fputs("usage: kavrel-syncmgr connect\n", stderr);
    return 2;
  }
  return Connect();
}
