#include "kavrel/profile_ini.h"

#include <cstdint>

#include "kavrel/ascii_case.h"
#include "kavrel/utf16.h"

namespace kavrel::device {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Names: "%XX" is a byte, "%UXXXX" a UTF-16 unit; anything else stands as it is.
std::string DecodeName(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 5 < s.size() && s[i + 1] == 'U') {
      int v = 0;
      bool ok = true;
      for (std::size_t k = 2; k < 6; ++k) {
        int d = HexDigit(s[i + k]);
        ok = ok && d >= 0;
        v = v * 16 + (d < 0 ? 0 : d);
      }
      auto utf8 = ok ? Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(v))) : std::nullopt;
      if (utf8) {
        out += *utf8;
        i += 5;
        continue;
      }
    } else if (s[i] == '%' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
      i += 2;
      continue;
    }
    out += s[i];
  }
  return out;
}

// A value as the settings store writes one: quoted runs, backslash escapes, commas
// between the items of a list and ';' before a comment. One plain text, or nullopt
// for a list, a typed value ("@Variant(...)" and the like) or a malformed value.
std::optional<std::u16string> DecodeValue(std::string_view s) {
  s = Trim(s);
  std::u16string out;
  std::string literal;  // UTF-8 bytes waiting to be converted
  auto flush = [&]() {
    if (literal.empty()) return true;
    auto units = Utf8ToUtf16(literal);
    literal.clear();
    if (!units) return false;
    out += *units;
    return true;
  };
  bool quoted = false;
  std::size_t blankTail = 0;  // unquoted blanks at the end of `literal`
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      quoted = !quoted;
      blankTail = 0;
      continue;
    }
    if (!quoted && c == ',') return std::nullopt;  // a list of texts
    if (!quoted && c == ';') {                     // a comment follows
      literal.resize(literal.size() - blankTail);
      break;
    }
    if (c != '\\') {
      literal += c;
      blankTail = (!quoted && (c == ' ' || c == '\t')) ? blankTail + 1 : 0;
      continue;
    }
    blankTail = 0;
    if (++i >= s.size() || !flush()) return std::nullopt;
    char e = s[i];
    switch (e) {
      case 'a': out += u'\a'; break;
      case 'b': out += u'\b'; break;
      case 'f': out += u'\f'; break;
      case 'n': out += u'\n'; break;
      case 'r': out += u'\r'; break;
      case 't': out += u'\t'; break;
      case 'v': out += u'\v'; break;
      case '"': case '\'': case '?': case '\\': out += static_cast<char16_t>(e); break;
      case 'x': {
        std::uint32_t v = 0;
        std::size_t digits = 0;
        while (i + 1 < s.size() && HexDigit(s[i + 1]) >= 0 && digits < 4) {
          v = v * 16 + static_cast<std::uint32_t>(HexDigit(s[++i]));
          ++digits;
        }
        if (digits == 0) return std::nullopt;
        out += static_cast<char16_t>(v);
        break;
      }
      default: {
        if (e < '0' || e > '7') return std::nullopt;
        std::uint32_t v = static_cast<std::uint32_t>(e - '0');
        for (int digits = 1; digits < 3 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7'; ++digits)
          v = v * 8 + static_cast<std::uint32_t>(s[++i] - '0');
        out += static_cast<char16_t>(v);
      }
    }
  }
  if (quoted || !flush()) return std::nullopt;
  // Texts that start with '@' are written with it doubled; other '@' forms are typed values.
  if (!out.empty() && out[0] == u'@') {
    if (out.size() >= 2 && out[1] == u'@') return out.substr(1);
    const std::u16string byteArray = u"@ByteArray(";
    if (out.size() > byteArray.size() && out.compare(0, byteArray.size(), byteArray) == 0 && out.back() == u')')
      return out.substr(byteArray.size(), out.size() - byteArray.size() - 1);
    return std::nullopt;
  }
  return out;
}

}  // namespace

std::optional<std::vector<ProfileEntry>> ReadProfileGroup(std::string_view text, std::string_view group) {
  std::optional<std::vector<ProfileEntry>> entries;
  bool inGroup = false;
  while (!text.empty()) {
    auto end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      auto close = line.find(']');
      inGroup = close != std::string_view::npos && SameNoCase(DecodeName(line.substr(1, close - 1)), group);
      if (inGroup && !entries) entries.emplace();
      continue;
    }
    auto eq = line.find('=');
    if (!inGroup || eq == std::string_view::npos) continue;
    ProfileEntry entry{DecodeName(Trim(line.substr(0, eq))), DecodeValue(line.substr(eq + 1))};
    if (entry.name.empty()) continue;
    auto& list = *entries;
    bool replaced = false;
    for (auto& e : list)
      if (SameNoCase(e.name, entry.name)) {
        e = entry;
        replaced = true;
      }
    if (!replaced) list.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace kavrel::device
