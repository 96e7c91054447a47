// KAVRELASP's exports: the in-process server's four entry points.
#include "kavrel/com/com.h"
#include "module.h"
#include "options_dialog.h"
#include "registration.h"
#include "store_factory.h"

using namespace kavrel::com;

namespace {
// The options dialog is the library's one window.
const bool dialogInstalled = (kavrelasp::SetOptionsDialogRunner(&kavrelasp::ShowOptionsDialog), true);
}  // namespace

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID&, const IID& iid, void** object) {
  return kavrelasp::GetClassObject(iid, object);
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return kavrelasp::ModuleInUse() ? S_FALSE : S_OK;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  return kavrelasp::RegisterServer(kavrelasp::ModulePath(reinterpret_cast<const void*>(&DllRegisterServer)));
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() { return kavrelasp::UnregisterServer(); }

}  // extern "C"
