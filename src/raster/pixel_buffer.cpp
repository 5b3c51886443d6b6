#include "raster/pixel_buffer.h"

#include <algorithm>

namespace fendrel {

TPixelBuffer::TPixelBuffer(int width, int height, std::uint32_t fill)
    : own_(static_cast<std::size_t>(std::max(width, 0)) *
               static_cast<std::size_t>(std::max(height, 0)),
           fill),
      bits_(own_.data()),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      stride_(width_) {}

TPixelBuffer TPixelBuffer::View(std::uint32_t* bits, int width, int height, std::ptrdiff_t stride) {
  TPixelBuffer view;
  view.bits_ = bits;
  view.width_ = bits != nullptr ? std::max(width, 0) : 0;
  view.height_ = bits != nullptr ? std::max(height, 0) : 0;
  view.stride_ = stride;
  return view;
}

void TPixelBuffer::Fill(std::uint32_t color) {
  for (int y = 0; y < height_; ++y) std::fill_n(Row(y), width_, color);
}

}  // namespace fendrel
