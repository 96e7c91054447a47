// Colour conversion for processors with SSSE3: the SSE2 arithmetic, with the pixels
// interleaved by byte shuffles. This file alone is compiled for SSSE3; it runs only
// where the processor has it (see HaveSsse3).
#if defined(__SSSE3__)

#include <tmmintrin.h>

#include "colour_convert_sse2.h"

namespace camdec {
namespace {

// Byte shuffles that place 16 blue, green or red bytes at their places in 48 bytes
// of output (-128 = zero).
struct InterleaveMasks {
  alignas(16) std::int8_t mask[3][3][16];  // [output part][channel][byte]
  constexpr InterleaveMasks() : mask{} {
    for (int part = 0; part < 3; ++part)
      for (int channel = 0; channel < 3; ++channel)
        for (int j = 0; j < 16; ++j) {
          const int at = 16 * part + j;
          mask[part][channel][j] = static_cast<std::int8_t>(at % 3 == channel ? at / 3 : -128);
        }
  }
};
constexpr InterleaveMasks kInterleave{};

inline void StoreSixteen(const Channels& a, const Channels& b,
                         std::uint8_t* out) {
  const __m128i ch[3] = {_mm_packus_epi16(a.blue, b.blue), _mm_packus_epi16(a.green, b.green),
                         _mm_packus_epi16(a.red, b.red)};
  for (int part = 0; part < 3; ++part) {
    __m128i v = _mm_setzero_si128();
    for (int channel = 0; channel < 3; ++channel)
      v = _mm_or_si128(v, _mm_shuffle_epi8(ch[channel], _mm_load_si128(reinterpret_cast<const __m128i*>(
                                                            kInterleave.mask[part][channel]))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * part), v);
  }
}

}  // namespace

void ConvertToBgrSsse3(const PlaneView& p, int width, int height, std::uint8_t* bgr) {
  Convert(p, width, height, bgr,
          [](const Channels& a, const Channels& b, std::uint8_t* out) { StoreSixteen(a, b, out); });
}

}  // namespace camdec

#endif
