// Benchmarks of the decoder's kernels and of whole streams.
//   build/h263dec/... h263dec_bench [--benchmark_filter=Stream]
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "colour_convert.h"
#include "decoder.h"
#include "idct.h"
#include "motion_comp.h"
#include "camdec_stream_split.h"

namespace {

using camdec::PictureSpan;
using camdec::SplitPictures;

void InverseDctSparse(benchmark::State& state) {
  std::mt19937 rng(1);
  std::vector<std::array<std::int16_t, 64>> blocks(256);
  for (auto& b : blocks) {
    b.fill(0);
    for (int i = 0; i < 4; ++i) b[rng() % 24] = static_cast<std::int16_t>(static_cast<int>(rng() % 200) - 100);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    std::array<std::int16_t, 64> b = blocks[i++ & 255];
    camdec::InverseDct(b.data());
    benchmark::DoNotOptimize(b);
  }
}
BENCHMARK(InverseDctSparse);

void ColourConversion(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  std::vector<std::uint8_t> y(w * h, 100), c(w * h / 4, 140), out(w * h * 3);
  for (auto _ : state) {
    camdec::ConvertToBgr(camdec::PlaneView{y.data(), c.data(), c.data(), w, w / 2}, w, h, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ColourConversion)->Args({176, 144})->Args({352, 288});

void PredictHalfXY16(benchmark::State& state) {
  std::vector<std::uint8_t> ref(64 * 64, 7), out(16 * 16);
  for (auto _ : state) {
    camdec::PredictBlock(out.data(), 16, ref.data() + 64 * 8 + 8, 64, 16, 1, 1);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(PredictHalfXY16);

void OverlappedBlend(benchmark::State& state) {
  std::uint8_t a[64], b[64], out[64];
  std::memset(a, 10, 64);
  std::memset(b, 200, 64);
  for (auto _ : state) {
    camdec::BlendOverlapped(out, 8, a, b, a, b, a);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(OverlappedBlend);

// Whole committed streams, pictures per second (decoding and colour conversion).
void Stream(benchmark::State& state, const std::string& name, int format) {
  const char* source = std::getenv("KAVREL_SOURCE_DIR");
  const std::filesystem::path path =
      std::filesystem::path(source ? source : KAVREL_SOURCE_ROOT) / "h263dec/tests/streams" / (name + ".263");
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> stream{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (stream.empty()) {
    state.SkipWithError("stream not found");
    return;
  }
  const std::vector<PictureSpan> pictures = SplitPictures(stream);
  std::vector<std::uint8_t> input(stream.size()), output(352 * 288 * 3);
  camdec::Decoder decoder;
  decoder.SetErrorSink([](const std::string&) {});
  decoder.Init(0, input.data(), output.data(), format);
  for (auto _ : state) {
    for (const auto& p : pictures) {
      std::memcpy(input.data(), stream.data() + p.offset, p.length);
      decoder.Decode(static_cast<int>(p.length));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(pictures.size()));
}
BENCHMARK_CAPTURE(Stream, qcif_inter_q5, std::string("qcif_inter_q5"), 2);
BENCHMARK_CAPTURE(Stream, qcif_ap_q10, std::string("qcif_ap_q10"), 2);
BENCHMARK_CAPTURE(Stream, cif_inter_q4, std::string("cif_inter_q4"), 3);
BENCHMARK_CAPTURE(Stream, cif_ap_gob_q16, std::string("cif_ap_gob_q16"), 3);

}  // namespace

BENCHMARK_MAIN();
