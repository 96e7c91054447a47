// Common ground of the video session's tests: a window that records what it is given,
// H.263 pictures to stream, and the stream's framing.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "camdec.h"
#include "kavrel/little_endian.h"
#include "kavrel/window_handles.h"

namespace zmntp::testing {

using Pixels = std::vector<std::uint8_t>;

// A window target that keeps every picture and text it receives.
class RecordingWindow : public kavrel::WindowTarget {
 public:
  void ShowPicture(const std::uint8_t* bgr, int width, int height) override {
    std::lock_guard lock(mutex_);
    pictures_.emplace_back(bgr, bgr + static_cast<std::size_t>(width) * height * 3);
    width_ = width;
    height_ = height;
  }
  void DrawText(std::string_view utf8, const kavrel::TextRect&) override {
    std::lock_guard lock(mutex_);
    texts_.emplace_back(utf8);
  }
  std::vector<Pixels> Pictures() {
    std::lock_guard lock(mutex_);
    return pictures_;
  }
  std::vector<std::string> Texts() {
    std::lock_guard lock(mutex_);
    return texts_;
  }
  int width() {
    std::lock_guard lock(mutex_);
    return width_;
  }

 private:
  std::mutex mutex_;
  std::vector<Pixels> pictures_;
  std::vector<std::string> texts_;
  int width_ = 0, height_ = 0;
};

// Registers a RecordingWindow for the life of the object.
class ScopedWindow {
 public:
  ScopedWindow() : window_(std::make_shared<RecordingWindow>()), handle_(kavrel::RegisterWindow(window_)) {}
  ~ScopedWindow() { kavrel::UnregisterWindow(handle_); }
  ScopedWindow(const ScopedWindow&) = delete;
  ScopedWindow& operator=(const ScopedWindow&) = delete;
  RecordingWindow& operator*() { return *window_; }
  RecordingWindow* operator->() { return window_.get(); }
  std::uint32_t handle() const { return handle_; }

 private:
  std::shared_ptr<RecordingWindow> window_;
  std::uint32_t handle_;
};

inline std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The pictures of an H.263 stream file, split at their byte-aligned start codes.
inline std::vector<std::vector<std::uint8_t>> PicturesOf(const std::filesystem::path& file) {
  std::vector<std::uint8_t> all = ReadFile(file);
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i + 2 < all.size(); ++i)
    if (all[i] == 0 && all[i + 1] == 0 && (all[i + 2] & 0xFC) == 0x80) starts.push_back(i);
  std::vector<std::vector<std::uint8_t>> pictures;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    std::size_t end = k + 1 < starts.size() ? starts[k + 1] : all.size();
    pictures.emplace_back(all.begin() + static_cast<long>(starts[k]), all.begin() + static_cast<long>(end));
  }
  return pictures;
}

// The pictures of a stream of the decoder's conformance set.
inline std::vector<std::vector<std::uint8_t>> StreamPictures(const std::string& name) {
  return PicturesOf(std::filesystem::path(KAVREL_SOURCE_ROOT) / "h263dec/tests/streams" / name);
}

// What the decoder makes of the pictures, one after the other (QCIF).
inline std::vector<Pixels> DecodeAll(const std::vector<std::vector<std::uint8_t>>& pictures) {
  std::vector<Pixels> out;
  std::size_t largest = 1;
  for (const auto& p : pictures) largest = std::max(largest, p.size());
  std::vector<std::uint8_t> input(largest);
  Pixels pixels(176 * 144 * 3);
  Init(0, input.data(), pixels.data(), 2);
  for (const auto& p : pictures) {
    std::copy(p.begin(), p.end(), input.begin());
    Decode(static_cast<int>(p.size()));
    out.push_back(pixels);
  }
  Destroy();
  return out;
}

// One frame of the video stream: {type, length} and the bytes.
inline std::vector<std::uint8_t> StreamFrame(const std::vector<std::uint8_t>& picture, std::uint32_t type = 1) {
  std::vector<std::uint8_t> frame(8);
  kavrel::WriteU32(frame.data(), 0, type);
  kavrel::WriteU32(frame.data(), 4, static_cast<std::uint32_t>(picture.size()));
  frame.insert(frame.end(), picture.begin(), picture.end());
  return frame;
}

inline std::vector<std::uint8_t> FrameHeader(std::uint32_t type, std::uint32_t length) {
  std::vector<std::uint8_t> header(8);
  kavrel::WriteU32(header.data(), 0, type);
  kavrel::WriteU32(header.data(), 4, length);
  return header;
}

}  // namespace zmntp::testing
