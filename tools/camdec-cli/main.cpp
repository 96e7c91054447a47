// camdec-cli: the decoder from the command line.
//   camdec-cli decode [--format 1|2|3] [--planes OUT.yuv] IN.263 OUT.bgr
//   camdec-cli bench [--format 1|2|3] [--repeat N] IN.263
// --planes also writes each picture's reconstructed 4:2:0 planes before colour
// conversion (Y, then Cb, then Cr: raw yuv420p), to compare with any other decoder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "camdec.h"
#include "camdec_stream_split.h"

namespace {

using camdec::PictureSpan;
using camdec::SplitPictures;

int Usage() {
  std::fprintf(stderr,
               "usage: camdec-cli decode [--format 1|2|3] [--planes OUT.yuv] IN.263 OUT.bgr\n"
               "       camdec-cli bench [--format 1|2|3] [--repeat N] IN.263\n"
               "formats: 1 sub-QCIF 128x96, 2 QCIF 176x144 (default), 3 CIF 352x288\n");
  return 2;
}

bool ParseNumber(const char* text, long low, long high, long& out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return false;
  out = v;
  return true;
}

bool ReadAll(const std::string& path, std::vector<std::uint8_t>& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

struct Pixels {
  int width, height;
};

Pixels SizeOf(long format) {
  switch (format) {
    case 1: return {128, 96};
    case 3: return {352, 288};
    default: return {176, 144};
  }
}

// The reconstructed planes of the picture decoded last, as raw yuv420p.
void WritePlanes(const camdec::DecoderInstance& decoder, std::ofstream& out) {
  camdec::DecoderInstance::Planes p;
  if (!decoder.LastPlanes(p)) return;
  auto rows = [&](const std::uint8_t* plane, int stride, int width, int height) {
    for (int row = 0; row < height; ++row)
      out.write(reinterpret_cast<const char*>(plane + static_cast<std::ptrdiff_t>(row) * stride), width);
  };
  rows(p.y, p.yStride, p.width, p.height);
  rows(p.cb, p.cStride, p.width / 2, p.height / 2);
  rows(p.cr, p.cStride, p.width / 2, p.height / 2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command != "decode" && command != "bench") return Usage();
  long format = 2, repeat = 10;
  std::string planesPath;
  std::vector<std::string> files;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--format" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], 1, 3, format)) return Usage();
    } else if (arg == "--planes" && i + 1 < argc && command == "decode") {
      planesPath = argv[++i];
    } else if (arg == "--repeat" && i + 1 < argc && command == "bench") {
      if (!ParseNumber(argv[++i], 1, 1000000, repeat)) return Usage();
    } else if (arg.rfind("--", 0) == 0) {
      return Usage();
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != (command == "decode" ? 2u : 1u)) return Usage();

  std::vector<std::uint8_t> stream;
  if (!ReadAll(files[0], stream)) {
    std::fprintf(stderr, "camdec-cli: cannot read %s\n", files[0].c_str());
    return 1;
  }
  const std::vector<PictureSpan> pictures = SplitPictures(stream);
  std::size_t largest = 1;
  for (const auto& p : pictures) largest = p.length > largest ? p.length : largest;
  if (largest > 0x7FFFFFFF) {
    std::fprintf(stderr, "camdec-cli: picture too large\n");
    return 1;
  }
  const Pixels size = SizeOf(format);
  const std::size_t frameBytes = static_cast<std::size_t>(size.width) * size.height * 3;
  std::vector<unsigned char> input(largest), output(frameBytes);
  camdec::DecoderInstance decoder;
  if (decoder.Init(0, input.data(), output.data(), static_cast<int>(format)) != 0) return Usage();

  auto decodeOne = [&](const PictureSpan& p) {
    std::memcpy(input.data(), stream.data() + p.offset, p.length);
    decoder.Decode(static_cast<int>(p.length));
  };

  int status = 0;
  if (command == "decode") {
    std::ofstream out(files[1], std::ios::binary);
    std::ofstream planes;
    if (!planesPath.empty()) planes.open(planesPath, std::ios::binary);
    if (!out || (!planesPath.empty() && !planes)) {
      std::fprintf(stderr, "camdec-cli: cannot write %s\n", (!out ? files[1] : planesPath).c_str());
      status = 1;
    } else {
      for (const auto& p : pictures) {
        decodeOne(p);
        out.write(reinterpret_cast<const char*>(output.data()), static_cast<std::streamsize>(frameBytes));
        if (!planesPath.empty()) WritePlanes(decoder, planes);
      }
      out.close();
      if (planes.is_open()) planes.close();
      if (!out || (!planesPath.empty() && !planes)) {
        std::fprintf(stderr, "camdec-cli: cannot write %s\n", (!out ? files[1] : planesPath).c_str());
        status = 1;
      } else {
        std::printf("pictures=%zu\n", pictures.size());
      }
    }
  } else {
    const auto start = std::chrono::steady_clock::now();
    for (long r = 0; r < repeat; ++r)
      for (const auto& p : pictures) decodeOne(p);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double count = static_cast<double>(pictures.size()) * static_cast<double>(repeat);
    std::printf("pictures=%.0f seconds=%.6f pictures_per_second=%.1f\n", count, seconds,
                seconds > 0 ? count / seconds : 0.0);
  }
  decoder.Destroy();
  return status;
}
