#include "forecast/evaluation.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>

#include "forecast/k_nearest_neighbor.h"
#include "forecast/moving_average.h"
#include "sample/sample_data.h"
#include "wavelet/wavelet.h"

namespace fendrel {

namespace {

std::size_t Size(std::int64_t n) { return static_cast<std::size_t>(n); }

// The mean absolute one-step change before the test span, the naive
// forecast's in-sample error that scales MASE.
std::optional<double> NaiveScale(const double* x, std::int32_t count, std::int32_t testSpan) {
  const std::int32_t before = count - testSpan;
  if (before < 2) return std::nullopt;
  double sum = 0.0;
  for (std::int32_t i = 1; i <= before - 1; ++i) sum = sum + std::fabs(x[i] - x[i - 1]);
  return sum / (before - 1);
}

// The window a forecaster over a band of `length` samples gets from the
// window-size spin: the spin's value, or the forecaster's own default.
std::int32_t WindowFor(const TForecastSettings& settings, std::int32_t length) {
  return settings.window > 0 ? settings.window : length / 10;
}

// Rough cost of one band forecast, to weigh the progress: the values it reads.
std::int64_t ForecastCost(const TForecastSettings& settings, std::int32_t length) {
  const std::int64_t window = std::max(WindowFor(settings, length), 2);
  if (settings.method == fmMovingAverage) return std::min<std::int64_t>(window, length) + 1;
  return window * std::max<std::int64_t>(length - window, 0) + length + 1;
}

// The origins of a level: multiples of the horizon h with 2h <= t,
// count - testSpan <= t and t + h <= count, the last maxOrigins of them.
std::vector<std::int32_t> Origins(std::int32_t count, const TEvaluationSettings& settings,
                                  std::int32_t h) {
  std::vector<std::int32_t> origins;
  const std::int64_t lowest =
      std::max<std::int64_t>(2 * std::int64_t{h}, count - settings.testSpan);
  const std::int64_t highest = (std::int64_t{count} - h) / h * h;
  if (count < h || highest < lowest) return origins;
  const std::int64_t first = (lowest + h - 1) / h * h;
  const std::int64_t available = highest >= first ? (highest - first) / h + 1 : 0;
  const std::int64_t kept = std::min<std::int64_t>(available, std::max(settings.maxOrigins, 1));
  for (std::int64_t k = kept - 1; k >= 0; --k) {
    origins.push_back(static_cast<std::int32_t>(highest - k * h));
  }
  return origins;
}

// Turns the values appended to the 2^level bands (band after band) into the
// samples they add to the rebuilt series, with the same sums and differences
// as the packet's steps up, so that the bits agree.
void RebuildBlock(double* values, double* scratch, std::int32_t h) {
  double* current = values;
  double* next = scratch;
  std::int32_t bands = h;
  std::int32_t width = 1;
  while (bands > 1) {
    for (std::int32_t i = 0; i < bands / 2; ++i) {
      const double* a = current + Size(2 * i) * Size(width);
      const double* d = a + width;
      double* out = next + Size(i) * Size(2 * width);
      for (std::int32_t c = 0; c < width; ++c) {
        out[2 * c] = a[c] + d[c];
        out[2 * c + 1] = a[c] - d[c];
      }
    }
    std::swap(current, next);
    bands /= 2;
    width *= 2;
  }
  if (current != values) std::copy_n(current, h, values);
}

// The forecast of band b's value after its first `length` samples, as "Do
// forecast" would make it on that band cut there: the forecasters read no
// sample after the position they forecast from.
double BandForecast(const TSampleData& band, std::int32_t length, const TForecastSettings& settings,
                    const TEvaluationProgress* progress) {
  const std::int32_t window = WindowFor(settings, length);
  if (settings.method == fmMovingAverage) {
    TMovingAverage forecaster(band);
    forecaster.SetWindow(window);
    return forecaster.ForecastAt(length - 1);
  }
  TKNearestNeighbor forecaster(band);
  forecaster.SetUseWindowAverage(settings.useWindowAverage);
  forecaster.SetWindow(window);
  // One forecast over a long band can take seconds.
  if (progress != nullptr) forecaster.SetCancel(progress->CancelFlag());
  return forecaster.ForecastAt(length - 1);
}

// Forecasts of one level, band after band, per origin; false once cancelled.
bool ForecastLevel(const TWavelet& wavelet, const TEvaluationSettings& settings,
                   TLevelEvaluation& result, TEvaluationProgress* progress) {
  const std::int32_t h = result.horizon;
  const std::int32_t longest = result.origins.back() / h;
  // Each band as a series of its own, cut after the last origin's prefix:
  // the forecasters take a series, and one copy per level serves every origin.
  std::vector<TSampleData> bands(Size(h));
  tbb::parallel_for(tbb::blocked_range<std::int32_t>(0, h, 256),
                    [&](const tbb::blocked_range<std::int32_t>& range) {
                      for (std::int32_t b = range.begin(); b != range.end(); ++b) {
                        const std::span<const double> values = wavelet.BandValues(b);
                        TSampleData& band = bands[Size(b)];
                        band.SetCountForOverwrite(longest);
                        std::copy_n(values.begin(), longest, band.YData());
                      }
                    });

  const std::int64_t items = std::int64_t{h} * static_cast<std::int64_t>(result.origins.size());
  result.forecasts.assign(Size(items), 0.0);
  std::atomic<bool> stopped{false};
  // One item is one band at one origin; each writes its own slot, so the
  // split among workers cannot change a bit. Ranges of about kRangeCost
  // values read keep the cancellation prompt and the progress moving.
  constexpr std::int64_t kRangeCost = std::int64_t{1} << 16;
  const std::int64_t grain =
      std::clamp<std::int64_t>(kRangeCost / ForecastCost(settings.forecast, longest), 1, 4096);
  tbb::parallel_for(
      tbb::blocked_range<std::int64_t>(0, items, Size(grain)),
      [&](const tbb::blocked_range<std::int64_t>& range) {
        std::int64_t done = 0;
        for (std::int64_t item = range.begin(); item != range.end(); ++item) {
          if (progress != nullptr && progress->Cancelled()) {
            stopped.store(true, std::memory_order_relaxed);
            break;
          }
          const std::int64_t origin = item / h;
          const auto b = static_cast<std::int32_t>(item % h);
          const std::int32_t length = result.origins[Size(origin)] / h;
          try {
            result.forecasts[Size(item)] =
                BandForecast(bands[Size(b)], length, settings.forecast, progress);
          } catch (const TForecastCancelled&) {
            stopped.store(true, std::memory_order_relaxed);
            break;
          }
          done += ForecastCost(settings.forecast, length);
        }
        if (progress != nullptr) progress->Advance(done);
      },
      tbb::simple_partitioner());
  if (stopped.load()) return false;

  const auto origins = static_cast<std::int32_t>(result.origins.size());
  tbb::parallel_for(tbb::blocked_range<std::int32_t>(0, origins),
                    [&](const tbb::blocked_range<std::int32_t>& range) {
                      std::vector<double> scratch(Size(h));
                      for (std::int32_t o = range.begin(); o != range.end(); ++o) {
                        RebuildBlock(result.forecasts.data() + Size(o) * Size(h), scratch.data(),
                                     h);
                      }
                    });
  return true;
}

void Score(const double* x, std::optional<double> scale, TLevelEvaluation& result) {
  const std::int32_t h = result.horizon;
  const std::size_t n = result.forecasts.size();
  std::vector<double> actual(n);
  std::vector<double> naive(n);
  for (std::size_t o = 0; o < result.origins.size(); ++o) {
    const std::int32_t t = result.origins[o];
    for (std::int32_t j = 0; j < h; ++j) {
      actual[o * Size(h) + Size(j)] = x[t + j];
      naive[o * Size(h) + Size(j)] = x[t - 1];
    }
  }
  result.method = Metrics(actual, result.forecasts, scale);
  result.naive = Metrics(actual, naive, scale);
  if (result.naive.mae != 0.0) result.relativeMae = result.method.mae / result.naive.mae;

  result.perHorizon.assign(Size(h), THorizonErrors{});
  std::vector<double> sums(4 * Size(h), 0.0);
  for (std::size_t o = 0; o < result.origins.size(); ++o) {
    for (std::size_t j = 0; j < Size(h); ++j) {
      const std::size_t k = o * Size(h) + j;
      const double e = actual[k] - result.forecasts[k];
      const double en = actual[k] - naive[k];
      double* s = sums.data() + 4 * j;
      s[0] = s[0] + std::fabs(e);
      s[1] = s[1] + e * e;
      s[2] = s[2] + std::fabs(en);
      s[3] = s[3] + en * en;
    }
  }
  const auto origins = static_cast<double>(result.origins.size());
  for (std::size_t j = 0; j < Size(h); ++j) {
    const double* s = sums.data() + 4 * j;
    result.perHorizon[j] = {s[0] / origins, std::sqrt(s[1] / origins), s[2] / origins,
                            std::sqrt(s[3] / origins)};
  }
}

}  // namespace

std::int32_t DefaultTestSpan(std::int32_t count) {
  return std::clamp(count / 5, 1, std::max(count - 1, 1));
}

std::optional<std::int32_t> TEvaluation::BestLevel() const {
  std::optional<std::int32_t> best;
  for (const TLevelEvaluation& level : levels) {
    if (!level.relativeMae) continue;
    if (!best || *level.relativeMae < *levels[Size(*best)].relativeMae) best = level.level;
  }
  return best;
}

TErrorMetrics Metrics(const std::vector<double>& actual, const std::vector<double>& forecast,
                      std::optional<double> scale) {
  TErrorMetrics metrics;
  const std::size_t n = std::min(actual.size(), forecast.size());
  if (n == 0) return metrics;
  double absolute = 0.0;
  double squared = 0.0;
  double relative = 0.0;
  std::size_t nonZero = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double e = actual[i] - forecast[i];
    absolute = absolute + std::fabs(e);
    squared = squared + e * e;
    if (actual[i] != 0.0) {
      relative = relative + std::fabs(e / actual[i]);
      ++nonZero;
    }
  }
  metrics.mae = absolute / static_cast<double>(n);
  metrics.rmse = std::sqrt(squared / static_cast<double>(n));
  if (nonZero > 0) metrics.mape = 100.0 * relative / static_cast<double>(nonZero);
  if (scale && *scale != 0.0) metrics.mase = metrics.mae / *scale;
  return metrics;
}

std::optional<TEvaluation> Evaluate(const TSampleData& series, const TEvaluationSettings& settings,
                                    TEvaluationProgress* progress) {
  TEvaluation evaluation;
  evaluation.settings = settings;
  const std::int32_t count = std::max(series.Count(), 0);
  evaluation.count = count;
  evaluation.settings.testSpan = std::clamp(settings.testSpan, 1, std::max(count - 1, 1));
  evaluation.settings.maxOrigins = std::max(settings.maxOrigins, 1);

  // The whole series goes down the levels once: a prefix that ends at a
  // multiple of 2^level has as its bands the first values of these bands.
  TWavelet wavelet;
  wavelet.Load(&series);
  const std::int32_t levels = std::max(wavelet.MaxLevel(), 1);
  std::int64_t total = 0;
  for (std::int32_t level = 0; level < levels; ++level) {
    TLevelEvaluation result;
    result.level = level;
    result.horizon = std::int32_t{1} << level;
    result.origins = Origins(count, evaluation.settings, result.horizon);
    for (const std::int32_t t : result.origins) {
      total += std::int64_t{result.horizon} * ForecastCost(settings.forecast, t / result.horizon);
    }
    evaluation.levels.push_back(std::move(result));
  }
  if (progress != nullptr) progress->Start(total);

  const std::optional<double> scale =
      NaiveScale(series.YData(), count, evaluation.settings.testSpan);
  for (TLevelEvaluation& result : evaluation.levels) {
    if (result.level > 0) wavelet.Decompose();
    if (!result.Evaluable()) continue;
    if (!ForecastLevel(wavelet, evaluation.settings, result, progress)) return std::nullopt;
    Score(series.YData(), scale, result);
  }
  if (progress != nullptr && progress->Cancelled()) return std::nullopt;
  return evaluation;
}

}  // namespace fendrel
