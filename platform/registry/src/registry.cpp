#include "kavrel/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "kavrel/ascii_case.h"

namespace kavrel::registry {
namespace {

// Hive file format (one hive per file, UTF-8):
//   ; comment
//   [Software\Vendor\Key]
//   @="default value"
//   "name"="text with \\ \" \n \r \t and \xHH escapes"
//   "count"=dword:0000002a
// A key is listed once, after its parent; a key without values is listed all the same.
constexpr std::uintmax_t kMaxHiveBytes = 16u << 20;
constexpr std::size_t kMaxKeyNameBytes = 255;
constexpr std::size_t kMaxValueNameBytes = 16383;
constexpr std::size_t kMaxDepth = 512;

struct Node {
  std::string name;  // as created
  std::vector<std::pair<std::string, Value>> values;
  std::vector<Node> children;
};

bool SameName(std::string_view a, std::string_view b) { return SameNoCase(a, b); }
bool NameLess(std::string_view a, std::string_view b) { return LessNoCase(a, b); }

bool HasControl(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
  });
}

// Splits "A\B\C" into its components; nullopt when one is empty, too long or holds a
// control character. The empty path is the hive's root (no components).
std::optional<std::vector<std::string_view>> SplitKey(std::string_view key) {
  std::vector<std::string_view> parts;
  if (key.empty()) return parts;
  while (true) {
    auto pos = key.find('\\');
    auto part = key.substr(0, pos);
    if (part.empty() || part.size() > kMaxKeyNameBytes || HasControl(part)) return std::nullopt;
    parts.push_back(part);
    if (parts.size() > kMaxDepth) return std::nullopt;
    if (pos == std::string_view::npos) return parts;
    key.remove_prefix(pos + 1);
  }
}

bool ValidValueName(std::string_view name) { return name.size() <= kMaxValueNameBytes && !HasControl(name); }
bool ValidValue(const Value& value) {
  auto* text = std::get_if<std::string>(&value);
  return !text || text->find('\0') == std::string::npos;
}

Node* Child(Node& node, std::string_view name) {
  for (auto& child : node.children)
    if (SameName(child.name, name)) return &child;
  return nullptr;
}

Node* Find(Node& root, const std::vector<std::string_view>& parts) {
  Node* node = &root;
  for (auto part : parts)
    if (!(node = Child(*node, part))) return nullptr;
  return node;
}

Node& Create(Node& root, const std::vector<std::string_view>& parts) {
  Node* node = &root;
  for (auto part : parts) {
    Node* child = Child(*node, part);
    if (!child) {
      node->children.push_back(Node{std::string(part), {}, {}});
      child = &node->children.back();
    }
    node = child;
  }
  return *node;
}

// ---- text form ----

void WriteQuoted(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (char c : s) {
    auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20 || u == 0x7F) {
          out += "\\x";
          out += kHex[u >> 4];
          out += kHex[u & 15];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// Reads a quoted text at the start of `s`, advancing past it.
std::optional<std::string> ReadQuoted(std::string_view& s) {
  if (s.empty() || s[0] != '"') return std::nullopt;
  std::string out;
  std::size_t i = 1;
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  while (i < s.size()) {
    char c = s[i++];
    if (c == '"') {
      s.remove_prefix(i);
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i >= s.size()) return std::nullopt;
    char e = s[i++];
    switch (e) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        if (i + 2 > s.size() || hex(s[i]) < 0 || hex(s[i + 1]) < 0) return std::nullopt;
        int v = hex(s[i]) * 16 + hex(s[i + 1]);
        if (v == 0) return std::nullopt;
        out += static_cast<char>(v);
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
  }
  return std::nullopt;
}

void Serialise(std::string& out, const Node& node, const std::string& path) {
  if (!path.empty()) {
    out += '[';
    out += path;
    out += "]\n";
    auto values = node.values;
    std::sort(values.begin(), values.end(), [](auto& a, auto& b) { return NameLess(a.first, b.first); });
    for (auto& [name, value] : values) {
      if (name.empty())
        out += '@';
      else
        WriteQuoted(out, name);
      out += '=';
      if (auto* text = std::get_if<std::string>(&value)) {
        WriteQuoted(out, *text);
      } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(std::get<std::uint32_t>(value)));
        out += buf;
      }
      out += '\n';
    }
  }
  std::vector<const Node*> children;
  for (auto& child : node.children) children.push_back(&child);
  std::sort(children.begin(), children.end(), [](auto* a, auto* b) { return NameLess(a->name, b->name); });
  for (auto* child : children) Serialise(out, *child, path.empty() ? child->name : path + '\\' + child->name);
}

Status Parse(std::string_view text, Node& root) {
  Node* current = nullptr;
  while (!text.empty()) {
    auto end = text.find('\n');
    if (end == std::string_view::npos) return Status::Corrupt;  // every line ends with '\n'
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.size() < 3 || line.back() != ']') return Status::Corrupt;
      auto parts = SplitKey(line.substr(1, line.size() - 2));
      if (!parts || parts->empty()) return Status::Corrupt;
      current = &Create(root, *parts);
      continue;
    }
    if (!current) return Status::Corrupt;
    std::string name;
    if (line[0] == '@') {
      line.remove_prefix(1);
    } else {
      auto quoted = ReadQuoted(line);
      if (!quoted || quoted->empty() || !ValidValueName(*quoted)) return Status::Corrupt;
      name = std::move(*quoted);
    }
    if (line.empty() || line[0] != '=') return Status::Corrupt;
    line.remove_prefix(1);
    Value value;
    if (line.substr(0, 6) == "dword:") {
      line.remove_prefix(6);
      if (line.size() != 8 || !std::all_of(line.begin(), line.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return Status::Corrupt;
      value = static_cast<std::uint32_t>(std::strtoul(std::string(line).c_str(), nullptr, 16));
    } else {
      auto data = ReadQuoted(line);
      if (!data || !line.empty()) return Status::Corrupt;
      value = std::move(*data);
    }
    for (auto& [n, v] : current->values)
      if (SameName(n, name)) return Status::Corrupt;  // listed twice
    current->values.emplace_back(std::move(name), std::move(value));
  }
  return Status::Ok;
}

Status Load(Hive hive, Node& root) {
  auto file = HiveFile(hive);
  std::error_code ec;
  auto size = std::filesystem::file_size(file, ec);
  if (ec) return ec == std::errc::no_such_file_or_directory ? Status::Ok : Status::IoError;  // an empty hive
  if (size > kMaxHiveBytes) return Status::Corrupt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return Status::IoError;
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (static_cast<std::uintmax_t>(in.gcount()) != size || in.peek() != std::char_traits<char>::eof()) return Status::IoError;
  return Parse(text, root);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

Status Store(Hive hive, const Node& root) {
  std::string text = "; Kavrel desktop registry, hive ";
  text += HiveName(hive);
  text += '\n';
  Serialise(text, root, "");
  auto file = HiveFile(hive);
  auto temp = file;
  temp += ".tmp" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return Status::IoError;
  bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), file.c_str()) != 0) {
    ::unlink(temp.c_str());
    return Status::IoError;
  }
  return Status::Ok;
}

// Holds the hive's lock file for one read-change-write.
class HiveLock {
 public:
  explicit HiveLock(Hive hive) {
    std::error_code ec;
    std::filesystem::create_directories(Directory(), ec);
    auto file = HiveFile(hive);
    file += ".lock";
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      int r;
      do r = ::flock(fd_, LOCK_EX);
      while (r != 0 && errno == EINTR);
      if (r != 0) {
        ::close(fd_);
        fd_ = -1;
      }
    }
  }
  ~HiveLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Runs `change` on the loaded hive under the lock and stores the hive when it
// reports Ok.
template <typename Change>
Status Modify(Hive hive, Change change) {
  HiveLock lock(hive);
  if (!lock.held()) return Status::IoError;
  Node root;
  if (auto s = Load(hive, root); s != Status::Ok) return s;
  if (auto s = change(root); s != Status::Ok) return s;
  return Store(hive, root);
}

// Loads the hive and finds the key: its node, or nullptr with `s` telling why.
Node* LoadKey(Hive hive, std::string_view key, Node& root, Status& s) {
  auto parts = SplitKey(key);
  if (!parts) {
    s = Status::BadName;
    return nullptr;
  }
  if ((s = Load(hive, root)) != Status::Ok) return nullptr;
  Node* node = Find(root, *parts);
  s = node ? Status::Ok : Status::NoKey;
  return node;
}

}  // namespace

std::optional<Hive> ParseHive(std::string_view name) {
  static constexpr std::pair<std::string_view, Hive> kNames[] = {
      {"HKCU", Hive::CurrentUser},  {"HKEY_CURRENT_USER", Hive::CurrentUser},
      {"HKLM", Hive::LocalMachine}, {"HKEY_LOCAL_MACHINE", Hive::LocalMachine},
      {"HKCR", Hive::ClassesRoot},  {"HKEY_CLASSES_ROOT", Hive::ClassesRoot},
  };
  for (auto& [text, hive] : kNames)
    if (SameName(text, name)) return hive;
  return std::nullopt;
}

std::string_view HiveName(Hive hive) {
  switch (hive) {
    case Hive::CurrentUser: return "HKCU";
    case Hive::LocalMachine: return "HKLM";
    case Hive::ClassesRoot: return "HKCR";
  }
  return "";
}

std::string_view StatusText(Status status) {
  switch (status) {
    case Status::Ok: return "ok";
    case Status::NoKey: return "the key does not exist";
    case Status::NoValue: return "the value does not exist";
    case Status::BadName: return "the name or data cannot be stored in the registry";
    case Status::IoError: return "the registry file cannot be read or written";
    case Status::Corrupt: return "the registry file is damaged";
  }
  return "";
}

std::filesystem::path Directory() {
  if (const char* dir = std::getenv("KAVREL_REGISTRY"); dir && *dir) return dir;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    return std::filesystem::path(config) / "kavrel" / "registry";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".config" / "kavrel" / "registry";
}

std::filesystem::path HiveFile(Hive hive) { return Directory() / (std::string(HiveName(hive)) + ".reg"); }

Status OpenKey(Hive hive, std::string_view key) {
  Node root;
  Status s;
  LoadKey(hive, key, root, s);
  return s;
}

std::optional<Value> GetValue(Hive hive, std::string_view key, std::string_view name, Status* status) {
  Status dummy;
  Status& s = status ? *status : dummy;
  if (!ValidValueName(name)) {
    s = Status::BadName;
    return std::nullopt;
  }
  Node root;
  Node* node = LoadKey(hive, key, root, s);
  if (!node) return std::nullopt;
  for (auto& [n, v] : node->values)
    if (SameName(n, name)) return v;
  s = Status::NoValue;
  return std::nullopt;
}

Status CreateKey(Hive hive, std::string_view key) {
  auto parts = SplitKey(key);
  if (!parts || parts->empty()) return Status::BadName;
  return Modify(hive, [&](Node& root) {
    Create(root, *parts);
    return Status::Ok;
  });
}

Status SetValue(Hive hive, std::string_view key, std::string_view name, const Value& value) {
  auto parts = SplitKey(key);
  if (!parts || parts->empty() || !ValidValueName(name) || !ValidValue(value)) return Status::BadName;
  return Modify(hive, [&](Node& root) {
    Node& node = Create(root, *parts);
    for (auto& [n, v] : node.values)
      if (SameName(n, name)) {
        v = value;
        return Status::Ok;
      }
    node.values.emplace_back(std::string(name), value);
    return Status::Ok;
  });
}

Status DeleteValue(Hive hive, std::string_view key, std::string_view name) {
  auto parts = SplitKey(key);
  if (!parts || !ValidValueName(name)) return Status::BadName;
  return Modify(hive, [&](Node& root) {
    Node* node = Find(root, *parts);
    if (!node) return Status::NoKey;
    auto it = std::find_if(node->values.begin(), node->values.end(), [&](auto& nv) { return SameName(nv.first, name); });
    if (it == node->values.end()) return Status::NoValue;
    node->values.erase(it);
    return Status::Ok;
  });
}

Status DeleteKey(Hive hive, std::string_view key) {
  auto parts = SplitKey(key);
  if (!parts || parts->empty()) return Status::BadName;
  auto leaf = parts->back();
  parts->pop_back();
  return Modify(hive, [&](Node& root) {
    Node* parent = Find(root, *parts);
    if (!parent) return Status::NoKey;
    auto it = std::find_if(parent->children.begin(), parent->children.end(), [&](auto& c) { return SameName(c.name, leaf); });
    if (it == parent->children.end()) return Status::NoKey;
    parent->children.erase(it);
    return Status::Ok;
  });
}

std::optional<std::vector<std::string>> SubkeyNames(Hive hive, std::string_view key, Status* status) {
  Status dummy;
  Status& s = status ? *status : dummy;
  Node root;
  Node* node = LoadKey(hive, key, root, s);
  if (!node) return std::nullopt;
  std::vector<std::string> names;
  for (auto& child : node->children) names.push_back(child.name);
  std::sort(names.begin(), names.end(), [](auto& a, auto& b) { return NameLess(a, b); });
  return names;
}

}  // namespace kavrel::registry
