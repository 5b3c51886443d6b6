#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "forecast/band_forecast.h"

namespace fendrel {

class TSampleData;

// The window a forecaster over `length` samples gets when none is set: a
// tenth of them (each forecaster raises it to at least 2).
constexpr std::int32_t AutomaticWindow(std::int32_t length) { return length / 10; }

// The window the settings give a forecaster over `length` samples: the
// window-size spin's value, or the automatic window when it is 0.
constexpr std::int32_t ForecastWindow(const TForecastSettings& settings, std::int32_t length) {
  return settings.window > 0 ? settings.window : AutomaticWindow(length);
}

// The one place the method settings become a forecaster: the forecast of the
// value after the first `length` samples of `band`, as "Do forecast" makes it
// for a band of that length. The forecasters read no later sample, so a band
// cut anywhere after them gives the same bits. A set cancel flag stops a long
// forecast with TForecastCancelled.
double ForecastAfter(std::span<const double> band, std::int32_t length,
                     const TForecastSettings& settings, const std::atomic<bool>* cancel = nullptr);
double ForecastAfter(const TSampleData& band, std::int32_t length,
                     const TForecastSettings& settings, const std::atomic<bool>* cancel = nullptr);

// The first sample ForecastAfter reads: a caller may leave the samples
// before it unwritten.
std::int32_t FirstRead(const TForecastSettings& settings, std::int32_t length);

// Rough cost of ForecastAfter, to weigh progress: the values it reads.
std::int64_t ForecastCost(const TForecastSettings& settings, std::int32_t length);

// The simple forecasts that a wavelet forecast must beat, in the order that
// settles ties.
enum class TSimpleForecast : std::uint8_t { sfNaive, sfSeasonalNaive, sfDrift, sfMean };
using enum TSimpleForecast;
inline constexpr int kSimpleForecastCount = 4;

// "naive", "seasonal naive", "drift", "mean".
const char* SimpleForecastName(TSimpleForecast method);

// The simple forecast of x[t + j] from the samples before origin t (t >= 2):
// naive x[t - 1]; seasonal naive the sample a whole number of seasons
// before, within the last season before t (season >= 2, t >= season);
// drift the line from x[0] through x[t - 1]; mean sumBefore / t, with
// sumBefore the sum of x[0 .. t - 1] in index order.
inline double SimpleForecast(TSimpleForecast method, const double* x, std::int32_t t,
                             std::int32_t j, std::int32_t season, double sumBefore) {
  switch (method) {
    case sfNaive:
      return x[t - 1];
    case sfSeasonalNaive:
      return x[t + j - season * (j / season + 1)];
    case sfDrift:
      return x[t - 1] + static_cast<double>(j + 1) * (x[t - 1] - x[0]) / (t - 1);
    case sfMean:
      return sumBefore / t;
  }
  return 0.0;
}

}  // namespace fendrel
