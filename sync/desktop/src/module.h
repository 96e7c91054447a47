// What the provider library keeps for its whole life: the counts of live objects and
// server locks (DllCanUnloadNow), its own file's path, its debug log and the way its
// options dialog is shown.
#pragma once

#include <string>
#include <string_view>

#include "kavrel/com/com.h"

namespace kavrelasp {

// Counted by every object the library hands out (factory, store, object handler).
void ObjectCreated();
void ObjectDestroyed();
void LockServer(bool lock);
bool ModuleInUse();

// The full path of the library file the given address lies in ("" when unknown).
std::string ModulePath(const void* address);

// Appends one entry to the debug log in the current directory; failures are ignored.
void Log(std::string_view text);

// Shows the options dialog modally over `parent`; true when it was left with OK.
// The library installs the real dialog when it is loaded; without one the dialog is
// taken as cancelled.
using OptionsDialogRunner = bool (*)(kavrel::com::HWND parent);
void SetOptionsDialogRunner(OptionsDialogRunner runner);
bool RunOptionsDialog(kavrel::com::HWND parent);

// A counted object: created and destroyed with the module's object count.
struct ModuleObject {
  ModuleObject() { ObjectCreated(); }
  ~ModuleObject() { ObjectDestroyed(); }
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
};

}  // namespace kavrelasp
