#include "motion_comp.h"

#include <cstring>

#include "clip_tables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace camdec {
namespace {

// The plain kernels, built everywhere: the fast ones are tested against them.
struct Plain {
  template <int N>
  static void Copy(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
    for (int y = 0; y < N; ++y, d += ds, s += ss)
      for (int x = 0; x < N; ++x) d[x] = s[x];
  }
  template <int N>
  static void HalfX(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
    for (int y = 0; y < N; ++y, d += ds, s += ss)
      for (int x = 0; x < N; ++x) d[x] = static_cast<std::uint8_t>((s[x] + s[x + 1] + 1) >> 1);
  }
  template <int N>
  static void HalfY(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
    for (int y = 0; y < N; ++y, d += ds, s += ss)
      for (int x = 0; x < N; ++x) d[x] = static_cast<std::uint8_t>((s[x] + s[x + ss] + 1) >> 1);
  }
  template <int N>
  static void HalfXY(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
    for (int y = 0; y < N; ++y, d += ds, s += ss)
      for (int x = 0; x < N; ++x)
        d[x] = static_cast<std::uint8_t>((s[x] + s[x + 1] + s[x + ss] + s[x + ss + 1] + 2) >> 2);
  }
};

#if defined(__SSE2__)

// Rows of 16 or 8 pixels; 8-pixel rows are read 8 (or 9) bytes at a time so that no
// read leaves the block's reach.
template <int N>
inline __m128i Load(const std::uint8_t* p) {
  if constexpr (N == 16) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return _mm_cvtsi64_si128(static_cast<long long>(v));
}
template <int N>
inline void Store(std::uint8_t* p, __m128i v) {
  if constexpr (N == 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
  } else {
    const long long w = _mm_cvtsi128_si64(v);
    std::memcpy(p, &w, 8);
  }
}

struct Sse2 {
  template <int N>
  static void Copy(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
    for (int y = 0; y < N; ++y, d += ds, s += ss) Store<N>(d, Load<N>(s));
  }
  template <int N>
  static void HalfX(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
    for (int y = 0; y < N; ++y, d += ds, s += ss) Store<N>(d, _mm_avg_epu8(Load<N>(s), Load<N>(s + 1)));
  }
  template <int N>
  static void HalfY(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
    __m128i above = Load<N>(s);
    for (int y = 0; y < N; ++y, d += ds, s += ss) {
      const __m128i below = Load<N>(s + ss);
      Store<N>(d, _mm_avg_epu8(above, below));
      above = below;
    }
  }
  template <int N>
  static void HalfXY(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
    const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
    auto pairLo = [&](const std::uint8_t* p) {
      const __m128i a = Load<N>(p), b = Load<N>(p + 1);
      return _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    };
    auto pairHi = [&](const std::uint8_t* p) {
      const __m128i a = Load<N>(p), b = Load<N>(p + 1);
      return _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    };
    __m128i topLo = pairLo(s), topHi = N == 16 ? pairHi(s) : zero;
    for (int y = 0; y < N; ++y, d += ds, s += ss) {
      const __m128i botLo = pairLo(s + ss), botHi = N == 16 ? pairHi(s + ss) : zero;
      const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(topLo, botLo), two), 2);
      const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(topHi, botHi), two), 2);
      Store<N>(d, _mm_packus_epi16(lo, hi));
      topLo = botLo;
      topHi = botHi;
    }
  }
};

#endif

template <class Kernels, int N>
void Predict(std::uint8_t* d, int ds, const std::uint8_t* s, int ss, int halfX, int halfY) {
  switch (halfX | halfY << 1) {
    case 0: Kernels::template Copy<N>(d, ds, s, ss); break;
    case 1: Kernels::template HalfX<N>(d, ds, s, ss); break;
    case 2: Kernels::template HalfY<N>(d, ds, s, ss); break;
    default: Kernels::template HalfXY<N>(d, ds, s, ss); break;
  }
}

template <class Kernels>
void PredictWith(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int size, int halfX,
                 int halfY) {
  if (size == 16)
    Predict<Kernels, 16>(dst, dstStride, src, srcStride, halfX, halfY);
  else
    Predict<Kernels, 8>(dst, dstStride, src, srcStride, halfX, halfY);
}

// Weights of the block's own prediction; the remote ones follow from H0 + H1 + H2 = 8.
constexpr std::uint8_t kH0[64] = {
    4, 5, 5, 5, 5, 5, 5, 4,  //
    5, 5, 5, 5, 5, 5, 5, 5,  //
    5, 5, 6, 6, 6, 6, 5, 5,  //
    5, 5, 6, 6, 6, 6, 5, 5,  //
    5, 5, 6, 6, 6, 6, 5, 5,  //
    5, 5, 6, 6, 6, 6, 5, 5,  //
    5, 5, 5, 5, 5, 5, 5, 5,  //
    4, 5, 5, 5, 5, 5, 5, 4};
// Weights of the prediction with the vector of the block above or below.
constexpr std::uint8_t kH1[64] = {
    2, 2, 2, 2, 2, 2, 2, 2,  //
    1, 1, 2, 2, 2, 2, 1, 1,  //
    1, 1, 1, 1, 1, 1, 1, 1,  //
    1, 1, 1, 1, 1, 1, 1, 1,  //
    1, 1, 1, 1, 1, 1, 1, 1,  //
    1, 1, 1, 1, 1, 1, 1, 1,  //
    1, 1, 2, 2, 2, 2, 1, 1,  //
    2, 2, 2, 2, 2, 2, 2, 2};
// Weights of the prediction with the vector of the block left or right.
constexpr std::uint8_t kH2[64] = {
    2, 1, 1, 1, 1, 1, 1, 2,  //
    2, 2, 1, 1, 1, 1, 2, 2,  //
    2, 2, 1, 1, 1, 1, 2, 2,  //
    2, 2, 1, 1, 1, 1, 2, 2,  //
    2, 2, 1, 1, 1, 1, 2, 2,  //
    2, 2, 1, 1, 1, 1, 2, 2,  //
    2, 2, 1, 1, 1, 1, 2, 2,  //
    2, 1, 1, 1, 1, 1, 1, 2};

}  // namespace

void PredictBlockPlain(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int size,
                       int halfX, int halfY) {
  PredictWith<Plain>(dst, dstStride, src, srcStride, size, halfX, halfY);
}

void BlendOverlappedPlain(std::uint8_t* dst, int dstStride, const std::uint8_t* cur, const std::uint8_t* above,
                          const std::uint8_t* below, const std::uint8_t* left, const std::uint8_t* right) {
  for (int y = 0; y < 8; ++y) {
    const std::uint8_t* vert = y < 4 ? above : below;
    for (int x = 0; x < 8; ++x) {
      const int i = y * 8 + x;
      const std::uint8_t* horiz = x < 4 ? left : right;
      dst[y * dstStride + x] =
          static_cast<std::uint8_t>((cur[i] * kH0[i] + vert[i] * kH1[i] + horiz[i] * kH2[i] + 4) >> 3);
    }
  }
}

void AddResidualPlain(std::uint8_t* dst, int stride, const std::int16_t residual[64]) {
  const std::uint8_t* clip = Clip().Byte();
  for (int y = 0; y < 8; ++y, dst += stride)
    for (int x = 0; x < 8; ++x) dst[x] = clip[dst[x] + residual[y * 8 + x]];
}

void PutIntraPlain(std::uint8_t* dst, int stride, const std::int16_t block[64]) {
  const std::uint8_t* clip = Clip().Byte();
  for (int y = 0; y < 8; ++y, dst += stride)
    for (int x = 0; x < 8; ++x) dst[x] = clip[block[y * 8 + x]];
}

#if defined(__SSE2__)

void PredictBlock(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int size, int halfX,
                  int halfY) {
  PredictWith<Sse2>(dst, dstStride, src, srcStride, size, halfX, halfY);
}

void BlendOverlapped(std::uint8_t* dst, int dstStride, const std::uint8_t* cur, const std::uint8_t* above,
                     const std::uint8_t* below, const std::uint8_t* left, const std::uint8_t* right) {
  const __m128i zero = _mm_setzero_si128(), four = _mm_set1_epi16(4);
  for (int y = 0; y < 8; ++y) {
    const std::uint8_t* vert = y < 4 ? above : below;
    std::uint8_t horiz[8];
    std::memcpy(horiz, left + 8 * y, 4);
    std::memcpy(horiz + 4, right + 8 * y + 4, 4);
    const auto widen = [&](const std::uint8_t* p) { return _mm_unpacklo_epi8(Load<8>(p), zero); };
    __m128i sum = _mm_mullo_epi16(widen(cur + 8 * y), widen(kH0 + 8 * y));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(widen(vert + 8 * y), widen(kH1 + 8 * y)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(widen(horiz), widen(kH2 + 8 * y)));
    Store<8>(dst + y * dstStride, _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(sum, four), 3), zero));
  }
}

// The saturating pack clamps to 0..255 as the byte clipping table does.
void AddResidual(std::uint8_t* dst, int stride, const std::int16_t residual[64]) {
  const __m128i zero = _mm_setzero_si128();
  for (int y = 0; y < 8; ++y, dst += stride) {
    const __m128i p = _mm_unpacklo_epi8(Load<8>(dst), zero);
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(residual + 8 * y));
    Store<8>(dst, _mm_packus_epi16(_mm_add_epi16(p, r), zero));
  }
}

void PutIntra(std::uint8_t* dst, int stride, const std::int16_t block[64]) {
  for (int y = 0; y < 8; ++y, dst += stride) {
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * y));
    Store<8>(dst, _mm_packus_epi16(r, r));
  }
}

#else

void PredictBlock(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int size, int halfX,
                  int halfY) {
  PredictBlockPlain(dst, dstStride, src, srcStride, size, halfX, halfY);
}
void BlendOverlapped(std::uint8_t* dst, int dstStride, const std::uint8_t* cur, const std::uint8_t* above,
                     const std::uint8_t* below, const std::uint8_t* left, const std::uint8_t* right) {
  BlendOverlappedPlain(dst, dstStride, cur, above, below, left, right);
}
void AddResidual(std::uint8_t* dst, int stride, const std::int16_t residual[64]) {
  AddResidualPlain(dst, stride, residual);
}
void PutIntra(std::uint8_t* dst, int stride, const std::int16_t block[64]) { PutIntraPlain(dst, stride, block); }

#endif

}  // namespace camdec
