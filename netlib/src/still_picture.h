// CCTV still pictures: one coded H.263 picture becomes QCIF pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zmntp {

constexpr std::size_t kStillPictureBytes = 176 * 144 * 3;  // 76,032

// Decodes one coded picture into 76,032 bytes of blue-green-red pixels, top row first.
std::vector<std::uint8_t> DecodeStillPicture(const std::vector<std::uint8_t>& coded);

}  // namespace zmntp
