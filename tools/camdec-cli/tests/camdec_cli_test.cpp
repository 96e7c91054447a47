// camdec-cli decode: its pixels and --planes against the library and against ffmpeg.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "camdec.h"
#include "camdec_stream_split.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int RunCommand(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class DecodeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("camdec_cli_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

double Psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(n) / sum);
}

// A baseline stream: the pixels are the library's, the planes are those the library
// converted, and they equal ffmpeg's yuv420p within the inverse DCTs' mismatch.
TEST_F(DecodeCommand, PlanesAreTheReconstructionBeforeColourConversion) {
  const fs::path stream = fs::path(KAVREL_SOURCE_ROOT) / "h263dec/tests/streams/qcif_inter_q5.263";
  const fs::path bgr = dir_ / "out.bgr", yuv = dir_ / "out.yuv";
  ASSERT_EQ(RunCommand(std::string(CAMDEC_CLI) + " decode --planes " + yuv.string() + " " + stream.string() + " " + bgr.string()),
            0);
  const Bytes pixels = ReadFile(bgr), planes = ReadFile(yuv);
  constexpr int kWidth = 176, kHeight = 144;
  constexpr std::size_t kPixels = kWidth * kHeight * 3, kPlanes = kWidth * kHeight * 3 / 2;

  // The library itself, picture by picture.
  const Bytes coded = ReadFile(stream);
  const auto pictures = camdec::SplitPictures(coded);
  ASSERT_EQ(pictures.size(), 10u);
  ASSERT_EQ(pixels.size(), pictures.size() * kPixels);
  ASSERT_EQ(planes.size(), pictures.size() * kPlanes);
  Bytes input(coded.size()), output(kPixels);
  camdec::DecoderInstance decoder;
  ASSERT_EQ(decoder.Init(0, input.data(), output.data(), CAMDEC_QCIF), 0);
  for (std::size_t f = 0; f < pictures.size(); ++f) {
    std::copy_n(coded.begin() + long(pictures[f].offset), pictures[f].length, input.begin());
    decoder.Decode(int(pictures[f].length));
    EXPECT_TRUE(std::equal(output.begin(), output.end(), pixels.begin() + long(f * kPixels))) << f;
    camdec::DecoderInstance::Planes p;
    ASSERT_TRUE(decoder.LastPlanes(p));
    const std::uint8_t* at = planes.data() + f * kPlanes;
    for (int row = 0; row < kHeight; ++row, at += kWidth)
      ASSERT_TRUE(std::equal(at, at + kWidth, p.y + row * p.yStride)) << f << " Y row " << row;
    for (const std::uint8_t* chroma : {p.cb, p.cr})
      for (int row = 0; row < kHeight / 2; ++row, at += kWidth / 2)
        ASSERT_TRUE(std::equal(at, at + kWidth / 2, chroma + row * p.cStride)) << f << " chroma row " << row;
  }
  decoder.Destroy();

  if (RunCommand("ffmpeg -version") != 0) GTEST_SKIP() << "ffmpeg is not installed";
  const fs::path theirs = dir_ / "ffmpeg.yuv";
  ASSERT_EQ(RunCommand("ffmpeg -hide_banner -threads 1 -i " + stream.string() + " -f rawvideo -pix_fmt yuv420p -y " +
                theirs.string()),
            0);
  const Bytes reference = ReadFile(theirs);
  ASSERT_EQ(reference.size(), planes.size());
  const std::size_t luma = kWidth * kHeight, chroma = luma / 4;
  for (std::size_t f = 0; f < pictures.size(); ++f) {
    const std::size_t at = f * kPlanes;
    EXPECT_GE(Psnr(&planes[at], &reference[at], luma), 48.0) << "Y of picture " << f;
    EXPECT_GE(Psnr(&planes[at + luma], &reference[at + luma], chroma), 48.0) << "Cb of picture " << f;
    EXPECT_GE(Psnr(&planes[at + luma + chroma], &reference[at + luma + chroma], chroma), 48.0) << "Cr of picture " << f;
  }
}

TEST_F(DecodeCommand, RefusesAMissingOrUnwritablePlanesFile) {
  const std::string stream = (fs::path(KAVREL_SOURCE_ROOT) / "h263dec/tests/streams/qcif_inter_q5.263").string();
  const std::string out = (dir_ / "out.bgr").string();
  EXPECT_EQ(RunCommand(std::string(CAMDEC_CLI) + " decode " + stream + " " + out + " --planes"), 2);
  EXPECT_EQ(RunCommand(std::string(CAMDEC_CLI) + " bench --planes x.yuv " + stream), 2);
  EXPECT_EQ(RunCommand(std::string(CAMDEC_CLI) + " decode --planes " + (dir_ / "no/such/dir.yuv").string() + " " + stream + " " + out),
            1);
}

}  // namespace
