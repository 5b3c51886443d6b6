#include <algorithm>
#include <array>
#include <cstdlib>

#include "chart/axis.h"
#include "chart/chart.h"
#include "chart/series.h"

namespace fendrel {

namespace {

TRect Intersection(const TRect& a, const TRect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

bool IsEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

// Pixels a series keeps free beside the plot edges so that its point markers
// are not cut: (before, after) along the axis, left/right or top/bottom.
std::array<int, 2> SeriesMargins(const TChartSeries& series, bool horizontal) {
  const auto* custom = dynamic_cast<const TCustomSeries*>(&series);
  if (custom == nullptr) return {0, 0};
  const TSeriesPointer& pointer = custom->Pointer();
  if (!pointer.Visible() || !pointer.InflateMargins()) return {0, 0};
  const int size = (horizontal ? pointer.HorizSize() : pointer.VertSize()) + 1;
  return {size, size};
}

}  // namespace

bool TChart::IsAxisShown(const TChartAxis& axis) const {
  if (!AxisVisible_ || !axis.Visible()) return false;
  if (axis.DepthFlag) return View3D_;
  bool shown = true;
  for (const TChartSeries* series : SeriesList_) {
    if (!series->Active()) continue;
    shown = series->AssociatedToAxis(axis);
    if (shown) break;
  }
  return shown;
}

double TChart::SeriesExtreme(const TChartAxis& axis, bool lowest) const {
  const bool activeAttached = std::any_of(
      SeriesList_.begin(), SeriesList_.end(),
      [&axis](const TChartSeries* s) { return s->Active() && s->AssociatedToAxis(axis); });
  bool found = false;
  double result = 0;
  for (const TChartSeries* series : SeriesList_) {
    if (!(series->Active() || !activeAttached)) continue;
    if (series->PointCount() == 0 || !series->AssociatedToAxis(axis)) continue;
    const double value = axis.IsHorizontal ? (lowest ? series->LowestX() : series->HighestX())
                                           : (lowest ? series->LowestY() : series->HighestY());
    if (!found || (lowest ? value < result : value > result)) result = value;
    found = true;
  }
  return result;
}

void TChart::PlaceAxes() {
  for (TChartAxis* axis : AxisList_) axis->AutoRange();
  ComputeDepthSizes();
  if (View3D_ && View3DOptions_.Orthogonal()) {
    const int wall = View3DWalls_ ? BackWall_.Size() : 0;
    const int depth = std::abs(TotalDepth) + wall;
    PlotRect.Right -= depth;
    PlotRect.Top += depth;
    RecomputePlotSize();
  }
  TRect r = PlotRect;
  for (TChartAxis* axis : AxisList_) {
    if (!IsAxisShown(*axis)) continue;
    TRect shrunk = r;
    axis->ReserveSpace(shrunk);
    // An axis whose room would leave no plot at all is left out of the layout.
    if (const TRect kept = Intersection(r, shrunk); !IsEmpty(kept)) r = kept;
  }
  PlotRect = r;
  RecomputePlotSize();
  for (TChartAxis* axis : AxisList_) axis->UpdatePixelSpan();
}

void TChart::ApplySeriesMargins() {
  for (TChartAxis* axis : {&TopAxis(), &LeftAxis(), &RightAxis(), &BottomAxis()}) {
    int before = 0;
    int after = 0;
    for (const TChartSeries* series : SeriesList_) {
      if (!series->Active() || !series->AssociatedToAxis(*axis)) continue;
      const auto [low, high] = SeriesMargins(*series, axis->IsHorizontal);
      // Before is the left margin (low values) on a horizontal axis and the
      // top margin (high values) on a vertical one.
      const bool beforeIsMinimum = axis->IsHorizontal;
      if (beforeIsMinimum ? axis->AutomaticMinimum() : axis->AutomaticMaximum()) {
        before = std::max(before, low);
      }
      if (beforeIsMinimum ? axis->AutomaticMaximum() : axis->AutomaticMinimum()) {
        after = std::max(after, high);
      }
    }
    axis->WidenForMargins(before, after);
  }
}

void TChart::PaintAxes() {
  for (TChartAxis* axis : AxisList_) {
    if (IsAxisShown(*axis)) axis->PaintAxis(true);
  }
}

}  // namespace fendrel
