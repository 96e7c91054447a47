// The COM-style layer of the desktop: result codes, GUIDs and the unknown interface,
// as far as the synchronisation providers and their hosts need them. Objects are
// C++ classes whose virtual functions are the interface's slots, in order.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavrel::com {

using HRESULT = std::int32_t;
using BOOL = std::int32_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using HWND = void*;  // a window, as the host passes it

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

constexpr HRESULT MakeResult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeResult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeResult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeResult(0x80004003);
inline constexpr HRESULT E_FAIL = MakeResult(0x80004005);
inline constexpr HRESULT E_HANDLE = MakeResult(0x80070006);
inline constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeResult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeResult(0x80040111);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// System error numbers that the registry and the hosts report.
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_BADDB = 1009;

// A system error as a result: 0x8007 and the error's low 16 bits (0 stays success).
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
  return error == 0 ? S_OK : MakeResult(0x80070000u | (error & 0xFFFFu));
}

// "0x80070057": how the hosts print a result.
std::string ResultText(HRESULT hr);

struct GUID {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
  friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;

// Registry text "{5528279A-8645-4309-8CC8-E38B7C8D1198}" (hex digits in any case);
// nullopt for anything else.
std::optional<GUID> ParseGuid(std::string_view text);
// The registry text, upper-case hex digits.
std::string FormatGuid(const GUID& guid);

// A GUID written in the source from its registry text; a malformed text does not compile.
consteval GUID MakeGuid(const char (&text)[39]) {
  auto hex = [&](int pos) -> std::uint32_t {
    char c = text[pos];
    if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
    throw "not a hex digit";
  };
  auto number = [&](int pos, int digits) {
    std::uint32_t v = 0;
    for (int i = 0; i < digits; ++i) v = v << 4 | hex(pos + i);
    return v;
  };
  if (text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-' || text[37] != '}')
    throw "not a GUID";
  GUID g;
  g.data1 = number(1, 8);
  g.data2 = static_cast<std::uint16_t>(number(10, 4));
  g.data3 = static_cast<std::uint16_t>(number(15, 4));
  g.data4[0] = static_cast<std::uint8_t>(number(20, 2));
  g.data4[1] = static_cast<std::uint8_t>(number(22, 2));
  for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<std::uint8_t>(number(25 + 2 * i, 2));
  return g;
}

inline constexpr IID IID_IUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");
inline constexpr IID IID_IClassFactory = MakeGuid("{00000001-0000-0000-C000-000000000046}");

class IUnknown {
 public:
  virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;  // objects go by Release, never by delete through an interface
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// An interlocked reference count: starts at 1 (the creator's reference).
class RefCount {
 public:
  ULONG Increment() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // The count after the decrement; 0 means the object is to be destroyed.
  ULONG Decrement() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  ULONG value() const { return count_.load(); }

 private:
  std::atomic<ULONG> count_{1};
};

}  // namespace kavrel::com
