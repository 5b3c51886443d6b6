#include "forecast/k_nearest_neighbor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "forecast/block_distances.h"

namespace fendrel {

namespace {

// Orders doubles as unsigned integers: -0 and +0 alike, every NaN after every
// number, NaNs all alike.
std::uint64_t OrderKey(double v) {
  if (std::isnan(v)) return ~std::uint64_t{0};
  if (v == 0) v = 0.0;
  const auto bits = std::bit_cast<std::uint64_t>(v);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// A run compared with the target: its distance, the value that followed it and
// where it starts. The start breaks ties, so the order is total and the same
// as a stable sort of the runs by (distance, value).
struct Candidate {
  std::uint64_t distanceKey;
  std::uint64_t valueKey;
  std::int32_t start;
  double distance;
  double value;
};

struct Before {
  bool operator()(const Candidate& a, const Candidate& b) const {
    if (a.distanceKey != b.distanceKey) return a.distanceKey < b.distanceKey;
    if (a.valueKey != b.valueKey) return a.valueKey < b.valueKey;
    return a.start < b.start;
  }
};

// Gathers the first `capacity` candidates, in the order Before, of all those
// offered. Offers pile up and are cut back to the best `capacity` now and then,
// which is cheaper than keeping a heap in order at every offer.
class NearestRuns {
 public:
  explicit NearestRuns(std::size_t capacity)
      : capacity_(capacity), limit_(std::max<std::size_t>(2 * capacity, 64)) {
    pool_.reserve(limit_);
  }

  // Once `capacity` runs are known, a run whose distance (or partial distance:
  // adding |difference| terms never lowers a sum) lies after this bound, NaN
  // after every number, can never be among them. NaN while no bound is known.
  double Bound() const { return bound_; }

  void Offer(double distance, double value, std::int32_t start) {
    if (!std::isnan(bound_) && !(distance <= bound_)) return;
    pool_.push_back({OrderKey(distance), OrderKey(value), start, distance, value});
    if (pool_.size() == limit_) CutBack();
  }

  const std::vector<Candidate>& Sorted() {
    if (pool_.size() > capacity_) CutBack();
    std::sort(pool_.begin(), pool_.end(), Before{});
    return pool_;
  }

 private:
  void CutBack() {
    const auto last = pool_.begin() + static_cast<std::ptrdiff_t>(capacity_ - 1);
    std::nth_element(pool_.begin(), last, pool_.end(), Before{});
    pool_.resize(capacity_);
    bound_ = last->distance;
  }

  std::size_t capacity_;
  std::size_t limit_;
  std::vector<Candidate> pool_;
  double bound_ = std::numeric_limits<double>::quiet_NaN();
};

double Distance(const double* target, const double* run, std::int32_t length) {
  double sum = 0.0;
  for (std::int32_t t = 0; t < length; ++t) sum = sum + std::fabs(target[t] - run[t]);
  return sum;
}

}  // namespace

TKNearestNeighbor::TKNearestNeighbor(const TSampleData& series) : series_(series) {
  SetWindow(series.Count() / 10);
}

void TKNearestNeighbor::SetWindow(std::int32_t k) { window_ = std::max(k, 2); }

double TKNearestNeighbor::ForecastAt(std::int32_t a) const {
  const std::int32_t last = std::min(a, series_.Count() - 1);
  if (last < 0) return 0.0;
  const double* y = series_.YData();
  // The target run is y[first .. last]; candidate runs start at 0 .. first - 1.
  const std::int64_t first = std::int64_t{last} - window_ + 1;
  if (first <= 0) return y[last];
  const auto candidates = static_cast<std::int32_t>(first);
  const std::int32_t length = window_;
  const double* target = y + first;

  NearestRuns nearest(useWindowAverage_ ? static_cast<std::size_t>(std::min(length, candidates))
                                        : 1);
  std::int32_t next = 0;
  if (candidates >= kBlockLanes) {
    double distances[kBlockLanes];
    while (next < candidates) {
      // The last block is moved back to end at the last run; runs it shares
      // with the previous block were offered already.
      const std::int32_t start = std::min(next, candidates - kBlockLanes);
      if (BlockDistances(target, y + start, length, nearest.Bound(), distances)) {
        for (std::int32_t lane = next - start; lane < kBlockLanes; ++lane) {
          const std::int32_t n = start + lane;
          nearest.Offer(distances[lane], y[n + length], n);
        }
      }
      next = start + kBlockLanes;
    }
  }
  for (; next < candidates; ++next) {
    nearest.Offer(Distance(target, y + next, length), y[next + length], next);
  }

  const std::vector<Candidate>& sorted = nearest.Sorted();
  if (!useWindowAverage_) return sorted.front().value;
  double sum = 0.0;
  for (const Candidate& candidate : sorted) sum = sum + candidate.value;
  return sum / static_cast<double>(sorted.size());
}

double TKNearestNeighbor::Forecast() const { return ForecastAt(series_.Count() - 1); }

}  // namespace fendrel
