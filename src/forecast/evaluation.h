#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/progress.h"
#include "forecast/band_forecast.h"
#include "forecast/forecaster.h"

namespace fendrel {

class TSampleData;

// What an evaluation is asked for: the window's method settings, the test
// span (the last testSpan samples) and at most maxOrigins origins per level.
struct TEvaluationSettings {
  TForecastSettings forecast;
  std::int32_t testSpan = 1;
  std::int32_t maxOrigins = 50;
  // The season of the simple seasonal forecast; 0 finds it in the samples
  // before the test span. Kept within 1 .. (count - testSpan) / 2.
  std::int32_t season = 0;
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
  // The best simple forecast's MAE at this step.
  double bestMae = 0.0;
};

// Quantiles of a step's errors over the origins: the 80 % interval [low80,
// high80] and the 95 % interval [low95, high95], to add to a forecast.
struct TInterval {
  double low80 = 0.0;
  double high80 = 0.0;
  double low95 = 0.0;
  double high95 = 0.0;
};

// How often the intervals held, measured honestly: for each origin with at
// least kCoverageHistory earlier ones, intervals from the earlier origins
// alone, against the level's steps there: the share of steps covered.
inline constexpr std::int32_t kCoverageHistory = 10;
struct TCoverage {
  std::int64_t steps = 0;
  double covered80 = 0.0;
  double covered95 = 0.0;
};

struct TLevelEvaluation {
  std::int32_t level = 0;
  std::int32_t horizon = 1;
  // Ascending; empty when the level cannot be evaluated.
  std::vector<std::int32_t> origins;
  // horizon values per origin, origin after origin: the samples origin ..
  // origin + horizon - 1 of the series rebuilt from the prefix before origin.
  std::vector<double> forecasts;
  // The samples they forecast, in the same order.
  std::vector<double> actual;
  TErrorMetrics method;
  TErrorMetrics naive;
  std::optional<double> relativeMae;
  // One entry per step of the horizon; empty when not evaluable.
  std::vector<THorizonErrors> perHorizon;

  // The simple forecasts' MAE over the same points; the seasonal naive one
  // is empty when not available (no season, or an origin within the first
  // season).
  std::optional<double> seasonalNaiveMae;
  double driftMae = 0.0;
  double meanMae = 0.0;
  // The available simple forecast with the smallest MAE; empty when not
  // evaluable.
  std::optional<TSimpleForecast> bestSimple;
  // The method's MAE over the best simple forecast's, and the two-sided
  // Diebold-Mariano p-value (Harvey-Leybourne-Newbold corrected) of their
  // absolute errors, one differential per origin.
  std::optional<double> relativeToBest;
  std::optional<double> pValue;
  // The sum of the samples before each origin, in index order: the mean
  // forecast's numerator.
  std::vector<double> sumsBefore;
  // The forecast of the horizon samples after the last one, from the last
  // (count / horizon) * horizon samples; empty when not evaluable.
  std::vector<double> next;

  bool Evaluable() const { return !origins.empty(); }
  // The level beats its best simple forecast, and not by chance (p < 0.05).
  bool BeatsBest() const;
  // The simple forecast `method` of the samples after origin o, step j.
  double Simple(const double* x, std::int32_t season, TSimpleForecast method, std::size_t o,
                std::int32_t j) const {
    return SimpleForecast(method, x, origins[o], j, season, sumsBefore[o]);
  }
};

struct TEvaluation {
  TEvaluationSettings settings;
  std::int32_t count = 0;
  // Level 0 up to the series' deepest reachable level, at least level 0.
  std::vector<TLevelEvaluation> levels;
  // The season the simple seasonal forecast used, and whether it was found
  // in the series rather than set.
  std::int32_t season = 1;
  bool seasonFound = true;
  // The sum of every sample in index order: the mean forecast of the next
  // block's numerator.
  double sumAll = 0.0;

  // The evaluable level with the smallest relative MAE, the lower level on a
  // tie; empty when no level has one.
  std::optional<std::int32_t> BestLevel() const;
  // The level that beats its best simple forecast with confidence and the
  // smallest relative-to-best MAE; empty when none does.
  std::optional<std::int32_t> VerdictLevel() const;
  // The level with the smallest relative-to-best MAE (the lower on a tie);
  // empty when no level has one.
  std::optional<std::int32_t> ClosestLevel() const;
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

// The two-sided p-value of the Diebold-Mariano test with the
// Harvey-Leybourne-Newbold correction for one step, on the differentials
// d_k (what R's dm.test gives for them with h = 1); empty with fewer than
// three or when they do not vary.
std::optional<double> DieboldMarianoPValue(const std::vector<double>& differentials);

// The coverage of the intervals over forecasts of h steps per origin, origin
// after origin: at each origin after the first kCoverageHistory, the
// intervals of each step come from the errors (actual - forecast) of the
// earlier origins alone, and a step counts as covered when forecast + low <=
// actual <= forecast + high. Empty with kCoverageHistory origins or fewer.
std::optional<TCoverage> HonestCoverage(const std::vector<double>& actual,
                                        const std::vector<double>& forecasts, std::int32_t h);

// A level's intervals per step, and their honest coverage (empty with
// kCoverageHistory origins or fewer). Worked out when asked, as only the
// level on show needs them; the steps are shared out among workers, each
// writing its own, so the bits do not depend on their number.
std::vector<TInterval> StepIntervals(const TLevelEvaluation& level);
std::optional<TCoverage> LevelCoverage(const TLevelEvaluation& level);

// The quantile p of sorted values, interpolated linearly at position
// p (n - 1), as numpy's default; 0 for no values.
double Quantile(const std::vector<double>& sorted, double p);

}  // namespace fendrel
