#include "forecast/k_nearest_neighbor.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "core/parallel.h"
#include "forecast/block_distances.h"
#include "forecast/forecaster.h"

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

// The smallest bound any block has found so far (NaN while none has), which
// every block prunes with. Which bound a block sees, and so which runs it
// keeps, depends on timing; the answer does not, for these reasons:
// - a bound B is offered only by a block holding `capacity` runs at or
//   before B, and that block keeps such runs to its end (its own bound only
//   falls), so they all reach the final merge;
// - pruning drops only runs whose distance, or partial distance (the terms
//   are never negative), lies after B, NaN after every number: at least
//   `capacity` kept runs come before each of them in the order Before;
// - so every run among the first `capacity` of all runs is kept by its block
//   (fewer runs of its own block precede it), and the merge picks exactly
//   those, as Before is a total order, then sums them in that order.
// The blocks, and the merge in block order, are fixed by the sizes alone.
class SharedBound {
 public:
  double Get() const { return bound_.load(std::memory_order_relaxed); }
  void Offer(double bound) {
    if (std::isnan(bound)) return;
    double seen = bound_.load(std::memory_order_relaxed);
    while ((std::isnan(seen) || bound < seen) &&
           !bound_.compare_exchange_weak(seen, bound, std::memory_order_relaxed)) {
    }
  }

 private:
  std::atomic<double> bound_{std::numeric_limits<double>::quiet_NaN()};
};

// Gathers the first `capacity` candidates, in the order Before, of all those
// offered. Offers pile up and are cut back to the best `capacity` now and then,
// which is cheaper than keeping a heap in order at every offer. The pool is
// borrowed: large pools freed and made anew on every forecast would cost
// more in fresh pages than the sorting does.
class NearestRuns {
 public:
  NearestRuns(std::size_t capacity, std::vector<Candidate>& pool, SharedBound& shared)
      : capacity_(capacity),
        limit_(std::max<std::size_t>(2 * capacity, 64)),
        pool_(pool),
        shared_(shared) {
    pool_.clear();
  }

  // Once `capacity` runs are known, a run whose distance (or partial distance:
  // adding |difference| terms never lowers a sum) lies after this bound, NaN
  // after every number, can never be among them. NaN while no bound is known.
  double Bound() const {
    const double shared = shared_.Get();
    if (std::isnan(bound_)) return shared;
    return std::isnan(shared) ? bound_ : std::min(bound_, shared);
  }

  void Offer(double distance, double value, std::int32_t start) {
    const double bound = Bound();
    if (!std::isnan(bound) && !(distance <= bound)) return;
    pool_.push_back({OrderKey(distance), OrderKey(value), start, distance, value});
    if (pool_.size() == limit_) CutBack();
  }

  // The block is done: copies what it keeps, at most `capacity`, in no
  // particular order, to out and answers how many.
  std::size_t TakeInto(Candidate* out) {
    if (pool_.size() >= capacity_) CutBack();
    std::copy(pool_.begin(), pool_.end(), out);
    return pool_.size();
  }

 private:
  void CutBack() {
    const auto last = pool_.begin() + static_cast<std::ptrdiff_t>(capacity_ - 1);
    std::nth_element(pool_.begin(), last, pool_.end(), Before{});
    pool_.resize(capacity_);
    bound_ = last->distance;
    shared_.Offer(bound_);
  }

  std::size_t capacity_;
  std::size_t limit_;
  std::vector<Candidate>& pool_;
  SharedBound& shared_;
  double bound_ = std::numeric_limits<double>::quiet_NaN();
};

// Candidates per block: below kParallelTerms distance terms in all, one block;
// else a kMaxBlocks-th of them, but at least kMinBlockRuns and at least as
// many as are kept, so that a block can find a bound; in whole lanes. It
// depends on the sizes only, never on the number of workers.
constexpr std::int64_t kParallelTerms = std::int64_t{1} << 18;
constexpr std::int32_t kMinBlockRuns = 2048;
constexpr std::int32_t kMaxBlocks = 16;

std::int32_t BlockRuns(std::int32_t candidates, std::int32_t length, std::size_t capacity) {
  if (std::int64_t{candidates} * length < kParallelTerms) return candidates;
  const std::int32_t share = std::max(
      {kMinBlockRuns, (candidates - 1) / kMaxBlocks + 1, static_cast<std::int32_t>(capacity)});
  return (share + kBlockLanes - 1) / kBlockLanes * kBlockLanes;
}

// Candidate lists that each thread keeps from one forecast to the next: the
// pool of the block it works on, and the runs every block kept. A forecast
// holds its thread's kept runs from start to end, and a block its thread's pool;
// ForEachBlock isolates its blocks, so neither thread starts another
// forecast's work in between, and a block runs no nested parallel work.
// Only sizes, never contents, carry over from one forecast to the next.
std::vector<Candidate>& PoolOfThisThread() {
  thread_local std::vector<Candidate> pool;
  return pool;
}

// Room for the runs every block kept, left unwritten: at level 0 of a long
// series that is millions of candidates, and clearing them first would hold
// up a forecast the user may want to cancel.
class KeptRuns {
 public:
  Candidate* Room(std::size_t count) {
    if (count > size_) {
      runs_.reset();
      runs_.reset(new Candidate[count]);
      size_ = count;
    }
    return runs_.get();
  }

 private:
  std::unique_ptr<Candidate[]> runs_;
  std::size_t size_ = 0;
};

KeptRuns& KeptOfThisThread() {
  thread_local KeptRuns kept;
  return kept;
}

double Distance(const double* target, const double* run, std::int32_t length) {
  double sum = 0.0;
  for (std::int32_t t = 0; t < length; ++t) sum = sum + std::fabs(target[t] - run[t]);
  return sum;
}

}  // namespace

TKNearestNeighbor::TKNearestNeighbor(const TSampleData& series) : series_(series) {
  SetWindow(AutomaticWindow(series.Count()));
}

TKNearestNeighbor::TKNearestNeighbor(std::span<const double> values) : series_(values) {
  SetWindow(AutomaticWindow(series_.Count()));
}

void TKNearestNeighbor::SetWindow(std::int32_t k) { window_ = std::max(k, 2); }

namespace {
constexpr std::int32_t kProgressRuns = 4096;
constexpr std::int32_t kLongRun = 1024;
}  // namespace

double TKNearestNeighbor::ForecastAt(std::int32_t a) const {
  // Without a flag of its own the forecast stops with the job it works for,
  // and tells it how far it has come.
  TProgress* const job = cancel_ == nullptr ? CurrentProgress() : nullptr;
  const std::atomic<bool>* const cancel = job != nullptr ? job->CancelFlag() : cancel_;
  const std::int32_t progressRuns = window_ >= kLongRun ? kBlockLanes : kProgressRuns;
  const std::int32_t last = std::min(a, series_.Count() - 1);
  if (last < 0) return 0.0;
  const double* y = series_.YData();
  // The target run is y[first .. last]; candidate runs start at 0 .. first - 1.
  const std::int64_t first = std::int64_t{last} - window_ + 1;
  if (first <= 0) return y[last];
  const auto candidates = static_cast<std::int32_t>(first);
  const std::int32_t length = window_;
  const double* target = y + first;
  const std::size_t capacity =
      useWindowAverage_ ? static_cast<std::size_t>(std::min(length, candidates)) : 1;

  // Fixed blocks of candidates, each gathering its own nearest runs; the
  // blocks' runs then meet in block order. The order Before is total, so
  // the nearest runs, and the sum over them, come out the same however the
  // candidates are split and whichever worker takes a block.
  const std::int32_t blockRuns = BlockRuns(candidates, length, capacity);
  const auto blocks = static_cast<std::size_t>((candidates - 1) / blockRuns + 1);
  const std::size_t perBlock = std::min(capacity, static_cast<std::size_t>(blockRuns));
  Candidate* const kept = KeptOfThisThread().Room(blocks * perBlock);
  std::array<std::size_t, kMaxBlocks> keptCounts{};
  SharedBound shared;
  const auto runBlock = [&](std::size_t block) {
    const std::int32_t begin = static_cast<std::int32_t>(block) * blockRuns;
    const std::int32_t end = std::min(candidates, begin + blockRuns);
    NearestRuns nearest(capacity, PoolOfThisThread(), shared);
    std::int32_t next = begin;
    if (candidates >= kBlockLanes) {
      double distances[kBlockLanes];
      while (next < end) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
          throw TForecastCancelled();
        }
        // A long forecast tells its job how far it has come: every few
        // thousand runs, or every lane group once the runs are long.
        if (job != nullptr && (next - begin) % progressRuns < kBlockLanes) {
          AdvanceProgress(std::int64_t{std::min(progressRuns, end - next)} * length);
        }
        // The last lanes are moved back to end at the block's last run; runs
        // they share with the lanes before were offered already.
        const std::int32_t start = std::min(next, end - kBlockLanes);
        if (BlockDistances(target, y + start, length, nearest.Bound(), distances)) {
          for (std::int32_t lane = next - start; lane < kBlockLanes; ++lane) {
            const std::int32_t n = start + lane;
            nearest.Offer(distances[lane], y[n + length], n);
          }
        }
        next = start + kBlockLanes;
      }
    }
    for (; next < end; ++next) {
      nearest.Offer(Distance(target, y + next, length), y[next + length], next);
    }
    keptCounts[block] = nearest.TakeInto(kept + block * perBlock);
  };
  ForEachBlock(blocks, runBlock);

  std::size_t count = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    std::copy_n(kept + b * perBlock, keptCounts[b], kept + count);
    count += keptCounts[b];
  }
  const auto nearest = std::span(kept, count);
  if (count > capacity) {
    const auto cut = nearest.begin() + static_cast<std::ptrdiff_t>(capacity);
    std::nth_element(nearest.begin(), cut - 1, nearest.end(), Before{});
  }
  const auto best = nearest.first(std::min(count, capacity));
  std::sort(best.begin(), best.end(), Before{});
  if (!useWindowAverage_) return best.front().value;
  double sum = 0.0;
  for (const Candidate& candidate : best) sum = sum + candidate.value;
  return sum / static_cast<double>(best.size());
}

double TKNearestNeighbor::Forecast() const { return ForecastAt(series_.Count() - 1); }

}  // namespace fendrel
