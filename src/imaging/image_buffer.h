#pragma once
// The in-memory picture every imaging operation works on: 8-bit samples, rows
// from top to bottom, components interleaved (1 = grey, 3 = red-green-blue).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace albumsmith {

class ImageBuffer {
 public:
  ImageBuffer() = default;
  ImageBuffer(ImageBuffer&&) noexcept = default;
  ImageBuffer& operator=(ImageBuffer&&) noexcept = default;
  // Copies are explicit (Clone): a picture is megabytes, an accidental copy
  // in a loop would cost more than the work around it.
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;

  // Sizes the buffer; the samples are left unset (every caller writes all of
  // them, and clearing a 70 MB picture first would be wasted time). Returns
  // false for a size that is not positive or does not fit in memory.
  bool Allocate(int32_t width, int32_t height, int32_t components) {
    Reset();
    if (width <= 0 || height <= 0 || components <= 0) return false;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(components);
    samples_.reset(new (std::nothrow) uint8_t[bytes]);
    if (!samples_) return false;
    width_ = width;
    height_ = height;
    components_ = components;
    return true;
  }

  void Reset() {
    samples_.reset();
    width_ = height_ = components_ = 0;
  }

  ImageBuffer Clone() const {
    ImageBuffer copy;
    if (empty()) return copy;
    copy.Allocate(width_, height_, components_);
    std::copy(samples_.get(), samples_.get() + size(), copy.samples_.get());
    return copy;
  }

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t components() const { return components_; }
  bool empty() const { return !samples_; }
  size_t rowBytes() const { return static_cast<size_t>(width_) * static_cast<size_t>(components_); }
  size_t size() const { return rowBytes() * static_cast<size_t>(height_); }

  uint8_t* data() { return samples_.get(); }
  const uint8_t* data() const { return samples_.get(); }
  uint8_t* row(int32_t y) { return samples_.get() + rowBytes() * static_cast<size_t>(y); }
  const uint8_t* row(int32_t y) const { return samples_.get() + rowBytes() * static_cast<size_t>(y); }
  uint8_t* pixel(int32_t x, int32_t y) { return row(y) + static_cast<size_t>(x) * static_cast<size_t>(components_); }
  const uint8_t* pixel(int32_t x, int32_t y) const {
    return row(y) + static_cast<size_t>(x) * static_cast<size_t>(components_);
  }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t components_ = 0;
  std::unique_ptr<uint8_t[]> samples_;
};

}  // namespace albumsmith
