// Names the desktop provider is known by: its class, its object type and what the
// manager shows of it.
#pragma once

#include "kavrel/com/com.h"

namespace kavrelasp {

inline constexpr kavrel::com::CLSID CLSID_KavrelASP = kavrel::com::MakeGuid("{5528279A-8645-4309-8CC8-E38B7C8D1198}");
inline constexpr const char* kProgId = "CorvathSystem.KavrelASP";
inline constexpr const char* kObjectType = "KavrelASP";
inline constexpr const char* kStoreDescription = "KavrelASP Store";
inline constexpr const char* kItemName = "KavrelASP Item";
inline constexpr const char* kItemsName = "KavrelASP Items";
inline constexpr const char* kObjectDescription = "KavrelASP Object";

// The provider's icon and options dialog (resource 101 both).
inline constexpr unsigned kIconResource = 101;

// The store's information: its flags and its identifier (a 32-bit number).
inline constexpr unsigned kStoreFlags = 1;
inline constexpr std::uint32_t kStoreId = 12345;

// The installer started at every store initialisation, from the program directory.
inline constexpr const char* kInstallerProgram = "PlumoSetup";

// The debug log, in the current directory.
inline constexpr const char* kLogFile = "SYNCQ_DBM5.TXT";

}  // namespace kavrelasp
