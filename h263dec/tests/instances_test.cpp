// Decoder instances on several threads at once (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "camdec.h"
#include "camdec_stream_split.h"
#include "test_streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadStream(const std::string& name) {
  std::ifstream in(camdec_test::StreamPath(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every picture of a stream decoded by one instance, each output picture kept.
std::vector<Bytes> DecodeStream(camdec::DecoderInstance& decoder, const Bytes& stream, int format,
                                std::size_t pictureBytes) {
  const std::vector<camdec::PictureSpan> pictures = camdec::SplitPictures(stream);
  Bytes input(stream.size() + 1), output(pictureBytes);
  std::vector<Bytes> out;
  EXPECT_EQ(decoder.Init(0, input.data(), output.data(), format), 0);
  for (const camdec::PictureSpan& p : pictures) {
    std::copy_n(stream.begin() + long(p.offset), p.length, input.begin());
    decoder.Decode(int(p.length));
    out.push_back(output);
  }
  decoder.Destroy();
  return out;
}

// Still pictures decoded on one thread while another decodes a stream, each with a
// decoder of its own, the default one half-way through a stream meanwhile: every
// picture equals what one thread alone makes of it.
TEST(Instances, StillPicturesBesideAStreamOnAnotherThread) {
  const Bytes video = ReadStream("qcif_ap_q10"), stills = ReadStream("cif_intra_q20");
  const std::size_t qcif = 176 * 144 * 3, cif = 352 * 288 * 3;
  camdec::DecoderInstance alone;
  const auto videoAlone = DecodeStream(alone, video, 2, qcif);
  const auto stillAlone = DecodeStream(alone, stills, 3, cif);
  ASSERT_EQ(videoAlone.size(), 10u);
  ASSERT_EQ(stillAlone.size(), 2u);

  // The exports' default decoder, left after the stream's first picture.
  const auto pictures = camdec::SplitPictures(video);
  Bytes input(video.size()), output(qcif);
  ASSERT_EQ(Init(0, input.data(), output.data(), CAMDEC_QCIF), 0);
  auto decodeDefault = [&](std::size_t k) {
    std::copy_n(video.begin() + long(pictures[k].offset), pictures[k].length, input.begin());
    Decode(int(pictures[k].length));
  };
  decodeDefault(0);
  const Bytes defaultBefore = output;

  constexpr int kRounds = 200;
  std::atomic<int> videoMismatches{0}, stillMismatches{0};
  std::thread player([&] {
    camdec::DecoderInstance own;
    for (int round = 0; round < kRounds / 10; ++round)
      if (DecodeStream(own, video, 2, qcif) != videoAlone) ++videoMismatches;
  });
  for (int round = 0; round < kRounds; ++round) {
    camdec::DecoderInstance still;
    if (DecodeStream(still, stills, 3, cif) != stillAlone) ++stillMismatches;
  }
  player.join();
  EXPECT_EQ(videoMismatches.load(), 0);
  EXPECT_EQ(stillMismatches.load(), 0);
  // The default decoder carries on where it was.
  EXPECT_EQ(output, defaultBefore);
  decodeDefault(1);
  EXPECT_EQ(output, videoAlone[1]);
  Destroy();
}

}  // namespace
