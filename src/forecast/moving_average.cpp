#include "forecast/moving_average.h"

#include <algorithm>

#include "forecast/forecaster.h"

namespace fendrel {

TMovingAverage::TMovingAverage(const TSampleData& series) : series_(series) {
  SetWindow(AutomaticWindow(series.Count()));
}

TMovingAverage::TMovingAverage(std::span<const double> values) : series_(values) {
  SetWindow(AutomaticWindow(series_.Count()));
}

void TMovingAverage::SetWindow(std::int32_t k) { window_ = std::max(k, 2); }

double TMovingAverage::ForecastAt(std::int32_t a) const {
  const std::int64_t last = std::min<std::int64_t>(a, series_.Count() - 1);
  const std::int64_t first = std::max<std::int64_t>(last - window_ + 1, 0);
  const double* y = series_.YData();
  double sum = 0.0;
  for (std::int64_t i = last; i >= first; --i) sum = y[i] + sum;
  return sum / window_;
}

double TMovingAverage::Forecast() const { return ForecastAt(series_.Count() - 1); }

}  // namespace fendrel
