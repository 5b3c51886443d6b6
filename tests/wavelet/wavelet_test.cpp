#include "wavelet/wavelet.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "support/worker_count.h"

namespace fendrel {
namespace {

using Values = std::vector<double>;
using Bands = std::vector<Values>;

TSampleData Series(const Values& ys) {
  TSampleData series;
  for (double y : ys) series.Append(100.0 - y, y);  // x must not be copied
  return series;
}

Values BandY(TWavelet& packet, std::int32_t i) {
  const TSampleData* band = packet.GetBand(i);
  for (std::int32_t c = 0; c < band->Count(); ++c) EXPECT_EQ(band->GetX(c), c);
  return Values(band->YData(), band->YData() + band->Count());
}

// One step down or up, one vector per band, written as plainly as possible.
Bands PlainStep(const Bands& bands, bool down) {
  Bands next;
  for (std::size_t i = 0; i < bands.size(); i += down ? 1 : 2) {
    const std::size_t m = down ? bands[0].size() / 2 : bands[0].size();
    Values first(m), second(m);
    for (std::size_t c = 0; c < m; ++c) {
      const double p = down ? bands[i][2 * c] : bands[i][c];
      const double q = down ? bands[i][2 * c + 1] : bands[i + 1][c];
      first[c] = down ? (p + q) / 2 : p + q;
      second[c] = down ? (p - q) / 2 : p - q;
    }
    if (down) {
      next.insert(next.end(), {first, second});
    } else {
      next.emplace_back();
      for (std::size_t c = 0; c < m; ++c)
        next.back().insert(next.back().end(), {first[c], second[c]});
    }
  }
  return next;
}

// Bit patterns, every NaN alike: the packet must store exactly the plain results.
std::vector<std::uint64_t> Bits(const Values& values) {
  std::vector<std::uint64_t> bits;
  for (double v : values) bits.push_back(std::isnan(v) ? 1 : std::bit_cast<std::uint64_t>(v));
  return bits;
}

void ExpectBands(TWavelet& packet, const Bands& expected) {
  ASSERT_EQ(packet.BandCount(), static_cast<std::int32_t>(expected.size()));
  for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
    ASSERT_EQ(Bits(BandY(packet, i)), Bits(expected[static_cast<std::size_t>(i)])) << "band " << i;
  }
}

TEST(WaveletHaar, SplitsIntoAveragesAndHalfDifferencesAndMergesBackLosingAnOddSample) {
  struct Case {
    Values series, averages, differences, rebuilt;
  };
  for (const Case& c : {Case{{4, 2, 5, 1}, {3, 3}, {1, 2}, {4, 2, 5, 1}},
                        Case{{1, 2, 3, 4, 5}, {1.5, 3.5}, {-0.5, -0.5}, {1, 2, 3, 4}}}) {
    TSampleData series = Series(c.series);
    TWavelet packet;
    packet.Load(&series);
    series.SetY(0, 99);  // the packet keeps a copy
    EXPECT_EQ(packet.MaxLevel(), 2);
    packet.SetLevel(1);
    packet.SetLevel(2);
    EXPECT_EQ(packet.Level(), 1);
    EXPECT_EQ(BandY(packet, 0), c.averages);
    EXPECT_EQ(BandY(packet, 1), c.differences);
    packet.SetLevel(0);
    EXPECT_EQ(BandY(packet, 0), c.rebuilt);
    packet.Load(packet.GetBand(0));  // a band may be loaded into its own packet
    EXPECT_EQ(BandY(packet, 0), c.rebuilt);
  }
}

TEST(WaveletLevels, MaxLevelIsTheIntegerLog2AndOnlyLevelsBelowItAreReached) {
  for (const auto& [count, maxLevel] :
       {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 1}, {100, 6}, {127, 6}, {128, 7}}) {
    const TSampleData series(count);
    TWavelet packet;
    packet.Load(&series);
    EXPECT_EQ(packet.MaxLevel(), maxLevel) << count;
    packet.SetLevel(maxLevel);
    packet.SetLevel(maxLevel - 1);
    packet.Decompose();
    EXPECT_EQ(packet.Level(), std::max(maxLevel - 1, 0)) << count;
    EXPECT_EQ(packet.GetBand(packet.BandCount()), nullptr);
  }
  TWavelet empty;
  EXPECT_EQ(empty.MaxLevel(), 0);
  EXPECT_EQ(empty.GetBand(0)->Count(), 0);
  EXPECT_EQ(empty.GetBand(-1), nullptr);
}

TEST(WaveletLevels, HundredSamplesHalveDownToThreeAndComeBackAsNinetySix) {
  const TSampleData series(100);
  TWavelet packet;
  packet.Load(&series);
  const std::int32_t lengths[] = {100, 50, 25, 12, 6, 3};
  for (std::int32_t level : {0, 1, 2, 5, 3, 4}) {
    packet.SetLevel(level);
    ASSERT_EQ(packet.BandCount(), 1 << level);
    EXPECT_EQ(packet.GetBand(packet.BandCount() - 1)->Count(), lengths[level]);
  }
  packet.SetLevel(-1);
  packet.SetLevel(0);
  packet.Reconstruct();
  EXPECT_EQ(packet.Level(), 0);
  EXPECT_EQ(packet.GetBand(0)->Count(), 96);
}

TEST(WaveletBands, ForecastsAppendedAtLevelThreeComeBackAsTheLastEightSamples) {
  Values ys(100);
  for (std::size_t i = 0; i < ys.size(); ++i) ys[i] = static_cast<double>((i * 37) % 11);
  const TSampleData series = Series(ys);
  TWavelet packet;
  packet.Load(&series);
  packet.SetLevel(3);
  for (std::int32_t i = 0; i < 8; ++i) packet.GetBand(i)->Append(12, i == 0 ? 1 : 0);
  packet.SetLevel(0);
  Values expected(ys.begin(), ys.begin() + 96);
  expected.insert(expected.end(), 8, 1.0);  // an average of 1 and no differences
  EXPECT_EQ(BandY(packet, 0), expected);
}

TEST(WaveletBands, UnevenlyExtendedBandsAreCutOrPaddedToBandZero) {
  const TSampleData series = Series({4, 2, 5, 1, 7, 3, 8, 6});
  TWavelet packet;
  packet.Load(&series);
  packet.SetLevel(1);
  packet.GetBand(0)->Append(4, 10);  // band 1 keeps 4 samples
  packet.SetLevel(0);
  EXPECT_EQ(BandY(packet, 0), (Values{4, 2, 5, 1, 7, 3, 8, 6, 10, 10}));
  packet.SetLevel(1);
  packet.GetBand(1)->Append(5, 1);  // band 0 keeps 5 samples
  packet.SetLevel(0);
  EXPECT_EQ(BandY(packet, 0), (Values{4, 2, 5, 1, 7, 3, 8, 6, 10, 10}));
}

// Any path through the levels, with bands lent and extended on the way, gives
// the plain steps' bands bit for bit, NaN and infinities included.
TEST(WaveletBands, MatchesPlainStepsOnRandomPaths) {
  std::mt19937 random(7);
  auto uniform = [&random](std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(random);
  };
  const double inf = std::numeric_limits<double>::infinity();
  const double specials[] = {inf, -inf, std::numeric_limits<double>::quiet_NaN(), -0.0, 5e-324};
  for (int trial = 0; trial < 80; ++trial) {
    Values ys(static_cast<std::size_t>(uniform(0, 700)));
    for (double& y : ys) y = std::uniform_real_distribution<double>(-10, 10)(random);
    for (double special : specials) {
      if (!ys.empty() && trial % 3 == 0) ys[random() % ys.size()] = special;
    }
    const TSampleData series = Series(ys);
    TWavelet packet;
    packet.Load(&series);
    Bands plain{ys};
    std::int32_t level = 0;
    for (int move = 0; move < 10; ++move) {
      std::int32_t target = uniform(-1, packet.MaxLevel());
      switch (uniform(0, 2)) {
        case 0:
          packet.Decompose();
          target = std::min(level + 1, std::max(packet.MaxLevel() - 1, 0));
          break;
        case 1:
          packet.Reconstruct();
          target = std::max(level - 1, 0);
          break;
        default:
          packet.SetLevel(target);
          if (target < 0 || target >= packet.MaxLevel()) target = level;
      }
      for (; level < target; ++level) plain = PlainStep(plain, true);
      for (; level > target; --level) plain = PlainStep(plain, false);
      ASSERT_EQ(packet.Level(), level);
      if (uniform(0, 2) == 0) {
        // Band by band, or all at once.
        Values forecasts;
        for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
          forecasts.push_back(i - 0.5);
          plain[static_cast<std::size_t>(i)].push_back(i - 0.5);
        }
        if (uniform(0, 1) == 0) {
          packet.AppendToBands(forecasts);
        } else {
          for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
            packet.GetBand(i)->Append(packet.GetBand(i)->Count(), i - 0.5);
          }
        }
      }
      if (uniform(0, 1) == 0) ExpectBands(packet, plain);
    }
    ExpectBands(packet, plain);
  }
}

// A snapshot shares the packet's values: whatever the packet does next, a
// snapshot keeps what it showed, and the prepared one shows what the commit
// then holds.
TEST(WaveletBands, SnapshotsKeepTheirValuesAndForeseeTheCommit) {
  std::mt19937 random(11);
  Values ys(300);
  for (double& y : ys) y = std::uniform_real_distribution<double>(-10, 10)(random);
  const TSampleData series = Series(ys);
  TWavelet packet;
  packet.Load(&series);
  const auto valuesOf = [](const TBandsSnapshot& shot) {
    Values all;
    for (std::int32_t i = 0; i < shot.bandCount; ++i) {
      const std::span<const double> band = shot.Band(i);
      all.insert(all.end(), band.begin(), band.end());
    }
    return all;
  };
  std::vector<std::pair<TBandsSnapshot, Values>> kept;
  for (int move = 0; move < 40; ++move) {
    const int kind = static_cast<int>(random() % 3);
    bool prepared = false;
    if (kind == 2) {
      prepared = packet.PrepareAppend(Values(static_cast<std::size_t>(packet.BandCount()), move));
    } else {
      prepared = packet.PrepareStep(packet.Level() + (kind == 0 ? 1 : -1));
    }
    const TBandsSnapshot foreseen = packet.PreparedSnapshot();
    if (prepared) packet.CommitStep();
    const TBandsSnapshot now = packet.Snapshot();
    ASSERT_EQ(foreseen.bandCount, packet.BandCount());
    EXPECT_EQ(foreseen.level, packet.Level());
    EXPECT_EQ(foreseen.rebuiltCount, packet.RebuiltCount());
    EXPECT_EQ(foreseen.appendedFrom, packet.AppendedFrom());
    EXPECT_EQ(Bits(valuesOf(foreseen)), Bits(valuesOf(now)));
    for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
      const std::span<const double> band = packet.BandValues(i);
      ASSERT_EQ(Bits(Values(band.begin(), band.end())),
                Bits(Values(now.Band(i).begin(), now.Band(i).end())));
    }
    kept.emplace_back(now, valuesOf(now));
  }
  packet.Load(&series);
  for (const auto& [shot, values] : kept) EXPECT_EQ(Bits(valuesOf(shot)), Bits(values));
}

// Large steps are split among workers; with 1, 2 or 8 of them every band is
// still the plain steps' bit for bit, lent and extended bands included.
TEST(WaveletBands, LargeSeriesMatchPlainStepsWithAnyNumberOfWorkers) {
  std::mt19937 random(13);
  Values ys((std::size_t{1} << 17) + 3);
  for (double& y : ys) y = std::uniform_real_distribution<double>(-10, 10)(random);
  const TSampleData series = Series(ys);
  for (int workers : kWorkerCounts) {
    SCOPED_TRACE(workers);
    WithWorkers(workers, [&] {
      TWavelet packet;
      packet.Load(&series);
      Bands plain{ys};
      std::int32_t level = 0;
      for (std::int32_t target : {3, 1, 14, 0}) {
        packet.SetLevel(target);
        for (; level < target; ++level) plain = PlainStep(plain, true);
        for (; level > target; --level) plain = PlainStep(plain, false);
        ExpectBands(packet, plain);
        if (target == 3) {
          Values forecasts;
          for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
            forecasts.push_back(i + 0.25);
            plain[static_cast<std::size_t>(i)].push_back(i + 0.25);
          }
          packet.AppendToBands(forecasts);
        }
        if (target == 14) {
          for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
            packet.GetBand(i)->Append(packet.GetBand(i)->Count(), i + 0.25);
            plain[static_cast<std::size_t>(i)].push_back(i + 0.25);
          }
        }
      }
    });
  }
}

}  // namespace
}  // namespace fendrel
