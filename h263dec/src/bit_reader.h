// Bit reader over one coded picture. The bytes pass through a 2,048-byte window that
// is refilled as it runs out; past the picture's length the reader yields zero bits
// and remembers that it ran over, so no read ever leaves the caller's `length` bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace camdec {

class BitReader {
 public:
  static constexpr std::size_t kWindowBytes = 2048;

  BitReader(const std::uint8_t* data, std::size_t length) : data_(data), length_(length), limit_(length * 8) {}

  // The next `n` bits (1..32) without consuming them.
  std::uint32_t Peek(int n) {
    if (count_ < n) Fill();
    return static_cast<std::uint32_t>(cache_ >> (64 - n));
  }
  void Skip(int n) {
    if (count_ < n) Fill();
    SkipPeeked(n);
  }
  // Skip of bits that a Peek of at least `n` bits has just brought into the cache.
  void SkipPeeked(int n) {
    cache_ <<= n;
    count_ -= n;
    consumed_ += static_cast<std::size_t>(n);
  }
  std::uint32_t Read(int n) {
    std::uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  std::uint32_t ReadBit() { return Read(1); }

  // Bits consumed since the start of the picture.
  std::size_t Position() const { return consumed_; }
  std::size_t TotalBits() const { return limit_; }
  // True once more bits were consumed than the picture holds.
  bool Overrun() const { return consumed_ > limit_; }
  std::size_t BitsLeft() const { return Overrun() ? 0 : limit_ - consumed_; }

 private:
  // Tops the cache up to at least 57 bits: whole bytes from the window, seven at a
  // time where it holds eight more, else one by one.
  void Fill() {
    if (windowLen_ - windowPos_ >= 8) {
      std::uint64_t next;
      std::memcpy(&next, window_ + windowPos_, 8);
      next = __builtin_bswap64(next);
      const int bytes = (63 - count_) >> 3;  // 1..7
      cache_ |= (next >> (64 - 8 * bytes)) << (64 - count_ - 8 * bytes);
      count_ += 8 * bytes;
      windowPos_ += static_cast<std::size_t>(bytes);
      return;
    }
    while (count_ <= 56) {
      if (windowPos_ == windowLen_) RefillWindow();
      std::uint64_t byte = windowPos_ < windowLen_ ? window_[windowPos_++] : 0;
      cache_ |= byte << (56 - count_);
      count_ += 8;
    }
  }
  void RefillWindow() {
    windowPos_ = 0;
    windowLen_ = 0;
    if (taken_ >= length_) return;
    std::size_t n = length_ - taken_;
    if (n > kWindowBytes) n = kWindowBytes;
    std::memcpy(window_, data_ + taken_, n);
    taken_ += n;
    windowLen_ = n;
  }

  const std::uint8_t* data_;
  std::size_t length_;
  std::size_t limit_;       // length in bits
  std::size_t taken_ = 0;  // input bytes copied into the window so far
  std::uint8_t window_[kWindowBytes];
  std::size_t windowPos_ = 0, windowLen_ = 0;
  std::uint64_t cache_ = 0;  // next bits, most significant first
  int count_ = 0;            // valid bits in cache_
  std::size_t consumed_ = 0;
};

}  // namespace camdec
