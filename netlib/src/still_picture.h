// CCTV still pictures: one coded H.263 picture becomes QCIF pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/records.h"

namespace zmntp {

using protocol::kStillPictureBytes;

// Decodes one coded picture into 76,032 bytes of blue-green-red pixels, top row first.
std::vector<std::uint8_t> DecodeStillPicture(const std::vector<std::uint8_t>& coded);

}  // namespace zmntp
