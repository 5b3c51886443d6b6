#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/progress.h"
#include "forecast/band_forecast.h"

namespace fendrel {

class TSampleData;

// What an evaluation is asked for: the window's method settings, the test
// span (the last testSpan samples) and at most maxOrigins origins per level.
struct TEvaluationSettings {
  TForecastSettings forecast;
  std::int32_t testSpan = 1;
  std::int32_t maxOrigins = 50;
};

// A fifth of the series, kept within 1 .. count - 1 (1 for a series that
// has no room for a span at all).
std::int32_t DefaultTestSpan(std::int32_t count);

// The accuracy of one set of forecasts. An empty optional is a measure that
// is not defined for these errors (no non-zero actual value for MAPE, no
// scale for MASE).
struct TErrorMetrics {
  double mae = 0.0;
  double rmse = 0.0;
  std::optional<double> mape;
  std::optional<double> mase;
};

// Errors of the forecasts j steps after their origins, j + 1 being the horizon.
struct THorizonErrors {
  double mae = 0.0;
  double rmse = 0.0;
  double naiveMae = 0.0;
  double naiveRmse = 0.0;
};

struct TLevelEvaluation {
  std::int32_t level = 0;
  std::int32_t horizon = 1;
  // Ascending; empty when the level cannot be evaluated.
  std::vector<std::int32_t> origins;
  // horizon values per origin, origin after origin: the samples origin ..
  // origin + horizon - 1 of the series rebuilt from the prefix before origin.
  std::vector<double> forecasts;
  TErrorMetrics method;
  TErrorMetrics naive;
  std::optional<double> relativeMae;
  // One entry per step of the horizon; empty when not evaluable.
  std::vector<THorizonErrors> perHorizon;

  bool Evaluable() const { return !origins.empty(); }
};

struct TEvaluation {
  TEvaluationSettings settings;
  std::int32_t count = 0;
  // Level 0 up to the series' deepest reachable level, at least level 0.
  std::vector<TLevelEvaluation> levels;

  // The evaluable level with the smallest relative MAE, the lower level on a
  // tie; empty when no level has one.
  std::optional<std::int32_t> BestLevel() const;
};

// How far an evaluation has come, and a request to stop it.
using TEvaluationProgress = TProgress;

// Rolling-origin evaluation of every level against the naive forecast. At
// each origin the forecasts come from the samples before it alone, exactly
// as "Do forecast" at that level on a series cut there would give them. The
// forecasts run on oneTBB's workers; every sum runs in one fixed order, so
// the result is the same bits for any number of workers. Empty when the
// progress was cancelled before the end.
std::optional<TEvaluation> Evaluate(const TSampleData& series, const TEvaluationSettings& settings,
                                    TEvaluationProgress* progress = nullptr);

// The metrics of errors actual[i] - forecast[i], summed in index order, with
// `scale` the mean one-step change before the test span (empty when it is
// not defined).
TErrorMetrics Metrics(const std::vector<double>& actual, const std::vector<double>& forecast,
                      std::optional<double> scale);

}  // namespace fendrel
