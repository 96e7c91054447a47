// Clipping tables: a byte table for indexes -384..639 (index clamped to 0..255), used
// in reconstruction and colour conversion, and a 16-bit one for -512..511 (clamped to
// -256..255), used by the inverse DCT.
#pragma once

#include <cstdint>

namespace camdec {

struct ClipTables {
  std::uint8_t byteStore[1024];   // index -384..639
  std::int16_t shortStore[1024];  // index -512..511

  constexpr ClipTables() : byteStore{}, shortStore{} {
    for (int i = -384; i < 640; ++i) byteStore[i + 384] = static_cast<std::uint8_t>(i < 0 ? 0 : i > 255 ? 255 : i);
    for (int i = -512; i < 512; ++i)
      shortStore[i + 512] = static_cast<std::int16_t>(i < -256 ? -256 : i > 255 ? 255 : i);
  }
  // Valid for -384 <= i <= 639.
  const std::uint8_t* Byte() const { return byteStore + 384; }
  // Valid for -512 <= i <= 511.
  const std::int16_t* Short() const { return shortStore + 512; }
};

// Built by the compiler.
inline constexpr ClipTables kClipTables{};
inline const ClipTables& Clip() { return kClipTables; }

}  // namespace camdec
