#include "setup_files.h"

#include <cstdio>
#include <vector>

#include "kavrel/device.h"
#include "kavrel/rapi.h"
#include "kavrel/shell.h"
#include "kavrel/utf16.h"

namespace setup {
namespace {

namespace rapi = kavrel::rapi;

// One text value of an open handheld key into a buffer of kValueBufferBytes.
std::optional<std::string> QueryHandheldText(rapi::HKEY key, std::string_view name) {
  auto wideName = kavrel::device::Utf8ToUtf16(name);
  if (!wideName) return std::nullopt;
  std::vector<rapi::BYTE> buffer(kValueBufferBytes, 0);
  rapi::DWORD size = static_cast<rapi::DWORD>(buffer.size()), type = 0;
  // A text that does not fit the buffer is refused, never cut.
  if (rapi::CeRegQueryValueEx(key, wideName->c_str(), nullptr, &type, buffer.data(), &size) != rapi::ERROR_SUCCESS ||
      type != rapi::REG_SZ || size > buffer.size())
    return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    char16_t unit = static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8);
    if (unit == 0) break;
    text += unit;
  }
  return kavrel::device::Utf16ToUtf8(text);
}

bool ShellTakesLiterally(std::string_view piece) {
  return piece.find_first_of("\"$`\\\n\r") == std::string_view::npos;
}

}  // namespace

RegistryText ReadRegistryText(kavrel::registry::Hive hive, const char* key, const char* value) {
  RegistryText out;
  if (kavrel::registry::OpenKey(hive, key) != kavrel::registry::Status::Ok) return out;
  out.result = RegistryText::Result::ReadFailed;
  auto data = kavrel::registry::GetValue(hive, key, value);
  auto* text = data ? std::get_if<std::string>(&*data) : nullptr;
  if (!text || text->size() + 1 > kValueBufferBytes) return out;
  out.result = RegistryText::Result::Ok;
  out.text = *text;
  return out;
}

std::optional<HandheldInfo> ReadHandheldInfo() {
  if (rapi::CeRapiInit() < 0) return std::nullopt;
  std::optional<HandheldInfo> info;
  auto keyName = kavrel::device::Utf8ToUtf16(kavrel::device::kClientSettingsKey);
  rapi::HKEY key = 0;
  if (keyName && rapi::CeRegOpenKeyEx(rapi::HKEY_CURRENT_USER, keyName->c_str(), 0, rapi::KEY_READ, &key) ==
                     rapi::ERROR_SUCCESS) {
    auto url = QueryHandheldText(key, kavrel::device::kUpdateUrlValue);
    auto version = url ? QueryHandheldText(key, kavrel::device::kCurrentVersionValue) : std::nullopt;
    if (rapi::CeRegCloseKey(key) == rapi::ERROR_SUCCESS && url && version) info = HandheldInfo{*url, *version};
  }
  if (rapi::CeRapiUninit() < 0) return std::nullopt;
  return info;
}

std::string UpdaterParameters(long window, std::string_view updateUrl, std::string_view currentVersion) {
  return std::to_string(window) + " /" + std::string(updateUrl) + " /" + std::string(currentVersion);
}

std::string LastSetupFile(const std::filesystem::path& directory) {
  auto names = kavrel::shell::FindFiles(directory / kTempDir, "*.ini");
  return names.empty() ? std::string() : names.back();
}

std::optional<std::string> BatchLine(std::string_view installedDir, std::string_view currentDir,
                                     std::string_view setupFile) {
  if (currentDir.size() > kMaxCurrentDirectory) return std::nullopt;
  for (auto piece : {installedDir, currentDir, setupFile})
    if (!ShellTakesLiterally(piece)) return std::nullopt;
  std::string line = "\"";
  line += installedDir;
  line += "/";
  line += kAppMgrProgram;
  line += "\" \"";
  line += currentDir;
  line += "/";
  line += kTempDir;
  line += "/";
  line += setupFile;
  line += "\"";
  return line;
}

void CleanUp(const std::filesystem::path& directory) {
  std::error_code ec;
  std::filesystem::remove_all(directory / kTempDir, ec);
  std::filesystem::remove(directory / kBatchFile, ec);
  std::filesystem::remove(directory / kUpdaterCopy, ec);
}

}  // namespace setup
