#include "kavrel/cp949.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace kavrel {
namespace {

// One conversion with iconv. With `lossy`, a sequence that cannot be converted is
// replaced by '?' (one input unit skipped); otherwise it ends the conversion.
std::optional<std::string> Convert(const char* to, const char* from, const char* in, std::size_t inBytes,
                                   std::size_t unit, bool lossy) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.resize(inBytes * 2 + 16);
  char* inPtr = const_cast<char*>(in);
  std::size_t inLeft = inBytes;
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  bool ok = true;
  while (inLeft > 0) {
    std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      std::size_t used = static_cast<std::size_t>(outPtr - out.data());
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
      continue;
    }
    // EILSEQ or EINVAL: an invalid, unconvertible or truncated sequence.
    if (!lossy) {
      ok = false;
      break;
    }
    // Skip one whole input character.
    std::size_t n = unit;
    auto lead = static_cast<std::uint8_t>(*inPtr);
    if (std::strcmp(from, "CP949") == 0) {
      n = Cp949CharLength(lead);
    } else if (std::strcmp(from, "UTF-8") == 0) {
      n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      // A malformed sequence is skipped one byte at a time.
      for (std::size_t i = 1; i < n && i < inLeft; ++i)
        if ((static_cast<std::uint8_t>(inPtr[i]) & 0xC0) != 0x80) n = 1;
    }
    std::size_t skip = n < inLeft ? n : inLeft;
    inPtr += skip;
    inLeft -= skip;
    if (outLeft < 1) {
      std::size_t used = static_cast<std::size_t>(outPtr - out.data());
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
    }
    *outPtr++ = '?';
    --outLeft;
    if (std::strcmp(to, "UTF-16LE") == 0) {
      *outPtr++ = 0;
      --outLeft;
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(static_cast<std::size_t>(outPtr - out.data()));
  return out;
}

std::u16string FromUtf16Bytes(const std::string& bytes) {
  std::u16string s(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                 (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
  return s;
}

std::string ToUtf16Bytes(std::u16string_view s) {
  std::string bytes(s.size() * 2, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) {
    bytes[2 * i] = static_cast<char>(s[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(s[i] >> 8);
  }
  return bytes;
}

}  // namespace

std::optional<std::string> Utf8ToCp949(std::string_view utf8) {
  return Convert("CP949", "UTF-8", utf8.data(), utf8.size(), 1, false);
}

std::optional<std::string> Cp949ToUtf8(std::string_view cp949) {
  return Convert("UTF-8", "CP949", cp949.data(), cp949.size(), 1, false);
}

std::optional<std::string> Utf16ToCp949(std::u16string_view utf16) {
  std::string bytes = ToUtf16Bytes(utf16);
  return Convert("CP949", "UTF-16LE", bytes.data(), bytes.size(), 2, false);
}

std::optional<std::u16string> Cp949ToUtf16(std::string_view cp949) {
  auto bytes = Convert("UTF-16LE", "CP949", cp949.data(), cp949.size(), 1, false);
  if (!bytes) return std::nullopt;
  return FromUtf16Bytes(*bytes);
}

std::string Utf8ToCp949Lossy(std::string_view utf8) {
  return Convert("CP949", "UTF-8", utf8.data(), utf8.size(), 1, true).value_or(std::string());
}

std::string Cp949ToUtf8Lossy(std::string_view cp949) {
  return Convert("UTF-8", "CP949", cp949.data(), cp949.size(), 1, true).value_or(std::string());
}

std::string_view CutCp949(std::string_view cp949, std::size_t maxBytes) {
  std::size_t pos = 0;
  while (pos < cp949.size()) {
    std::size_t n = Cp949CharLength(static_cast<std::uint8_t>(cp949[pos]));
    if (pos + n > maxBytes) break;
    pos += n;
  }
  if (pos > cp949.size()) pos = cp949.size();  // a lead byte as the text's last byte
  return cp949.substr(0, pos);
}

bool WriteCp949Field(void* field, std::size_t size, std::string_view cp949) {
  if (size == 0) return !cp949.empty();
  auto* out = static_cast<char*>(field);
  std::memset(out, 0, size);
  // Only the text up to an embedded NUL is a text.
  std::string_view text = cp949.substr(0, cp949.find('\0'));
  std::string_view kept = CutCp949(text, size - 1);
  std::memcpy(out, kept.data(), kept.size());
  return kept.size() != text.size();
}

bool WriteUtf8AsCp949Field(void* field, std::size_t size, std::string_view utf8) {
  return WriteCp949Field(field, size, Utf8ToCp949Lossy(utf8));
}

std::string_view ReadCp949Field(const void* field, std::size_t size) {
  const auto* p = static_cast<const char*>(field);
  const void* nul = std::memchr(p, 0, size);
  return std::string_view(p, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : size);
}

}  // namespace kavrel
