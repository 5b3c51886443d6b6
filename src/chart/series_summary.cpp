#include "chart/series_summary.h"

#include <algorithm>

#include "chart/axis.h"
#include "chart/series.h"

namespace fendrel {

void TSeriesExtremes::Add(double lowest, double highest) {
  if (!Found) {
    Found = true;
    Lowest = lowest;
    Highest = highest;
    return;
  }
  if (lowest < Lowest) Lowest = lowest;
  if (highest > Highest) Highest = highest;
}

TSeriesSummary::TSeriesSummary(const TChartSeriesList& series,
                               std::span<const TChartAxis* const> axes) {
  AxisCount_ = std::min(axes.size(), kMaxAxes);
  std::copy_n(axes.begin(), AxisCount_, Axes_.begin());
  for (const TChartSeries* s : series) {
    const bool active = s->Active();
    if (active) ++ActiveCount_;
    const bool hasPoints = s->PointCount() > 0;
    for (std::size_t i = 0; i < AxisCount_; ++i) {
      const TChartAxis& axis = *Axes_[i];
      if (!s->AssociatedToAxis(axis)) continue;
      TAxisSeriesSummary& summary = Summaries_[i];
      if (hasPoints) {
        const double lowest = axis.IsHorizontal ? s->LowestX() : s->LowestY();
        const double highest = axis.IsHorizontal ? s->HighestX() : s->HighestY();
        summary.All.Add(lowest, highest);
        if (active) summary.Active.Add(lowest, highest);
      }
      if (!active) continue;
      summary.ActiveAttached = true;
      if (axis.IsHorizontal && hasPoints && !summary.Labelled) {
        summary.Labelled = !s->PointLabel(0).empty();
      }
      const TSeriesMargins margins = axis.IsHorizontal ? s->HorizMargins() : s->VertMargins();
      summary.MarginBefore = std::max(summary.MarginBefore, margins.Before);
      summary.MarginAfter = std::max(summary.MarginAfter, margins.After);
    }
  }
}

const TAxisSeriesSummary* TSeriesSummary::Find(const TChartAxis& axis) const {
  for (std::size_t i = 0; i < AxisCount_; ++i) {
    if (Axes_[i] == &axis) return &Summaries_[i];
  }
  return nullptr;
}

}  // namespace fendrel
