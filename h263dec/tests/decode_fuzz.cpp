// Fuzz target: arbitrary bytes as coded pictures. The first byte picks the format;
// the rest is cut at its last picture start code into two pictures (the second may
// predict from the first). Each picture lies in a buffer of exactly its length, so a
// read past `length` is caught by the address sanitizer.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "decoder.h"

namespace {

void DecodeExact(camdec::Decoder& decoder, const std::uint8_t* bytes, std::size_t length) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[length ? length : 1]);
  if (length) std::memcpy(copy.get(), bytes, length);
  decoder.SetInput(copy.get());
  decoder.Decode(static_cast<int>(length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int format = 1 + data[0] % 3;
  const std::uint8_t* body = data + 1;
  const std::size_t length = size - 1;
  std::size_t split = length;
  for (std::size_t i = length; i-- > 1;)
    if (i + 2 < length && body[i] == 0 && body[i + 1] == 0 && (body[i + 2] & 0xFC) == 0x80) {
      split = i;
      break;
    }
  // The output is exactly one picture of the format, so a write past it is caught too.
  static const int kBytes[4] = {0, 128 * 96 * 3, 176 * 144 * 3, 352 * 288 * 3};
  std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[kBytes[format]]);
  camdec::Decoder decoder;
  decoder.SetErrorSink([](const std::string&) {});
  if (!decoder.Init(0, nullptr, output.get(), format)) return 0;
  DecodeExact(decoder, body, split);
  if (split < length) DecodeExact(decoder, body + split, length - split);
  return 0;
}
