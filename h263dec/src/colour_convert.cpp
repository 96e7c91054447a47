#include "colour_convert.h"

#include <cstring>

#include "clip_tables.h"

#if defined(__SSE2__)
#include "colour_convert_sse2.h"
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

void ConvertToBgrPlain(const PlaneView& p, int width, int height, std::uint8_t* bgr) {
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


#if defined(__SSE2__)

void ConvertToBgrSse2(const PlaneView& p, int width, int height, std::uint8_t* bgr) {
  Convert(p, width, height, bgr, [](const Channels& a, const Channels& b, std::uint8_t* out) {
    StoreEight(a, out);
    StoreEight(b, out + 24);
  });
}

#if defined(CAMDEC_SSSE3)
bool HaveSsse3() {
  static const bool have = __builtin_cpu_supports("ssse3");
  return have;
}
#endif

void ConvertToBgr(const PlaneView& p, int width, int height, std::uint8_t* bgr) {
#if defined(CAMDEC_SSSE3)
  if (HaveSsse3()) {
    ConvertToBgrSsse3(p, width, height, bgr);
    return;
  }
#endif
  ConvertToBgrSse2(p, width, height, bgr);
}

#else

void ConvertToBgr(const PlaneView& p, int width, int height, std::uint8_t* bgr) { ConvertToBgrPlain(p, width, height, bgr); }

#endif

}  // namespace camdec
