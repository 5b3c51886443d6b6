#include "chart/series_hit.h"

#include <array>
#include <cmath>

#include "chart/axis.h"
#include "chart/chart.h"
#include "chart/series.h"
#include "chart/series_paint.h"
#include "chart/value_list.h"

namespace fendrel {

double DistanceToSegment(TPoint p, TPoint a, TPoint b) {
  const double dx = static_cast<double>(b.X) - a.X;
  const double dy = static_cast<double>(b.Y) - a.Y;
  const double px = static_cast<double>(p.X) - a.X;
  const double py = static_cast<double>(p.Y) - a.Y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? (px * dx + py * dy) / length2 : 0.0;
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return std::hypot(px - t * dx, py - t * dy);
}

bool InsidePolygon(TPoint p, std::span<const TPoint> polygon) {
  bool inside = false;
  const std::size_t n = polygon.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const TPoint& a = polygon[i];
    const TPoint& b = polygon[j];
    if ((a.Y > p.Y) == (b.Y > p.Y)) continue;
    const double crossX = a.X + (static_cast<double>(p.Y) - a.Y) *
                                    (static_cast<double>(b.X) - a.X) /
                                    (static_cast<double>(b.Y) - a.Y);
    if (p.X < crossX) inside = !inside;
  }
  return inside;
}

namespace {

// The painter skips points this far off, and so does the hit test.
bool Drawable(int pixel) { return pixel > -32767 && pixel < 32767; }

class TSeriesHitTest {
 public:
  TSeriesHitTest(TChart& chart, const TCustomSeries& series, TPoint p)
      : canvas_(chart.Canvas()),
        series_(series),
        p_(p),
        view3D_(chart.View3D()),
        lines_(series.ClickableLine()) {}

  // Whether the segment from a to b (b alone when equal, or when only the
  // points can be hit) is under the point.
  bool Segment(TPoint a, TPoint b) const {
    if (!lines_) a = b;
    if (!view3D_) return DistanceToSegment(p_, a, b) <= SeriesHitPixels;
    const int z0 = series_.StartDepth;
    const int z1 = series_.EndDepth;
    const TPoint a0 = canvas_.ProjectPoint(a.X, a.Y, z0);
    const TPoint b0 = canvas_.ProjectPoint(b.X, b.Y, z0);
    const TPoint a1 = canvas_.ProjectPoint(a.X, a.Y, z1);
    const TPoint b1 = canvas_.ProjectPoint(b.X, b.Y, z1);
    if (!lines_) return DistanceToSegment(p_, b0, b1) <= SeriesHitPixels;
    if (DistanceToSegment(p_, a0, b0) <= SeriesHitPixels ||
        DistanceToSegment(p_, a1, b1) <= SeriesHitPixels ||
        DistanceToSegment(p_, a0, a1) <= SeriesHitPixels) {
      return true;
    }
    const std::array<TPoint, 4> ribbon{a0, b0, b1, a1};
    return InsidePolygon(p_, ribbon);
  }

 private:
  TCanvas3D& canvas_;
  const TCustomSeries& series_;
  TPoint p_;
  bool view3D_;
  bool lines_;
};

}  // namespace

bool SeriesHitAt(TChart& chart, const TChartSeries& series, int x, int y) {
  const auto* line = dynamic_cast<const TCustomSeries*>(&series);
  if (line == nullptr || line->PointCount() == 0) return false;
  const TChartAxis* horiz = line->GetHorizAxis();
  const TChartAxis* vert = line->GetVertAxis();
  if (horiz == nullptr || vert == nullptr) return false;

  // The points the paint pass visits, as it finds them.
  const TRect& plot = chart.PlotRect;
  const double lo = horiz->PixelToValue(horiz->Inverted() ? plot.Right : plot.Left);
  const double hi = horiz->PixelToValue(horiz->Inverted() ? plot.Left : plot.Right);
  const TVisibleRange range = VisibleRange(line->XValues(), lo, hi);
  if (range.First < 0) return false;

  const TSeriesHitTest test(chart, *line, {x, y});
  bool open = false;
  TPoint previous;
  for (int i = range.First; i <= range.Last; ++i) {
    if (line->PointColor(i) == clNone) {
      open = false;
      continue;
    }
    const TPoint q{horiz->ValueToPixel(line->XValue(i)), vert->ValueToPixel(line->YValue(i))};
    if (!Drawable(q.X) || !Drawable(q.Y)) continue;
    if (test.Segment(open ? previous : q, q)) return true;
    previous = q;
    open = true;
  }
  return false;
}

}  // namespace fendrel
