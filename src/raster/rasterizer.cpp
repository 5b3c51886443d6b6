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
  if (scale_.FineStrokes()) {
    FineLine(a, b, phase);
    return;
  }
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

namespace {

// The solid line as an index walk: every pixel a step and an add. Kept to
// locals, so that the stores into the picture cannot make the compiler read
// the plan again.
template <bool CheckSpans>
void WalkSolid(const TLineSteps& steps, std::uint32_t* bits, std::ptrdiff_t stride,
               const TRect& bounds, const TClip& clip, std::uint32_t color, bool notXor) {
  const bool xMajor = steps.XMajor;
  const int majorStep = steps.MajorStep;
  const int minorStep = steps.MinorStep;
  const int minorLow = xMajor ? bounds.Top : bounds.Left;
  const int minorHigh = (xMajor ? bounds.Bottom : bounds.Right) - 1;
  const std::ptrdiff_t majorStride = xMajor ? majorStep : majorStep * stride;
  const std::ptrdiff_t minorStride = xMajor ? minorStep * stride : minorStep;
  int minor = static_cast<int>(steps.Minor0 + minorStep * steps.Quotient);
  auto major = static_cast<int>(steps.Major0 + majorStep * steps.First);
  std::ptrdiff_t index = xMajor ? static_cast<std::ptrdiff_t>(minor) * stride + major
                                : static_cast<std::ptrdiff_t>(major) * stride + minor;
  const std::int64_t den = 2 * steps.Count;
  const std::int64_t rise = 2 * steps.MinorLen;
  std::int64_t e = steps.Remainder;
  const std::int64_t last = steps.Last;
  for (std::int64_t i = steps.First; i <= last; ++i) {
    bool visible = minor >= minorLow && minor <= minorHigh;
    if constexpr (CheckSpans) {
      if (visible) {
        const int x = xMajor ? major : minor;
        visible = false;
        for (const TSpan& span : clip.RowSpans(xMajor ? minor : major)) {
          if (x >= span.Left && x < span.Right) {
            visible = true;
            break;
          }
        }
      }
      major += majorStep;
    }
    if (visible) {
      std::uint32_t& pixel = bits[index];
      pixel = notXor ? NotXor(color, pixel) : color;
    }
    index += majorStride;
    e += rise;
    if (e >= den) {
      e -= den;
      minor += minorStep;
      index += minorStride;
    }
  }
}

}  // namespace

void TRasterizer::SolidLine(const TLineSteps& steps) {
  if (clip_.IsRect()) {
    WalkSolid<false>(steps, buffer_.Bits(), buffer_.Stride(), clip_.Bounds(), clip_, ink_.Color,
                     ink_.NotXor);
  } else {
    clip_.Build();
    WalkSolid<true>(steps, buffer_.Bits(), buffer_.Stride(), clip_.Bounds(), clip_, ink_.Color,
                    ink_.NotXor);
  }
}

void TRasterizer::FineLine(TPoint a, TPoint b, int& phase) {
  const int pen = scale_.StrokeWidth();
  const TPoint from{scale_.Edge(a.X), scale_.Edge(a.Y)};
  const TPoint to{scale_.Edge(b.X), scale_.Edge(b.Y)};
  // A point is the pen's square right of and below its device corner. The
  // line covers the square of its start, and its steps outside both
  // squares: along a row or a column it stops short of the last square
  // either way, the sides of an outline meet without a pixel drawn twice,
  // and a slope joins the square its neighbour starts from.
  const TLinePattern& pattern = ink_.Pattern;
  if (pattern.Solid() && (from.X == to.X || from.Y == to.Y)) {
    // Along a row or a column: the rectangle from the start square up to
    // the last one, as the steps below would lay it.
    if (from == to) return;
    const int left = std::min(from.X, to.X + (to.X < from.X ? pen : 0));
    const int top = std::min(from.Y, to.Y + (to.Y < from.Y ? pen : 0));
    const int right = std::max(from.X + pen, to.X + (to.X > from.X ? 0 : pen));
    const int bottom = std::max(from.Y + pen, to.Y + (to.Y > from.Y ? 0 : pen));
    FillDeviceRect({left, top, right, bottom}, ink_.Color, ink_.NotXor);
    return;
  }
  const TRect& bounds = clip_.Bounds();
  TLineSteps steps;
  const bool planned = PlanLine(from, to, bounds, steps);
  if (!IsEmpty(bounds) && steps.Count > 0) {
    if (!clip_.IsRect()) clip_.Build();
    const bool checkSpans = !clip_.IsRect();
    const bool notXor = ink_.NotXor;
    const bool xMajor = steps.XMajor;
    const TRect start{from.X, from.Y, from.X + pen, from.Y + pen};
    const TRect end{to.X, to.Y, to.X + pen, to.Y + pen};
    const int majorStart = xMajor ? from.X : from.Y;
    // Steps counted from the start square's far side, so that dashes and
    // dots, counted in pen widths, begin with the square either way.
    const int lead = steps.MajorStep < 0 ? pen - 1 : 0;
    const bool solid = pattern.Solid();
    const std::ptrdiff_t stride = buffer_.Stride();
    // Lays the pixels from low to high (excluded) across the line at major.
    auto lay = [&](int major, int low, int high, std::uint32_t color) {
      if (xMajor) {
        if (major < bounds.Left || major >= bounds.Right) return;
        const int top = std::max(low, bounds.Top);
        const int bottom = std::min(high, bounds.Bottom);
        if (top >= bottom) return;
        std::uint32_t* pixel = buffer_.Row(top) + major;
        for (int y = top; y < bottom; ++y, pixel += stride) {
          if (checkSpans && !clip_.Contains(major, y)) continue;
          *pixel = notXor ? NotXor(color, *pixel) : color;
        }
      } else {
        if (major < bounds.Top || major >= bounds.Bottom) return;
        const int left = std::max(low, bounds.Left);
        const int right = std::min(high, bounds.Right);
        if (left >= right) return;
        std::uint32_t* const row = buffer_.Row(major);
        // A dense series' steep slopes are runs of a pen's width: written
        // here, as a call per run would cost more than the pixels.
        if (checkSpans || notXor) {
          FillSpan(row, major, left, right, color, notXor);
        } else {
          for (int x = left; x < right; ++x) row[x] = color;
        }
      }
    };
    // The same with the colour of step k of the pattern.
    auto run = [&](int major, int low, int high, std::int64_t k) {
      if (solid) return lay(major, low, high, ink_.Color);
      const bool on = pattern.On((phase + k) / pen);
      if (on || ink_.OpaqueGaps) lay(major, low, high, on ? ink_.Color : ink_.Gap);
    };
    if (solid) {
      FillDeviceRect(start, ink_.Color, notXor);
    } else {
      for (int d = 0; d < pen; ++d) {
        const int major = majorStart + d;
        const int minor = xMajor ? from.Y : from.X;
        run(major, minor, minor + pen, steps.MajorStep > 0 ? d : lead - d);
      }
    }
    // What a run keeps outside a square: both are pen pixels long.
    auto outside = [xMajor](const TRect& square, int major, int& low, int& high) {
      const int majorLow = xMajor ? square.Left : square.Top;
      const int minorLow = xMajor ? square.Top : square.Left;
      if (major < majorLow || major >= majorLow + (square.Right - square.Left)) return;
      if (low < minorLow) {
        high = std::min(high, minorLow);
      } else {
        low = std::max(low, minorLow + (square.Right - square.Left));
      }
    };
    if (planned) {
      ForEachLineStep(steps, [&](int x, int y, std::int64_t i) {
        const int major = xMajor ? x : y;
        int low = xMajor ? y : x;
        int high = low + pen;
        outside(start, major, low, high);
        outside(end, major, low, high);
        if (low < high) run(major, low, high, i + lead);
      });
    }
  }
  if (pattern.Period > 0) {
    phase = static_cast<int>((phase + steps.Count) % (std::int64_t{pattern.Period} * pen));
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
  FillDeviceRect(scale_.Rect(rect), color, notXor);
}

void TRasterizer::FillDeviceRect(const TRect& device, std::uint32_t color, bool notXor) {
  const TRect area = Intersected(device, clip_.Bounds());
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
