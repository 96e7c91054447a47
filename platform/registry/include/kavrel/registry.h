// The desktop registry: the current-user, local-machine and classes-root hives, each
// one text file under the registry folder ($KAVREL_REGISTRY, else
// $XDG_CONFIG_HOME/kavrel/registry, else ~/.config/kavrel/registry).
//
// Key paths use backslashes ("Software\VTQClient_PC\KavrelClient\Settings"); key and
// value names compare without regard to ASCII case and keep the case they were
// created with. The empty value name is the key's default value. Every call reads the
// hive anew; a change is written to a temporary file that replaces the hive at once,
// under a lock, so two programs never lose each other's changes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kavrel::registry {

enum class Hive { CurrentUser, LocalMachine, ClassesRoot };

// "HKCU", "HKLM", "HKCR" or the long names ("HKEY_CURRENT_USER", ...), any case.
std::optional<Hive> ParseHive(std::string_view name);
std::string_view HiveName(Hive hive);  // "HKCU", "HKLM", "HKCR"

// A string (REG_SZ, UTF-8 here) or a 32-bit number (REG_DWORD).
using Value = std::variant<std::string, std::uint32_t>;

enum class Status {
  Ok,
  NoKey,       // the key does not exist
  NoValue,     // the key exists, the value does not
  BadName,     // an empty path component, a control character, an over-long name
  IoError,     // the hive file cannot be read or written
  Corrupt,     // the hive file is not in the registry's format
};
std::string_view StatusText(Status status);

std::filesystem::path Directory();
std::filesystem::path HiveFile(Hive hive);

// Whether the key exists (Ok / NoKey), i.e. whether it can be opened.
Status OpenKey(Hive hive, std::string_view key);
// The value's data; `status` (when given) tells why there is none.
std::optional<Value> GetValue(Hive hive, std::string_view key, std::string_view name,
                              Status* status = nullptr);
// Creates the key and its missing parents.
Status CreateKey(Hive hive, std::string_view key);
// Creates the key when needed and sets the value.
Status SetValue(Hive hive, std::string_view key, std::string_view name, const Value& value);
Status DeleteValue(Hive hive, std::string_view key, std::string_view name);
// Removes the key with all its values and subkeys.
Status DeleteKey(Hive hive, std::string_view key);
// Names of the key's direct subkeys, in their stored case, sorted without regard to case.
std::optional<std::vector<std::string>> SubkeyNames(Hive hive, std::string_view key,
                                                    Status* status = nullptr);

}  // namespace kavrel::registry
