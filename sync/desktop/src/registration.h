// The provider's registration in the desktop registry: its class under the classes
// root, and its object type "KavrelASP" among the synchronisation manager's objects.
#pragma once

#include <string_view>

#include "kavrel/com/com.h"
#include "kavrel/registry.h"

namespace kavrelasp {

// The registry's failure as a system error, and so as a result.
kavrel::com::HRESULT ResultOf(kavrel::registry::Status status);

// Writes every entry for the library at `path`, stopping at the first failure. A path
// that does not fit its 260-byte field (terminator included) is refused before anything
// is written.
kavrel::com::HRESULT RegisterServer(std::string_view path);
// Removes the class key with its subkeys, the ProgID and the object type.
kavrel::com::HRESULT UnregisterServer();

}  // namespace kavrelasp
