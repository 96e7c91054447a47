#include "macroblock.h"

#include <algorithm>
#include <cstring>

#include "vlc_tables.h"

namespace camdec {
namespace {

inline int Median(int a, int b, int c) { return std::max(std::min(a, b), std::min(std::max(a, b), c)); }

inline int Decode(BitReader& bits, const VlcTable& t, bool& ok) {
  const VlcEntry& e = t.entries[bits.Peek(t.bits)];
  if (e.length == 0) {
    ok = false;
    return 0;
  }
  bits.Skip(e.length);
  return e.value;
}

inline int Dequantise(int level, int quant) {
  int magnitude = level < 0 ? -level : level;
  int rec = quant * (2 * magnitude + 1) - ((quant & 1) ? 0 : 1);
  if (level < 0) rec = -rec;
  return std::clamp(rec, -2048, 2047);
}

// Luminance block `block` of macroblock `mb`, or of the current one when mb is -1.
struct Candidate {
  int mbx, mby, block;
  bool current;
};

}  // namespace

int DecodeVectorComponent(int predictor, int difference, bool unrestricted) {
  int v;
  if (!unrestricted) {
    v = predictor + difference;
    if (v < -32) v += 64;
    if (v > 31) v -= 64;
  } else if (predictor >= -31 && predictor <= 32) {
    // Differences within -16 .. 15.5 of the predictor: the first value of each pair.
    v = predictor + difference;
  } else {
    // Any vector of the predictor's sign (or zero) within -31.5 .. 31.5.
    v = predictor + difference;
    if (predictor > 0 && v > 63) v -= 64;
    if (predictor < 0 && v < -63) v += 64;
  }
  // The reference picture's border holds 31.5 pixels of motion at most.
  return std::clamp(v, -63, 63);
}

int ChromaFromOneVector(int v) {
  // Quarter positions go to the half position between them.
  int m = v < 0 ? -v : v;
  m = (m >> 1) | (m & 1);
  return v < 0 ? -m : m;
}

int ChromaFromFourVectors(int sum) {
  // Sixteenth positions rounded to the nearest half (the standard's table).
  static constexpr int kRound[16] = {0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2};
  int m = sum < 0 ? -sum : sum;
  m = (m >> 4) * 2 + kRound[m & 15];
  return sum < 0 ? -m : m;
}

MotionVector PredictVector(const MacroblockContext& ctx, int block, const MotionVector current[4]) {
  const int mbx = ctx.mbIndex % ctx.mbCols;
  const int mby = ctx.mbIndex / ctx.mbCols;
  // Candidates left (1), above (2), above right (3) of each block.
  static constexpr int kSource[4][3][3] = {
      // {dx, dy, block} with dx = dy = 0 meaning this macroblock
      {{-1, 0, 1}, {0, -1, 2}, {1, -1, 2}},
      {{0, 0, 0}, {0, -1, 3}, {1, -1, 2}},
      {{-1, 0, 3}, {0, 0, 0}, {0, 0, 1}},
      {{0, 0, 2}, {0, 0, 0}, {0, 0, 1}},
  };
  auto fetch = [&](int k, bool& outside, bool& otherGob, bool& right) -> MotionVector {
    const int* s = kSource[block][k];
    outside = otherGob = right = false;
    if (s[0] == 0 && s[1] == 0) return current[s[2]];
    int x = mbx + s[0], y = mby + s[1];
    if (x < 0 || y < 0 || x >= ctx.mbCols) {
      outside = true;
      right = x >= ctx.mbCols;
      if (y < 0) right = false;
      return {};
    }
    int index = y * ctx.mbCols + x;
    if (s[1] < 0 && ctx.gobHeader && index < ctx.gobFirstMb) {
      otherGob = true;
      return {};
    }
    const MbInfo& n = (*ctx.info)[static_cast<std::size_t>(index)];
    if (n.mode != MbMode::kInter) return {};  // intra, not coded or missing: zero
    return n.mv[s[2]];
  };
  bool out1, gob1, right1, out2, gob2, right2, out3, gob3, right3;
  MotionVector mv1 = fetch(0, out1, gob1, right1);
  MotionVector mv2 = fetch(1, out2, gob2, right2);
  MotionVector mv3 = fetch(2, out3, gob3, right3);
  if (out1) mv1 = {};
  // Above the picture or above a group header: both upper candidates become MV1.
  const int* s2 = kSource[block][1];
  if (s2[1] < 0 && (out2 || gob2)) {
    mv2 = mv1;
    mv3 = mv1;
  }
  if (out3 && right3) mv3 = {};
  return {Median(mv1.x, mv2.x, mv3.x), Median(mv1.y, mv2.y, mv3.y)};
}

bool ParseBlock(BitReader& bits, std::int16_t coeff[64], bool intra, bool coded, int quant, int& end,
                const char*& why) {
  int i = 0;
  end = 0;
  if (intra) {
    int dc = static_cast<int>(bits.Read(8));
    if (dc == 128) {
      why = "intra DC 128";
      return false;
    }
    if (dc == 255) dc = 128;
    coeff[0] = static_cast<std::int16_t>(dc * 8);
    i = 1;
    end = 1;
  }
  if (!coded) return true;
  const std::array<TcoefEntry, 4096>& table = TcoefLookup();
  // Reconstruction levels of the table's magnitudes (1..12) for this quantiser.
  const int even = (quant & 1) ? 0 : 1;
  for (;;) {
    // The longest code is 12 bits; its sign bit follows.
    const std::uint32_t next = bits.Peek(13);
    const TcoefEntry e = table[next >> 1];
    if (e.length == 0) {
      why = "coefficient code";
      return false;
    }
    int last, value;
    if (e.level != 0) {
      const bool negative = (next >> (12 - e.length)) & 1;
      bits.SkipPeeked(e.length + 1);
      last = e.last;
      i += e.run;
      value = quant * (2 * e.level + 1) - even;
      if (negative) value = -value;
    } else {
      bits.SkipPeeked(e.length);
      last = static_cast<int>(bits.Read(1));
      i += static_cast<int>(bits.Read(6));
      const int level = static_cast<int>(static_cast<std::int8_t>(bits.Read(8)));
      if (level == 0 || level == -128) {
        why = "escaped level";
        return false;
      }
      value = Dequantise(level, quant);
    }
    if (i > 63) {
      why = "coefficient run";
      return false;
    }
    coeff[kZigzag[static_cast<std::size_t>(i)]] = static_cast<std::int16_t>(value);
    ++i;
    if (last) break;
    if (bits.Overrun()) {
      why = "picture ends";
      return false;
    }
  }
  end = i;
  return true;
}

ParseResult ParseMacroblock(BitReader& bits, const MacroblockContext& ctx, int& quant, MacroblockData& mb,
                            const char*& why) {
  bool ok = true;
  int mcbpc;
  for (;;) {
    if (bits.Overrun()) {
      why = "picture ends";
      return ParseResult::kError;
    }
    if (ctx.interPicture && bits.ReadBit()) {  // COD = 1: not coded
      mb.mode = MbMode::kSkipped;
      mb.fourVectors = false;
      mb.cbp = 0;
      for (auto& v : mb.mv) v = {};
      return ParseResult::kOk;
    }
    mcbpc = Decode(bits, ctx.interPicture ? McbpcInterTable() : McbpcIntraTable(), ok);
    if (!ok) {
      why = "macroblock type code";
      return ParseResult::kError;
    }
    if (mcbpc != kMcbpcStuffing) break;
  }
  const int type = mcbpc >> 2;
  const bool intra = type == kIntra || type == kIntraQ;
  int cbpy = Decode(bits, CbpyTable(), ok);
  if (!ok) {
    why = "coded block pattern";
    return ParseResult::kError;
  }
  if (!intra) cbpy = 15 - cbpy;
  mb.cbp = cbpy << 2 | (mcbpc & 3);
  if (type == kInterQ || type == kIntraQ || type == kInter4VQ) {
    static constexpr int kDquant[4] = {-1, -2, 1, 2};
    quant = std::clamp(quant + kDquant[bits.Read(2)], 1, 31);
  }
  mb.fourVectors = type == kInter4V || type == kInter4VQ;
  for (auto& v : mb.mv) v = {};
  if (intra) {
    mb.mode = MbMode::kIntra;
  } else {
    mb.mode = MbMode::kInter;
    if (mb.fourVectors && !ctx.advancedPrediction) {
      why = "four vectors without advanced prediction";
      return ParseResult::kError;
    }
    const int count = mb.fourVectors ? 4 : 1;
    for (int b = 0; b < count; ++b) {
      MotionVector pred = PredictVector(ctx, b, mb.mv);
      int dx = Decode(bits, MvdTable(), ok);
      int dy = ok ? Decode(bits, MvdTable(), ok) : 0;
      if (!ok) {
        why = "motion vector code";
        return ParseResult::kError;
      }
      MotionVector v{DecodeVectorComponent(pred.x, dx, ctx.unrestrictedVectors),
                     DecodeVectorComponent(pred.y, dy, ctx.unrestrictedVectors)};
      if (mb.fourVectors) {
        mb.mv[b] = v;
      } else {
        for (auto& m : mb.mv) m = v;
      }
    }
  }
  mb.dcOnly = 0;
  for (int b = 0; b < 6; ++b) {
    const bool coded = (mb.cbp >> (5 - b)) & 1;
    if (!coded && !intra) continue;  // a block without coefficients is not read again
    std::memset(mb.coeff[b], 0, sizeof mb.coeff[b]);
    int end = 0;
    if (!ParseBlock(bits, mb.coeff[b], intra, coded, quant, end, why)) return ParseResult::kError;
    if (end <= 1) mb.dcOnly |= 1 << b;
  }
  if (bits.Overrun()) {
    why = "picture ends";
    return ParseResult::kError;
  }
  return ParseResult::kOk;
}

}  // namespace camdec
