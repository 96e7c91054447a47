// Motion-compensated prediction: half-pixel bilinear interpolation of a block from
// the reference picture, and the overlapped block motion compensation of Advanced
// Prediction mode.
#pragma once

#include <cstdint>

namespace camdec {

// Predicts a `size` x `size` block (8 or 16) into `dst`. `src` points at the
// reference sample of the vector's integer part; halfX/halfY (0 or 1) select the
// half-pixel positions: (A + B + 1) >> 1 between two, (A + B + C + D + 2) >> 2 among four.
void PredictBlock(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int size,
                  int halfX, int halfY);

// The weighted sum of overlapped block motion compensation for one 8 x 8 luminance
// block: `cur` predicted with the block's own vector, `above`, `below`, `left` and
// `right` with the remote vectors (each 8 x 8, stride 8). Top rows use `above`, bottom
// rows `below`, left columns `left`, right columns `right`:
//   p = (cur x H0 + vertical x H1 + horizontal x H2 + 4) >> 3.
void BlendOverlapped(std::uint8_t* dst, int dstStride, const std::uint8_t* cur, const std::uint8_t* above,
                     const std::uint8_t* below, const std::uint8_t* left, const std::uint8_t* right);

// Adds an inverse-transformed residual (-256..255) to the prediction in `dst`, with clipping.
void AddResidual(std::uint8_t* dst, int stride, const std::int16_t residual[64]);
// Writes an intra block (-256..255 clipped to 0..255).
void PutIntra(std::uint8_t* dst, int stride, const std::int16_t block[64]);

// The plain versions of the kernels above, one sample at a time; built on every
// processor (where SSE2 is there, the kernels above use it and are tested against these).
void PredictBlockPlain(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int size,
                       int halfX, int halfY);
void BlendOverlappedPlain(std::uint8_t* dst, int dstStride, const std::uint8_t* cur, const std::uint8_t* above,
                          const std::uint8_t* below, const std::uint8_t* left, const std::uint8_t* right);
void AddResidualPlain(std::uint8_t* dst, int stride, const std::int16_t residual[64]);
void PutIntraPlain(std::uint8_t* dst, int stride, const std::int16_t block[64]);

}  // namespace camdec
