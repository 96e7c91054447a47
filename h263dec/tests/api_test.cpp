// The exported functions, group headers, and what happens to damaged pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bit_writer.h"
#include "camdec.h"
#include "decoder.h"
#include "instance.h"
#include "kavrel/clock.h"
#include "kavrel/window_handles.h"
#include "camdec_stream_split.h"
#include "test_streams.h"

namespace {

using camdec::PictureSpan;
using camdec::SplitPictures;

using camdec_test::BitWriter;

constexpr int kQcifBytes = 176 * 144 * 3;

// A QCIF intra picture: every macroblock DC only at `dc`; group headers as listed
// (group number -> quantiser), the others absent.
std::vector<std::uint8_t> IntraPicture(int dc, const std::vector<std::pair<int, int>>& gobs = {},
                                       int acInGob = -1) {
  BitWriter w;
  camdec_test::HeaderFields f;
  f.quant = 5;
  camdec_test::PutPictureHeader(w, f);
  for (int gob = 0; gob < 9; ++gob) {
    for (const auto& [number, quant] : gobs)
      if (number == gob) camdec_test::PutGobHeader(w, number, quant);
    for (int mb = 0; mb < 11; ++mb) camdec_test::PutIntraMacroblock(w, dc, gob == acInGob && mb == 0);
  }
  w.AlignWithZeros();
  return w.Bytes();
}

// A QCIF inter picture in which every macroblock is not coded.
std::vector<std::uint8_t> UncodedInterPicture() {
  BitWriter w;
  camdec_test::HeaderFields f;
  f.inter = true;
  camdec_test::PutPictureHeader(w, f);
  for (int mb = 0; mb < 99; ++mb) w.Bit(1);
  w.AlignWithZeros();
  return w.Bytes();
}

class RecordingWindow : public kavrel::WindowTarget {
 public:
  void ShowPicture(const std::uint8_t*, int, int) override {}
  void DrawText(std::string_view utf8, const kavrel::TextRect& rect) override {
    texts.emplace_back(utf8);
    rects.push_back(rect);
  }
  std::vector<std::string> texts;
  std::vector<kavrel::TextRect> rects;
};

// The buffers a caller gives Init, and the calls in their order.
struct Session {
  std::vector<unsigned char> input = std::vector<unsigned char>(64 * 1024);
  std::vector<unsigned char> output = std::vector<unsigned char>(kQcifBytes, 0x11);
  explicit Session(std::uint32_t window = 0, int format = 2) { init = Init(window, input.data(), output.data(), format); }
  ~Session() { Destroy(); }
  int Put(const std::vector<std::uint8_t>& picture) {
    std::memcpy(input.data(), picture.data(), picture.size());
    return Decode(static_cast<int>(picture.size()));
  }
  int init;
};

TEST(Exports, VersionAndFormats) {
  EXPECT_EQ(GetVersion(), 100);
  std::vector<unsigned char> in(16), out(352 * 288 * 3);
  for (int format : {0, 4, 5, -1, 99}) EXPECT_EQ(Init(0, in.data(), out.data(), format), -1) << format;
  for (int format : {1, 2, 3}) {
    EXPECT_EQ(Init(0, in.data(), out.data(), format), 0) << format;
    EXPECT_EQ(GetVersion(), 100);
    EXPECT_EQ(Destroy(), 0);
  }
  EXPECT_EQ(GetVersion(), 100);
  // Outside Init ... Destroy, Decode does nothing and returns 0.
  EXPECT_EQ(Decode(10), 0);
  EXPECT_EQ(Destroy(), 0);
}

TEST(Exports, FirstInterPictureIsWhiteThenDecodingStartsAtAnIntraPicture) {
  Session s;
  ASSERT_EQ(s.init, 0);
  EXPECT_TRUE(camdec::DefaultDecoder()->NoPictureYet());
  EXPECT_EQ(s.Put(UncodedInterPicture()), 0);
  for (unsigned char v : s.output) ASSERT_EQ(v, 255);
  EXPECT_TRUE(camdec::DefaultDecoder()->NoPictureYet());
  EXPECT_EQ(camdec::DefaultDecoder()->FrameCount(), 0);

  EXPECT_EQ(s.Put(IntraPicture(126)), 0);  // Y = Cb = Cr = 126 * 8 / 8
  EXPECT_FALSE(camdec::DefaultDecoder()->NoPictureYet());
  std::uint8_t grey[3];
  std::memcpy(grey, s.output.data(), 3);
  for (int i = 0; i < kQcifBytes; i += 3) ASSERT_EQ(0, std::memcmp(&s.output[i], grey, 3));
  std::fill(s.output.begin(), s.output.end(), 0);
  s.Put(UncodedInterPicture());  // now a copy of the previous picture
  for (int i = 0; i < kQcifBytes; i += 3) ASSERT_EQ(0, std::memcmp(&s.output[i], grey, 3));
  EXPECT_EQ(camdec::DefaultDecoder()->FrameCount(), 2);
  EXPECT_EQ(camdec::DefaultDecoder()->DamagedPictures(), 0);
}

TEST(GroupHeaders, ReadWhereTheyStandAndTheirQuantiserUsed) {
  auto decode = [](const std::vector<std::uint8_t>& picture, int* damaged) {
    Session s;
    s.Put(picture);
    *damaged = camdec::DefaultDecoder()->DamagedPictures();
    return s.output;
  };
  int damaged = 0;
  const auto none = decode(IntraPicture(100, {}, 3), &damaged);
  EXPECT_EQ(damaged, 0);
  // Headers before some groups only; the one quantiser repeats the running one.
  const auto same = decode(IntraPicture(100, {{1, 5}, {3, 5}, {8, 5}}, 3), &damaged);
  EXPECT_EQ(damaged, 0);
  EXPECT_EQ(none, same);
  // A header of group 3 with quantiser 20: the coefficient in group 3 grows.
  const auto coarse = decode(IntraPicture(100, {{3, 20}}, 3), &damaged);
  EXPECT_EQ(damaged, 0);
  EXPECT_NE(none, coarse);
  // Only group 3's first macroblock differs (its first block carries the coefficient).
  for (int y = 0; y < 144; ++y)
    for (int x = 0; x < 176; ++x) {
      const bool inBlock = y >= 48 && y < 56 && x < 8;
      const int i = (y * 176 + x) * 3;
      if (!inBlock) {
        ASSERT_EQ(0, std::memcmp(&none[i], &coarse[i], 3)) << x << "," << y;
      }
    }
}

TEST(DamagedPictures, OneReportOneWaitAndResynchronisationAtTheNextGroup) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scoped(clock);
  auto window = std::make_shared<RecordingWindow>();
  const kavrel::WindowHandle handle = kavrel::RegisterWindow(window);
  Session s(handle);
  s.Put(IntraPicture(60));  // a dark first picture
  ASSERT_EQ(window->texts.size(), 0u);

  // A bright picture whose groups 2..4 are garbage; group 5 has a header.
  BitWriter w;
  camdec_test::HeaderFields f;
  f.quant = 5;
  camdec_test::PutPictureHeader(w, f);
  for (int mb = 0; mb < 22; ++mb) camdec_test::PutIntraMacroblock(w, 200);
  for (int i = 0; i < 40; ++i) w.Put("0000 0000 0111 1111");  // no macroblock type starts with 8 zeros and a 0
  camdec_test::PutGobHeader(w, 5, 5);
  for (int mb = 0; mb < 44; ++mb) camdec_test::PutIntraMacroblock(w, 200);
  w.AlignWithZeros();
  s.Put(w.Bytes());

  ASSERT_EQ(window->texts.size(), 1u);
  EXPECT_EQ(window->texts[0], "error");
  EXPECT_EQ(window->rects[0].left, 0);
  EXPECT_EQ(window->rects[0].top, 30);
  EXPECT_EQ(window->rects[0].right, 300);
  EXPECT_EQ(window->rects[0].bottom, 60);
  EXPECT_EQ(clock.SleepCalls(), 1u);
  EXPECT_EQ(clock.TickCount(), 1000u + 1000u);
  // Groups 0, 1 and 5..8 are bright; 2..4 still show the dark picture.
  auto luma = [&](int gob) { return s.output[(gob * 16 * 176 + 88) * 3]; };
  const int bright = luma(0), dark = luma(2);
  EXPECT_GT(bright, dark);
  for (int gob = 0; gob < 9; ++gob) EXPECT_EQ(luma(gob), (gob >= 2 && gob <= 4) ? dark : bright) << gob;

  // Nothing but garbage: still one report for the picture, and Decode returns.
  std::vector<std::uint8_t> junk(3000, 0x00);
  junk[2] = 0x80;
  s.Put(junk);
  EXPECT_EQ(window->texts.size(), 2u);
  EXPECT_EQ(clock.SleepCalls(), 2u);
  kavrel::UnregisterWindow(handle);
}

TEST(DamagedPictures, MissingGroupsShowThePreviousPicture) {
  Session s;
  int reports = 0;
  camdec::DefaultDecoder()->SetErrorSink([&](const std::string&) { ++reports; });
  s.Put(IntraPicture(60));
  BitWriter w;
  camdec_test::HeaderFields f;
  f.quant = 5;
  camdec_test::PutPictureHeader(w, f);
  for (int mb = 0; mb < 22; ++mb) camdec_test::PutIntraMacroblock(w, 200);  // groups 0 and 1
  camdec_test::PutGobHeader(w, 4, 5);                                        // 2 and 3 lost
  for (int mb = 0; mb < 55; ++mb) camdec_test::PutIntraMacroblock(w, 200);
  w.AlignWithZeros();
  s.Put(w.Bytes());
  EXPECT_EQ(reports, 1);
  auto luma = [&](int gob) { return s.output[(gob * 16 * 176 + 88) * 3]; };
  for (int gob = 0; gob < 9; ++gob) EXPECT_EQ(luma(gob) < luma(0), gob == 2 || gob == 3) << gob;
}

TEST(DamagedPictures, WithoutAWindowTheReportGoesToStandardErrorAndNothingWaits) {
  kavrel::FakeClock clock;
  kavrel::ScopedClock scoped(clock);
  Session s;
  testing::internal::CaptureStderr();
  std::vector<std::uint8_t> picture = IntraPicture(100);
  picture.resize(picture.size() / 2);  // cut short
  s.Put(picture);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("error"), std::string::npos);
  EXPECT_EQ(clock.SleepCalls(), 0u);
  EXPECT_EQ(camdec::DefaultDecoder()->DamagedPictures(), 1);
}

TEST(DamagedPictures, UnsupportedModesAreReportedAndLeaveTheOutputAlone) {
  for (int which = 0; which < 3; ++which) {
    Session s;
    camdec::DefaultDecoder()->SetErrorSink([](const std::string&) {});
    BitWriter w;
    camdec_test::HeaderFields f;
    if (which == 0) f.pbFrames = true;
    if (which == 1) f.arithmeticCoding = true;
    if (which == 2) f.sourceFormat = 7;
    camdec_test::PutPictureHeader(w, f);
    w.Put(0xFFFFFFFF, 32);
    s.Put(w.Bytes());
    EXPECT_EQ(camdec::DefaultDecoder()->DamagedPictures(), 1) << which;
    for (unsigned char v : s.output) ASSERT_EQ(v, 0x11);
  }
}

TEST(DamagedPictures, FourVectorsWithoutAdvancedPredictionAndIntraDc128) {
  Session s;
  std::vector<std::string> reports;
  camdec::DefaultDecoder()->SetErrorSink([&](const std::string& why) { reports.push_back(why); });
  s.Put(IntraPicture(100));
  BitWriter w;
  camdec_test::HeaderFields f;
  f.inter = true;
  camdec_test::PutPictureHeader(w, f);
  w.Put("0 010 11 1 1");  // COD 0, MCBPC INTER4V, CBPY, MVD 0 0
  w.AlignWithZeros();
  s.Put(w.Bytes());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("four vectors"), std::string::npos);

  s.Put(IntraPicture(128));
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[1].find("DC"), std::string::npos);
}

TEST(DamagedPictures, VectorOutsideThePictureIsAnErrorOnlyInTheDefaultMode) {
  for (int mode : {0, 1, 2}) {  // default, unrestricted vectors, advanced prediction
    Session s;
    int reports = 0;
    camdec::DefaultDecoder()->SetErrorSink([&](const std::string&) { ++reports; });
    s.Put(IntraPicture(100));
    BitWriter w;
    camdec_test::HeaderFields f;
    f.inter = true;
    f.unrestrictedVectors = mode == 1;
    f.advancedPrediction = mode == 2;
    camdec_test::PutPictureHeader(w, f);
    w.Put("0 1 11");  // COD 0, MCBPC INTER without chrominance, CBPY (inter) none
    w.Put("0011");    // MVD x = -2 half pixels: one pixel left of the picture
    w.Put("1");       // MVD y = 0
    for (int mb = 1; mb < 99; ++mb) w.Bit(1);
    w.AlignWithZeros();
    s.Put(w.Bytes());
    EXPECT_EQ(reports, mode == 0 ? 1 : 0) << mode;
  }
}

}  // namespace

namespace {

std::vector<std::uint8_t> ReadStream(const std::string& name) {
  std::ifstream in(camdec_test::StreamPath(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Decodes the first `count` pictures of a stream; `damage` may spoil the last one.
std::vector<std::uint8_t> DecodeFirst(const std::vector<std::uint8_t>& stream, std::size_t count, int* reports,
                                      const std::function<void(std::vector<std::uint8_t>&)>& damage = {}) {
  const std::vector<PictureSpan> pictures = SplitPictures(stream);
  Session s;
  *reports = 0;
  camdec::DefaultDecoder()->SetErrorSink([&](const std::string&) { ++*reports; });
  for (std::size_t i = 0; i < count && i < pictures.size(); ++i) {
    std::vector<std::uint8_t> picture(stream.begin() + long(pictures[i].offset),
                                      stream.begin() + long(pictures[i].offset + pictures[i].length));
    if (i + 1 == count && damage) damage(picture);
    s.Put(picture);
  }
  return s.output;
}

TEST(DamagedPictures, AnInterPictureResumesAtTheNextGroupHeader) {
  const std::vector<std::uint8_t> stream = ReadStream("qcif_inter_gob_q8");
  int reports = 0;
  const std::vector<std::uint8_t> clean = DecodeFirst(stream, 3, &reports);
  ASSERT_EQ(reports, 0);
  const std::vector<std::uint8_t> damaged = DecodeFirst(stream, 3, &reports, [](std::vector<std::uint8_t>& p) {
    for (std::size_t i = p.size() / 2; i < p.size() / 2 + 6; ++i) p[i] = 0x00;  // a run of zeros mid-picture
  });
  EXPECT_EQ(reports, 1);
  // Groups (rows of macroblocks) before the damage and after the next group header
  // are the clean ones; the first and the last certainly.
  int equalGroups = 0;
  bool first = false, last = false;
  for (int gob = 0; gob < 9; ++gob) {
    const std::size_t begin = std::size_t(gob) * 16 * 176 * 3, end = begin + 16 * 176 * 3;
    const bool equal = std::equal(clean.begin() + long(begin), clean.begin() + long(end), damaged.begin() + long(begin));
    equalGroups += equal;
    if (gob == 0) first = equal;
    if (gob == 8) last = equal;
  }
  EXPECT_TRUE(first);
  EXPECT_TRUE(last);
  EXPECT_GE(equalGroups, 6);
  EXPECT_LT(equalGroups, 9);
}

// An Advanced Prediction inter picture: `first` holds the bits of the first macroblocks,
// every later one is not coded.
std::vector<std::uint8_t> AdvancedInterPicture(const std::vector<std::string>& first, int quant = 8) {
  BitWriter w;
  camdec_test::HeaderFields f;
  f.inter = true;
  f.advancedPrediction = true;
  f.quant = quant;
  camdec_test::PutPictureHeader(w, f);
  for (const std::string& mb : first) w.Put(mb);
  for (std::size_t mb = first.size(); mb < 99; ++mb) w.Bit(1);
  w.AlignWithZeros();
  return w.Bytes();
}

TEST(AdvancedPrediction, FourVectorsWithAQuantiserChange) {
  // Macroblock 1 carries one coefficient, whose size shows the quantiser that
  // macroblock 0 left: 8 + 2 after a quantiser change, else 8.
  const std::string second = "0 1 1011 1 1 0111 0";  // INTER, CBPY Y1, vector 0, LAST RUN 0 LEVEL +1
  const std::string fourVectorsQ = "0 0000 0000 010 11 11 1 1 1 1 1 1 1 1";  // INTER4V+Q, CBPY none, DQUANT +2
  const std::string oneVectorQ = "0 011 11 11 1 1";                          // INTER+Q, the same change
  const std::string fourVectors = "0 010 11 1 1 1 1 1 1 1 1";                 // INTER4V, no change
  std::vector<std::vector<std::uint8_t>> outputs;
  for (const std::string& mb : {fourVectorsQ, oneVectorQ, fourVectors}) {
    Session s;
    int reports = 0;
    camdec::DefaultDecoder()->SetErrorSink([&](const std::string&) { ++reports; });
    s.Put(IntraPicture(100));
    s.Put(AdvancedInterPicture({mb, second}));
    EXPECT_EQ(reports, 0) << mb;
    outputs.push_back(s.output);
  }
  EXPECT_EQ(outputs[0], outputs[1]);
  EXPECT_NE(outputs[0], outputs[2]);
}

TEST(AdvancedPrediction, RemoteVectorOfTheMacroblockToTheRight) {
  // Reference: flat macroblocks, 50 + 10 per column. Macroblock 0 then moves one pixel
  // right (vector +2 half pixels), so its last column shows macroblock 1's 60 where its
  // own vector alone decides. An intra macroblock to the right lends no vector (the
  // block's own stands in); one not coded lends a zero vector, which blends 50 into
  // that column with weight 2 of 8.
  BitWriter w;
  camdec_test::HeaderFields f;
  camdec_test::PutPictureHeader(w, f);
  for (int mb = 0; mb < 99; ++mb) camdec_test::PutIntraMacroblock(w, 50 + 10 * (mb % 11));
  w.AlignWithZeros();
  const std::vector<std::uint8_t> reference = w.Bytes();
  const std::string moved = "0 1 11 0010 1";  // INTER, CBPY none, vector (+2, 0)
  struct Case {
    const char* right;
    std::string bits;
    int lastColumn;
  };
  BitWriter intra;
  camdec_test::PutIntraInInter(intra, 60);
  std::string intraBits;
  for (std::size_t i = 0; i < intra.BitCount(); ++i)
    intraBits += (intra.Bytes()[i / 8] >> (7 - i % 8)) & 1 ? '1' : '0';
  const Case cases[] = {{"intra", intraBits, 60}, {"not coded", "1", (6 * 60 + 2 * 50 + 4) >> 3}};
  for (const Case& c : cases) {
    Session s;
    s.Put(reference);
    s.Put(AdvancedInterPicture({moved, c.bits}));
    camdec::DecoderInstance::Planes planes;
    ASSERT_TRUE(camdec::DefaultInstance().LastPlanes(planes));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(planes.y[y * planes.yStride + x], x < 15 ? 50 : c.lastColumn) << c.right << " at " << x << "," << y;
  }
}

TEST(StreamSplit, PicturesStartAtByteAlignedStartCodes) {
  const std::vector<std::uint8_t> stream = {0x12, 0x00, 0x00, 0x80, 0x01, 0x02,  // junk, picture 1
                                            0x00, 0x00, 0x83, 0x05,              // picture 2
                                            0x00, 0x00, 0x7F, 0x00, 0x00, 0x84,  // not start codes
                                            0x00, 0x00, 0x81};                   // picture 3
  const std::vector<PictureSpan> p = SplitPictures(stream);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].offset, 1u);
  EXPECT_EQ(p[0].length, 5u);
  EXPECT_EQ(p[1].offset, 6u);
  EXPECT_EQ(p[1].length, 10u);
  EXPECT_EQ(p[2].offset, 16u);
  EXPECT_EQ(p[2].length, 3u);
  EXPECT_TRUE(SplitPictures({}).empty());
  EXPECT_TRUE(SplitPictures({0x00, 0x00}).empty());
}

}  // namespace
