// Bit reader, code tables, headers and motion vector decoding.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include "bit_reader.h"
#include "bit_writer.h"
#include "macroblock.h"
#include "picture_header.h"
#include "vlc_tables.h"

namespace {

using camdec::BitReader;
using camdec_test::BitWriter;

TEST(BitReader, ReadsAcrossItsWindowAndYieldsZerosPastTheEnd) {
  // 5000 bytes: more than two windows. Byte i holds i & 0xFF.
  std::vector<std::uint8_t> data(5000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  BitReader r(data.data(), data.size());
  r.Skip(4);
  for (std::size_t i = 0; i + 1 < data.size(); ++i) {
    // Bytes read 4 bits off their boundary: low nibble of i, high nibble of i + 1.
    const std::uint32_t want = (data[i] & 0x0F) << 4 | data[i + 1] >> 4;
    ASSERT_EQ(r.Read(8), want) << "at byte " << i;
  }
  EXPECT_FALSE(r.Overrun());
  EXPECT_EQ(r.BitsLeft(), 4u);
  EXPECT_EQ(r.Read(4), 5000u % 256 == 0 ? 0u : (data.back() & 0x0Fu));
  EXPECT_FALSE(r.Overrun());
  EXPECT_EQ(r.Read(32), 0u);  // past the end: zeros
  EXPECT_TRUE(r.Overrun());
  EXPECT_EQ(r.BitsLeft(), 0u);
}

TEST(BitReader, EmptyInputIsAllZeros) {
  BitReader r(nullptr, 0);
  EXPECT_EQ(r.Peek(32), 0u);
  r.Skip(1);
  EXPECT_TRUE(r.Overrun());
}

// Every table: no code is a prefix of another, the lookup finds each code's value
// and length, and the codes the Recommendation counts are all there.
TEST(VlcTables, ArePrefixFreeAndDecodeEveryCode) {
  struct Case {
    const char* name;
    const std::vector<camdec::VlcCode>& codes;
    const camdec::VlcTable& table;
    std::size_t count;
  };
  const Case cases[] = {
      {"MCBPC intra", camdec::McbpcIntraCodes(), camdec::McbpcIntraTable(), 9},
      {"MCBPC inter", camdec::McbpcInterCodes(), camdec::McbpcInterTable(), 25},
      {"CBPY", camdec::CbpyCodes(), camdec::CbpyTable(), 16},
      {"MVD", camdec::MvdCodes(), camdec::MvdTable(), 64},
      {"TCOEF", camdec::TcoefCodes(), camdec::TcoefTable(), 103},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.codes.size(), c.count);
    std::vector<std::string> bits;
    std::set<int> values;
    double kraft = 0;
    for (const auto& code : c.codes) {
      std::string b;
      for (char ch : code.bits)
        if (ch == '0' || ch == '1') b += ch;
      bits.push_back(b);
      values.insert(code.value);
      kraft += std::ldexp(1.0, -static_cast<int>(b.size()));
    }
    EXPECT_EQ(values.size(), c.codes.size()) << "a value coded twice";
    EXPECT_LE(kraft, 1.0);
    for (std::size_t i = 0; i < bits.size(); ++i)
      for (std::size_t j = 0; j < bits.size(); ++j)
        if (i != j) {
          ASSERT_NE(bits[j].rfind(bits[i], 0), 0u) << bits[i] << " is a prefix of " << bits[j];
        }
    for (std::size_t i = 0; i < bits.size(); ++i) {
      BitWriter w;
      w.Put(bits[i]);
      w.Put(0x5A5A5A5A, 32);  // whatever follows must not matter
      BitReader r(w.Bytes().data(), w.Bytes().size());
      const camdec::VlcEntry& e = c.table.entries[r.Peek(c.table.bits)];
      EXPECT_EQ(e.length, bits[i].size()) << bits[i];
      EXPECT_EQ(e.value, c.codes[i].value) << bits[i];
    }
  }
}

TEST(VlcTables, CoefficientTableHasItsRunsAndLevels) {
  // Spot checks from the table: the shortest, the longest, and the escape.
  std::map<std::string, int> byBits;
  for (const auto& c : camdec::TcoefCodes()) {
    std::string b;
    for (char ch : c.bits)
      if (ch != ' ') b += ch;
    byBits[b] = c.value;
  }
  EXPECT_EQ(byBits["10"], camdec::TcoefValue(0, 0, 1));
  EXPECT_EQ(byBits["0111"], camdec::TcoefValue(1, 0, 1));
  EXPECT_EQ(byBits["000001011111"], camdec::TcoefValue(1, 40, 1));
  EXPECT_EQ(byBits["000001010111"], camdec::TcoefValue(0, 26, 1));
  EXPECT_EQ(byBits["00000100000"], camdec::TcoefValue(0, 0, 12));
  EXPECT_EQ(byBits["0000011"], camdec::kTcoefEscape);
}

TEST(PictureHeader, ReadsTheFixedFields) {
  BitWriter w;
  camdec_test::HeaderFields f;
  f.temporalReference = 201;
  f.sourceFormat = 3;
  f.inter = true;
  f.unrestrictedVectors = true;
  f.advancedPrediction = true;
  f.quant = 17;
  camdec_test::PutPictureHeader(w, f);
  w.Put("1010 1010");
  BitReader r(w.Bytes().data(), w.Bytes().size());
  camdec::PictureHeader h;
  camdec::ReadPictureHeader(r, h);
  EXPECT_EQ(h.temporalReference, 201);
  EXPECT_EQ(h.sourceFormat, 3);
  EXPECT_TRUE(h.inter);
  EXPECT_TRUE(h.unrestrictedVectors);
  EXPECT_FALSE(h.arithmeticCoding);
  EXPECT_TRUE(h.advancedPrediction);
  EXPECT_FALSE(h.pbFrames);
  EXPECT_EQ(h.quant, 17);
  EXPECT_EQ(camdec::UnsupportedReason(h), nullptr);
  EXPECT_EQ(r.Read(8), 0xAAu);  // the macroblock data starts right after
}

TEST(PictureHeader, SkipsExtraInsertionAndNamesWhatItCannotDecode) {
  BitWriter w;
  camdec_test::PutPictureHeader(w, {});
  // Replace the final PEI 0 by two spare bytes: PEI 1, 8 bits, PEI 1, 8 bits, PEI 0.
  std::vector<std::uint8_t> bytes = w.Bytes();
  BitWriter v;
  for (std::size_t i = 0; i + 1 < w.BitCount(); ++i) v.Bit((bytes[i / 8] >> (7 - i % 8)) & 1);
  v.Put("1 1111 0000 1 0000 1111 0");
  v.Put("1100 1100");
  BitReader r(v.Bytes().data(), v.Bytes().size());
  camdec::PictureHeader h;
  camdec::ReadPictureHeader(r, h);
  EXPECT_EQ(r.Read(8), 0xCCu);

  camdec::PictureHeader bad;
  bad.sourceFormat = 2;
  bad.quant = 5;
  EXPECT_EQ(camdec::UnsupportedReason(bad), nullptr);
  for (int format : {0, 6, 7}) {
    bad.sourceFormat = format;
    EXPECT_NE(camdec::UnsupportedReason(bad), nullptr) << format;
  }
  bad.sourceFormat = 2;
  bad.pbFrames = true;
  EXPECT_NE(camdec::UnsupportedReason(bad), nullptr);
  bad.pbFrames = false;
  bad.arithmeticCoding = true;
  EXPECT_NE(camdec::UnsupportedReason(bad), nullptr);
  bad.arithmeticCoding = false;
  bad.quant = 0;
  EXPECT_NE(camdec::UnsupportedReason(bad), nullptr);
}

TEST(GobHeader, FoundWithOrWithoutStuffingAndRead) {
  for (int stuffing : {0, 3, 7}) {
    BitWriter w;
    for (int i = 0; i < stuffing; ++i) w.Bit(0);
    camdec_test::PutGobHeader(w, 5, 23);
    w.Put("1");
    BitReader r(w.Bytes().data(), w.Bytes().size());
    ASSERT_TRUE(camdec::GobHeaderAhead(r));
    camdec::GobHeader g;
    camdec::ReadGobHeader(r, false, g);
    EXPECT_EQ(g.number, 5);
    EXPECT_EQ(g.quant, 23);
    EXPECT_EQ(r.ReadBit(), 1u);
  }
  // Macroblock data (a stuffing MCBPC has the most leading zeros) is not a header.
  BitWriter w;
  w.Put("0 0000 0000 1 1");
  BitReader r(w.Bytes().data(), w.Bytes().size());
  EXPECT_FALSE(camdec::GobHeaderAhead(r));
  BitReader empty(nullptr, 0);
  EXPECT_FALSE(camdec::GobHeaderAhead(empty));
}

TEST(MotionVectors, DefaultRangeWrapsIntoMinus16To15AndAHalf) {
  // Half-pixel units: the code's other value (differing by 64) is taken when the
  // first falls outside -32..31.
  EXPECT_EQ(camdec::DecodeVectorComponent(0, 5, false), 5);
  EXPECT_EQ(camdec::DecodeVectorComponent(20, 14, false), -30);  // 34 - 64
  EXPECT_EQ(camdec::DecodeVectorComponent(-20, -14, false), 30);
  EXPECT_EQ(camdec::DecodeVectorComponent(31, 0, false), 31);
  EXPECT_EQ(camdec::DecodeVectorComponent(0, -32, false), -32);
}

TEST(MotionVectors, UnrestrictedRangeFollowsThePredictor) {
  // Predictor within -15.5..16: differences of -16..15.5 around it, no wrap.
  EXPECT_EQ(camdec::DecodeVectorComponent(20, 14, true), 34);
  EXPECT_EQ(camdec::DecodeVectorComponent(-20, -14, true), -34);
  EXPECT_EQ(camdec::DecodeVectorComponent(10, -32, true), -22);  // "-16 & 16": -16 here
  EXPECT_EQ(camdec::DecodeVectorComponent(-31, -32, true), -63);
  EXPECT_EQ(camdec::DecodeVectorComponent(0, -31, true), -31);
  // Predictor beyond: any vector of its sign up to 31.5.
  EXPECT_EQ(camdec::DecodeVectorComponent(50, 10, true), 60);
  EXPECT_EQ(camdec::DecodeVectorComponent(50, 20, true), 6);  // 70 - 64
  EXPECT_EQ(camdec::DecodeVectorComponent(-50, -20, true), -6);
  EXPECT_EQ(camdec::DecodeVectorComponent(-50, 20, true), -30);
  // Never beyond what the border holds.
  EXPECT_EQ(camdec::DecodeVectorComponent(32, 32, true), 63);
  EXPECT_EQ(camdec::DecodeVectorComponent(-31, -32, true), -63);
}

TEST(MotionVectors, ChromaRounding) {
  // One vector: quarter positions go to the half position.
  const int one[][2] = {{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {5, 3}, {6, 3}, {7, 3}, {-1, -1}, {-3, -1}, {-5, -3}};
  for (auto [v, c] : one) EXPECT_EQ(camdec::ChromaFromOneVector(v), c) << v;
  // Four vectors: the sum in sixteenths to the nearest half, from the standard's table.
  const int four[][2] = {{0, 0}, {2, 0}, {3, 1}, {13, 1}, {14, 2}, {16, 2}, {19, 3}, {30, 4}, {-3, -1}, {-14, -2}};
  for (auto [s, c] : four) EXPECT_EQ(camdec::ChromaFromFourVectors(s), c) << s;
}

// Vector prediction at the picture's and the group's edges.
TEST(MotionVectors, PredictionCandidatesAtTheEdges) {
  const int cols = 3;
  std::vector<camdec::MbInfo> info(9);
  auto set = [&](int index, int x, int y) {
    info[index].mode = camdec::MbMode::kInter;
    for (auto& v : info[index].mv) v = {x, y};
  };
  set(0, 2, 2);
  set(1, 4, 4);
  set(2, 8, 8);
  set(3, 6, -6);
  camdec::MacroblockContext ctx;
  ctx.mbCols = cols;
  ctx.info = &info;
  camdec::MotionVector none[4];
  // Top row: above candidates take MV1 (left), so the left one wins.
  ctx.mbIndex = 1;
  EXPECT_EQ(camdec::PredictVector(ctx, 0, none), (camdec::MotionVector{2, 2}));
  // Left edge, second row: MV1 = 0, MV2 = above (2,2), MV3 = above right (4,4).
  ctx.mbIndex = 3;
  EXPECT_EQ(camdec::PredictVector(ctx, 0, none), (camdec::MotionVector{2, 2}));
  // Middle: median of left (6,-6), above (4,4), above right (8,8).
  ctx.mbIndex = 4;
  EXPECT_EQ(camdec::PredictVector(ctx, 0, none), (camdec::MotionVector{6, 4}));
  // Right edge: MV3 outside the picture counts 0: median of (0,0)... left is
  // macroblock 4 (not inter: 0), above (8,8), above right 0.
  ctx.mbIndex = 5;
  EXPECT_EQ(camdec::PredictVector(ctx, 0, none), (camdec::MotionVector{0, 0}));
  // A group header before this row: the row above is not used; left alone decides.
  ctx.mbIndex = 4;
  ctx.gobHeader = true;
  ctx.gobFirstMb = 3;
  EXPECT_EQ(camdec::PredictVector(ctx, 0, none), (camdec::MotionVector{6, -6}));
  // An intra or uncoded neighbour counts 0.
  ctx.gobHeader = false;
  info[1].mode = camdec::MbMode::kIntra;
  EXPECT_EQ(camdec::PredictVector(ctx, 0, none), (camdec::MotionVector{6, 0}));
  // Block 3 of four: candidates are blocks 2, 0 and 1 of the same macroblock.
  camdec::MotionVector own[4] = {{1, 1}, {5, 5}, {3, -3}, {}};
  EXPECT_EQ(camdec::PredictVector(ctx, 3, own), (camdec::MotionVector{3, 1}));
}

}  // namespace
