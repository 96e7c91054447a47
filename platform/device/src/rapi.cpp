#include "kavrel/rapi.h"

#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include "kavrel/ascii_case.h"
#include "kavrel/device.h"
#include "kavrel/profile_ini.h"
#include "kavrel/utf16.h"

namespace kavrel::rapi {
namespace {

// A profile file larger than this is not a settings file.
constexpr std::uintmax_t kMaxProfileBytes = 1u << 20;
// Names longer than this are refused before they are converted.
constexpr std::size_t kMaxNameUnits = 16383;

struct Session {
  std::mutex mutex;
  std::optional<std::filesystem::path> device;  // set while a session is open
  std::map<HKEY, std::vector<device::ProfileEntry>> keys;
  HKEY nextKey = 1;
};

Session& TheSession() {
  static Session session;
  return session;
}

std::optional<std::string> NameFrom(const WCHAR* name) {
  if (!name) return std::string();
  std::size_t n = 0;
  while (name[n] && n <= kMaxNameUnits) ++n;
  if (n > kMaxNameUnits) return std::nullopt;
  return device::Utf16ToUtf8(std::u16string_view(name, n));
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& file) {
  std::error_code ec;
  auto size = std::filesystem::file_size(file, ec);
  if (ec || size > kMaxProfileBytes) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (text.str().size() > kMaxProfileBytes) return std::nullopt;
  return text.str();
}


}  // namespace

HRESULT CeRapiInit() {
  auto& s = TheSession();
  std::lock_guard lock(s.mutex);
  s.device = device::ConnectedDevice();
  return s.device ? S_OK : E_FAIL;
}

HRESULT CeRapiUninit() {
  auto& s = TheSession();
  std::lock_guard lock(s.mutex);
  if (!s.device) return E_FAIL;
  s.device.reset();
  s.keys.clear();
  return S_OK;
}

LONG CeRegOpenKeyEx(HKEY hKey, const WCHAR* lpszSubKey, DWORD, DWORD, HKEY* phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = 0;
  auto& s = TheSession();
  std::lock_guard lock(s.mutex);
  if (!s.device) return ERROR_NOT_READY;
  if (hKey != HKEY_CURRENT_USER) return ERROR_FILE_NOT_FOUND;
  auto name = NameFrom(lpszSubKey);
  if (!name) return ERROR_INVALID_PARAMETER;
  auto location = device::LocateProfileKey(*s.device, *name);
  if (!location) return ERROR_FILE_NOT_FOUND;
  auto text = ReadSmallFile(location->file);
  if (!text) return ERROR_FILE_NOT_FOUND;
  auto entries = device::ReadProfileGroup(*text, location->group);
  if (!entries) return ERROR_FILE_NOT_FOUND;
  HKEY key = s.nextKey++;
  if (s.nextKey >= HKEY_CURRENT_USER) s.nextKey = 1;
  s.keys[key] = std::move(*entries);
  *phkResult = key;
  return ERROR_SUCCESS;
}

LONG CeRegQueryValueEx(HKEY hKey, const WCHAR* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                       DWORD* lpcbData) {
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  auto& s = TheSession();
  std::lock_guard lock(s.mutex);
  if (!s.device) return ERROR_NOT_READY;
  auto it = s.keys.find(hKey);
  if (it == s.keys.end()) return ERROR_INVALID_HANDLE;
  auto name = NameFrom(lpValueName);
  if (!name) return ERROR_INVALID_PARAMETER;
  for (const auto& entry : it->second) {
    if (!SameNoCase(entry.name, *name)) continue;
    if (!entry.text) return ERROR_INVALID_DATA;
    const auto& text = *entry.text;
    const DWORD needed = static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR));
    if (lpType) *lpType = REG_SZ;
    if (!lpcbData) return ERROR_SUCCESS;
    const DWORD room = *lpcbData;
    *lpcbData = needed;
    if (!lpData) return ERROR_SUCCESS;
    if (room < needed) return ERROR_MORE_DATA;
    // UTF-16 in the handheld's little-endian byte order, with its terminator.
    for (std::size_t i = 0; i <= text.size(); ++i) {
      char16_t unit = i < text.size() ? text[i] : u'\0';
      lpData[2 * i] = static_cast<BYTE>(unit & 0xFF);
      lpData[2 * i + 1] = static_cast<BYTE>(unit >> 8);
    }
    return ERROR_SUCCESS;
  }
  return ERROR_FILE_NOT_FOUND;
}

LONG CeRegCloseKey(HKEY hKey) {
  auto& s = TheSession();
  std::lock_guard lock(s.mutex);
  return s.keys.erase(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace kavrel::rapi
