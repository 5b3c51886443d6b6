#include "raster/clip.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace fendrel {

void TClip::SetDevice(const TRect& device) {
  device_ = device;
  if (active_) bounds_ = Intersected(bounds_, device_);
  built_ = false;
}

void TClip::Set(std::span<const TRect> rects) {
  active_ = true;
  built_ = false;
  rects_.clear();
  TRect bounds;
  for (const TRect& r : rects) {
    if (IsEmpty(r)) continue;
    bounds = rects_.empty()
                 ? r
                 : TRect{std::min(bounds.Left, r.Left), std::min(bounds.Top, r.Top),
                         std::max(bounds.Right, r.Right), std::max(bounds.Bottom, r.Bottom)};
    rects_.push_back(r);
  }
  bounds_ = Intersected(bounds, device_);
}

void TClip::Clear() {
  active_ = false;
  built_ = false;
  rects_.clear();
}

bool TClip::Contains(int x, int y) {
  if (!fendrel::Contains(Bounds(), x, y)) return false;
  if (IsRect()) return true;
  for (const TSpan& span : Row(y)) {
    if (x >= span.Left && x < span.Right) return true;
  }
  return false;
}

void TClip::Build() {
  if (built_) return;
  const int rows = std::max(device_.Bottom, 0);
  spanStart_.assign(static_cast<std::size_t>(rows) + 1, 0);
  for (const TRect& r : rects_) {
    for (int row = std::max(r.Top, 0); row < std::min(r.Bottom, rows); ++row) {
      ++spanStart_[static_cast<std::size_t>(row) + 1];
    }
  }
  std::partial_sum(spanStart_.begin(), spanStart_.end(), spanStart_.begin());
  spans_.resize(static_cast<std::size_t>(spanStart_.back()));
  std::vector<int> next(spanStart_.begin(), spanStart_.end() - 1);
  for (const TRect& r : rects_) {
    for (int row = std::max(r.Top, 0); row < std::min(r.Bottom, rows); ++row) {
      spans_[static_cast<std::size_t>(next[static_cast<std::size_t>(row)]++)] = {r.Left, r.Right};
    }
  }
  built_ = true;
}

std::vector<TPoint> CutPolygon(std::span<const TPoint> polygon, const TRect& rect) {
  struct P {
    double x, y;
  };
  std::vector<P> points;
  points.reserve(polygon.size());
  for (const TPoint& p : polygon) points.push_back({double(p.X), double(p.Y)});
  const double left = rect.Left, right = rect.Right;
  const double top = rect.Top, bottom = rect.Bottom;
  auto cut = [&points](auto inside, auto cross) {
    std::vector<P> kept;
    kept.reserve(points.size() + 4);
    for (std::size_t i = 0; i < points.size(); ++i) {
      const P a = points[i];
      const P b = points[(i + 1) % points.size()];
      const bool aIn = inside(a), bIn = inside(b);
      if (aIn) kept.push_back(a);
      if (aIn != bIn) kept.push_back(cross(a, b));
    }
    points.swap(kept);
  };
  auto atX = [](double x) {
    return [x](P a, P b) { return P{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
  };
  auto atY = [](double y) {
    return [y](P a, P b) { return P{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
  };
  cut([left](P p) { return p.x >= left; }, atX(left));
  cut([right](P p) { return p.x <= right; }, atX(right));
  cut([top](P p) { return p.y >= top; }, atY(top));
  cut([bottom](P p) { return p.y <= bottom; }, atY(bottom));
  std::vector<TPoint> result;
  result.reserve(points.size());
  for (const P& p : points) {
    result.push_back({static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
  }
  return result;
}

std::vector<TPoint> PolygonNearDevice(std::span<const TPoint> points, const TRect& device) {
  if (IsEmpty(device) || points.empty()) return {points.begin(), points.end()};
  const int margin = std::max(device.Width(), device.Height()) + 16;
  const TRect reach{device.Left - margin, device.Top - margin, device.Right + margin,
                    device.Bottom + margin};
  const bool near = std::all_of(points.begin(), points.end(),
                                [&reach](const TPoint& p) { return Contains(reach, p.X, p.Y); });
  if (near) return {points.begin(), points.end()};
  return CutPolygon(points, reach);
}

}  // namespace fendrel
