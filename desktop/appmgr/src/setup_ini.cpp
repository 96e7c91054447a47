#include "setup_ini.h"

#include <map>

#include "kavrel/ascii_case.h"

namespace appmgr {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view s) {
  s = Trim(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

// A cabinet is named by a plain file name beside the set-up file.
bool PlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

}  // namespace

std::optional<SetupIni> ParseSetupIni(std::string_view text, std::string& error) {
  std::map<std::string, std::map<std::string, std::string>> sections;
  std::map<std::string, std::string>* current = nullptr;
  while (!text.empty()) {
    auto end = text.find('\n');
    auto line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      auto close = line.find(']');
      current = close == std::string_view::npos ? nullptr : &sections[kavrel::AsciiLower(Trim(line.substr(1, close - 1)))];
      continue;
    }
    auto eq = line.find('=');
    if (current && eq != std::string_view::npos) (*current)[kavrel::AsciiLower(Trim(line.substr(0, eq)))] = Unquote(line.substr(eq + 1));
  }
  auto value = [&](const std::string& section, const std::string& key) -> std::string {
    auto s = sections.find(kavrel::AsciiLower(section));
    if (s == sections.end()) return {};
    auto v = s->second.find(key);
    return v == s->second.end() ? std::string() : v->second;
  };

  SetupIni ini;
  ini.component = value("CEAppManager", "component");
  if (ini.component.empty()) {
    error = "The set-up file names no component ([CEAppManager] Component).";
    return std::nullopt;
  }
  if (!sections.count(kavrel::AsciiLower(ini.component))) {
    error = "The set-up file has no section [" + ini.component + "].";
    return std::nullopt;
  }
  const std::string cabList = value(ini.component, "cabfiles");
  std::string_view cabs = cabList;
  while (!cabs.empty()) {
    auto comma = cabs.find(',');
    auto name = Unquote(cabs.substr(0, comma));
    cabs.remove_prefix(comma == std::string_view::npos ? cabs.size() : comma + 1);
    if (name.empty()) continue;
    if (!PlainFileName(name)) {
      error = "The cabinet name \"" + std::string(name) + "\" is not a file beside the set-up file.";
      return std::nullopt;
    }
    ini.cabFiles.emplace_back(name);
  }
  if (ini.cabFiles.empty()) {
    error = "The component " + ini.component + " lists no cabinet (CabFiles).";
    return std::nullopt;
  }
  ini.version = value(ini.component, "version");
  if (ini.version.empty()) {
    error = "The component " + ini.component + " has no Version.";
    return std::nullopt;
  }
  return ini;
}

}  // namespace appmgr
