#pragma once

#include <algorithm>
#include <cmath>

#include "raster/geometry.h"

namespace fendrel {

// Coordinates on a device whose pixels are ratio times finer: coordinate
// edge v lies on device edge round(v * ratio), so shapes that meet in
// coordinates meet on the device, with neither a gap nor an overlap.
class TDeviceScale {
 public:
  explicit TDeviceScale(double ratio = 1.0)
      : ratio_(ratio > 0.0 ? ratio : 1.0), whole_(ratio_ == std::round(ratio_)) {}

  double Ratio() const { return ratio_; }
  bool Scaled() const { return ratio_ != 1.0; }
  // Each coordinate pixel is the same number of device pixels.
  bool Whole() const { return whole_; }
  // From one and a half device pixels per coordinate pixel a slope laid in
  // blocks shows as a staircase; strokes are then stepped in device pixels.
  // Below that they stay in whole coordinate pixels, as drawn at ratio 1.
  bool FineStrokes() const { return ratio_ >= 1.5; }
  // A pen of width pixels as device pixels across the stroke.
  int StrokeWidth(int width = 1) const {
    return static_cast<int>(std::clamp(std::round(std::max(width, 1) * ratio_), 1.0, 1e4));
  }

  int Edge(int v) const {
    if (!Scaled()) return v;
    return static_cast<int>(std::clamp(std::round(v * ratio_), -1e9, 1e9));
  }
  // The device pixels of a rectangle of coordinate pixels.
  TRect Rect(const TRect& r) const {
    if (!Scaled() || r.Right <= r.Left || r.Bottom <= r.Top) return r;
    return {Edge(r.Left), Edge(r.Top), Edge(r.Right), Edge(r.Bottom)};
  }
  // Every coordinate pixel that reaches into a rectangle of device pixels,
  // whole, and one more to the right and below.
  TRect Cover(const TRect& device) const {
    if (device.Right <= device.Left || device.Bottom <= device.Top) return {};
    return {static_cast<int>(std::floor(device.Left / ratio_)),
            static_cast<int>(std::floor(device.Top / ratio_)),
            static_cast<int>(std::ceil(device.Right / ratio_)) + 1,
            static_cast<int>(std::ceil(device.Bottom / ratio_)) + 1};
  }

 private:
  double ratio_;
  bool whole_;
};

}  // namespace fendrel
