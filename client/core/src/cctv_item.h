// A selected CCTV camera and its still picture: 176 x 144 pixels, 24-bit
// blue-green-red, kept in bottom-up row order as a device-independent bitmap is.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

class CctvItem {
 public:
  CctvItem(QString name, std::uint32_t cameraId) : name(std::move(name)), cameraId(cameraId) {}
  virtual ~CctvItem() = default;

  QString name;
  std::uint32_t cameraId;

  // Takes the 76,032 bytes of a still as the bitmap's pixels. A shorter reply is not a
  // picture: the previous one stays and false is returned.
  bool SetPicture(std::span<const std::uint8_t> pixels);
  bool HasPicture() const { return !bits_.empty(); }
  // The bitmap's bytes, bottom row first.
  const std::vector<std::uint8_t>& bits() const { return bits_; }
  // The bitmap as it shows on screen (its first row in memory at the bottom); a null
  // image without a picture.
  QImage Picture() const;

 private:
  std::vector<std::uint8_t> bits_;
};
