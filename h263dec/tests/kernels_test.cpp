// The hot kernels against plain versions of themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

#include "colour_convert.h"
#include "idct.h"
#include "motion_comp.h"

namespace {

// The reference inverse DCT written out straight from its description: rows then
// columns, the same constants and shifts, rows kept in 16 bits, columns clipped to
// -256..255. Sums are formed in 64 bits.
using camdec::InverseDct;

void ReferenceIdct(std::int16_t b[64]) {
  const long long W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;
  auto rotate = [](long long s) { return (181 * s + 128) >> 8; };
  for (int r = 0; r < 8; ++r) {
    std::int16_t* x = b + 8 * r;
    bool acZero = true;
    for (int i = 1; i < 8; ++i) acZero = acZero && x[i] == 0;
    if (acZero) {
      const std::int16_t v = static_cast<std::int16_t>(x[0] * 8);
      for (int i = 0; i < 8; ++i) x[i] = v;
      continue;
    }
    // Odd part from x1, x7, x5, x3; even part from x0, x4, x2, x6.
    long long a4 = W7 * (x[1] + x[7]) + (W1 - W7) * x[1];
    long long a5 = W7 * (x[1] + x[7]) - (W1 + W7) * x[7];
    long long a6 = W3 * (x[5] + x[3]) - (W3 - W5) * x[5];
    long long a7 = W3 * (x[5] + x[3]) - (W3 + W5) * x[3];
    long long e0 = (x[0] + x[4]) * 2048LL + 128, e1 = (x[0] - x[4]) * 2048LL + 128;
    long long c = W6 * (x[2] + x[6]);
    long long e2 = c - (W2 + W6) * x[6], e3 = c + (W2 - W6) * x[2];
    long long o1 = a4 + a6, o4 = a4 - a6, o6 = a5 + a7, o5 = a5 - a7;
    long long t7 = e0 + e3, t8 = e0 - e3, t3 = e1 + e2, t0 = e1 - e2;
    long long r2 = rotate(o4 + o5), r4 = rotate(o4 - o5);
    const long long out[8] = {t7 + o1, t3 + r2, t0 + r4, t8 + o6, t8 - o6, t0 - r4, t3 - r2, t7 - o1};
    for (int i = 0; i < 8; ++i) x[i] = static_cast<std::int16_t>(out[i] >> 8);
  }
  auto clip = [](long long v) { return static_cast<std::int16_t>(v < -256 ? -256 : v > 255 ? 255 : v); };
  for (int col = 0; col < 8; ++col) {
    long long x[8];
    for (int i = 0; i < 8; ++i) x[i] = b[8 * i + col];
    bool acZero = true;
    for (int i = 1; i < 8; ++i) acZero = acZero && x[i] == 0;
    if (acZero) {
      for (int i = 0; i < 8; ++i) b[8 * i + col] = clip((x[0] + 32) >> 6);
      continue;
    }
    long long a4 = (W7 * (x[1] + x[7]) + 4 + (W1 - W7) * x[1]) >> 3;
    long long a5 = (W7 * (x[1] + x[7]) + 4 - (W1 + W7) * x[7]) >> 3;
    long long a6 = (W3 * (x[5] + x[3]) + 4 - (W3 - W5) * x[5]) >> 3;
    long long a7 = (W3 * (x[5] + x[3]) + 4 - (W3 + W5) * x[3]) >> 3;
    long long e0 = (x[0] + x[4] + 32) * 256, e1 = (x[0] - x[4] + 32) * 256;
    long long c = W6 * (x[2] + x[6]) + 4;
    long long e2 = (c - (W2 + W6) * x[6]) >> 3, e3 = (c + (W2 - W6) * x[2]) >> 3;
    long long o1 = a4 + a6, o4 = a4 - a6, o6 = a5 + a7, o5 = a5 - a7;
    long long t7 = e0 + e3, t8 = e0 - e3, t3 = e1 + e2, t0 = e1 - e2;
    long long r2 = rotate(o4 + o5), r4 = rotate(o4 - o5);
    const long long out[8] = {t7 + o1, t3 + r2, t0 + r4, t8 + o6, t8 - o6, t0 - r4, t3 - r2, t7 - o1};
    for (int i = 0; i < 8; ++i) b[8 * i + col] = clip(out[i] >> 14);
  }
}

// Blocks as decoding makes them: a few coefficients near the top left, or many.
void RandomBlock(std::mt19937& rng, std::int16_t b[64], int range, int count) {
  std::memset(b, 0, 64 * sizeof b[0]);
  std::uniform_int_distribution<int> value(-range, range - 1), pos(0, 63);
  for (int i = 0; i < count; ++i) b[pos(rng)] = static_cast<std::int16_t>(value(rng));
}

TEST(InverseDct, GivesTheReferenceIntegersOnRandomBlocks) {
  std::mt19937 rng(7);
  const int ranges[] = {16, 256, 2048};
  const int counts[] = {1, 3, 10, 64};
  for (int range : ranges)
    for (int count : counts)
      for (int n = 0; n < 3000; ++n) {
        std::int16_t a[64], b[64], c[64];
        RandomBlock(rng, a, range, count);
        std::memcpy(b, a, sizeof a);
        std::memcpy(c, a, sizeof a);
        InverseDct(a);
        camdec::InverseDctScalar(c);
        ReferenceIdct(b);
        ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << "range " << range << " count " << count << " block " << n;
        ASSERT_EQ(0, std::memcmp(c, b, sizeof a)) << "range " << range << " count " << count << " block " << n;
      }
}

TEST(InverseDct, DcOnlyShortcutGivesTheSameIntegers) {
  for (int dc = -2048; dc < 2048; ++dc) {
    std::int16_t a[64] = {}, b[64] = {};
    a[0] = b[0] = static_cast<std::int16_t>(dc);
    camdec::InverseDct(a);
    camdec::InverseDctDcOnly(b);
    ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << dc;
  }
}

TEST(InverseDct, DcOnlyAndExtremeBlocks) {
  std::int16_t b[64] = {};
  b[0] = 8 * 100;  // an intra DC of 100: flat 100 everywhere
  camdec::InverseDct(b);
  for (int v : b) EXPECT_EQ(v, 100);
  // Every coefficient at an end of the range: results stay within -256..255, and
  // equal the reference's.
  for (int sign = 0; sign < 4; ++sign) {
    std::int16_t a[64], r[64], c[64];
    for (int i = 0; i < 64; ++i) a[i] = static_cast<std::int16_t>(((i * 7 + sign) % 3 == 0) ? 2047 : -2048);
    std::memcpy(r, a, sizeof a);
    std::memcpy(c, a, sizeof a);
    camdec::InverseDct(a);
    camdec::InverseDctScalar(c);
    ReferenceIdct(r);
    for (int i = 0; i < 64; ++i) {
      EXPECT_EQ(a[i], r[i]);
      EXPECT_EQ(c[i], r[i]);
      EXPECT_GE(a[i], -256);
      EXPECT_LE(a[i], 255);
    }
  }
}

TEST(InverseDct, IsCloseToTheExactTransform) {
  // A sanity check that the integers are an inverse DCT: within 1 of the real-valued
  // transform on moderate blocks.
  std::mt19937 rng(11);
  for (int n = 0; n < 500; ++n) {
    std::int16_t b[64];
    RandomBlock(rng, b, 64, 6);
    double exact[64];
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        double s = 0;
        for (int v = 0; v < 8; ++v)
          for (int u = 0; u < 8; ++u) {
            double cu = u ? 1 : std::sqrt(0.5), cv = v ? 1 : std::sqrt(0.5);
            s += cu * cv * b[v * 8 + u] * std::cos((2 * x + 1) * u * std::numbers::pi / 16) * std::cos((2 * y + 1) * v * std::numbers::pi / 16);
          }
        exact[y * 8 + x] = s / 4;
      }
    camdec::InverseDct(b);
    for (int i = 0; i < 64; ++i) ASSERT_NEAR(b[i], exact[i], 1.0) << "block " << n << " sample " << i;
  }
}

TEST(ColourConversion, CasesOfTheFormulas) {
  std::uint8_t p[3];
  camdec::ConvertPixel(126, 128, 128, p);  // mid-grey: (76310 x 110) >> 16
  EXPECT_EQ(p[0], 128);
  EXPECT_EQ(p[1], 128);
  EXPECT_EQ(p[2], 128);
  camdec::ConvertPixel(16, 128, 128, p);
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{0, 0, 0}));
  camdec::ConvertPixel(235, 128, 128, p);  // (76310 x 219) >> 16 = 255
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{255, 255, 255}));
  camdec::ConvertPixel(5, 128, 128, p);  // Y below 16 counts as 16
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{0, 0, 0}));
  camdec::ConvertPixel(255, 255, 255, p);  // blue and red sums above 0xFFFFFF clamp to 255
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{255, 125, 255}));
  camdec::ConvertPixel(16, 0, 255, p);  // blue sum negative: 0; red: (104635 x 127) >> 16 = 202
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[2], 202);
  camdec::ConvertPixel(17, 128, 128, p);  // 76310 >> 16 = 1: no rounding
  EXPECT_EQ(p[0], 1);
}

TEST(ColourConversion, PictureEqualsThePixelFormulaEverywhere) {
  // Y runs 0..255 along each row (backwards in odd rows); over the row pairs every Y
  // meets every Cb and every Cr value.
  const int w = 256, h = 2 * 256;
  std::vector<std::uint8_t> y(w * h), cb(w / 2 * h / 2), cr(w / 2 * h / 2), out(w * h * 3);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) y[r * w + x] = static_cast<std::uint8_t>(r % 2 ? 255 - x : x);
  for (int k = 0; k < h / 2; ++k)
    for (int c = 0; c < w / 2; ++c) {
      cb[k * w / 2 + c] = static_cast<std::uint8_t>(k + 7 * c);
      cr[k * w / 2 + c] = static_cast<std::uint8_t>(13 * k + 3 * c);
    }
  const camdec::PlaneView planes{y.data(), cb.data(), cr.data(), w, w / 2};
  std::vector<void (*)(const camdec::PlaneView&, int, int, std::uint8_t*)> ways = {camdec::ConvertToBgr,
                                                                                   camdec::ConvertToBgrPlain};
#if defined(__SSE2__)
  ways.push_back(camdec::ConvertToBgrSse2);
#endif
#if defined(CAMDEC_SSSE3)
  if (camdec::HaveSsse3()) ways.push_back(camdec::ConvertToBgrSsse3);
#endif
  for (std::size_t way = 0; way < ways.size(); ++way) {
    std::fill(out.begin(), out.end(), 0x5A);
    ways[way](planes, w, h, out.data());
    for (int r = 0; r < h; ++r)
      for (int x = 0; x < w; ++x) {
        std::uint8_t p[3];
        camdec::ConvertPixel(y[r * w + x], cb[r / 2 * w / 2 + x / 2], cr[r / 2 * w / 2 + x / 2], p);
        ASSERT_EQ(0, std::memcmp(p, &out[(r * w + x) * 3], 3)) << "way " << way << " row " << r << " column " << x;
      }
  }
}

TEST(MotionCompensation, HalfPixelPredictionsEqualTheirFormulas) {
  std::mt19937 rng(3);
  std::vector<std::uint8_t> ref(40 * 40);
  for (auto& v : ref) v = static_cast<std::uint8_t>(rng());
  for (int size : {8, 16})
    for (int hy = 0; hy < 2; ++hy)
      for (int hx = 0; hx < 2; ++hx) {
        std::uint8_t out[16 * 16];
        const std::uint8_t* src = &ref[3 * 40 + 5];
        camdec::PredictBlock(out, 16, src, 40, size, hx, hy);
        for (int y = 0; y < size; ++y)
          for (int x = 0; x < size; ++x) {
            const int a = src[y * 40 + x], b = src[y * 40 + x + 1], c = src[(y + 1) * 40 + x],
                      d = src[(y + 1) * 40 + x + 1];
            const int want = hx && hy ? (a + b + c + d + 2) >> 2 : hx ? (a + b + 1) >> 1 : hy ? (a + c + 1) >> 1 : a;
            ASSERT_EQ(out[y * 16 + x], want) << size << " " << hx << hy << " at " << x << "," << y;
          }
      }
}

TEST(MotionCompensation, OverlappedWeightsFollowTheStandardsMatrices) {
  // One remote prediction at a time is 8, the rest 0: the result shows that remote's
  // weight at every sample (8 x weight >> 3 = weight, with the + 4 rounding).
  std::uint8_t zero[64] = {}, eight[64];
  std::memset(eight, 8, sizeof eight);
  std::uint8_t out[64];
  camdec::BlendOverlapped(out, 8, eight, zero, zero, zero, zero);
  const int h0Corner = out[0], h0Centre = out[3 * 8 + 3], h0Edge = out[1];
  EXPECT_EQ(h0Corner, 4);
  EXPECT_EQ(h0Centre, 6);
  EXPECT_EQ(h0Edge, 5);
  camdec::BlendOverlapped(out, 8, zero, eight, zero, zero, zero);  // above: top half only
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1 * 8 + 0], 1);
  EXPECT_EQ(out[1 * 8 + 2], 2);
  EXPECT_EQ(out[7 * 8 + 0], 0);
  camdec::BlendOverlapped(out, 8, zero, zero, zero, zero, eight);  // right: right half only
  EXPECT_EQ(out[7], 2);
  EXPECT_EQ(out[1 * 8 + 6], 2);
  EXPECT_EQ(out[1 * 8 + 5], 1);
  EXPECT_EQ(out[0], 0);
  // Equal predictions blend to themselves (the weights sum to 8 everywhere).
  std::mt19937 rng(5);
  std::uint8_t p[64];
  for (auto& v : p) v = static_cast<std::uint8_t>(rng());
  camdec::BlendOverlapped(out, 8, p, p, p, p, p);
  EXPECT_EQ(0, std::memcmp(out, p, 64));
}

// Each kernel in use (SSE2 on x86) gives what its plain version gives, on random
// inputs over the whole range the decoder feeds it.
TEST(Kernels, EachEqualsItsPlainVersion) {
  std::mt19937 rng(9);
  auto bytes = [&](std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(rng());
  };
  auto residuals = [&](std::int16_t* p) {
    std::uniform_int_distribution<int> value(-256, 255);
    for (int i = 0; i < 64; ++i) p[i] = static_cast<std::int16_t>(value(rng));
  };
  std::vector<std::uint8_t> ref(48 * 48);
  for (int round = 0; round < 500; ++round) {
    bytes(ref.data(), ref.size());
    const std::uint8_t* src = &ref[5 * 48 + 7];
    for (int size : {8, 16})
      for (int half = 0; half < 4; ++half) {
        std::uint8_t fast[16 * 24], plain[16 * 24];
        bytes(fast, sizeof fast);
        std::memcpy(plain, fast, sizeof fast);
        camdec::PredictBlock(fast, 24, src, 48, size, half & 1, half >> 1);
        camdec::PredictBlockPlain(plain, 24, src, 48, size, half & 1, half >> 1);
        ASSERT_EQ(0, std::memcmp(fast, plain, sizeof fast)) << "prediction " << size << " " << half;
      }
    std::uint8_t p[5][64], fast[8 * 12], plain[8 * 12];
    for (auto& b : p) bytes(b, 64);
    bytes(fast, sizeof fast);
    std::memcpy(plain, fast, sizeof fast);
    camdec::BlendOverlapped(fast, 12, p[0], p[1], p[2], p[3], p[4]);
    camdec::BlendOverlappedPlain(plain, 12, p[0], p[1], p[2], p[3], p[4]);
    ASSERT_EQ(0, std::memcmp(fast, plain, sizeof fast)) << "overlapped";
    alignas(16) std::int16_t r[64];
    residuals(r);
    camdec::AddResidual(fast, 12, r);
    camdec::AddResidualPlain(plain, 12, r);
    ASSERT_EQ(0, std::memcmp(fast, plain, sizeof fast)) << "residual";
    camdec::PutIntra(fast, 12, r);
    camdec::PutIntraPlain(plain, 12, r);
    ASSERT_EQ(0, std::memcmp(fast, plain, sizeof fast)) << "intra";
    std::int16_t a[64], b[64];
    RandomBlock(rng, a, 2048, 1 + round % 64);
    std::memcpy(b, a, sizeof a);
    camdec::InverseDct(a);
    camdec::InverseDctScalar(b);
    ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << "inverse DCT";
  }
  // Colour conversion of random planes, with row strides wider than the picture.
  const int w = 176, h = 144, ys = 208, cs = 104;
  std::vector<std::uint8_t> y(ys * h), cb(cs * h / 2), cr(cs * h / 2), fast(w * h * 3), plain(w * h * 3);
  for (int round = 0; round < 20; ++round) {
    bytes(y.data(), y.size());
    bytes(cb.data(), cb.size());
    bytes(cr.data(), cr.size());
    const camdec::PlaneView planes{y.data(), cb.data(), cr.data(), ys, cs};
    camdec::ConvertToBgr(planes, w, h, fast.data());
    camdec::ConvertToBgrPlain(planes, w, h, plain.data());
    ASSERT_EQ(fast, plain) << "colour conversion";
  }
}

}  // namespace
