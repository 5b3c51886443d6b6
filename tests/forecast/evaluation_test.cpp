#include "forecast/evaluation.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "forecast_test_support.h"
#include "sample/sample_data.h"
#include "sunspots.h"
#include "support/worker_count.h"
#include "wavelet/wavelet.h"

namespace fendrel {
namespace {

// A wave with noise, rounded to quarters now and then so that the
// nearest-neighbour runs meet equal distances.
TSampleData Wavy(std::int32_t count) {
  TSampleData series;
  std::uint32_t state = 12345;
  for (std::int32_t i = 0; i < count; ++i) {
    state = state * 134775813u + 1u;
    const double noise = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
    double y = 3 * std::sin(i * 0.37) + noise;
    if (i % 3 == 0) y = std::round(y * 4) / 4;
    series.Append(i, y);
  }
  return series;
}

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// What the window shows for the samples t .. t + 2^level - 1 after opening
// the first t samples, stepping to the level, "Do forecast" and back to 0.
std::vector<double> WindowForecast(const TSampleData& series, std::int32_t t, std::int32_t level,
                                   const TForecastSettings& settings) {
  TSampleData prefix;
  for (std::int32_t i = 0; i < t; ++i) prefix.Append(i, series.GetY(i));
  TWavelet wavelet;
  wavelet.Load(&prefix);
  wavelet.SetLevel(level);
  ForecastBands(wavelet, settings);
  wavelet.SetLevel(0);
  const std::span<const double> rebuilt = wavelet.BandValues(0);
  return {rebuilt.begin() + t, rebuilt.begin() + t + (std::int32_t{1} << level)};
}

TEST(Evaluation, ForecastsAreWhatDoForecastGivesOnTheCutSeries) {
  const TForecastSettings methods[] = {{fmMovingAverage, 0, true},
                                       {fmMovingAverage, 3, true},
                                       {fmNearestNeighbor, 0, true},
                                       {fmNearestNeighbor, 4, true},
                                       {fmNearestNeighbor, 0, false}};
  std::int32_t compared = 0;
  for (const std::int32_t count : {37, 64, 101, 263}) {
    const TSampleData series = Wavy(count);
    for (const TForecastSettings& forecast : methods) {
      const TEvaluationSettings settings{forecast, count - 1, 7};
      const std::optional<TEvaluation> evaluation = Evaluate(series, settings);
      ASSERT_TRUE(evaluation);
      for (const TLevelEvaluation& level : evaluation->levels) {
        const auto h = static_cast<std::size_t>(level.horizon);
        for (std::size_t o = 0; o < level.origins.size(); ++o) {
          const std::vector<double> expected =
              WindowForecast(series, level.origins[o], level.level, forecast);
          for (std::size_t j = 0; j < h; ++j) {
            ASSERT_EQ(Bits(level.forecasts[o * h + j]), Bits(expected[j]))
                << "count " << count << " level " << level.level << " origin " << level.origins[o]
                << " step " << j;
          }
          ++compared;
        }
        // The next block: "Do forecast" on a file of the last whole blocks.
        if (!level.Evaluable()) continue;
        const std::int32_t kept = count / level.horizon * level.horizon;
        TSampleData tail;
        for (std::int32_t i = count - kept; i < count; ++i)
          tail.Append(tail.Count(), series.GetY(i));
        const std::vector<double> expected = WindowForecast(tail, kept, level.level, forecast);
        ASSERT_EQ(level.next.size(), h);
        for (std::size_t j = 0; j < h; ++j) {
          ASSERT_EQ(Bits(level.next[j]), Bits(expected[j]))
              << "count " << count << " level " << level.level << " next step " << j;
        }
      }
    }
  }
  EXPECT_GT(compared, 300);
}

TEST(Evaluation, SunspotForecastsAreWhatTheWindowShows) {
  TSampleData sunspots;
  for (const double y : kSunspots) sunspots.Append(sunspots.Count() + kSunspotFirstYear, y);
  ASSERT_EQ(sunspots.Count(), 309);
  for (const TForecastSettings forecast : {TForecastSettings{fmMovingAverage, 0, true},
                                           TForecastSettings{fmNearestNeighbor, 0, true}}) {
    const std::optional<TEvaluation> evaluation =
        Evaluate(sunspots, {forecast, DefaultTestSpan(309), 50});
    ASSERT_EQ(evaluation->levels.size(), 8u);
    EXPECT_EQ(evaluation->levels[0].origins.front(), 259);
    for (const TLevelEvaluation& level : evaluation->levels) {
      for (std::size_t o = 0; o < level.origins.size(); ++o) {
        const std::vector<double> expected =
            WindowForecast(sunspots, level.origins[o], level.level, forecast);
        const auto h = static_cast<std::size_t>(level.horizon);
        for (std::size_t j = 0; j < h; ++j) {
          ASSERT_EQ(Bits(level.forecasts[o * h + j]), Bits(expected[j]));
        }
      }
    }
  }
}

TEST(Evaluation, OriginsAreTheLastMultiplesOfTheHorizonInTheTestSpan) {
  const TSampleData series = Wavy(20);
  TEvaluationSettings settings{{}, DefaultTestSpan(20), 50};
  EXPECT_EQ(settings.testSpan, 4);
  std::optional<TEvaluation> evaluation = Evaluate(series, settings);
  ASSERT_TRUE(evaluation);
  ASSERT_EQ(evaluation->levels.size(), 4u);
  EXPECT_EQ(evaluation->levels[0].origins, (std::vector<std::int32_t>{16, 17, 18, 19}));
  EXPECT_EQ(evaluation->levels[1].origins, (std::vector<std::int32_t>{16, 18}));
  EXPECT_EQ(evaluation->levels[2].origins, (std::vector<std::int32_t>{16}));
  EXPECT_FALSE(evaluation->levels[3].Evaluable());  // 16 + 8 > 20
  settings.maxOrigins = 1;
  settings.testSpan = 19;
  evaluation = Evaluate(series, settings);
  EXPECT_EQ(evaluation->levels[0].origins, (std::vector<std::int32_t>{19}));
  EXPECT_EQ(evaluation->levels[2].origins, (std::vector<std::int32_t>{16}));

  for (const std::int32_t count : {0, 1, 2}) {
    evaluation = Evaluate(Wavy(count), {{}, DefaultTestSpan(count), 50});
    ASSERT_EQ(evaluation->levels.size(), 1u) << count;
    EXPECT_FALSE(evaluation->levels[0].Evaluable());
    EXPECT_FALSE(evaluation->BestLevel());
  }
  // Three samples leave room for one forecast from the first two.
  evaluation = Evaluate(Wavy(3), {{}, DefaultTestSpan(3), 50});
  EXPECT_EQ(evaluation->levels[0].origins, (std::vector<std::int32_t>{2}));
}

TEST(Evaluation, MetricsOfHandWorkedErrors) {
  // Errors 1, -1, -3; the zero actual value has no share in MAPE.
  const TErrorMetrics metrics = Metrics({2, 0, -4}, {1, 1, -1}, 2.0);
  EXPECT_DOUBLE_EQ(metrics.mae, 5.0 / 3);
  EXPECT_DOUBLE_EQ(metrics.rmse, std::sqrt(11.0 / 3));
  EXPECT_DOUBLE_EQ(*metrics.mape, 62.5);
  EXPECT_DOUBLE_EQ(*metrics.mase, 5.0 / 6);
  EXPECT_FALSE(Metrics({0, 0}, {1, 2}, 1.0).mape);
  EXPECT_FALSE(Metrics({1, 2}, {1, 2}, 0.0).mase);
  EXPECT_FALSE(Metrics({1, 2}, {1, 2}, std::nullopt).mase);

  // x = 1 2 4 3 | 5 0, moving average over 2, the test span the last two.
  const std::optional<TEvaluation> evaluation =
      Evaluate(Series({1, 2, 4, 3, 5, 0}), {{fmMovingAverage, 2, true}, 2, 50});
  ASSERT_TRUE(evaluation);
  const TLevelEvaluation& one = evaluation->levels[0];
  EXPECT_EQ(one.forecasts, (std::vector<double>{3.5, 4}));
  EXPECT_DOUBLE_EQ(one.method.mae, 2.75);
  EXPECT_DOUBLE_EQ(one.method.rmse, std::sqrt(9.125));
  EXPECT_DOUBLE_EQ(*one.method.mape, 30);
  EXPECT_DOUBLE_EQ(*one.method.mase, 2.75 / (4.0 / 3));
  EXPECT_DOUBLE_EQ(one.naive.mae, 3.5);
  EXPECT_DOUBLE_EQ(one.naive.rmse, std::sqrt(14.5));
  EXPECT_DOUBLE_EQ(*one.naive.mape, 40);
  EXPECT_DOUBLE_EQ(*one.relativeMae, 2.75 / 3.5);
  // Bands 1.5 3.5 and -0.5 0.5 forecast 2.5 and 0: both samples 2.5.
  const TLevelEvaluation& two = evaluation->levels[1];
  EXPECT_EQ(two.origins, (std::vector<std::int32_t>{4}));
  EXPECT_EQ(two.forecasts, (std::vector<double>{2.5, 2.5}));
  EXPECT_DOUBLE_EQ(*two.relativeMae, 1.0);
  ASSERT_EQ(two.perHorizon.size(), 2u);
  EXPECT_DOUBLE_EQ(two.perHorizon[0].mae, 2.5);
  EXPECT_DOUBLE_EQ(two.perHorizon[0].naiveMae, 2);
  EXPECT_DOUBLE_EQ(two.perHorizon[1].naiveRmse, 3);
  EXPECT_EQ(evaluation->BestLevel(), 0);

  // A constant series: the naive forecast is exact, and there is no scale.
  const std::optional<TEvaluation> flat = Evaluate(Series({3, 3, 3, 3, 3, 3}), {{}, 2, 50});
  EXPECT_EQ(flat->levels[0].naive.mae, 0.0);
  EXPECT_FALSE(flat->levels[0].relativeMae);
  EXPECT_FALSE(flat->levels[0].method.mase);
  EXPECT_FALSE(flat->BestLevel());
  // Too little before the test span for a scale.
  EXPECT_FALSE(Evaluate(Series({1, 2, 0, 5}), {{}, 3, 50})->levels[0].method.mase);
}

TEST(Evaluation, SameBitsForAnyNumberOfWorkers) {
  const TSampleData series = Wavy(3000);
  for (const TForecastSettings forecast : {TForecastSettings{fmNearestNeighbor, 0, true},
                                           TForecastSettings{fmMovingAverage, 0, true}}) {
    const TEvaluationSettings settings{forecast, 1500, 50};
    std::vector<std::uint64_t> reference;
    for (const int workers : kWorkerCounts) {
      const std::optional<TEvaluation> evaluation =
          WithWorkers(workers, [&] { return Evaluate(series, settings); });
      ASSERT_TRUE(evaluation);
      std::vector<std::uint64_t> bits;
      for (const TLevelEvaluation& level : evaluation->levels) {
        for (const double f : level.forecasts) bits.push_back(Bits(f));
        bits.push_back(Bits(level.method.rmse));
        bits.push_back(Bits(level.method.mase.value_or(-1)));
        bits.push_back(Bits(level.method.mape.value_or(-1)));
        for (const THorizonErrors& errors : level.perHorizon) {
          bits.push_back(Bits(errors.rmse));
          bits.push_back(Bits(errors.bestMae));
        }
        const std::vector<TInterval> intervals =
            WithWorkers(workers, [&] { return StepIntervals(level); });
        for (const TInterval& i : intervals) {
          for (const double v : {i.low80, i.high80, i.low95, i.high95}) bits.push_back(Bits(v));
        }
        for (const double f : level.next) bits.push_back(Bits(f));
        bits.push_back(Bits(level.driftMae));
        bits.push_back(Bits(level.meanMae));
        bits.push_back(Bits(level.seasonalNaiveMae.value_or(-1)));
        bits.push_back(Bits(level.pValue.value_or(-1)));
        bits.push_back(Bits(level.relativeToBest.value_or(-1)));
        const std::optional<TCoverage> coverage =
            WithWorkers(workers, [&] { return LevelCoverage(level); });
        bits.push_back(Bits(coverage ? coverage->covered80 : -1));
        bits.push_back(Bits(coverage ? coverage->covered95 : -1));
      }
      bits.push_back(static_cast<std::uint64_t>(evaluation->season));
      if (reference.empty()) reference = bits;
      EXPECT_EQ(bits, reference) << workers << " workers";
    }
  }
}

TEST(Evaluation, CancelStopsTheWork) {
  const TSampleData series = Wavy(40000);
  const TEvaluationSettings settings{{fmNearestNeighbor, 0, true}, 8000, 50};
  TEvaluationProgress before;
  before.Cancel();
  EXPECT_FALSE(Evaluate(series, settings, &before));

  TEvaluationProgress progress;
  std::thread watcher([&] {
    while (progress.Fraction() == 0.0) std::this_thread::yield();
    progress.Cancel();
  });
  const std::optional<TEvaluation> evaluation = Evaluate(series, settings, &progress);
  watcher.join();
  EXPECT_FALSE(evaluation);
  EXPECT_LT(progress.Fraction(), 1.0);
}

}  // namespace
}  // namespace fendrel
