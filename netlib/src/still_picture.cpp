#include "still_picture.h"

#include "camdec.h"

namespace zmntp {

std::vector<std::uint8_t> DecodeStillPicture(const std::vector<std::uint8_t>& coded) {
  std::vector<std::uint8_t> pixels(kStillPictureBytes, 0);
  // A decoder of its own: a video session may be decoding on its renderer thread now.
  // The decoder's results are not checked: a damaged picture shows as what it left.
  camdec::DecoderInstance decoder;
  decoder.Init(0, coded.data(), pixels.data(), CAMDEC_QCIF);
  decoder.Decode(static_cast<int>(coded.size()));
  decoder.Destroy();
  return pixels;
}

}  // namespace zmntp
