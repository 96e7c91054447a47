// The remote API to the connected handheld, as far as the installer uses it: a session
// and read access to the handheld's current-user registry, which here is the profile
// of the device folder (kavrel/device.h).
//
// Results follow the platform's: CeRapiInit and CeRapiUninit return an HRESULT
// (negative on failure); the registry calls return 0 or an error number. A text value
// comes back as UTF-16 with its terminator; a buffer too small for it gives
// ERROR_MORE_DATA and the size needed in *lpcbData.
#pragma once

#include <cstdint>

namespace kavrel::rapi {

using HRESULT = std::int32_t;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using WCHAR = char16_t;
using HKEY = std::uint32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_DATA = 13;
inline constexpr LONG ERROR_NOT_READY = 21;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD KEY_READ = 0x20019;

// Connects to the device of $KAVREL_DEVICE; E_FAIL when none is connected.
HRESULT CeRapiInit();
// Ends the session and closes the keys still open.
HRESULT CeRapiUninit();
// Opens a current-user key (subKey "SOFTWARE\Org\App\Section"); the values are read
// when the key is opened.
LONG CeRegOpenKeyEx(HKEY hKey, const WCHAR* lpszSubKey, DWORD ulOptions, DWORD samDesired, HKEY* phkResult);
LONG CeRegQueryValueEx(HKEY hKey, const WCHAR* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                       DWORD* lpcbData);
LONG CeRegCloseKey(HKEY hKey);

}  // namespace kavrel::rapi
