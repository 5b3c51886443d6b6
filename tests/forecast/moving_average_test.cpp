#include "forecast/moving_average.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "forecast_test_support.h"

namespace fendrel {
namespace {

TEST(MovingAverage, SumsTheLastWindowValuesBackwardsAndDividesByTheWindow) {
  const TSampleData ten = Series({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  TMovingAverage average(ten);
  EXPECT_EQ(average.Forecast(), 9.5);
  average.SetWindow(3);
  EXPECT_EQ(average.ForecastAt(4), 4.0);
  EXPECT_EQ(average.ForecastAt(1), 1.0);  // (2 + 1) / 3: too few values, same divisor
  const TSampleData three = Series({3, 6, 9});
  TMovingAverage shortSeries(three);
  shortSeries.SetWindow(5);
  EXPECT_EQ(shortSeries.Forecast(), 3.6);
  const TSampleData cancelling = Series({1, 1e16, -1e16});
  TMovingAverage backwards(cancelling);
  backwards.SetWindow(3);
  EXPECT_EQ(backwards.Forecast(), 1.0 / 3);  // front to back would give 0
  const TSampleData empty;
  EXPECT_EQ(TMovingAverage(empty).Forecast(), 0.0);
}

TEST(MovingAverage, WindowDefaultsToATenthAndNeverDropsBelowTwo) {
  for (const auto& [count, window] :
       {std::pair{0, 2}, {29, 2}, {30, 3}, {39, 3}, {100, 10}, {1000, 100}}) {
    const TSampleData series(count);
    EXPECT_EQ(TMovingAverage(series).Window(), window) << count;
  }
  const TSampleData series(5);
  TMovingAverage average(series);
  for (const auto& [k, window] : {std::pair{0, 2}, {1, 2}, {-7, 2}, {7, 7}}) {
    average.SetWindow(k);
    EXPECT_EQ(average.Window(), window) << k;
  }
}

TEST(MovingAverage, ExtremeWindowsAndPositionsStayInsideTheSeries) {
  const TSampleData series = Series({2, 4, 6});
  TMovingAverage average(series);
  average.SetWindow(std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(average.Forecast(), 12.0 / std::numeric_limits<std::int32_t>::max());
  average.SetWindow(2);
  EXPECT_EQ(average.ForecastAt(1000), 5.0);
  EXPECT_EQ(average.ForecastAt(std::numeric_limits<std::int32_t>::min()), 0.0);
}

}  // namespace
}  // namespace fendrel
