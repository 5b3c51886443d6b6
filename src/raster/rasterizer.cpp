#include "raster/rasterizer.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace fendrel {

void TRasterizer::SetBuffer(TPixelBuffer buffer) {
  buffer_ = std::move(buffer);
  SetDevice(buffer_.Bounds());
}

void TRasterizer::SetDevice(const TRect& device) {
  device_ = device;
  clip_.SetDevice(device);
}

void TRasterizer::Line(TPoint a, TPoint b, int& phase) {
  if (ink_.Pattern.Solid() && !scale_.Scaled()) {
    TLineSteps steps;
    if (PlanLine(a, b, clip_.Bounds(), steps)) SolidLine(steps);
    return;
  }
  const bool unscaledSpans = !scale_.Scaled() && !clip_.IsRect();
  WalkStyledLine(a, b, WalkBounds(), ink_.Pattern, ink_.OpaqueGaps, phase,
                 [&](int x, int y, bool on) {
                   const std::uint32_t color = on ? ink_.Color : ink_.Gap;
                   if (scale_.Scaled()) {
                     PutPixel(x, y, color, ink_.NotXor);
                     return;
                   }
                   if (unscaledSpans && !clip_.Contains(x, y)) return;
                   std::uint32_t& pixel = buffer_.Row(y)[x];
                   pixel = ink_.NotXor ? NotXor(color, pixel) : color;
                 });
}

void TRasterizer::SolidLine(const TLineSteps& steps) {
  // An index walk: every pixel a step and an add.
  const TRect& bounds = clip_.Bounds();
  const bool checkSpans = !clip_.IsRect();
  if (checkSpans) clip_.Build();
  const bool xMajor = steps.XMajor;
  const int minorLow = xMajor ? bounds.Top : bounds.Left;
  const int minorHigh = (xMajor ? bounds.Bottom : bounds.Right) - 1;
  const std::ptrdiff_t stride = buffer_.Stride();
  const std::ptrdiff_t majorStride = xMajor ? steps.MajorStep : steps.MajorStep * stride;
  const std::ptrdiff_t minorStride = xMajor ? steps.MinorStep * stride : steps.MinorStep;
  int minor = static_cast<int>(steps.Minor0 + steps.MinorStep * steps.Quotient);
  auto major = static_cast<int>(steps.Major0 + steps.MajorStep * steps.First);
  std::uint32_t* const bits = buffer_.Bits();
  std::ptrdiff_t index = xMajor ? static_cast<std::ptrdiff_t>(minor) * stride + major
                                : static_cast<std::ptrdiff_t>(major) * stride + minor;
  const std::uint32_t color = ink_.Color;
  const bool notXor = ink_.NotXor;
  const std::int64_t den = 2 * steps.Count;
  const std::int64_t rise = 2 * steps.MinorLen;
  std::int64_t e = steps.Remainder;
  auto inSpans = [this](int x, int y) {
    for (const TSpan& span : clip_.RowSpans(y)) {
      if (x >= span.Left && x < span.Right) return true;
    }
    return false;
  };
  for (std::int64_t i = steps.First; i <= steps.Last; ++i) {
    if (minor >= minorLow && minor <= minorHigh &&
        (!checkSpans || inSpans(xMajor ? major : minor, xMajor ? minor : major))) {
      std::uint32_t& pixel = bits[index];
      pixel = notXor ? NotXor(color, pixel) : color;
    }
    major += steps.MajorStep;
    index += majorStride;
    e += rise;
    if (e >= den) {
      e -= den;
      minor += steps.MinorStep;
      index += minorStride;
    }
  }
}

void TRasterizer::PutPixel(int x, int y, std::uint32_t color, bool notXor) {
  const TRect& bounds = clip_.Bounds();
  const int left = std::max(scale_.Edge(x), bounds.Left);
  const int right = std::min(scale_.Edge(x + 1), bounds.Right);
  const int top = std::max(scale_.Edge(y), bounds.Top);
  const int bottom = std::min(scale_.Edge(y + 1), bounds.Bottom);
  if (left >= right || top >= bottom) return;
  const bool checkSpans = !clip_.IsRect();
  for (int dy = top; dy < bottom; ++dy) {
    std::uint32_t* row = buffer_.Row(dy);
    for (int dx = left; dx < right; ++dx) {
      if (checkSpans && !clip_.Contains(dx, dy)) continue;
      row[dx] = notXor ? NotXor(color, row[dx]) : color;
    }
  }
}

void TRasterizer::Pixel(int x, int y, std::uint32_t color) {
  if (scale_.Scaled()) {
    PutPixel(x, y, color, false);
  } else if (clip_.Contains(x, y)) {
    buffer_.Row(y)[x] = color;
  }
}

void TRasterizer::FillSpan(std::uint32_t* row, int y, int from, int to, std::uint32_t color,
                           bool notXor) {
  auto fill = [&](int a, int b) {
    if (notXor) {
      for (int x = a; x < b; ++x) row[x] = NotXor(color, row[x]);
    } else if (a < b) {
      std::fill(row + a, row + b, color);
    }
  };
  if (clip_.IsRect()) {
    fill(from, to);
    return;
  }
  for (const TSpan& span : clip_.RowSpans(y))
    fill(std::max(from, span.Left), std::min(to, span.Right));
}

void TRasterizer::FillRect(const TRect& rect, std::uint32_t color, bool notXor) {
  const TRect area = Intersected(scale_.Rect(rect), clip_.Bounds());
  if (IsEmpty(area)) return;
  if (!clip_.IsRect()) clip_.Build();
  for (int y = area.Top; y < area.Bottom; ++y) {
    FillSpan(buffer_.Row(y), y, area.Left, area.Right, color, notXor);
  }
}

void TRasterizer::FillPolygon(std::span<const TPoint> points, std::uint32_t color, bool notXor) {
  if (points.size() < 3) return;
  if (scale_.Scaled()) {
    devicePoints_.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      devicePoints_[i] = {scale_.Edge(points[i].X), scale_.Edge(points[i].Y)};
    }
    points = devicePoints_;
  }
  const TRect& bounds = clip_.Bounds();
  if (IsEmpty(bounds)) return;
  int top = points.front().Y;
  int bottom = top;
  for (const TPoint& p : points) {
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
  }
  top = std::max(top, bounds.Top);
  bottom = std::min(bottom, bounds.Bottom);
  if (!clip_.IsRect()) clip_.Build();
  const std::size_t count = points.size();
  for (int y = top; y < bottom; ++y) {
    crossings_.clear();
    for (std::size_t i = 0; i < count; ++i) {
      TPoint a = points[i];
      TPoint b = points[(i + 1) % count];
      if (a.Y == b.Y) continue;
      if (a.Y > b.Y) std::swap(a, b);
      if (y < a.Y || y >= b.Y) continue;
      const std::int64_t num = std::int64_t{y - a.Y} * (std::int64_t{b.X} - a.X);
      const std::int64_t den = std::int64_t{b.Y} - a.Y;
      const std::int64_t ceiling = num >= 0 ? (num + den - 1) / den : -((-num) / den);
      crossings_.push_back(static_cast<int>(a.X + ceiling));
    }
    std::sort(crossings_.begin(), crossings_.end());
    std::uint32_t* row = buffer_.Row(y);
    for (std::size_t k = 0; k + 1 < crossings_.size(); k += 2) {
      const int from = std::max(crossings_[k], bounds.Left);
      const int to = std::min(crossings_[k + 1], bounds.Right);
      if (from < to) FillSpan(row, y, from, to, color, notXor);
    }
  }
}

}  // namespace fendrel
