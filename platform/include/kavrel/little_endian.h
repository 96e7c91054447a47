// Little-endian fields at any offset of a byte buffer: every wire and file record
// of the handheld side is read and written through these, never by casting structs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kavrel {

template <typename T>
  requires std::is_integral_v<T>
constexpr T ReadLE(const void* buffer, std::size_t offset = 0) {
  const auto* p = static_cast<const std::uint8_t*>(buffer) + offset;
  using U = std::make_unsigned_t<T>;
  U v = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) v = static_cast<U>(v | (static_cast<U>(p[i]) << (8 * i)));
  return static_cast<T>(v);
}

template <typename T>
  requires std::is_integral_v<T>
constexpr void WriteLE(void* buffer, std::size_t offset, T value) {
  auto* p = static_cast<std::uint8_t*>(buffer) + offset;
  using U = std::make_unsigned_t<T>;
  U v = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint8_t ReadU8(const void* b, std::size_t off) { return ReadLE<std::uint8_t>(b, off); }
inline std::uint16_t ReadU16(const void* b, std::size_t off) { return ReadLE<std::uint16_t>(b, off); }
inline std::uint32_t ReadU32(const void* b, std::size_t off) { return ReadLE<std::uint32_t>(b, off); }
inline std::uint64_t ReadU64(const void* b, std::size_t off) { return ReadLE<std::uint64_t>(b, off); }
inline std::int32_t ReadI32(const void* b, std::size_t off) { return ReadLE<std::int32_t>(b, off); }
inline void WriteU8(void* b, std::size_t off, std::uint8_t v) { WriteLE(b, off, v); }
inline void WriteU16(void* b, std::size_t off, std::uint16_t v) { WriteLE(b, off, v); }
inline void WriteU32(void* b, std::size_t off, std::uint32_t v) { WriteLE(b, off, v); }
inline void WriteU64(void* b, std::size_t off, std::uint64_t v) { WriteLE(b, off, v); }
inline void WriteI32(void* b, std::size_t off, std::int32_t v) { WriteLE(b, off, v); }

}  // namespace kavrel
