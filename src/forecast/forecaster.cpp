#include "forecast/forecaster.h"

#include <algorithm>

#include "forecast/k_nearest_neighbor.h"
#include "forecast/moving_average.h"
#include "sample/sample_data.h"

namespace fendrel {

double ForecastAfter(std::span<const double> band, std::int32_t length,
                     const TForecastSettings& settings, const std::atomic<bool>* cancel) {
  const std::int32_t window = ForecastWindow(settings, length);
  if (settings.method == fmMovingAverage) {
    TMovingAverage forecaster(band);
    forecaster.SetWindow(window);
    return forecaster.ForecastAt(length - 1);
  }
  TKNearestNeighbor forecaster(band);
  forecaster.SetUseWindowAverage(settings.useWindowAverage);
  forecaster.SetWindow(window);
  forecaster.SetCancel(cancel);
  return forecaster.ForecastAt(length - 1);
}

double ForecastAfter(const TSampleData& band, std::int32_t length,
                     const TForecastSettings& settings, const std::atomic<bool>* cancel) {
  const std::span<const double> values(band.YData(),
                                       static_cast<std::size_t>(std::max(band.Count(), 0)));
  return ForecastAfter(values, length, settings, cancel);
}

std::int32_t FirstRead(const TForecastSettings& settings, std::int32_t length) {
  if (settings.method != fmMovingAverage) return 0;
  return std::max(length - std::max(ForecastWindow(settings, length), 2), 0);
}

std::int64_t ForecastCost(const TForecastSettings& settings, std::int32_t length) {
  const std::int64_t window = std::max(ForecastWindow(settings, length), 2);
  if (settings.method == fmMovingAverage) return std::min<std::int64_t>(window, length) + 1;
  return window * std::max<std::int64_t>(length - window, 0) + length + 1;
}

const char* SimpleForecastName(TSimpleForecast method) {
  switch (method) {
    case sfNaive:
      return "naive";
    case sfSeasonalNaive:
      return "seasonal naive";
    case sfDrift:
      return "drift";
    case sfMean:
      return "mean";
  }
  return "";
}

}  // namespace fendrel
