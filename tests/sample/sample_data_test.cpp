#include "sample/sample_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "sample/random.h"

namespace fendrel {
namespace {

TEST(RandomGenerator, FirstDrawsFromStateZero) {
  SetRandomState(0);
  EXPECT_EQ(RandomInt(50), 0);
  EXPECT_EQ(RandomState(), 1u);

  SetRandomState(0);
  EXPECT_EQ(RandomReal(), std::ldexp(1.0, -32));
  EXPECT_EQ(RandomReal(), (134775813.0 + 1.0) * std::ldexp(1.0, -32));
  EXPECT_EQ(RandomState(), 134775814u);
}

TEST(RandomGenerator, IntIsUpperHalfOfProduct) {
  SetRandomState(0xFFFFFFFEu);  // next state: 0xFFFFFFFE * 134775813 + 1 (mod 2^32)
  const std::uint32_t next = 0xFFFFFFFEu * 134775813u + 1u;
  EXPECT_EQ(RandomInt(50), static_cast<std::int32_t>((std::uint64_t{next} * 50u) >> 32));
  for (int k = 0; k < 1000; ++k) {
    const auto v = RandomInt(7);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 7);
    const double r = RandomReal();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
  }
}

TEST(GenerateSine, FrequencyOneFromStateZero) {
  SetRandomState(0);
  TSampleData s(3);
  s.GenerateSine();
  EXPECT_EQ(s.GetY(0), 0.0);
  EXPECT_EQ(s.GetY(1), std::sin(1.0));
  EXPECT_EQ(s.GetY(2), std::sin(2.0));
  EXPECT_EQ(s.GetX(2), 2.0);

  TSampleData empty;
  SetRandomState(0);
  empty.GenerateSine();
  EXPECT_EQ(RandomState(), 1u);  // one draw even with nothing to fill
  EXPECT_EQ(empty.Count(), 0);
}

TEST(GenerateRandom, KeepsDrawOrder) {
  SetRandomState(0);
  TSampleData s(4);
  s.GenerateRandom();
  SetRandomState(0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s.GetX(i), i);
    EXPECT_EQ(s.GetY(i), RandomReal());
  }
}

TEST(SampleData, SetCountKeepsAndZeroFills) {
  TSampleData s(3);
  for (int i = 0; i < 3; ++i) {
    s.SetX(i, i + 1);
    s.SetY(i, -i - 1);
  }
  s.SetCount(5);
  ASSERT_EQ(s.Count(), 5);
  EXPECT_EQ(s.GetX(2), 3.0);
  EXPECT_EQ(s.GetY(2), -3.0);
  EXPECT_EQ(s.GetX(4), 0.0);
  EXPECT_EQ(s.GetY(3), 0.0);
  s.SetCount(2);
  ASSERT_EQ(s.Count(), 2);
  EXPECT_EQ(s.GetY(1), -2.0);
  s.Append(7, 8);
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.GetX(2), 7.0);
  EXPECT_EQ(s.GetY(2), 8.0);
}

// A plain resize clears new numbers even where freed memory full of other
// numbers comes back; only the explicit overwrite path skips that.
TEST(HugePageAllocator, ResizeValueInitialises) {
  using Values = std::vector<double, HugePageAllocator<double>>;
  for (const std::size_t count : {std::size_t{100}, std::size_t{1} << 20}) {
    for (int round = 0; round < 4; ++round) {
      { Values dirty(count, 7.0); }
      Values values;
      values.resize(count);
      ASSERT_EQ(std::count(values.begin(), values.end(), 0.0), static_cast<long>(count));
    }
  }
  Values values(3, 1.0);
  ResizeForOverwrite(values, 5);
  EXPECT_EQ(values.size(), 5u);
  EXPECT_EQ(values[2], 1.0);
  values.resize(8);
  EXPECT_EQ(values[7], 0.0);
}

// The exchange sort the order is defined by, for comparing on NaN-free data.
void ExchangeSort(TSampleData& s) {
  for (int i = 0; i + 1 < s.Count(); ++i) {
    for (int j = i + 1; j < s.Count(); ++j) {
      if (s.GetX(i) > s.GetX(j)) {
        const double x = s.GetX(i), y = s.GetY(i);
        s.SetX(i, s.GetX(j));
        s.SetY(i, s.GetY(j));
        s.SetX(j, x);
        s.SetY(j, y);
      } else if (s.GetX(i) == s.GetX(j) && s.GetY(i) > s.GetY(j)) {
        const double y = s.GetY(i);
        s.SetY(i, s.GetY(j));
        s.SetY(j, y);
      }
    }
  }
}

TEST(SampleDataSort, OrdersByXThenY) {
  TSampleData s;
  s.Append(2, 1);
  s.Append(1, 5);
  s.Append(1, 3);
  s.Sort();
  EXPECT_EQ(s.GetX(0), 1.0);
  EXPECT_EQ(s.GetY(0), 3.0);
  EXPECT_EQ(s.GetX(1), 1.0);
  EXPECT_EQ(s.GetY(1), 5.0);
  EXPECT_EQ(s.GetX(2), 2.0);
  EXPECT_EQ(s.GetY(2), 1.0);
}

TEST(SampleDataSort, MatchesExchangeSortOnRandomData) {
  SetRandomState(12345);
  for (int round = 0; round < 50; ++round) {
    TSampleData a;
    const int n = RandomInt(60);
    for (int i = 0; i < n; ++i) a.Append(RandomInt(8), RandomInt(5));
    TSampleData b = a;
    a.Sort();
    ExchangeSort(b);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(a.GetX(i), b.GetX(i));
      ASSERT_EQ(a.GetY(i), b.GetY(i));
    }
  }
}

TEST(SampleDataSort, NaNSortsLastAndIsDeterministic) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  TSampleData s;
  s.Append(nan, 1);
  s.Append(3, nan);
  s.Append(3, 2);
  s.Append(-1, 0);
  s.Sort();
  EXPECT_EQ(s.GetX(0), -1.0);
  EXPECT_EQ(s.GetX(1), 3.0);
  EXPECT_EQ(s.GetY(1), 2.0);
  EXPECT_EQ(s.GetX(2), 3.0);
  EXPECT_TRUE(std::isnan(s.GetY(2)));
  EXPECT_TRUE(std::isnan(s.GetX(3)));
}

}  // namespace
}  // namespace fendrel
