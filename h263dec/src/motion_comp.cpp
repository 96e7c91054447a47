#include "motion_comp.h"

#include "clip_tables.h"

namespace camdec {
namespace {

template <int N>
void Copy(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
  for (int y = 0; y < N; ++y, d += ds, s += ss)
    for (int x = 0; x < N; ++x) d[x] = s[x];
}
template <int N>
void HalfX(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
  for (int y = 0; y < N; ++y, d += ds, s += ss)
    for (int x = 0; x < N; ++x) d[x] = static_cast<std::uint8_t>((s[x] + s[x + 1] + 1) >> 1);
}
template <int N>
void HalfY(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
  for (int y = 0; y < N; ++y, d += ds, s += ss)
    for (int x = 0; x < N; ++x) d[x] = static_cast<std::uint8_t>((s[x] + s[x + ss] + 1) >> 1);
}
template <int N>
void HalfXY(std::uint8_t* d, int ds, const std::uint8_t* s, int ss) {
  for (int y = 0; y < N; ++y, d += ds, s += ss)
    for (int x = 0; x < N; ++x)
      d[x] = static_cast<std::uint8_t>((s[x] + s[x + 1] + s[x + ss] + s[x + ss + 1] + 2) >> 2);
}

template <int N>
void Predict(std::uint8_t* d, int ds, const std::uint8_t* s, int ss, int halfX, int halfY) {
  switch (halfX | halfY << 1) {
    case 0: Copy<N>(d, ds, s, ss); break;
    case 1: HalfX<N>(d, ds, s, ss); break;
    case 2: HalfY<N>(d, ds, s, ss); break;
    default: HalfXY<N>(d, ds, s, ss); break;
  }
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

void PredictBlock(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int size,
                  int halfX, int halfY) {
  if (size == 16)
    Predict<16>(dst, dstStride, src, srcStride, halfX, halfY);
  else
    Predict<8>(dst, dstStride, src, srcStride, halfX, halfY);
}

void BlendOverlapped(std::uint8_t* dst, int dstStride, const std::uint8_t* cur, const std::uint8_t* above,
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

void AddResidual(std::uint8_t* dst, int stride, const std::int16_t residual[64]) {
  const std::uint8_t* clip = Clip().Byte();
  for (int y = 0; y < 8; ++y, dst += stride)
    for (int x = 0; x < 8; ++x) dst[x] = clip[dst[x] + residual[y * 8 + x]];
}

void PutIntra(std::uint8_t* dst, int stride, const std::int16_t block[64]) {
  const std::uint8_t* clip = Clip().Byte();
  for (int y = 0; y < 8; ++y, dst += stride)
    for (int x = 0; x < 8; ++x) dst[x] = clip[block[y * 8 + x]];
}

}  // namespace camdec
