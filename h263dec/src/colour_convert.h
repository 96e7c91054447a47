// 4:2:0 planes to 24-bit blue-green-red pixels (ITU-R BT.601, 16.16 fixed point).
// Per pixel, with Y' = Y - 16 (0 when Y < 16) and the chroma of its 2 x 2 block:
//   blue  = (76310 Y' + 132278 (Cb - 128)) >> 16
//   green = (76310 Y' - 53294 (Cr - 128) - 25690 (Cb - 128)) >> 16
//   red   = (76310 Y' + 104635 (Cr - 128)) >> 16
// each sum clamped first: below 65536 gives 0, above 0xFFFFFF gives 255; no rounding.
#pragma once

#include <cstdint>

namespace camdec {

struct PlaneView {
  const std::uint8_t* y;
  const std::uint8_t* cb;
  const std::uint8_t* cr;
  int yStride;
  int cStride;
};

// Converts width x height pixels (both even) into `bgr` (rows of width x 3 bytes, top first).
void ConvertToBgr(const PlaneView& planes, int width, int height, std::uint8_t* bgr);

// The plain conversion, through tables of the products: built on every processor; it
// is ConvertToBgr where there is no SSE2, and the fast ways are tested against it.
void ConvertToBgrPlain(const PlaneView& planes, int width, int height, std::uint8_t* bgr);

#if defined(__SSE2__)
// The ways ConvertToBgr takes on x86, by what the processor offers (tests).
void ConvertToBgrSse2(const PlaneView& planes, int width, int height, std::uint8_t* bgr);
#endif
#if defined(CAMDEC_SSSE3)
void ConvertToBgrSsse3(const PlaneView& planes, int width, int height, std::uint8_t* bgr);
bool HaveSsse3();
#endif

// One pixel, computed directly from the formulas above (tests and tools).
void ConvertPixel(int y, int cb, int cr, std::uint8_t bgr[3]);

}  // namespace camdec
