// Decoder instances, and the four exported entry points over the default one.
#include "camdec.h"

#include "decoder.h"
#include "instance.h"

namespace camdec {

DecoderInstance::DecoderInstance() = default;
DecoderInstance::~DecoderInstance() = default;

int DecoderInstance::Init(std::uint32_t window, const unsigned char* input, unsigned char* output, int format) {
  auto decoder = std::make_unique<Decoder>();
  if (!decoder->Init(window, input, output, format)) return -1;
  decoder_ = std::move(decoder);
  return 0;
}

int DecoderInstance::Decode(int length) {
  if (decoder_) decoder_->Decode(length);
  return 0;
}

int DecoderInstance::Destroy() {
  decoder_.reset();
  return 0;
}

bool DecoderInstance::LastPlanes(Planes& planes) const {
  if (!decoder_) return false;
  PlaneSet& p = decoder_->Current();
  planes = Planes{p.Y(), p.Cb(), p.Cr(), p.yStride, p.cStride, p.width, p.height};
  return true;
}

DecoderInstance& DefaultInstance() {
  static DecoderInstance instance;
  return instance;
}

}  // namespace camdec

extern "C" {

int Init(std::uint32_t window, const unsigned char* input, unsigned char* output, int format) {
  return camdec::DefaultInstance().Init(window, input, output, format);
}

int Decode(int length) { return camdec::DefaultInstance().Decode(length); }

int Destroy() { return camdec::DefaultInstance().Destroy(); }

int GetVersion() { return 100; }

}  // extern "C"
