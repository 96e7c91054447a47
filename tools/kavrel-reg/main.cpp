// kavrel-reg: looks at and changes the desktop registry's hives.
//   kavrel-reg get HIVE KEY [VALUE]             prints the value's data (default value without VALUE)
//   kavrel-reg set [--dword] HIVE KEY [VALUE DATA]   sets a value, or creates the key alone
//   kavrel-reg delete HIVE KEY [VALUE]          deletes the value, or the key with its subkeys
// HIVE is HKCU, HKLM or HKCR; an empty VALUE names the key's default value.
// Exit codes: 0 done, 1 the key or value is absent or the registry failed, 2 bad arguments.
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "kavrel/registry.h"

namespace reg = kavrel::registry;

namespace {

int Usage() {
  std::cerr << "usage: kavrel-reg get HIVE KEY [VALUE]\n"
               "       kavrel-reg set [--dword] HIVE KEY [VALUE DATA]\n"
               "       kavrel-reg delete HIVE KEY [VALUE]\n"
               "HIVE: HKCU, HKLM or HKCR; an empty VALUE names the key's default value\n";
  return 2;
}

int Fail(reg::Status status, std::string_view key, std::string_view value = {}) {
  std::cerr << "kavrel-reg: " << key;
  if (status == reg::Status::NoValue) std::cerr << " [" << (value.empty() ? "(default)" : value) << "]";
  std::cerr << ": " << reg::StatusText(status) << "\n";
  return 1;
}

// A DWORD given as decimal or 0x-hex text.
bool ParseDword(const std::string& text, std::uint32_t& out) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (errno || *end || v > 0xFFFFFFFFull) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string command = args[0];
  args.erase(args.begin());
  bool dword = false;
  if (command == "set" && !args.empty() && args[0] == "--dword") {
    dword = true;
    args.erase(args.begin());
  }
  if (args.size() < 2) return Usage();
  auto hive = reg::ParseHive(args[0]);
  if (!hive) return Usage();
  const std::string& key = args[1];

  if (command == "get") {
    if (args.size() > 3) return Usage();
    const std::string name = args.size() == 3 ? args[2] : "";
    reg::Status status;
    auto value = reg::GetValue(*hive, key, name, &status);
    if (!value) return Fail(status, key, name);
    if (auto* text = std::get_if<std::string>(&*value))
      std::cout << *text << "\n";
    else
      std::cout << std::get<std::uint32_t>(*value) << "\n";
    return 0;
  }
  if (command == "set") {
    if (args.size() == 2 && !dword) {
      auto status = reg::CreateKey(*hive, key);
      return status == reg::Status::Ok ? 0 : Fail(status, key);
    }
    if (args.size() != 4) return Usage();
    reg::Value value = args[3];
    if (dword) {
      std::uint32_t number;
      if (!ParseDword(args[3], number)) return Usage();
      value = number;
    }
    auto status = reg::SetValue(*hive, key, args[2], value);
    return status == reg::Status::Ok ? 0 : Fail(status, key, args[2]);
  }
  if (command == "delete") {
    if (args.size() > 3) return Usage();
    auto status = args.size() == 3 ? reg::DeleteValue(*hive, key, args[2]) : reg::DeleteKey(*hive, key);
    return status == reg::Status::Ok ? 0 : Fail(status, key, args.size() == 3 ? args[2] : "");
  }
  return Usage();
}
