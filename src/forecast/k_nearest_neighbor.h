#pragma once

#include <atomic>
#include <cstdint>
#include <exception>

#include "core/progress.h"
#include "forecast/forecast_values.h"

namespace fendrel {

// A forecast given up because its caller asked it to stop.
struct TForecastCancelled : TCancelled {
  const char* what() const noexcept override { return "Forecast cancelled"; }
};

// Forecasts the value after a position by analogy: the last Window() values
// are compared, by the sum of absolute differences, with every earlier run of
// as many consecutive values, and the values that followed the nearest runs
// give the forecast. Reads only y; the series must outlive the forecaster.
class TKNearestNeighbor {
 public:
  // The window starts at a tenth of the series' length, at least 2; window
  // averaging starts on.
  explicit TKNearestNeighbor(const TSampleData& series);
  // Over values read in place; they must outlive the forecaster.
  explicit TKNearestNeighbor(std::span<const double> values);

  // Windows below 2 become 2.
  void SetWindow(std::int32_t k);
  std::int32_t Window() const { return window_; }

  // On: the mean of the values that followed the Window() nearest runs.
  // Off: the value that followed the nearest run.
  void SetUseWindowAverage(bool on) { useWindowAverage_ = on; }
  bool UseWindowAverage() const { return useWindowAverage_; }

  // The forecast after sample a; positions past the end count as the last one.
  // Runs are ordered by distance, then by the value that followed them, NaN
  // after every number in both. Without any earlier run to compare (the series
  // up to a is no longer than the window) the forecast repeats y(a), or is 0
  // when there is no sample at all.
  double ForecastAt(std::int32_t a) const;
  double Forecast() const;

  // A flag looked at while the distances are summed, so that a long
  // forecast can be stopped: once it is set, ForecastAt throws
  // TForecastCancelled. The flag must outlive the forecasts.
  void SetCancel(const std::atomic<bool>* flag) { cancel_ = flag; }

 private:
  TForecastValues series_;
  std::int32_t window_ = 2;
  bool useWindowAverage_ = true;
  const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace fendrel
