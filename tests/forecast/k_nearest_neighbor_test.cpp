#include "forecast/k_nearest_neighbor.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "forecast/block_distances.h"
#include "forecast_test_support.h"
#include "support/knn_reference.h"
#include "support/worker_count.h"

namespace fendrel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Forecast(const std::vector<double>& ys, std::int32_t k, bool average) {
  const TSampleData series = Series(ys);
  TKNearestNeighbor knn(series);
  knn.SetWindow(k);
  knn.SetUseWindowAverage(average);
  return knn.Forecast();
}

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
         (std::isnan(a) && std::isnan(b));
}

TEST(NearestNeighbor, WorkedExamples) {
  EXPECT_EQ(Forecast({3, 3, 3, 1, 0, 3}, 2, false), 1.0);  // equal distances: smaller value
  EXPECT_EQ(Forecast({3, 3, 3, 1, 0, 3}, 2, true), 2.0);
  EXPECT_EQ(Forecast({1, 2, 3}, 2, true), 3.0);  // one candidate: mean over one
  EXPECT_EQ(Forecast({1, 2, 3}, 2, false), 3.0);
  EXPECT_EQ(Forecast({0, 9, 0, 4, 0}, 2, true), 2.0);
  EXPECT_EQ(Forecast({0, 9, 0, 4, 0}, 2, false), 4.0);
  EXPECT_EQ(Forecast({0, 9, 0, 4, 0}, 3, true), 2.0);  // (4 + 0) / 2, not / 3
}

TEST(NearestNeighbor, WindowDefaultsToATenthAndAveragingStartsOn) {
  for (const auto& [count, window] : {std::pair{0, 2}, {29, 2}, {30, 3}, {100, 10}}) {
    const TSampleData series(count);
    const TKNearestNeighbor knn(series);
    EXPECT_EQ(knn.Window(), window) << count;
    EXPECT_TRUE(knn.UseWindowAverage());
  }
  const TSampleData series(3);
  TKNearestNeighbor knn(series);
  knn.SetWindow(1);
  EXPECT_EQ(knn.Window(), 2);
  knn.SetUseWindowAverage(false);
  EXPECT_FALSE(knn.UseWindowAverage());
}

TEST(NearestNeighbor, WithoutCandidatesRepeatsTheLastValue) {
  for (bool average : {true, false}) {
    EXPECT_EQ(Forecast({}, 2, average), 0.0);
    EXPECT_EQ(Forecast({7}, 2, average), 7.0);
    EXPECT_EQ(Forecast({1, 5}, 2, average), 5.0);
    EXPECT_EQ(Forecast({1, 2, 3, 4, 5}, 5, average), 5.0);
    EXPECT_EQ(Forecast({1, 2, 3}, std::numeric_limits<std::int32_t>::max(), average), 3.0);
  }
  const TSampleData series = Series({1, 2, 3});
  const TKNearestNeighbor knn(series);
  EXPECT_EQ(knn.ForecastAt(-1), 0.0);
  EXPECT_EQ(knn.ForecastAt(std::numeric_limits<std::int32_t>::min()), 0.0);
  EXPECT_EQ(knn.ForecastAt(1000), knn.Forecast());
}

TEST(NearestNeighbor, NaNDistancesAndValuesComeLast) {
  EXPECT_EQ(Forecast({kNaN, 3, 3, 1, 0, 3}, 2, false), 1.0);
  EXPECT_EQ(Forecast({kNaN, 3, 3, 1, 0, 3}, 2, true), 2.0);
  // Two runs at distance 0, followed by NaN and by 6.
  EXPECT_EQ(Forecast({1, 1, kNaN, 1, 1, 6, 1, 1}, 2, false), 6.0);
  EXPECT_TRUE(std::isnan(Forecast({1, 1, kNaN, 1, 1, 6, 1, 1}, 2, true)));
  // inf - inf is NaN: that run ends last, after the infinite distances.
  EXPECT_EQ(Forecast({kInf, 1, 0, kInf, 2}, 2, false), 2.0);
  EXPECT_EQ(Forecast({kInf, 1, 0, kInf, 2}, 2, true), kInf);
}

// The fast path must give the plain loop's answer bit for bit. Small integer
// values make equal distances common, so the tie rules are exercised too.
TEST(NearestNeighbor, MatchesThePlainComputation) {
  std::mt19937 random(11);
  auto uniform = [&random](std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(random);
  };
  for (int trial = 0; trial < 400; ++trial) {
    const bool large = trial % 20 == 0;
    std::vector<double> ys(static_cast<std::size_t>(uniform(0, large ? 1500 : 120)));
    const std::int32_t spread = uniform(1, 4);
    for (double& y : ys) y = uniform(0, spread) * 0.5;
    if (trial % 7 == 0 && !ys.empty()) ys[random() % ys.size()] = trial % 2 ? kNaN : kInf;
    const TSampleData series = Series(ys);
    const auto count = static_cast<std::int32_t>(ys.size());
    TKNearestNeighbor knn(series);
    knn.SetWindow(uniform(1, large ? 600 : count + 2));
    const std::int32_t a = uniform(0, 3) == 0 ? uniform(0, count) - 1 : count - 1;
    for (bool average : {true, false}) {
      knn.SetUseWindowAverage(average);
      const double fast = knn.ForecastAt(a);
      const double plain = a < knn.Window() ? (a < 0 ? 0.0 : ys[static_cast<std::size_t>(a)])
                                            : PlainForecastAt(series, a, knn.Window(), average);
      ASSERT_TRUE(SameBits(fast, plain))
          << "trial " << trial << " count " << count << " K " << knn.Window() << " a " << a
          << " average " << average << ": " << fast << " vs " << plain;
    }
  }
}

// Long series are split into blocks of candidates that workers take in any
// order; the answer must be the plain one, bit for bit, with 1, 2 or 8 of
// them. Few distinct values make ties common; NaN and infinity come late,
// in some block other than the first.
TEST(NearestNeighbor, SameBitsWithAnyNumberOfWorkers) {
  std::mt19937 random(3);
  for (const auto& [count, window] : {std::pair{12000, 40}, {9000, 3000}}) {
    for (int special = 0; special < 3; ++special) {
      std::vector<double> ys(static_cast<std::size_t>(count));
      for (double& y : ys) y = static_cast<double>(random() % 4) * 0.5;
      if (special == 1) ys[ys.size() * 3 / 4] = kNaN;
      if (special == 2) ys[ys.size() * 2 / 3] = kInf;
      const TSampleData series = Series(ys);
      for (bool average : {true, false}) {
        TKNearestNeighbor knn(series);
        knn.SetWindow(window);
        knn.SetUseWindowAverage(average);
        const double plain = PlainForecastAt(series, count - 1, window, average);
        for (int workers : kWorkerCounts) {
          const double fast = WithWorkers(workers, [&] { return knn.Forecast(); });
          EXPECT_TRUE(SameBits(fast, plain)) << count << " " << special << " " << average << " "
                                             << workers << ": " << fast << " vs " << plain;
        }
      }
    }
  }
}

TEST(NearestNeighbor, ACancelFlagStopsTheForecastOnlyOnceSet) {
  std::vector<double> ys(20000);
  for (std::size_t i = 0; i < ys.size(); ++i) ys[i] = std::sin(static_cast<double>(i) * 0.01);
  const TSampleData series = Series(ys);
  TKNearestNeighbor knn(series);
  const double uncancelled = knn.Forecast();
  std::atomic<bool> cancel{false};
  knn.SetCancel(&cancel);
  for (int workers : kWorkerCounts) {
    EXPECT_TRUE(SameBits(WithWorkers(workers, [&] { return knn.Forecast(); }), uncancelled));
  }
  cancel = true;
  for (int workers : kWorkerCounts) {
    EXPECT_THROW(WithWorkers(workers, [&] { return knn.Forecast(); }), TForecastCancelled);
  }
}

// Every vector width the processor has, lane by lane, including the early
// give-up once every lane is past the bound.
TEST(NearestNeighborBlocks, EveryVariantMatchesPlainSums) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> value(-1, 1);
  for (const BlockDistancesVariant& variant : BlockDistancesVariants()) {
    SCOPED_TRACE(variant.name);
    for (int trial = 0; trial < 60; ++trial) {
      const auto length = static_cast<std::int32_t>(random() % 700);
      std::vector<double> target(static_cast<std::size_t>(length));
      std::vector<double> runs(target.size() + kBlockLanes);
      for (double& v : target) v = value(random);
      for (double& v : runs) v = value(random);
      if (trial % 5 == 0) runs[random() % runs.size()] = trial % 2 ? kNaN : -kInf;
      const double bound = trial % 3 == 0 ? kNaN : length * 0.6;
      double out[kBlockLanes];
      const bool complete = variant.function(target.data(), runs.data(), length, bound, out);
      ASSERT_TRUE(complete || !std::isnan(bound));
      for (std::size_t lane = 0; lane < kBlockLanes; ++lane) {
        double plain = 0.0;
        for (std::size_t t = 0; t < target.size(); ++t) {
          plain = plain + std::fabs(target[t] - runs[lane + t]);
        }
        ASSERT_TRUE(complete ? SameBits(out[lane], plain) : !(plain <= bound))
            << "trial " << trial << " lane " << lane;
      }
    }
    std::vector<double> zeros(600, 0.0);
    std::vector<double> tens(600 + kBlockLanes, 10.0);
    double out[kBlockLanes];
    EXPECT_FALSE(variant.function(zeros.data(), tens.data(), 600, 5.0, out));
    EXPECT_TRUE(variant.function(zeros.data(), tens.data(), 600, 6000.0, out));
    EXPECT_EQ(out[kBlockLanes - 1], 6000.0);
  }
}

}  // namespace
}  // namespace fendrel
