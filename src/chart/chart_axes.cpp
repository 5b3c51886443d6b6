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

}  // namespace

bool TChart::IsAxisShown(const TChartAxis& axis) const {
  if (!AxisVisible_ || !axis.Visible()) return false;
  if (axis.DepthFlag) return View3D_;
  if (PaintSummary_) {
    if (const TAxisSeriesSummary* summary = PaintSummary_->Find(axis)) {
      return summary->ActiveAttached || PaintSummary_->ActiveCount() == 0;
    }
  }
  // Shown when an active series uses it, or when no series is active.
  bool shown = true;
  for (const TChartSeries* series : SeriesList_) {
    if (!series->Active()) continue;
    shown = series->AssociatedToAxis(axis);
    if (shown) break;
  }
  return shown;
}

TAxisSeriesSummary TChart::AxisSummary(const TChartAxis& axis) const {
  if (PaintSummary_) {
    if (const TAxisSeriesSummary* summary = PaintSummary_->Find(axis)) return *summary;
  }
  const TChartAxis* const only[] = {&axis};
  return *TSeriesSummary(SeriesList_, only).Find(axis);
}

double TChart::SeriesExtreme(const TChartAxis& axis, bool lowest) const {
  // Active series count alone once one of them uses the axis.
  const TAxisSeriesSummary summary = AxisSummary(axis);
  const TSeriesExtremes& counted = summary.ActiveAttached ? summary.Active : summary.All;
  if (!counted.Found) return 0;
  return lowest ? counted.Lowest : counted.Highest;
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
    const TAxisSeriesSummary summary = AxisSummary(*axis);
    // Before is the left margin (low values) on a horizontal axis and the
    // top margin (high values) on a vertical one.
    const bool beforeIsMinimum = axis->IsHorizontal;
    const bool keepBefore = beforeIsMinimum ? axis->AutomaticMinimum() : axis->AutomaticMaximum();
    const bool keepAfter = beforeIsMinimum ? axis->AutomaticMaximum() : axis->AutomaticMinimum();
    axis->WidenForMargins(keepBefore ? summary.MarginBefore : 0,
                          keepAfter ? summary.MarginAfter : 0);
  }
}

void TChart::PaintAxes() {
  for (TChartAxis* axis : AxisList_) {
    if (IsAxisShown(*axis)) axis->PaintAxis(true);
  }
}

}  // namespace fendrel
