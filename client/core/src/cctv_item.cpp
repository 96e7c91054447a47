#include "cctv_item.h"

#include "protocol/records.h"

bool CctvItem::SetPicture(std::span<const std::uint8_t> pixels) {
  if (pixels.size() < protocol::kStillPictureBytes) return false;
  bits_.assign(pixels.begin(), pixels.begin() + protocol::kStillPictureBytes);
  return true;
}

QImage CctvItem::Picture() const {
  if (bits_.empty()) return {};
  constexpr int stride = protocol::kStillWidth * 3;
  QImage image(protocol::kStillWidth, protocol::kStillHeight, QImage::Format_BGR888);
  for (int y = 0; y < protocol::kStillHeight; ++y)
    std::copy_n(bits_.data() + static_cast<std::size_t>(protocol::kStillHeight - 1 - y) * stride, stride,
                image.scanLine(y));
  return image;
}
