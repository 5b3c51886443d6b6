#include "forecast/evaluation.h"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>
#include <memory>
#include <span>

#include "core/parallel.h"
#include "forecast/k_nearest_neighbor.h"
#include "forecast/season.h"
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

// For each length ell of `lengths` and each of the h bands, the forecast of
// the band's value after its first ell samples, as "Do forecast" would make
// it on that band cut there, rebuilt into the h samples the bands' values
// add to the series: lengths.size() blocks of h values, written to `out`.
// bandValues(b) gives band b's values, at least the longest length of them.
// False once cancelled.
// Ranges of about this many values read keep a cancellation prompt and the
// progress moving.
constexpr std::int64_t kRangeCost = std::int64_t{1} << 16;

// forecastItem(item, scratch, cancel) for every item in 0 .. count - 1, in
// fixed ranges of about kRangeCost values read (itemCost each), a range on
// one worker with one scratch series of its own; it writes its own slot and
// returns the values it read. Each item writes only its own slot, so the
// split among workers cannot change a bit. False once cancelled.
template <typename ForecastItem>
bool ForecastItems(std::int64_t count, std::int64_t itemCost, TEvaluationProgress* progress,
                   const ForecastItem& forecastItem) {
  const std::int64_t grain = std::clamp<std::int64_t>(kRangeCost / itemCost, 1, 4096);
  const std::atomic<bool>* cancel = progress != nullptr ? progress->CancelFlag() : nullptr;
  std::atomic<bool> stopped{false};
  try {
    ForEachRange(Size(count), Size(grain), [&](std::size_t begin, std::size_t end) {
      TSampleData scratch;
      std::int64_t done = 0;
      try {
        for (std::size_t item = begin; item < end; ++item) {
          if (progress != nullptr && progress->Cancelled()) {
            stopped.store(true, std::memory_order_relaxed);
            break;
          }
          // One forecast over a long band can take seconds.
          done += forecastItem(static_cast<std::int64_t>(item), scratch, cancel);
        }
      } catch (const TForecastCancelled&) {
        stopped.store(true, std::memory_order_relaxed);
      }
      if (progress != nullptr) progress->Advance(done);
    });
  } catch (const TCancelled&) {
    return false;
  }
  return !stopped.load();
}

template <typename BandValues>
bool ForecastBlocks(const BandValues& bandValues, std::int32_t h,
                    const std::vector<std::int32_t>& lengths, const TForecastSettings& settings,
                    std::vector<double>& out, TEvaluationProgress* progress) {
  const std::int32_t longest = *std::max_element(lengths.begin(), lengths.end());
  std::int32_t from = longest;
  for (const std::int32_t length : lengths) from = std::min(from, FirstRead(settings, length));
  // Each band as a series of its own, cut after the longest length: the
  // forecasters take a series, and one copy per band serves every length.
  // Only what the forecasts read is copied.
  std::vector<TSampleData> bands(Size(h));
  ForEachRange(Size(h), 256, [&](std::size_t begin, std::size_t end) {
    for (std::size_t b = begin; b < end; ++b) {
      const std::span<const double> values = bandValues(static_cast<std::int32_t>(b));
      TSampleData& band = bands[b];
      band.SetCountForOverwrite(longest);
      std::copy(values.begin() + from, values.begin() + longest, band.YData() + from);
    }
  });

  // One item is one band at one length.
  const std::int64_t items = std::int64_t{h} * static_cast<std::int64_t>(lengths.size());
  out.assign(Size(items), 0.0);
  const bool done = ForecastItems(
      items, ForecastCost(settings, longest), progress,
      [&](std::int64_t item, TSampleData& /*scratch*/, const std::atomic<bool>* cancel) {
        const std::int32_t length = lengths[Size(item / h)];
        const auto b = static_cast<std::int32_t>(item % h);
        out[Size(item)] = ForecastAfter(bands[Size(b)], length, settings, cancel);
        return ForecastCost(settings, length);
      });
  if (!done) return false;

  const std::size_t blocks = lengths.size();
  ForEachRange(blocks, std::max<std::size_t>(1, Size(kRangeCost) / Size(h)),
               [&](std::size_t begin, std::size_t end) {
                 std::vector<double> scratch(Size(h));
                 for (std::size_t o = begin; o < end; ++o) {
                   RebuildBlock(out.data() + o * Size(h), scratch.data(), h);
                 }
               });
  return true;
}

// Forecasts of one level, band after band, per origin; false once cancelled.
bool ForecastLevel(const TWavelet& wavelet, const TEvaluationSettings& settings,
                   TLevelEvaluation& result, TEvaluationProgress* progress) {
  const std::int32_t h = result.horizon;
  std::vector<std::int32_t> lengths;
  lengths.reserve(result.origins.size());
  for (const std::int32_t t : result.origins) lengths.push_back(t / h);
  return ForecastBlocks([&](std::int32_t b) { return wavelet.BandValues(b); }, h, lengths,
                        settings.forecast, result.forecasts, progress);
}

// The bands of the last (count / 2^level) * 2^level samples, band after
// band, level by level: the packet of the series that ends with the last
// sample, as a file of those samples would give it. A step drops each band's
// first value when the bands' length is odd (the first block no longer
// fits), then takes the packet's sums and differences. Until a step first
// drops a value these are the whole series' own bands, read from its packet.
class TTailBands {
 public:
  TTailBands(const TWavelet& packet, std::int32_t count) : packet_(packet), length_(count) {}

  // One level down; the whole series' packet must still be at the level
  // before the step.
  void Step() {
    const std::int32_t skip = length_ % 2;
    const std::int32_t m = length_ / 2;
    if (!own_ && skip == 0) {
      length_ = m;
      bands_ *= 2;
      return;
    }
    spare_.resize(Size(bands_) * 2 * Size(m));
    const std::size_t pairs = Size(bands_) * Size(m);
    ForEachRange(pairs, std::size_t{1} << 15, [&](std::size_t begin, std::size_t end) {
      for (std::size_t f = begin; f < end;) {
        const std::size_t i = f / Size(m);
        const std::size_t c0 = f % Size(m);
        const std::size_t c1 = std::min(Size(m), c0 + (end - f));
        const double* y = Source(static_cast<std::int32_t>(i)) + skip;
        double* average = spare_.data() + 2 * i * Size(m);
        double* difference = average + m;
        for (std::size_t c = c0; c < c1; ++c) {
          const double p = y[2 * c];
          const double q = y[2 * c + 1];
          average[c] = (p + q) / 2;
          difference[c] = (p - q) / 2;
        }
        f += c1 - c0;
      }
    });
    std::swap(current_, spare_);
    own_ = true;
    length_ = m;
    bands_ *= 2;
  }

  // Valid while the whole series' packet is at this level.
  std::span<const double> Band(std::int32_t b) const { return {Source(b), Size(length_)}; }
  std::int32_t Length() const { return length_; }

 private:
  const double* Source(std::int32_t b) const {
    if (!own_) return packet_.BandValues(b).data();
    return current_.data() + Size(b) * Size(length_);
  }

  const TWavelet& packet_;
  std::vector<double> current_;
  std::vector<double> spare_;
  std::int32_t length_ = 0;
  std::int32_t bands_ = 1;
  bool own_ = false;
};

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
  result.actual = std::move(actual);
}

// NaN after every number, so that sorting errors is defined.
constexpr auto kBefore = [](double a, double b) {
  return a < b || (!std::isnan(a) && std::isnan(b));
};

// Where quantile p of `count` sorted values lies: the values at i and next,
// and the share t of the way between them.
struct TQuantilePosition {
  std::size_t i = 0;
  std::size_t next = 0;
  double t = 0.0;
};

TQuantilePosition PositionOf(std::size_t count, double p) {
  const double position = static_cast<double>(count - 1) * p;
  const double below = std::floor(position);
  const auto i = static_cast<std::size_t>(below);
  return {i, std::min(i + 1, count - 1), position - below};
}

double QuantileAt(const double* sorted, const TQuantilePosition& at) {
  const double a = sorted[at.i];
  const double b = sorted[at.next];
  // numpy's interpolation, from the nearer end.
  const double difference = b - a;
  return at.t >= 0.5 ? b - difference * (1 - at.t) : a + difference * at.t;
}

// The probabilities of the interval bounds: 80 % low and high, 95 % low and high.
constexpr double kBounds[4] = {0.10, 0.90, 0.025, 0.975};

// The honest coverage of the intervals. The steps are shared out in blocks;
// each block first copies its steps' values origin by origin, so that each
// step's origins then lie together. Per step, the errors arrive in origin
// order and are kept sorted: before each origin after the first
// kCoverageHistory they give that origin's intervals.
std::optional<TCoverage> Coverage(const std::vector<double>& actual,
                                  const std::vector<double>& forecasts, std::int32_t h) {
  const std::size_t origins = h > 0 ? std::min(actual.size(), forecasts.size()) / Size(h) : 0;
  if (origins <= Size(kCoverageHistory)) return std::nullopt;
  // Where the bounds lie among the errors of the first o origins.
  std::vector<TQuantilePosition> at(4 * origins);
  for (std::size_t o = Size(kCoverageHistory); o < origins; ++o) {
    for (std::size_t q = 0; q < 4; ++q) at[4 * o + q] = PositionOf(o, kBounds[q]);
  }
  std::vector<std::int64_t> covered(2 * Size(h), 0);
  constexpr std::size_t kSteps = 64;
  ForEachRange(Size(h), kSteps, [&](std::size_t begin, std::size_t end) {
    const std::size_t width = end - begin;
    std::vector<double> a(width * origins);
    std::vector<double> f(width * origins);
    for (std::size_t o = 0; o < origins; ++o) {
      for (std::size_t j = begin; j < end; ++j) {
        a[(j - begin) * origins + o] = actual[o * Size(h) + j];
        f[(j - begin) * origins + o] = forecasts[o * Size(h) + j];
      }
    }
    std::vector<double> sorted;
    sorted.reserve(origins);
    for (std::size_t j = begin; j < end; ++j) {
      const double* aj = a.data() + (j - begin) * origins;
      const double* fj = f.data() + (j - begin) * origins;
      sorted.clear();
      for (std::size_t o = 0; o < origins; ++o) {
        if (o >= Size(kCoverageHistory)) {
          const TQuantilePosition* bounds = &at[4 * o];
          if (fj[o] + QuantileAt(sorted.data(), bounds[0]) <= aj[o] &&
              aj[o] <= fj[o] + QuantileAt(sorted.data(), bounds[1])) {
            ++covered[2 * j];
          }
          if (fj[o] + QuantileAt(sorted.data(), bounds[2]) <= aj[o] &&
              aj[o] <= fj[o] + QuantileAt(sorted.data(), bounds[3])) {
            ++covered[2 * j + 1];
          }
        }
        // Insertion from the end, after any equal value: the few origins
        // make this cheaper than a search and a move.
        const double e = aj[o] - fj[o];
        sorted.push_back(e);
        std::size_t p = sorted.size() - 1;
        for (; p > 0 && kBefore(e, sorted[p - 1]); --p) sorted[p] = sorted[p - 1];
        sorted[p] = e;
      }
    }
  });
  TCoverage coverage;
  std::int64_t in80 = 0;
  std::int64_t in95 = 0;
  for (std::size_t j = 0; j < Size(h); ++j) {
    in80 += covered[2 * j];
    in95 += covered[2 * j + 1];
  }
  coverage.steps = static_cast<std::int64_t>(origins - Size(kCoverageHistory)) * h;
  coverage.covered80 = static_cast<double>(in80) / static_cast<double>(coverage.steps);
  coverage.covered95 = static_cast<double>(in95) / static_cast<double>(coverage.steps);
  return coverage;
}

// The next block of a level: each tail band's forecast after its last value,
// rebuilt into the samples after the last one. False once cancelled.
bool NextBlock(const TTailBands& tail, std::int32_t h, const TForecastSettings& settings,
               std::vector<double>& out, TEvaluationProgress* progress) {
  const std::int32_t length = tail.Length();
  const std::int32_t from = FirstRead(settings, length);
  out.assign(Size(h), 0.0);
  // One series per range, refilled for each band: no band is lent out.
  const bool done = ForecastItems(
      h, ForecastCost(settings, length), progress,
      [&](std::int64_t b, TSampleData& band, const std::atomic<bool>* cancel) {
        if (band.Count() != length) band.SetCountForOverwrite(length);
        const std::span<const double> values = tail.Band(static_cast<std::int32_t>(b));
        std::copy(values.begin() + from, values.end(), band.YData() + from);
        out[Size(b)] = ForecastAfter(band, length, settings, cancel);
        return ForecastCost(settings, length);
      });
  if (!done) return false;
  std::vector<double> scratch(Size(h));
  RebuildBlock(out.data(), scratch.data(), h);
  return true;
}

// The simple forecasts, the best of them, the test against it, the
// intervals and their coverage. Every sum runs over the origins in order and
// the steps in order; the steps are shared out among workers, each writing
// its own entries.
void Compare(const double* x, std::int32_t season, TLevelEvaluation& result) {
  const std::int32_t h = result.horizon;
  const std::size_t origins = result.origins.size();
  const std::size_t n = result.forecasts.size();
  const std::vector<double>& actual = result.actual;
  // The MAE as Metrics sums it.
  const auto mae = [&](TSimpleForecast method) {
    double absolute = 0.0;
    for (std::size_t o = 0; o < origins; ++o) {
      for (std::int32_t j = 0; j < h; ++j) {
        const double e = actual[o * Size(h) + Size(j)] - result.Simple(x, season, method, o, j);
        absolute = absolute + std::fabs(e);
      }
    }
    return absolute / static_cast<double>(n);
  };

  if (season >= 2 && result.origins.front() >= season) {
    result.seasonalNaiveMae = mae(sfSeasonalNaive);
  }
  result.driftMae = mae(sfDrift);
  result.meanMae = mae(sfMean);

  TSimpleForecast best = sfNaive;
  double bestMae = result.naive.mae;
  const auto consider = [&](TSimpleForecast method, double value) {
    if (value < bestMae) {
      best = method;
      bestMae = value;
    }
  };
  if (result.seasonalNaiveMae) consider(sfSeasonalNaive, *result.seasonalNaiveMae);
  consider(sfDrift, result.driftMae);
  consider(sfMean, result.meanMae);
  result.bestSimple = best;
  if (bestMae != 0.0) result.relativeToBest = result.method.mae / bestMae;
  std::vector<double> bestValues(n);
  for (std::size_t o = 0; o < origins; ++o) {
    for (std::int32_t j = 0; j < h; ++j) {
      bestValues[o * Size(h) + Size(j)] = result.Simple(x, season, best, o, j);
    }
  }

  std::vector<double> differentials(origins);
  for (std::size_t o = 0; o < origins; ++o) {
    double sum = 0.0;
    for (std::size_t j = 0; j < Size(h); ++j) {
      const std::size_t k = o * Size(h) + j;
      sum =
          sum + (std::fabs(actual[k] - result.forecasts[k]) - std::fabs(actual[k] - bestValues[k]));
    }
    differentials[o] = sum / h;
  }
  result.pValue = DieboldMarianoPValue(differentials);

  // Each step's sum over the origins in order, origin by origin.
  std::vector<double> bestSums(Size(h), 0.0);
  for (std::size_t o = 0; o < origins; ++o) {
    for (std::size_t j = 0; j < Size(h); ++j) {
      const std::size_t k = o * Size(h) + j;
      bestSums[j] = bestSums[j] + std::fabs(actual[k] - bestValues[k]);
    }
  }
  for (std::size_t j = 0; j < Size(h); ++j) {
    result.perHorizon[j].bestMae = bestSums[j] / static_cast<double>(origins);
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

bool TLevelEvaluation::BeatsBest() const {
  return relativeToBest && pValue && *relativeToBest < 1.0 && *pValue < 0.05;
}

std::optional<std::int32_t> TEvaluation::VerdictLevel() const {
  std::optional<std::int32_t> best;
  for (const TLevelEvaluation& level : levels) {
    if (!level.BeatsBest()) continue;
    if (!best || *level.relativeToBest < *levels[Size(*best)].relativeToBest) best = level.level;
  }
  return best;
}

std::optional<std::int32_t> TEvaluation::ClosestLevel() const {
  std::optional<std::int32_t> best;
  for (const TLevelEvaluation& level : levels) {
    if (!level.relativeToBest) continue;
    if (!best || *level.relativeToBest < *levels[Size(*best)].relativeToBest) best = level.level;
  }
  return best;
}

std::optional<double> DieboldMarianoPValue(const std::vector<double>& differentials) {
  const std::size_t count = differentials.size();
  if (count < 3) return std::nullopt;
  const auto k = static_cast<double>(count);
  double sum = 0.0;
  for (const double d : differentials) sum = sum + d;
  const double mean = sum / k;
  double squares = 0.0;
  for (const double d : differentials) squares = squares + (d - mean) * (d - mean);
  const double variance = squares / k;
  if (variance == 0.0 || std::isnan(variance)) return std::nullopt;
  const double statistic = mean / std::sqrt(variance / k) * std::sqrt((k - 1) / k);
  if (std::isnan(statistic)) return std::nullopt;
  if (std::isinf(statistic)) return 0.0;
  const boost::math::students_t distribution(k - 1);
  return 2 * boost::math::cdf(boost::math::complement(distribution, std::fabs(statistic)));
}

std::optional<TCoverage> HonestCoverage(const std::vector<double>& actual,
                                        const std::vector<double>& forecasts, std::int32_t h) {
  return Coverage(actual, forecasts, h);
}

std::optional<TCoverage> LevelCoverage(const TLevelEvaluation& level) {
  return HonestCoverage(level.actual, level.forecasts, level.horizon);
}

std::vector<TInterval> StepIntervals(const TLevelEvaluation& level) {
  const std::size_t origins = level.origins.size();
  const auto h = static_cast<std::size_t>(std::max(level.horizon, 1));
  std::vector<TInterval> intervals(origins == 0 ? 0 : h);
  if (origins == 0 || level.actual.size() < origins * h || level.forecasts.size() < origins * h) {
    return intervals;
  }
  TQuantilePosition bounds[4];
  for (int q = 0; q < 4; ++q) bounds[q] = PositionOf(origins, kBounds[q]);
  ForEachRange(h, 256, [&](std::size_t begin, std::size_t end) {
    std::vector<double> sorted(origins);
    for (std::size_t j = begin; j < end; ++j) {
      for (std::size_t o = 0; o < origins; ++o) {
        const std::size_t k = o * h + j;
        sorted[o] = level.actual[k] - level.forecasts[k];
      }
      std::sort(sorted.begin(), sorted.end(), kBefore);
      intervals[j] = {QuantileAt(sorted.data(), bounds[0]), QuantileAt(sorted.data(), bounds[1]),
                      QuantileAt(sorted.data(), bounds[2]), QuantileAt(sorted.data(), bounds[3])};
    }
  });
  return intervals;
}

double Quantile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0.0;
  return QuantileAt(sorted.data(), PositionOf(sorted.size(), p));
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
  for (const TLevelEvaluation& result : evaluation.levels) {
    if (!result.Evaluable()) continue;
    total += std::int64_t{result.horizon} * ForecastCost(settings.forecast, count / result.horizon);
  }
  const double* x = series.YData();
  const std::int32_t before = count - evaluation.settings.testSpan;
  if (settings.season <= 0) total += SeasonCost(before);
  if (progress != nullptr) progress->Start(total);

  if (settings.season > 0) {
    evaluation.season = std::clamp(settings.season, 1, std::max(before / 2, 1));
    evaluation.seasonFound = false;
  } else {
    evaluation.season = FindSeason(x, before, progress);
    if (progress != nullptr && progress->Cancelled()) return std::nullopt;
  }

  // The sums before every origin, in index order, as one running sum kept
  // from the start of the test span on, where the origins lie.
  const std::int32_t spanStart = std::max(before, 0);
  double sumBeforeSpan = 0.0;
  for (std::int32_t i = 0; i < spanStart; ++i) sumBeforeSpan = sumBeforeSpan + x[i];
  std::vector<double> running(Size(count - spanStart) + 1, sumBeforeSpan);
  for (std::int32_t i = spanStart; i < count; ++i) {
    running[Size(i - spanStart) + 1] = running[Size(i - spanStart)] + x[i];
  }
  evaluation.sumAll = running.back();

  const std::optional<double> scale = NaiveScale(x, count, evaluation.settings.testSpan);
  TTailBands tail(wavelet, count);
  std::int32_t lastEvaluable = -1;
  for (const TLevelEvaluation& result : evaluation.levels) {
    if (result.Evaluable()) lastEvaluable = result.level;
  }
  for (TLevelEvaluation& result : evaluation.levels) {
    if (result.level > 0) {
      if (result.level <= lastEvaluable) tail.Step();
      wavelet.Decompose();
    }
    if (!result.Evaluable()) continue;
    if (!ForecastLevel(wavelet, evaluation.settings, result, progress)) return std::nullopt;
    Score(x, scale, result);
    for (const std::int32_t t : result.origins) {
      result.sumsBefore.push_back(running[Size(t - spanStart)]);
    }
    Compare(x, evaluation.season, result);
    if (!NextBlock(tail, result.horizon, evaluation.settings.forecast, result.next, progress)) {
      return std::nullopt;
    }
  }
  if (progress != nullptr && progress->Cancelled()) return std::nullopt;
  return evaluation;
}

}  // namespace fendrel
