// Driver for fuzz targets in the ordinary build: runs every seed file given on the
// command line (files or directories), then a bounded number of deterministic
// mutations of them. Campaigns with coverage guidance use libFuzzer instead
// (scripts/fuzz), which brings its own main.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Run(const std::vector<std::uint8_t>& input) {
  // An exact-size copy on the heap, so that a read past the end is caught.
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[input.size() ? input.size() : 1]);
  if (!input.empty()) std::memcpy(copy.get(), input.data(), input.size());
  LLVMFuzzerTestOneInput(copy.get(), input.size());
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 2000;
  std::vector<std::vector<std::uint8_t>> seeds;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--runs=", 0) == 0) {
      runs = std::strtol(arg.c_str() + 7, nullptr, 10);
      continue;
    }
    std::filesystem::path p(arg);
    if (std::filesystem::is_directory(p)) {
      for (const auto& e : std::filesystem::directory_iterator(p))
        if (e.is_regular_file()) seeds.push_back(ReadFile(e.path()));
    } else if (std::filesystem::is_regular_file(p)) {
      seeds.push_back(ReadFile(p));
    } else {
      std::fprintf(stderr, "no such seed: %s\n", arg.c_str());
      return 2;
    }
  }
  seeds.emplace_back();  // the empty input
  for (const auto& s : seeds) Run(s);

  std::mt19937 rng(12345);
  for (long r = 0; r < runs; ++r) {
    std::vector<std::uint8_t> in = seeds[rng() % seeds.size()];
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      switch (rng() % 5) {
        case 0:  // flip a byte
          if (!in.empty()) in[rng() % in.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
          break;
        case 1:  // random byte
          if (!in.empty()) in[rng() % in.size()] = static_cast<std::uint8_t>(rng());
          break;
        case 2:  // truncate
          if (!in.empty()) in.resize(rng() % in.size());
          break;
        case 3:  // insert random bytes
          for (int k = static_cast<int>(rng() % 16); k > 0; --k)
            in.insert(in.begin() + static_cast<long>(in.empty() ? 0 : rng() % in.size()),
                      static_cast<std::uint8_t>(rng()));
          break;
        default:  // extreme values at a random place
          if (in.size() >= 4) {
            std::size_t at = rng() % (in.size() - 3);
            std::uint32_t v = (rng() % 2) ? 0xFFFFFFFFu : 0x7FFFFFFFu;
            std::memcpy(&in[at], &v, 4);
          }
      }
    }
    Run(in);
  }
  std::printf("%zu seeds, %ld mutated runs\n", seeds.size(), runs);
  return 0;
}
