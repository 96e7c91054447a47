#include "cctv_item.h"

#include "reply_records.h"

bool CctvItem::SetPicture(std::span<const std::uint8_t> pixels) {
  if (pixels.size() < client::kStillSize) return false;
  bits_.assign(pixels.begin(), pixels.begin() + client::kStillSize);
  return true;
}

QImage CctvItem::Picture() const {
  if (bits_.empty()) return {};
  constexpr int stride = client::kStillWidth * 3;
  QImage image(client::kStillWidth, client::kStillHeight, QImage::Format_BGR888);
  for (int y = 0; y < client::kStillHeight; ++y)
    std::copy_n(bits_.data() + static_cast<std::size_t>(client::kStillHeight - 1 - y) * stride, stride,
                image.scanLine(y));
  return image;
}
