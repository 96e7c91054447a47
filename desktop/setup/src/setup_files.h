// The installer's files and settings: the names it shares with the updater and the
// application manager, the values it reads from the desktop registry and from the
// handheld, the batch line that runs the application manager, and the clean-up.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "kavrel/registry.h"

namespace setup {

// Files in the program directory (the current directory once ticker_dir applies).
inline constexpr const char* kUpdaterProgram = "pupdater";
inline constexpr const char* kUpdaterCopy = "pupdaterTmp";
inline constexpr const char* kTempDir = "__TEMP__";
inline constexpr const char* kBatchFile = "EXE.BAT";
inline constexpr const char* kAppMgrProgram = "CeAppMgr";

// Desktop registry.
inline constexpr const char* kDesktopKey = "Software\\VTQClient_PC\\KavrelClient\\Settings";
inline constexpr const char* kTickerDirValue = "ticker_dir";
inline constexpr const char* kSyncSoftwareKey = "SOFTWARE\\Microsoft\\Windows CE Services";
inline constexpr const char* kInstalledDirValue = "InstalledDir";

// Each value is read into a buffer of this many bytes, its terminator included
// (50 UTF-16 units for the handheld's values).
inline constexpr std::size_t kValueBufferBytes = 100;
// The current directory is taken with room for this many characters.
inline constexpr std::size_t kMaxCurrentDirectory = 256;

// A text value of the desktop registry: the key cannot be opened, the value cannot be
// read (absent, not a text, or too long for its buffer), or the text.
struct RegistryText {
  enum class Result { Ok, OpenFailed, ReadFailed } result = Result::OpenFailed;
  std::string text;
};
RegistryText ReadRegistryText(kavrel::registry::Hive hive, const char* key, const char* value);

// The handheld's update address and installed version, read over the remote API;
// nullopt when the handheld cannot be reached, its key or a value cannot be read, or
// a value does not fit its 50-unit buffer.
struct HandheldInfo {
  std::string updateUrl;
  std::string currentVersion;
};
std::optional<HandheldInfo> ReadHandheldInfo();

// The updater's parameters: "%d /%s /%s" of this window's handle, the update address
// and the installed version.
std::string UpdaterParameters(long window, std::string_view updateUrl, std::string_view currentVersion);

// The set-up file the application manager is given: the last "*.ini" of __TEMP__ in
// byte order of the names; empty when there is none.
std::string LastSetupFile(const std::filesystem::path& directory);

// The one line of EXE.BAT, without a line end:
//   "INSTALLEDDIR/CeAppMgr" "CURRENTDIR/__TEMP__/SETUPFILE"
// nullopt when a piece holds a character that the shell would not take literally
// between double quotes (", $, `, \, a line end), or the current directory is longer
// than its buffer.
std::optional<std::string> BatchLine(std::string_view installedDir, std::string_view currentDir,
                                     std::string_view setupFile);

// Removes __TEMP__ with everything in it, EXE.BAT and pupdaterTmp from `directory`;
// failures are ignored.
void CleanUp(const std::filesystem::path& directory);

}  // namespace setup
