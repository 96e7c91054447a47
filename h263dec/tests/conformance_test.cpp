// Conformance of the committed streams, two ways.
//
// Against ffmpeg's H.263 decoder: its planes are turned into pixels with this
// decoder's own colour conversion (ffmpeg's bgr24 rounds differently and does not
// clamp Y), then each picture is compared. The two inverse DCTs differ by 1 in about
// 1 % of samples, so a small drift is expected: every picture must reach 45 dB.
// In Advanced Prediction mode ffmpeg's decoder takes a different vector for the
// macroblock to the right in overlapped compensation than the one that macroblock
// carries (its own encoder uses the carried one), so there it drifts from its encoder
// and from us; those streams are held to 40 dB against it and, more strictly, to the
// encoder itself below.
//
// Against the encoder: it logged the luminance PSNR of its own reconstruction against
// the source for each picture (NAME.psnr). Our pictures, measured against the same
// source, must have the encoder's luminance error, give or take the error of a 48 dB
// picture (what the two inverse DCTs' mismatch may add up to).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "camdec_stream_split.h"
#include "colour_convert.h"
#include "decoder.h"
#include "test_streams.h"

namespace {

namespace fs = std::filesystem;
using camdec_test::StreamInfo;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int RunQuiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

double Psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    double d = double(a[i]) - double(b[i]);
    sum += d * d;
  }
  if (sum == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * double(n) / sum);
}

double MeanSquareOf(double psnr) { return 255.0 * 255.0 / std::pow(10.0, psnr / 10.0); }
// The error the inverse DCTs' mismatch may add to a picture.
const double kIdctAllowance = MeanSquareOf(48.0);

// What this decoder makes of a stream, picture by picture.
struct Decoded {
  std::vector<Bytes> bgr, luma;
  std::vector<std::vector<camdec::MbInfo>> macroblocks;
  std::vector<std::string> reports;
};

Decoded DecodeStream(const Bytes& stream, const StreamInfo& s) {
  Decoded d;
  const std::vector<camdec::PictureSpan> pictures = camdec::SplitPictures(stream);
  Bytes input(stream.size() + 1), bgr(std::size_t(s.width) * s.height * 3), luma(std::size_t(s.width) * s.height);
  camdec::Decoder decoder;
  decoder.SetErrorSink([&](const std::string& why) { d.reports.push_back(why); });
  EXPECT_TRUE(decoder.Init(0, input.data(), bgr.data(), s.format));
  for (const camdec::PictureSpan& p : pictures) {
    std::copy_n(stream.begin() + long(p.offset), p.length, input.begin());
    decoder.Decode(int(p.length));
    camdec::PlaneSet& planes = decoder.Current();
    for (int row = 0; row < s.height; ++row)
      std::copy_n(planes.Y() + row * planes.yStride, s.width, luma.begin() + long(row) * s.width);
    d.bgr.push_back(bgr);
    d.luma.push_back(luma);
    d.macroblocks.push_back(decoder.Macroblocks());
  }
  return d;
}

class Conformance : public ::testing::TestWithParam<StreamInfo> {
 protected:
  static void SetUpTestSuite() {
    if (RunQuiet("ffmpeg -version") != 0) GTEST_SKIP() << "ffmpeg is not installed";
  }
  // A scratch file of this test's own.
  static fs::path Scratch(const std::string& what) {
    return fs::temp_directory_path() / ("camdec_" + std::to_string(::getpid()) + "_" + GetParam().name + what);
  }
};

// Decodes `stream` here and with ffmpeg; every picture must reach `minimum` dB.
void CompareWithFfmpeg(const fs::path& stream, const fs::path& scratch, const StreamInfo& s, double minimum) {
  ASSERT_EQ(RunQuiet("ffmpeg -hide_banner -threads 1 -i " + stream.string() +
                     " -f rawvideo -pix_fmt yuv420p -fps_mode passthrough -y " + scratch.string()),
            0);
  const Bytes yuv = ReadFile(scratch);
  fs::remove(scratch);
  const Decoded ours = DecodeStream(ReadFile(stream), s);
  EXPECT_TRUE(ours.reports.empty()) << ours.reports.front();

  const int w = s.width, h = s.height;
  const std::size_t frameBgr = std::size_t(w) * h * 3, frameYuv = std::size_t(w) * h * 3 / 2;
  ASSERT_EQ(ours.bgr.size(), std::size_t(s.pictures));
  ASSERT_EQ(yuv.size(), ours.bgr.size() * frameYuv);
  Bytes ref(frameBgr);
  for (std::size_t f = 0; f < ours.bgr.size(); ++f) {
    const std::uint8_t* y = yuv.data() + f * frameYuv;
    const std::uint8_t* cb = y + w * h;
    const std::uint8_t* cr = cb + w * h / 4;
    camdec::ConvertToBgr(camdec::PlaneView{y, cb, cr, w, w / 2}, w, h, ref.data());
    const double psnr = Psnr(ours.bgr[f].data(), ref.data(), frameBgr);
    if (std::getenv("CAMDEC_PSNR")) std::printf("%s %zu %.2f\n", s.name.c_str(), f, psnr);
    EXPECT_GE(psnr, minimum) << s.name << " picture " << f;
  }
}

double FfmpegFloor(const StreamInfo& s) { return s.ffmpegFloor > 0 ? s.ffmpegFloor : s.advancedPrediction ? 40.0 : 45.0; }

TEST_P(Conformance, EveryPictureMatchesFfmpeg) {
  const auto& s = GetParam();
  CompareWithFfmpeg(camdec_test::StreamPath(s.name), Scratch(".yuv"), s, FfmpegFloor(s));
}

// The same stream with the Unrestricted Motion Vector bit set in every picture header:
// the border is extended and vectors decode by that mode's rule, on both sides.
TEST_P(Conformance, UnrestrictedVectorModeMatchesFfmpeg) {
  const auto& s = GetParam();
  Bytes data = ReadFile(camdec_test::StreamPath(s.name));
  for (std::size_t i = 0; i + 4 < data.size(); ++i)
    if (data[i] == 0 && data[i + 1] == 0 && (data[i + 2] & 0xFC) == 0x80) data[i + 4] |= 1;  // PTYPE bit 10
  const fs::path path = Scratch("_umv.263");
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  }
  CompareWithFfmpeg(path, Scratch(".yuv"), s, FfmpegFloor(s));
  fs::remove(path);
}

// The encoder's side: the source it saw and the PSNR it logged.
class EncoderReference : public Conformance {
 protected:
  // The source pictures the encoder saw, made again (the lavfi sources are exact).
  Bytes Source() {
    const auto& s = GetParam();
    const fs::path source = Scratch("_source.yuv");
    EXPECT_EQ(RunQuiet(std::string("ffmpeg -hide_banner -f lavfi -i ") + s.source + "=size=" + std::to_string(s.width) +
                       "x" + std::to_string(s.height) + ":rate=25" +
                       (*s.filter ? std::string(" -vf ") + s.filter : std::string()) + " -frames:v " +
                       std::to_string(s.pictures) + " -pix_fmt yuv420p -f rawvideo -y " + source.string()),
              0);
    Bytes original = ReadFile(source);
    fs::remove(source);
    EXPECT_EQ(original.size(), std::size_t(s.width) * s.height * 3 / 2 * std::size_t(s.pictures));
    return original;
  }
  std::vector<double> Logged() {
    std::ifstream logged(camdec_test::StreamPath(GetParam().name, ".psnr"));
    std::vector<double> psnr;
    for (double v; logged >> v;) psnr.push_back(v);
    EXPECT_EQ(psnr.size(), std::size_t(GetParam().pictures));
    return psnr;
  }
  // The source, the logged figures and our decoding of the stream.
  void Prepare(Bytes& original, std::vector<double>& logged, Decoded& ours) {
    const auto& s = GetParam();
    original = Source();
    logged = Logged();
    ASSERT_FALSE(HasFailure());
    ours = DecodeStream(ReadFile(camdec_test::StreamPath(s.name)), s);
    EXPECT_TRUE(ours.reports.empty()) << ours.reports.front();
    ASSERT_EQ(ours.luma.size(), std::size_t(s.pictures));
  }
};

class EncoderTracking : public EncoderReference {};
class EncoderDeparts : public EncoderReference {};

// Mean square error of our luminance against the source's; samples where `skip` says
// so count as equal.
template <typename Skip>
double MeanSquare(const Bytes& ours, const std::uint8_t* source, int width, int height, Skip skip) {
  double sum = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (skip(x, y)) continue;
      const double d = double(ours[std::size_t(y) * width + x]) - double(source[std::size_t(y) * width + x]);
      sum += d * d;
    }
  return sum / (double(width) * height);
}

TEST_P(EncoderTracking, TracksTheEncodersReconstruction) {
  const auto& s = GetParam();
  Bytes original;
  std::vector<double> logged;
  Decoded ours;
  ASSERT_NO_FATAL_FAILURE(Prepare(original, logged, ours));
  const std::size_t frameYuv = std::size_t(s.width) * s.height * 3 / 2;
  for (std::size_t f = 0; f < ours.luma.size(); ++f) {
    const double mse = MeanSquare(ours.luma[f], original.data() + f * frameYuv, s.width, s.height,
                                  [](int, int) { return false; });
    if (std::getenv("CAMDEC_PSNR")) std::printf("%s %zu %.2f %.2f\n", s.name.c_str(), f, 10 * std::log10(65025 / mse), logged[f]);
    EXPECT_NEAR(mse, MeanSquareOf(logged[f]), kIdctAllowance)
        << s.name << " picture " << f << ": " << 10 * std::log10(65025 / mse) << " dB, the encoder " << logged[f];
  }
}

// Streams whose encoder blended vectors it did not send: our pictures differ from its
// reconstruction only in the right four columns of inter macroblocks that have an
// intra macroblock to their right (the part that the right neighbour's vector weighs
// in), and there they do differ.
TEST_P(EncoderDeparts, OnlyWhereTheEncoderBlendedAnUnsentVector) {
  const auto& s = GetParam();
  Bytes original;
  std::vector<double> logged;
  Decoded ours;
  ASSERT_NO_FATAL_FAILURE(Prepare(original, logged, ours));
  const std::size_t frameYuv = std::size_t(s.width) * s.height * 3 / 2;
  const int columns = s.width / 16;
  int departing = 0;
  for (std::size_t f = 0; f < ours.luma.size(); ++f) {
    const auto& mb = ours.macroblocks[f];
    auto blended = [&](int x, int y) {
      const int mbx = x / 16, index = (y / 16) * columns + mbx;
      return x % 16 >= 12 && mbx + 1 < columns && mb[std::size_t(index)].mode == camdec::MbMode::kInter &&
             mb[std::size_t(index) + 1].mode == camdec::MbMode::kIntra;
    };
    const std::uint8_t* source = original.data() + f * frameYuv;
    const double all = MeanSquare(ours.luma[f], source, s.width, s.height, [](int, int) { return false; });
    const double elsewhere = MeanSquare(ours.luma[f], source, s.width, s.height, blended);
    EXPECT_LE(elsewhere, MeanSquareOf(logged[f]) + kIdctAllowance) << s.name << " picture " << f;
    departing += all > MeanSquareOf(logged[f]) + kIdctAllowance;
  }
  EXPECT_GT(departing, 0) << s.name << ": the encoder's reconstruction no longer departs";
}

INSTANTIATE_TEST_SUITE_P(Streams, Conformance, ::testing::ValuesIn(camdec_test::AllStreams()),
                         [](const auto& info) { return info.param.name; });

std::vector<StreamInfo> StreamsWhere(bool encoderDeparts) {
  std::vector<StreamInfo> list;
  for (const auto& s : camdec_test::AllStreams())
    if (s.encoderDeparts == encoderDeparts) list.push_back(s);
  return list;
}

INSTANTIATE_TEST_SUITE_P(Streams, EncoderTracking, ::testing::ValuesIn(StreamsWhere(false)),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Streams, EncoderDeparts, ::testing::ValuesIn(StreamsWhere(true)),
                         [](const auto& info) { return info.param.name; });

}  // namespace
