// The four exported entry points over the process's one decoder.
#include "camdec.h"

#include <memory>

#include "decoder.h"
#include "instance.h"

namespace camdec {
namespace {
std::unique_ptr<Decoder> instance;
}  // namespace

Decoder* Instance() { return instance.get(); }

}  // namespace camdec

extern "C" {

int Init(std::uint32_t window, const unsigned char* input, unsigned char* output, int format) {
  auto decoder = std::make_unique<camdec::Decoder>();
  if (!decoder->Init(window, input, output, format)) return -1;
  camdec::instance = std::move(decoder);
  return 0;
}

int Decode(int length) {
  if (camdec::instance) camdec::instance->Decode(length);
  return 0;
}

int Destroy() {
  camdec::instance.reset();
  return 0;
}

int GetVersion() { return 100; }

}  // extern "C"
