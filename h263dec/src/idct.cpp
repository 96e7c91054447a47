#include "idct.h"

#include "clip_tables.h"

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

void InverseDct(std::int16_t block[64]) {
  for (int i = 0; i < 8; ++i) Row(block + 8 * i);
  for (int i = 0; i < 8; ++i) Column(block + i);
}

}  // namespace camdec
