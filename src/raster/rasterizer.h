#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "raster/clip.h"
#include "raster/device_scale.h"
#include "raster/geometry.h"
#include "raster/line.h"
#include "raster/pixel_buffer.h"

namespace fendrel {

// How one-pixel lines are laid: the pen's colour and pattern, the colour of
// its gaps where they are drawn, and the mix.
struct TLineInk {
  std::uint32_t Color = 0xFF000000u;
  std::uint32_t Gap = 0xFFFFFFFFu;
  TLinePattern Pattern;
  bool OpaqueGaps = true;
  bool NotXor = false;
};

// Draws by the raster rules into a pixel buffer at a device scale, within a
// clip of device pixels. Coordinates are in coordinate pixels:
// - a line covers its start and stops one pixel short of its end; at a
//   scale above 1 it covers whole coordinate pixels, and from a scale of
//   1.5 it is stepped in device pixels instead, StrokeWidth() of them
//   across: each point is then the pen's square at its device corner, so
//   that lines along an edge lie on the edge's pixels;
// - a polygon is filled by the alternate rule, with pixel centres on whole
//   coordinates: an edge holds its top row but not its bottom one, a span
//   its left crossing but not its right; scaled, along the device edges of
//   its corners, so that figures sharing an edge meet without a gap;
// - a rectangle fill covers columns left..right-1 and rows top..bottom-1.
class TRasterizer {
 public:
  // The picture drawn into; without one, only the bounds below are known.
  void SetBuffer(TPixelBuffer buffer);
  void SetDevice(const TRect& device);
  TPixelBuffer& Buffer() { return buffer_; }
  const TRect& Device() const { return device_; }
  void SetScale(double ratio) { scale_ = TDeviceScale(ratio); }
  const TDeviceScale& Scale() const { return scale_; }

  // In device pixels.
  TClip& Clip() { return clip_; }
  // The coordinate pixels a line may reach.
  TRect WalkBounds() const {
    return scale_.Scaled() ? scale_.Cover(clip_.Bounds()) : clip_.Bounds();
  }

  void SetLineInk(const TLineInk& ink) { ink_ = ink; }
  const TLineInk& LineInk() const { return ink_; }
  // phase counts the pixels already styled along the same figure.
  void Line(TPoint a, TPoint b, int& phase);
  void FillPolygon(std::span<const TPoint> points, std::uint32_t color, bool notXor);
  void FillRect(const TRect& rect, std::uint32_t color, bool notXor);
  // A rectangle of device pixels, right and bottom edges excluded.
  void FillDeviceRect(const TRect& device, std::uint32_t color, bool notXor);
  // One coordinate pixel, copied.
  void Pixel(int x, int y, std::uint32_t color);

 private:
  // One coordinate pixel: every device pixel of it within the clip.
  void PutPixel(int x, int y, std::uint32_t color, bool notXor);
  // The solid, unscaled line: the series lines and outlines.
  void SolidLine(const TLineSteps& steps);
  // The line stepped in device pixels; phase counts device steps.
  void FineLine(TPoint a, TPoint b, int& phase);
  void FillSpan(std::uint32_t* row, int y, int from, int to, std::uint32_t color, bool notXor);

  TPixelBuffer buffer_;
  TRect device_;
  TDeviceScale scale_;
  TClip clip_;
  TLineInk ink_;
  std::vector<int> crossings_;
  std::vector<TPoint> devicePoints_;
};

}  // namespace fendrel
