#include "colour_convert.h"

#include <cstring>

#include "clip_tables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace camdec {

void ConvertPixel(int y, int cb, int cr, std::uint8_t bgr[3]) {
  auto channel = [](long long sum) -> std::uint8_t {
    if (sum < 65536) return 0;
    if (sum > 0xFFFFFF) return 255;
    return static_cast<std::uint8_t>(sum >> 16);
  };
  long long yy = y < 16 ? 0 : y - 16;
  bgr[0] = channel(76310 * yy + 132278LL * (cb - 128));
  bgr[1] = channel(76310 * yy - 53294LL * (cr - 128) - 25690LL * (cb - 128));
  bgr[2] = channel(76310 * yy + 104635LL * (cr - 128));
}

#if defined(__SSE2__)

// Eight pixels of one row at a time. Each sum is split so that 16-bit multiplies
// give it exactly:
//   blue  = ((Y' + 2u) << 16) + 10774 Y' + 1206 u          (132278 = 2 x 65536 + 1206)
//   green = ((Y' - v) << 16) + 10774 Y' + 12242 v - 25690 u  (-53294 = -65536 + 12242)
//   red   = ((Y' + 2v) << 16) + 10774 Y' - 26437 v          (104635 = 2 x 65536 - 26437)
// with 76310 = 65536 + 10774, u = Cb - 128, v = Cr - 128. The arithmetic shift by 16
// and the saturating packs to 16 and then 8 bits give the clamp exactly.
namespace {

// (pairs . coeff) + (high << 16) per pixel, shifted down by 16 and packed to 16 bits.
inline __m128i Sum(__m128i pairLo, __m128i pairHi, __m128i coeff, __m128i high) {
  __m128i lo = _mm_add_epi32(_mm_madd_epi16(pairLo, coeff), _mm_unpacklo_epi16(_mm_setzero_si128(), high));
  __m128i hi = _mm_add_epi32(_mm_madd_epi16(pairHi, coeff), _mm_unpackhi_epi16(_mm_setzero_si128(), high));
  return _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
}

inline void EightPixels(const std::uint8_t* y, __m128i u, __m128i v, std::uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  std::uint64_t eight;
  std::memcpy(&eight, y, 8);
  // Y' = Y - 16, or 0 below 16 (saturating byte subtraction).
  __m128i yy = _mm_unpacklo_epi8(_mm_subs_epu8(_mm_cvtsi64_si128(static_cast<long long>(eight)), _mm_set1_epi8(16)), zero);
  const __m128i yuLo = _mm_unpacklo_epi16(yy, u), yuHi = _mm_unpackhi_epi16(yy, u);
  const __m128i yvLo = _mm_unpacklo_epi16(yy, v), yvHi = _mm_unpackhi_epi16(yy, v);
  const __m128i blue = Sum(yuLo, yuHi, _mm_set_epi16(1206, 10774, 1206, 10774, 1206, 10774, 1206, 10774),
                           _mm_add_epi16(yy, _mm_add_epi16(u, u)));
  const __m128i red = Sum(yvLo, yvHi,
                          _mm_set_epi16(-26437, 10774, -26437, 10774, -26437, 10774, -26437, 10774),
                          _mm_add_epi16(yy, _mm_add_epi16(v, v)));
  // Green has one term more: -25690 u, added before the shift.
  const __m128i gc = _mm_set_epi16(12242, 10774, 12242, 10774, 12242, 10774, 12242, 10774);
  const __m128i uc = _mm_set_epi16(0, -25690, 0, -25690, 0, -25690, 0, -25690);
  const __m128i high = _mm_sub_epi16(yy, v);
  __m128i glo = _mm_add_epi32(_mm_madd_epi16(yvLo, gc), _mm_unpacklo_epi16(zero, high));
  __m128i ghi = _mm_add_epi32(_mm_madd_epi16(yvHi, gc), _mm_unpackhi_epi16(zero, high));
  glo = _mm_add_epi32(glo, _mm_madd_epi16(_mm_unpacklo_epi16(u, zero), uc));
  ghi = _mm_add_epi32(ghi, _mm_madd_epi16(_mm_unpackhi_epi16(u, zero), uc));
  const __m128i green = _mm_packs_epi32(_mm_srai_epi32(glo, 16), _mm_srai_epi32(ghi, 16));

  // Bytes, then blue-green-red-0 words, written 3 bytes apart.
  const __m128i b8 = _mm_packus_epi16(blue, zero), g8 = _mm_packus_epi16(green, zero),
                r8 = _mm_packus_epi16(red, zero);
  const __m128i bg = _mm_unpacklo_epi8(b8, g8), r0 = _mm_unpacklo_epi8(r8, zero);
  const __m128i p0 = _mm_unpacklo_epi16(bg, r0), p1 = _mm_unpackhi_epi16(bg, r0);
  std::uint32_t px[8];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(px), p0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(px + 4), p1);
  for (int i = 0; i < 7; ++i) std::memcpy(out + 3 * i, &px[i], 4);  // the 4th byte is overwritten next
  std::memcpy(out + 21, &px[7], 3);
}

// Four chroma samples, each for two pixels, as 16-bit values minus 128.
inline __m128i Chroma(const std::uint8_t* c) {
  std::uint32_t four;
  std::memcpy(&four, c, 4);
  __m128i x = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), _mm_setzero_si128());
  x = _mm_unpacklo_epi16(x, x);
  return _mm_sub_epi16(x, _mm_set1_epi16(128));
}

}  // namespace

void ConvertToBgr(const PlaneView& p, int width, int height, std::uint8_t* bgr) {
  for (int row = 0; row < height; row += 2) {
    const std::uint8_t* y0 = p.y + row * p.yStride;
    const std::uint8_t* y1 = y0 + p.yStride;
    const std::uint8_t* cb = p.cb + (row / 2) * p.cStride;
    const std::uint8_t* cr = p.cr + (row / 2) * p.cStride;
    std::uint8_t* o0 = bgr + static_cast<std::ptrdiff_t>(row) * width * 3;
    std::uint8_t* o1 = o0 + width * 3;
    for (int x = 0; x < width; x += 8) {
      const __m128i u = Chroma(cb + x / 2), v = Chroma(cr + x / 2);
      EightPixels(y0 + x, u, v, o0 + 3 * x);
      EightPixels(y1 + x, u, v, o1 + 3 * x);
    }
  }
}

#else

namespace {

struct ColourTables {
  std::int32_t luma[256];     // 76310 Y'
  std::int32_t cbBlue[256];   // 132278 (Cb - 128)
  std::int32_t cbGreen[256];  // -25690 (Cb - 128)
  std::int32_t crGreen[256];  // -53294 (Cr - 128)
  std::int32_t crRed[256];    // 104635 (Cr - 128)
  ColourTables() {
    for (int i = 0; i < 256; ++i) {
      luma[i] = 76310 * (i < 16 ? 0 : i - 16);
      cbBlue[i] = 132278 * (i - 128);
      cbGreen[i] = -25690 * (i - 128);
      crGreen[i] = -53294 * (i - 128);
      crRed[i] = 104635 * (i - 128);
    }
  }
};

const ColourTables& Tables() {
  static const ColourTables t;
  return t;
}

// The clamp before the shift, done after it through the byte clipping table: every sum
// here lies within -17,000,000 .. 35,100,000, so sum >> 16 lies within -260 .. 536.
inline std::uint8_t Channel(const std::uint8_t* clip, std::int32_t sum) { return clip[sum >> 16]; }

}  // namespace

void ConvertToBgr(const PlaneView& p, int width, int height, std::uint8_t* bgr) {
  const ColourTables& t = Tables();
  const std::uint8_t* clip = Clip().Byte();
  for (int row = 0; row < height; row += 2) {
    const std::uint8_t* y0 = p.y + row * p.yStride;
    const std::uint8_t* y1 = y0 + p.yStride;
    const std::uint8_t* cb = p.cb + (row / 2) * p.cStride;
    const std::uint8_t* cr = p.cr + (row / 2) * p.cStride;
    std::uint8_t* o0 = bgr + static_cast<std::ptrdiff_t>(row) * width * 3;
    std::uint8_t* o1 = o0 + width * 3;
    for (int x = 0; x < width; x += 2) {
      const int c = x / 2;
      const std::int32_t b = t.cbBlue[cb[c]];
      const std::int32_t g = t.cbGreen[cb[c]] + t.crGreen[cr[c]];
      const std::int32_t r = t.crRed[cr[c]];
      std::int32_t l = t.luma[y0[x]];
      o0[0] = Channel(clip, l + b);
      o0[1] = Channel(clip, l + g);
      o0[2] = Channel(clip, l + r);
      l = t.luma[y0[x + 1]];
      o0[3] = Channel(clip, l + b);
      o0[4] = Channel(clip, l + g);
      o0[5] = Channel(clip, l + r);
      l = t.luma[y1[x]];
      o1[0] = Channel(clip, l + b);
      o1[1] = Channel(clip, l + g);
      o1[2] = Channel(clip, l + r);
      l = t.luma[y1[x + 1]];
      o1[3] = Channel(clip, l + b);
      o1[4] = Channel(clip, l + g);
      o1[5] = Channel(clip, l + r);
      o0 += 6;
      o1 += 6;
    }
  }
}

#endif

}  // namespace camdec
