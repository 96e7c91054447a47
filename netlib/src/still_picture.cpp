#include "still_picture.h"

#include "camdec.h"

namespace zmntp {

std::vector<std::uint8_t> DecodeStillPicture(const std::vector<std::uint8_t>& coded) {
  std::vector<std::uint8_t> pixels(kStillPictureBytes, 0);
  // The decoder's results are not checked: a damaged picture shows as what it left.
  Init(0, coded.data(), pixels.data(), CAMDEC_QCIF);
  Decode(static_cast<int>(coded.size()));
  Destroy();
  return pixels;
}

}  // namespace zmntp
