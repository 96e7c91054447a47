#include "idct.h"

#include "clip_tables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace camdec {
namespace {

constexpr int W1 = 2841;  // 2048 * sqrt(2) * cos(1 * pi / 16)
constexpr int W2 = 2676;  // 2048 * sqrt(2) * cos(2 * pi / 16)
constexpr int W3 = 2408;  // 2048 * sqrt(2) * cos(3 * pi / 16)
constexpr int W5 = 1609;  // 2048 * sqrt(2) * cos(5 * pi / 16)
constexpr int W6 = 1108;  // 2048 * sqrt(2) * cos(6 * pi / 16)
constexpr int W7 = 565;   // 2048 * sqrt(2) * cos(7 * pi / 16)

// The row results are kept in 16 bits, as the algorithm's own blocks are.
inline std::int16_t Keep16(int v) { return static_cast<std::int16_t>(v); }

// A clip through the 16-bit table; indexes outside it (only from wild coefficients)
// are brought to its ends first, which gives the same values.
inline std::int16_t Clip16(int v) {
  if (v < -512) v = -512;
  if (v > 511) v = 511;
  return Clip().Short()[v];
}

// (sum x 181 + 128) >> 8. The product is formed in 64 bits: wild coefficients could
// carry it past 32 bits, where the rounding would otherwise go astray.
inline int Rotate(int sum) { return static_cast<int>((181LL * sum + 128) >> 8); }

void Row(std::int16_t* b) {
  int x1 = b[4] * 2048, x2 = b[6], x3 = b[2], x4 = b[1], x5 = b[7], x6 = b[5], x7 = b[3];
  if (!(x1 | x2 | x3 | x4 | x5 | x6 | x7)) {
    std::int16_t v = Keep16(b[0] * 8);
    for (int i = 0; i < 8; ++i) b[i] = v;
    return;
  }
  int x0 = b[0] * 2048 + 128;
  int x8 = W7 * (x4 + x5);
  x4 = x8 + (W1 - W7) * x4;
  x5 = x8 - (W1 + W7) * x5;
  x8 = W3 * (x6 + x7);
  x6 = x8 - (W3 - W5) * x6;
  x7 = x8 - (W3 + W5) * x7;

  x8 = x0 + x1;
  x0 -= x1;
  x1 = W6 * (x3 + x2);
  x2 = x1 - (W2 + W6) * x2;
  x3 = x1 + (W2 - W6) * x3;
  x1 = x4 + x6;
  x4 -= x6;
  x6 = x5 + x7;
  x5 -= x7;

  x7 = x8 + x3;
  x8 -= x3;
  x3 = x0 + x2;
  x0 -= x2;
  x2 = Rotate(x4 + x5);
  x4 = Rotate(x4 - x5);

  b[0] = Keep16((x7 + x1) >> 8);
  b[1] = Keep16((x3 + x2) >> 8);
  b[2] = Keep16((x0 + x4) >> 8);
  b[3] = Keep16((x8 + x6) >> 8);
  b[4] = Keep16((x8 - x6) >> 8);
  b[5] = Keep16((x0 - x4) >> 8);
  b[6] = Keep16((x3 - x2) >> 8);
  b[7] = Keep16((x7 - x1) >> 8);
}

void Column(std::int16_t* b) {
  int x1 = b[8 * 4] * 256, x2 = b[8 * 6], x3 = b[8 * 2], x4 = b[8 * 1], x5 = b[8 * 7],
      x6 = b[8 * 5], x7 = b[8 * 3];
  if (!(x1 | x2 | x3 | x4 | x5 | x6 | x7)) {
    std::int16_t v = Clip16((b[0] + 32) >> 6);
    for (int i = 0; i < 8; ++i) b[8 * i] = v;
    return;
  }
  int x0 = b[0] * 256 + 8192;
  int x8 = W7 * (x4 + x5) + 4;
  x4 = (x8 + (W1 - W7) * x4) >> 3;
  x5 = (x8 - (W1 + W7) * x5) >> 3;
  x8 = W3 * (x6 + x7) + 4;
  x6 = (x8 - (W3 - W5) * x6) >> 3;
  x7 = (x8 - (W3 + W5) * x7) >> 3;

  x8 = x0 + x1;
  x0 -= x1;
  x1 = W6 * (x3 + x2) + 4;
  x2 = (x1 - (W2 + W6) * x2) >> 3;
  x3 = (x1 + (W2 - W6) * x3) >> 3;
  x1 = x4 + x6;
  x4 -= x6;
  x6 = x5 + x7;
  x5 -= x7;

  x7 = x8 + x3;
  x8 -= x3;
  x3 = x0 + x2;
  x0 -= x2;
  x2 = Rotate(x4 + x5);
  x4 = Rotate(x4 - x5);

  b[8 * 0] = Clip16((x7 + x1) >> 14);
  b[8 * 1] = Clip16((x3 + x2) >> 14);
  b[8 * 2] = Clip16((x0 + x4) >> 14);
  b[8 * 3] = Clip16((x8 + x6) >> 14);
  b[8 * 4] = Clip16((x8 - x6) >> 14);
  b[8 * 5] = Clip16((x0 - x4) >> 14);
  b[8 * 6] = Clip16((x3 - x2) >> 14);
  b[8 * 7] = Clip16((x7 - x1) >> 14);
}

}  // namespace

void InverseDctDcOnly(std::int16_t block[64]) {
  const std::int16_t v = Clip16((Keep16(block[0] * 8) + 32) >> 6);
  for (int i = 0; i < 64; ++i) block[i] = v;
}

void InverseDctScalar(std::int16_t block[64]) {
  for (int i = 0; i < 8; ++i) Row(block + 8 * i);
  for (int i = 0; i < 8; ++i) Column(block + i);
}

#if defined(__SSE2__)

// The same arithmetic on eight rows (or columns) at once. The 16-bit terms are
// multiplied in pairs into 32 bits (pmaddwd), which gives every product and sum of
// the scalar code exactly; the all-zero shortcuts of the scalar code give the same
// values as the full computation, so they are not needed here.
namespace {

inline void Transpose(__m128i r[8]) {
  __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
  __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
  __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
  __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
  __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  r[0] = _mm_unpacklo_epi64(b0, b4);
  r[1] = _mm_unpackhi_epi64(b0, b4);
  r[2] = _mm_unpacklo_epi64(b1, b5);
  r[3] = _mm_unpackhi_epi64(b1, b5);
  r[4] = _mm_unpacklo_epi64(b2, b6);
  r[5] = _mm_unpackhi_epi64(b2, b6);
  r[6] = _mm_unpacklo_epi64(b3, b7);
  r[7] = _mm_unpackhi_epi64(b3, b7);
}

// Eight lanes of 32 bits, as two registers.
struct Wide {
  __m128i lo, hi;
};
inline Wide Add(Wide a, Wide b) { return {_mm_add_epi32(a.lo, b.lo), _mm_add_epi32(a.hi, b.hi)}; }
inline Wide Sub(Wide a, Wide b) { return {_mm_sub_epi32(a.lo, b.lo), _mm_sub_epi32(a.hi, b.hi)}; }
inline Wide Shr(Wide a, int n) { return {_mm_srai_epi32(a.lo, n), _mm_srai_epi32(a.hi, n)}; }
inline Wide AddConst(Wide a, int c) {
  const __m128i k = _mm_set1_epi32(c);
  return {_mm_add_epi32(a.lo, k), _mm_add_epi32(a.hi, k)};
}
// p x a + q x b for 16-bit lanes a and b.
inline Wide Dot(__m128i a, __m128i b, int p, int q) {
  const __m128i k = _mm_set_epi16(static_cast<short>(q), static_cast<short>(p), static_cast<short>(q),
                                  static_cast<short>(p), static_cast<short>(q), static_cast<short>(p),
                                  static_cast<short>(q), static_cast<short>(p));
  return {_mm_madd_epi16(_mm_unpacklo_epi16(a, b), k), _mm_madd_epi16(_mm_unpackhi_epi16(a, b), k)};
}
// a x 2^n, widened.
inline Wide Widen(__m128i a, int n) {
  const __m128i zero = _mm_setzero_si128();
  return {_mm_srai_epi32(_mm_unpacklo_epi16(zero, a), 16 - n), _mm_srai_epi32(_mm_unpackhi_epi16(zero, a), 16 - n)};
}
// x x 181 for 32-bit lanes that cannot overflow (181 = 128 + 32 + 16 + 4 + 1).
inline __m128i Times181(__m128i x) {
  __m128i t = _mm_add_epi32(_mm_slli_epi32(x, 7), _mm_slli_epi32(x, 5));
  t = _mm_add_epi32(t, _mm_add_epi32(_mm_slli_epi32(x, 4), _mm_slli_epi32(x, 2)));
  return _mm_add_epi32(t, x);
}
// (s x 181 + 128) >> 8 without leaving 32 bits: s = 256 h + l.
inline __m128i Rotate(__m128i s) {
  const __m128i h = _mm_srai_epi32(s, 8), l = _mm_and_si128(s, _mm_set1_epi32(255));
  return _mm_add_epi32(Times181(h), _mm_srai_epi32(_mm_add_epi32(Times181(l), _mm_set1_epi32(128)), 8));
}
inline Wide Rotate(Wide s) { return {Rotate(s.lo), Rotate(s.hi)}; }
// Back to 16 bits, wrapping as the scalar code's 16-bit rows do.
inline __m128i Narrow(Wide a) {
  return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a.lo, 16), 16), _mm_srai_epi32(_mm_slli_epi32(a.hi, 16), 16));
}
// Back to 16 bits, clipped to -256..255.
inline __m128i NarrowClip(Wide a) {
  const __m128i v = _mm_packs_epi32(a.lo, a.hi);
  return _mm_min_epi16(_mm_max_epi16(v, _mm_set1_epi16(-256)), _mm_set1_epi16(255));
}

// x[k] holds coefficient k of eight rows (row pass) or eight columns (column pass).
void RowPass(__m128i x[8]) {
  const Wide a4 = Dot(x[1], x[7], W1, W7), a5 = Dot(x[1], x[7], W7, -W1);
  const Wide a6 = Dot(x[5], x[3], W5, W3), a7 = Dot(x[5], x[3], W3, -W5);
  const Wide b0 = AddConst(Widen(x[0], 11), 128), b4 = Widen(x[4], 11);
  const Wide e0 = Add(b0, b4), e1 = Sub(b0, b4);
  const Wide e2 = Dot(x[2], x[6], W6, -W2), e3 = Dot(x[2], x[6], W2, W6);
  const Wide o1 = Add(a4, a6), o4 = Sub(a4, a6), o6 = Add(a5, a7), o5 = Sub(a5, a7);
  const Wide t7 = Add(e0, e3), t8 = Sub(e0, e3), t3 = Add(e1, e2), t0 = Sub(e1, e2);
  const Wide r2 = Rotate(Add(o4, o5)), r4 = Rotate(Sub(o4, o5));
  x[0] = Narrow(Shr(Add(t7, o1), 8));
  x[1] = Narrow(Shr(Add(t3, r2), 8));
  x[2] = Narrow(Shr(Add(t0, r4), 8));
  x[3] = Narrow(Shr(Add(t8, o6), 8));
  x[4] = Narrow(Shr(Sub(t8, o6), 8));
  x[5] = Narrow(Shr(Sub(t0, r4), 8));
  x[6] = Narrow(Shr(Sub(t3, r2), 8));
  x[7] = Narrow(Shr(Sub(t7, o1), 8));
}

void ColumnPass(__m128i x[8]) {
  const Wide a4 = Shr(AddConst(Dot(x[1], x[7], W1, W7), 4), 3), a5 = Shr(AddConst(Dot(x[1], x[7], W7, -W1), 4), 3);
  const Wide a6 = Shr(AddConst(Dot(x[5], x[3], W5, W3), 4), 3), a7 = Shr(AddConst(Dot(x[5], x[3], W3, -W5), 4), 3);
  const Wide b0 = AddConst(Widen(x[0], 8), 8192), b4 = Widen(x[4], 8);
  const Wide e0 = Add(b0, b4), e1 = Sub(b0, b4);
  const Wide e2 = Shr(AddConst(Dot(x[2], x[6], W6, -W2), 4), 3), e3 = Shr(AddConst(Dot(x[2], x[6], W2, W6), 4), 3);
  const Wide o1 = Add(a4, a6), o4 = Sub(a4, a6), o6 = Add(a5, a7), o5 = Sub(a5, a7);
  const Wide t7 = Add(e0, e3), t8 = Sub(e0, e3), t3 = Add(e1, e2), t0 = Sub(e1, e2);
  const Wide r2 = Rotate(Add(o4, o5)), r4 = Rotate(Sub(o4, o5));
  x[0] = NarrowClip(Shr(Add(t7, o1), 14));
  x[1] = NarrowClip(Shr(Add(t3, r2), 14));
  x[2] = NarrowClip(Shr(Add(t0, r4), 14));
  x[3] = NarrowClip(Shr(Add(t8, o6), 14));
  x[4] = NarrowClip(Shr(Sub(t8, o6), 14));
  x[5] = NarrowClip(Shr(Sub(t0, r4), 14));
  x[6] = NarrowClip(Shr(Sub(t3, r2), 14));
  x[7] = NarrowClip(Shr(Sub(t7, o1), 14));
}

}  // namespace

void InverseDct(std::int16_t block[64]) {
  __m128i x[8];
  for (int i = 0; i < 8; ++i) x[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * i));
  Transpose(x);  // x[k]: coefficient k of every row
  RowPass(x);
  Transpose(x);  // x[k]: row k
  ColumnPass(x);
  for (int i = 0; i < 8; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * i), x[i]);
}

#else

void InverseDct(std::int16_t block[64]) { InverseDctScalar(block); }

#endif

}  // namespace camdec
