#pragma once

#include <cstdint>

#include "forecast/forecast_values.h"

namespace fendrel {

// Forecasts the value after a position as the sum of the last Window() values
// divided by Window(), also when fewer values exist. Reads only y; the series
// must outlive the forecaster.
class TMovingAverage {
 public:
  // The window starts at a tenth of the series' length, at least 2.
  explicit TMovingAverage(const TSampleData& series);
  // Over values read in place; they must outlive the forecaster.
  explicit TMovingAverage(std::span<const double> values);

  // Windows below 2 become 2.
  void SetWindow(std::int32_t k);
  std::int32_t Window() const { return window_; }

  // The forecast after sample a; positions past the end count as the last one.
  double ForecastAt(std::int32_t a) const;
  double Forecast() const;

 private:
  TForecastValues series_;
  std::int32_t window_ = 2;
};

}  // namespace fendrel
