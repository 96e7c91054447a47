// SSE2 pieces of the colour conversion, shared by the plain SSE2 and the SSSE3
// translation units (each compiles its own copy: internal linkage).
#pragma once

#include <cstdint>
#include <cstring>

#include <emmintrin.h>

#include "colour_convert.h"

namespace camdec {
namespace {

// Sixteen-bit lanes throughout. With Y' = Y - 16 (0 below), u = Cb - 128, v = Cr - 128
// and a channel's chroma term C (132278 u, -53294 v - 25690 u, 104635 v), the channel is
//   (76310 Y' + C) >> 16 = Y' + hi(10774 Y') + hi(C) + carry(lo(10774 Y') + lo(C))
// where hi and lo are the upper (floor) and lower 16 bits of a 32-bit value and carry
// is 1 when the two lower halves overflow 16 bits: 76310 = 65536 + 10774. The result
// lies within -259..536; the saturating pack to bytes is the clamp.
struct Split {
  __m128i hi, lo;
};

// 1 where a + b (unsigned 16-bit) carries, else 0; and the wrapped sum.
inline __m128i Carry(__m128i a, __m128i b, __m128i& sum) {
  sum = _mm_add_epi16(a, b);
  return _mm_add_epi16(_mm_cmpeq_epi16(_mm_adds_epu16(a, b), sum), _mm_set1_epi16(1));
}

// x * k for 16-bit x and a constant k of 16 bits, as hi and lo halves.
inline Split Multiply(__m128i x, short k) {
  const __m128i c = _mm_set1_epi16(k);
  return {_mm_mulhi_epi16(x, c), _mm_mullo_epi16(x, c)};
}

// A chroma term with its lower half turned into the comparison bound of Channel.
inline Split Biased(Split c) { return {c.hi, _mm_xor_si128(c.lo, _mm_set1_epi16(0x7FFF))}; }

// The three chroma terms of eight chroma samples (lower halves biased, see Channel).
struct ChromaTerms {
  Split blue, green, red;
};

inline ChromaTerms Terms(__m128i u, __m128i v) {
  ChromaTerms t;
  // 132278 u = 65536 (2u) + 1206 u
  t.blue = Multiply(u, 1206);
  t.blue.hi = _mm_add_epi16(t.blue.hi, _mm_add_epi16(u, u));
  // 104635 v = 65536 (2v) - 26437 v
  t.red = Multiply(v, -26437);
  t.red.hi = _mm_add_epi16(t.red.hi, _mm_add_epi16(v, v));
  // -53294 v - 25690 u = 65536 (-v) + 12242 v - 25690 u
  const Split gv = Multiply(v, 12242), gu = Multiply(u, -25690);
  __m128i lo;
  const __m128i carry = Carry(gv.lo, gu.lo, lo);
  t.green.hi = _mm_add_epi16(_mm_sub_epi16(_mm_add_epi16(gv.hi, gu.hi), v), carry);
  t.green.lo = lo;
  t.blue = Biased(t.blue);
  t.green = Biased(t.green);
  t.red = Biased(t.red);
  return t;
}

// Each of eight chroma values for two neighbouring pixels: the first or second four.
inline Split Low(const Split& s) { return {_mm_unpacklo_epi16(s.hi, s.hi), _mm_unpacklo_epi16(s.lo, s.lo)}; }
inline Split High(const Split& s) { return {_mm_unpackhi_epi16(s.hi, s.hi), _mm_unpackhi_epi16(s.lo, s.lo)}; }

// The carry of lo(luma) + lo(chroma) is lo(luma) > 65535 - lo(chroma), unsigned. Both
// sides come biased by 0x8000 so that a signed comparison decides it: `lumaLo` is
// lo(luma) ^ 0x8000 and `chroma.lo` holds (65535 - lo(chroma)) ^ 0x8000 (see Biased).
inline __m128i Channel(__m128i base, __m128i lumaLo, const Split& chroma) {
  return _mm_sub_epi16(_mm_add_epi16(base, chroma.hi), _mm_cmpgt_epi16(lumaLo, chroma.lo));
}

struct Channels {
  __m128i blue, green, red;  // 16-bit, before the clamp to 0..255
};

// Eight pixels of a row from their luminance and the terms of their four chroma samples
// (already doubled up to eight lanes).
inline Channels EightPixels(__m128i luma8, const Split& b, const Split& g, const Split& r) {
  const __m128i yy = _mm_unpacklo_epi8(_mm_subs_epu8(luma8, _mm_set1_epi8(16)), _mm_setzero_si128());
  const Split l = Multiply(yy, 10774);
  const __m128i base = _mm_add_epi16(yy, l.hi);
  const __m128i lumaLo = _mm_xor_si128(l.lo, _mm_set1_epi16(static_cast<short>(0x8000)));
  return {Channel(base, lumaLo, b), Channel(base, lumaLo, g), Channel(base, lumaLo, r)};
}

inline __m128i Load8(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return _mm_cvtsi64_si128(static_cast<long long>(v));
}

// Eight chroma samples as 16-bit values minus 128.
inline __m128i Chroma8(const std::uint8_t* c) {
  return _mm_sub_epi16(_mm_unpacklo_epi8(Load8(c), _mm_setzero_si128()), _mm_set1_epi16(128));
}

// Eight pixels written as blue-green-red-0 words 3 bytes apart.
inline void StoreEight(const Channels& c, std::uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i b8 = _mm_packus_epi16(c.blue, zero), g8 = _mm_packus_epi16(c.green, zero),
                r8 = _mm_packus_epi16(c.red, zero);
  const __m128i bg = _mm_unpacklo_epi8(b8, g8), r0 = _mm_unpacklo_epi8(r8, zero);
  const __m128i p0 = _mm_unpacklo_epi16(bg, r0), p1 = _mm_unpackhi_epi16(bg, r0);
  std::uint32_t px[8];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(px), p0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(px + 4), p1);
  for (int i = 0; i < 7; ++i) std::memcpy(out + 3 * i, &px[i], 4);  // the 4th byte is overwritten next
  std::memcpy(out + 21, &px[7], 3);
}

// Sixteen pixels of two rows that share eight chroma samples; `store` writes 16 pixels
// of one row.
template <typename Store>
inline void SixteenByTwo(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* cb,
                         const std::uint8_t* cr, std::uint8_t* o0, std::uint8_t* o1, Store store) {
  const ChromaTerms t = Terms(Chroma8(cb), Chroma8(cr));
  const Split bl = Low(t.blue), gl = Low(t.green), rl = Low(t.red);
  const Split bh = High(t.blue), gh = High(t.green), rh = High(t.red);
  store(EightPixels(Load8(y0), bl, gl, rl), EightPixels(Load8(y0 + 8), bh, gh, rh), o0);
  store(EightPixels(Load8(y1), bl, gl, rl), EightPixels(Load8(y1 + 8), bh, gh, rh), o1);
}

template <typename Store>
inline void Convert(const PlaneView& p, int width, int height, std::uint8_t* bgr, Store store) {
  // Widths here are multiples of 16 (128, 176, 352).
  for (int row = 0; row < height; row += 2) {
    const std::uint8_t* y0 = p.y + row * p.yStride;
    const std::uint8_t* cb = p.cb + (row / 2) * p.cStride;
    const std::uint8_t* cr = p.cr + (row / 2) * p.cStride;
    std::uint8_t* o0 = bgr + static_cast<std::ptrdiff_t>(row) * width * 3;
    for (int x = 0; x < width; x += 16)
      SixteenByTwo(y0 + x, y0 + p.yStride + x, cb + x / 2, cr + x / 2, o0 + 3 * x, o0 + 3 * (width + x), store);
  }
}

}  // namespace
}  // namespace camdec
