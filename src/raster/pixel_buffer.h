#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/geometry.h"

namespace fendrel {

// A 32-bit picture at device pixels, 0xAARRGGBB with the alpha kept at 0xFF,
// row by row: in memory of its own, or a view of memory its owner keeps alive
// and unmoved while the view is used.
class TPixelBuffer {
 public:
  TPixelBuffer() = default;
  TPixelBuffer(int width, int height, std::uint32_t fill);
  // Rows of stride pixels, of which the first width are the picture.
  static TPixelBuffer View(std::uint32_t* bits, int width, int height, std::ptrdiff_t stride);

  TPixelBuffer(TPixelBuffer&&) noexcept = default;
  TPixelBuffer& operator=(TPixelBuffer&&) noexcept = default;
  TPixelBuffer(const TPixelBuffer&) = delete;
  TPixelBuffer& operator=(const TPixelBuffer&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::ptrdiff_t Stride() const { return stride_; }
  TRect Bounds() const { return {0, 0, width_, height_}; }
  bool Empty() const { return bits_ == nullptr; }

  std::uint32_t* Bits() { return bits_; }
  std::uint32_t* Row(int y) { return bits_ + static_cast<std::ptrdiff_t>(y) * stride_; }
  const std::uint32_t* Row(int y) const { return bits_ + static_cast<std::ptrdiff_t>(y) * stride_; }
  std::uint32_t At(int x, int y) const { return Row(y)[x]; }
  void Fill(std::uint32_t color);

 private:
  std::vector<std::uint32_t> own_;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::ptrdiff_t stride_ = 0;
};

// The not-xor mix: drawing the same colour twice gives the picture back.
constexpr std::uint32_t NotXor(std::uint32_t color, std::uint32_t pixel) {
  return ~(color ^ pixel);
}

}  // namespace fendrel
