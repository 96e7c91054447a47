#include "HTC_AC3.h"

#include <zlib.h>

#include <climits>
#include <new>

namespace {

struct Context {
  unsigned char* buffer;
};

}  // namespace

extern "C" {

HTC_AC3_CONTEXT HTC_AC3_CreateContext(unsigned char* expansionBuffer) {
  return new (std::nothrow) Context{expansionBuffer};
}

long HTC_AC3_DoDecoding(HTC_AC3_CONTEXT context, const unsigned char* compressed, std::size_t compressedLength,
                        unsigned char* expansionBuffer, std::size_t capacity) {
  if (context == nullptr || compressed == nullptr || expansionBuffer == nullptr) return HTC_AC3_FAILED;
  if (compressedLength > UINT_MAX || capacity > LONG_MAX) return HTC_AC3_FAILED;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return HTC_AC3_FAILED;
  zs.next_in = const_cast<Bytef*>(compressed);
  zs.avail_in = static_cast<uInt>(compressedLength);
  std::size_t produced = 0;
  int status = Z_OK;
  // The buffer may be larger than one inflate call can address: feed it in slices.
  while (status == Z_OK) {
    std::size_t room = capacity - produced;
    zs.next_out = expansionBuffer + produced;
    zs.avail_out = static_cast<uInt>(room > UINT_MAX ? UINT_MAX : room);
    uInt before = zs.avail_out;
    status = inflate(&zs, Z_NO_FLUSH);
    produced += before - zs.avail_out;
    if (status == Z_OK && zs.avail_out != 0 && zs.avail_in == 0) {
      status = Z_BUF_ERROR;  // the input ended before the stream did
    } else if (status == Z_OK && produced == capacity) {
      // Full buffer: the stream must end here, with nothing more to write.
      unsigned char probe;
      zs.next_out = &probe;
      zs.avail_out = 1;
      status = inflate(&zs, Z_NO_FLUSH);
      if (zs.avail_out == 0) status = Z_BUF_ERROR;  // would expand past the buffer
    }
  }
  inflateEnd(&zs);
  return status == Z_STREAM_END ? static_cast<long>(produced) : HTC_AC3_FAILED;
}

void HTC_AC3_DisposeContext(HTC_AC3_CONTEXT context) { delete static_cast<Context*>(context); }

}  // extern "C"
