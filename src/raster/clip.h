#pragma once

#include <span>
#include <vector>

#include "raster/geometry.h"

namespace fendrel {

// A run of device pixels on one row, right end excluded.
struct TSpan {
  int Left = 0;
  int Right = 0;
};

// Where drawing may land on a device: everywhere, or within a union of
// rectangles of device pixels that do not overlap (as a region lists them).
// The per-row spans of a clip that is not one rectangle are built when they
// are first needed.
class TClip {
 public:
  void SetDevice(const TRect& device);
  void Set(std::span<const TRect> rects);
  void Clear();

  bool Active() const { return active_; }
  // Within the device; the device itself without a clip.
  const TRect& Bounds() const { return active_ ? bounds_ : device_; }
  // True when the bounds are the whole story.
  bool IsRect() const { return !active_ || rects_.size() <= 1; }
  bool Contains(int x, int y);
  // The spans of row y, which must lie on the device, in order of x.
  std::span<const TSpan> Row(int y) {
    Build();
    return RowSpans(y);
  }
  // As Row, once the spans are built.
  std::span<const TSpan> RowSpans(int y) const {
    const auto row = static_cast<std::size_t>(y);
    return {spans_.data() + spanStart_[row],
            static_cast<std::size_t>(spanStart_[row + 1] - spanStart_[row])};
  }
  void Build();

 private:
  TRect device_;
  bool active_ = false;
  TRect bounds_;
  std::vector<TRect> rects_;
  bool built_ = false;
  std::vector<int> spanStart_;
  std::vector<TSpan> spans_;
};

// Cuts a polygon to a rectangle (Sutherland-Hodgman, in doubles, rounded at
// the end; the rectangle's right and bottom edges are the cut lines).
std::vector<TPoint> CutPolygon(std::span<const TPoint> points, const TRect& rect);

// The polygon as a clip may take it: a region is built row by row, so an
// outline reaching millions of pixels off the device (a deep chart projects
// its box that far) would take minutes to turn into one. Cut far outside the
// device, what is visible stays as it was.
std::vector<TPoint> PolygonNearDevice(std::span<const TPoint> points, const TRect& device);

constexpr bool Contains(const TRect& r, int x, int y) {
  return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

constexpr TRect Intersected(const TRect& a, const TRect& b) {
  const TRect r{a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
                a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
  return r.Right > r.Left && r.Bottom > r.Top ? r : TRect{};
}

constexpr bool IsEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

}  // namespace fendrel
