#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace fendrel {

class TChartAxis;
class TChartSeriesList;

// The lowest and highest of the values some series give an axis: the first
// series found gives both, a later one replaces each when strictly beyond it.
struct TSeriesExtremes {
  bool Found = false;
  double Lowest = 0;
  double Highest = 0;

  void Add(double lowest, double highest);
};

// What the series attached to one axis give it.
struct TAxisSeriesSummary {
  // Some active series uses the axis.
  bool ActiveAttached = false;
  // Horizontal axes only: an active series using it has a label on its first point.
  bool Labelled = false;
  // Over the series with points that use the axis: the active ones, and all.
  TSeriesExtremes Active;
  TSeriesExtremes All;
  // The largest pixel margins the active series using the axis ask for,
  // before and after along it (left/right, or top/bottom).
  int MarginBefore = 0;
  int MarginAfter = 0;
};

// Everything the axes ask of a chart's series list, gathered in one walk over
// the series: with hundreds of thousands of series a walk per question and
// axis would cost more than drawing them.
class TSeriesSummary {
 public:
  static constexpr std::size_t kMaxAxes = 5;

  // Up to kMaxAxes axes; the rest are left out.
  TSeriesSummary(const TChartSeriesList& series, std::span<const TChartAxis* const> axes);

  int ActiveCount() const { return ActiveCount_; }
  // nullptr for an axis that was not summarised.
  const TAxisSeriesSummary* Find(const TChartAxis& axis) const;

 private:
  std::array<const TChartAxis*, kMaxAxes> Axes_{};
  std::array<TAxisSeriesSummary, kMaxAxes> Summaries_{};
  std::size_t AxisCount_ = 0;
  int ActiveCount_ = 0;
};

}  // namespace fendrel
