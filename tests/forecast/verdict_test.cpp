#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "forecast/evaluation.h"
#include "forecast/forecaster.h"
#include "forecast/season.h"
#include "forecast_test_support.h"
#include "support/worker_count.h"

namespace fendrel {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A period of `period` samples plus noise of about a tenth of its amplitude.
std::vector<double> Periodic(std::int32_t count, std::int32_t period, double noise) {
  std::vector<double> x;
  std::uint32_t state = 777;
  for (std::int32_t i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    const double u = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
    x.push_back(std::sin(2 * kPi * i / period) + noise * u);
  }
  return x;
}

TEST(Season, FoundInPeriodicSeriesAndNotInNoise) {
  for (const std::int32_t period : {7, 12, 52}) {
    const std::vector<double> x = Periodic(1000, period, 1.0 / period);
    EXPECT_EQ(FindSeason(x.data(), 1000), period) << period;
  }
  const std::vector<double> noise = Periodic(1000, 1, 1.0);  // sin(2 pi i) is 0: noise alone
  EXPECT_EQ(FindSeason(noise.data(), 1000), 1);
  const std::vector<double> constant(100, 4.0);
  EXPECT_EQ(FindSeason(constant.data(), 100), 1);
  // Fifteen samples of a clean period of 4: too few to look.
  const std::vector<double> short_ = Periodic(15, 4, 0.0);
  EXPECT_EQ(FindSeason(short_.data(), 15), 1);
  EXPECT_EQ(FindSeason(Periodic(16, 4, 0.0).data(), 16), 4);

  // Equal peaks: the smaller lag. A peak below 0.3 or beside a higher
  // neighbour does not count; the last lag is a peak when it tops its
  // predecessor.
  EXPECT_EQ(SeasonOf({1, 0, 0.5, 0, 0.5, 0}, 5), 2);
  EXPECT_EQ(SeasonOf({1, 0, 0.29, 0, 0.2, 0}, 5), 1);
  EXPECT_EQ(SeasonOf({1, 0, 0.4, 0.5, 0.45, 0.1}, 5), 3);
  EXPECT_EQ(SeasonOf({1, 0, 0.4, 0.35, 0.6}, 4), 4);
  EXPECT_EQ(SeasonOf({0, 0, 0.4, 0}, 3), 1);
}

TEST(Season, EveryLagIsItsOwnSumInIndexOrder) {
  const std::vector<double> x = Periodic(3001, 12, 0.7);
  std::vector<double> d;
  double sum = 0.0;
  for (std::size_t i = 1; i < x.size(); ++i) sum = sum + (x[i] - x[i - 1]);
  const double mean = sum / static_cast<double>(x.size() - 1);
  for (std::size_t i = 1; i < x.size(); ++i) d.push_back((x[i] - x[i - 1]) - mean);
  for (const int workers : kWorkerCounts) {
    const std::vector<double> c =
        WithWorkers(workers, [&] { return ChangeAutocovariances(x.data(), 3001, 400); });
    ASSERT_EQ(c.size(), 401u);
    for (std::size_t k = 0; k <= 400; ++k) {
      double expected = 0.0;
      for (std::size_t i = k; i < d.size(); ++i) expected = expected + d[i] * d[i - k];
      ASSERT_EQ(std::bit_cast<std::uint64_t>(c[k]), std::bit_cast<std::uint64_t>(expected))
          << "lag " << k << ", " << workers << " workers";
    }
  }
}

TEST(Verdict, SimpleForecastsOfAHandWorkedSeries) {
  const double x[] = {1, 2, 4, 3, 5, 0};
  EXPECT_EQ(SimpleForecast(sfNaive, x, 4, 1, 2, 10), 3);
  EXPECT_EQ(SimpleForecast(sfSeasonalNaive, x, 4, 0, 2, 10), 4);
  EXPECT_EQ(SimpleForecast(sfSeasonalNaive, x, 4, 1, 2, 10), 3);
  EXPECT_EQ(SimpleForecast(sfSeasonalNaive, x, 4, 2, 2, 10), 4);
  EXPECT_EQ(SimpleForecast(sfSeasonalNaive, x, 4, 0, 3, 10), 2);
  EXPECT_DOUBLE_EQ(SimpleForecast(sfDrift, x, 4, 1, 2, 10), 3 + 2 * 2.0 / 3);
  EXPECT_EQ(SimpleForecast(sfMean, x, 4, 1, 2, 10), 2.5);

  // The last two samples tested; season 2 set. Seasonal naive forecasts 4
  // and 3 (MAE 2) beat the naive 3 and 5 (3.5), drift 11/3 and 6 (11/3) and
  // mean 2.5 and 3 (2.75); two origins give no p-value.
  TEvaluationSettings settings{{fmMovingAverage, 2, true}, 2, 50, 2};
  std::optional<TEvaluation> evaluation = Evaluate(Series({1, 2, 4, 3, 5, 0}), settings);
  const TLevelEvaluation& one = evaluation->levels[0];
  EXPECT_EQ(evaluation->season, 2);
  EXPECT_FALSE(evaluation->seasonFound);
  EXPECT_DOUBLE_EQ(*one.seasonalNaiveMae, 2);
  EXPECT_DOUBLE_EQ(one.driftMae, 11.0 / 3);
  EXPECT_DOUBLE_EQ(one.meanMae, 2.75);
  EXPECT_EQ(one.bestSimple, sfSeasonalNaive);
  EXPECT_DOUBLE_EQ(*one.relativeToBest, 2.75 / 2);
  EXPECT_FALSE(one.pValue);
  EXPECT_DOUBLE_EQ(one.perHorizon[0].bestMae, 2);
  // A season longer than the samples before an origin: not available.
  settings.season = 5;
  evaluation = Evaluate(Series({1, 2, 4, 3, 5, 0}), settings);
  EXPECT_EQ(evaluation->season, 2);  // at most half of the four samples before the span
  settings.testSpan = 5;
  evaluation = Evaluate(Series({1, 2, 4, 3, 5, 0}), settings);
  EXPECT_FALSE(evaluation->levels[0].seasonalNaiveMae);
  EXPECT_NE(evaluation->levels[0].bestSimple, sfSeasonalNaive);
}

TEST(Verdict, DieboldMarianoAgainstTheTDistribution) {
  EXPECT_FALSE(DieboldMarianoPValue({1, 2}));
  EXPECT_FALSE(DieboldMarianoPValue({0.5, 0.5, 0.5, 0.5}));
  // d = 0 0 0 0 c: mean c/5, gamma 4c^2/25, DM = 1 with 4 degrees of
  // freedom, where P(T > t) = 1/2 - (3/4)(u - u^3/3), u = t / sqrt(t^2 + 4).
  const double u = 1 / std::sqrt(5.0);
  EXPECT_NEAR(*DieboldMarianoPValue({0, 0, 0, 0, 3}), 1 - 1.5 * (u - u * u * u / 3), 1e-14);
  EXPECT_NEAR(*DieboldMarianoPValue({0, 0, 0, 0, -3}), 1 - 1.5 * (u - u * u * u / 3), 1e-14);
  // Shifted by a, DM = 1 + 5a: at the table's 2.7764451 for 4 degrees of
  // freedom, p = 0.05.
  const double a = (2.7764451051977987 - 1) / 5;
  EXPECT_NEAR(*DieboldMarianoPValue({a, a, a, a, 1 + a}), 0.05, 1e-12);
}

TEST(Verdict, QuantilesAndHonestCoverage) {
  EXPECT_EQ(Quantile({}, 0.5), 0);
  EXPECT_EQ(Quantile({7}, 0.9), 7);
  EXPECT_DOUBLE_EQ(Quantile({1, 2, 3, 4}, 0.10), 1.3);
  EXPECT_DOUBLE_EQ(Quantile({1, 2, 3, 4}, 0.90), 3.7);
  EXPECT_DOUBLE_EQ(Quantile({1, 2, 3, 4}, 0.025), 1.075);
  EXPECT_DOUBLE_EQ(Quantile({1, 2, 3, 4}, 0.975), 3.925);

  // Forecasts 100, errors 1 .. 10 at the first ten origins. At the 11th,
  // error 9.5: 80 % interval [1.9, 9.1] misses, 95 % [1.225, 9.775] holds.
  // At the 12th, error 5: [2, 9.5] and [1.25, 9.875] both hold.
  std::vector<double> actual;
  for (int e = 1; e <= 10; ++e) actual.push_back(100 + e);
  actual.push_back(109.5);
  actual.push_back(105);
  const std::vector<double> forecasts(12, 100.0);
  const std::optional<TCoverage> coverage = HonestCoverage(actual, forecasts, 1);
  ASSERT_TRUE(coverage);
  EXPECT_EQ(coverage->steps, 2);
  EXPECT_EQ(coverage->covered80, 0.5);
  EXPECT_EQ(coverage->covered95, 1.0);
  // Two steps per origin: each step has its own history.
  std::vector<double> twoActual;
  std::vector<double> twoForecasts;
  for (std::size_t o = 0; o < 12; ++o) {
    twoActual.insert(twoActual.end(), {actual[o], 200 - actual[o]});
    twoForecasts.insert(twoForecasts.end(), {100, 100});
  }
  EXPECT_EQ(HonestCoverage(twoActual, twoForecasts, 2)->covered80, 0.5);
  actual.resize(11);
  EXPECT_EQ(HonestCoverage(actual, std::vector<double>(11, 100.0), 1)->steps, 1);
  actual.resize(10);
  EXPECT_FALSE(HonestCoverage(actual, std::vector<double>(10, 100.0), 1));
}

}  // namespace
}  // namespace fendrel
