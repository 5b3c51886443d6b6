#include "forecast/season.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/parallel.h"
#include "core/portability.h"
#include "forecast/evaluation.h"

namespace fendrel {

namespace {

std::size_t Size(std::int64_t n) { return static_cast<std::size_t>(n); }

// Lags summed in one pass over the changes: enough independent sums to keep
// the adders busy, few enough passes to keep the reads cheap.
constexpr std::int32_t kLagBlock = 32;

// Sums e[i] * e[i - k] for i = k .. length - 1, in index order, for the lags
// k = first .. first + kLagBlock - 1, into sums[k - first]. The kLagBlock
// values before e[0] must be zeros: their terms, added before the first real
// one, leave every sum's bits as they are (0 + t is t). Inlined into one
// function per instruction set, so each gets its own vectors; the product is
// rounded before the sum, as in the scalar rule (no instruction set here
// fuses them).
template <typename Vec>
[[gnu::always_inline]] inline void LagSumsOf(const double* e, std::int32_t length,
                                             std::int32_t first, double* sums) {
  constexpr int kWidth = sizeof(Vec) / sizeof(double);
  constexpr int kVectors = kLagBlock / kWidth;
  Vec acc[kVectors] = {};
  // Lane l of the window read at i - last holds e[i - (last - l)]: lag last - l.
  const std::int32_t last = first + kLagBlock - 1;
  for (std::int32_t i = first; i < length; ++i) {
    const double x = e[i];
    const double* window = e + (i - last);
#pragma GCC unroll 16
    for (int v = 0; v < kVectors; ++v) {
      Vec run;
      std::memcpy(&run, window + v * kWidth, sizeof run);
      const Vec product = x * run;
      acc[v] = acc[v] + product;
    }
  }
  double lanes[kLagBlock];
  std::memcpy(lanes, acc, sizeof lanes);
  for (int l = 0; l < kLagBlock; ++l) sums[kLagBlock - 1 - l] = lanes[l];
}

void LagSums2(const double* e, std::int32_t length, std::int32_t first, double* sums) {
  LagSumsOf<DoubleLanes2>(e, length, first, sums);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define FENDREL_WIDE_LAG_SUMS 1
[[gnu::target("avx2")]] void LagSums4(const double* e, std::int32_t length, std::int32_t first,
                                      double* sums) {
  LagSumsOf<DoubleLanes4>(e, length, first, sums);
}
#endif

using TLagSums = void (*)(const double*, std::int32_t, std::int32_t, double*);

TLagSums PickLagSums() {
#ifdef FENDREL_WIDE_LAG_SUMS
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return LagSums4;
#endif
  return LagSums2;
}

}  // namespace

std::vector<double> ChangeAutocovariances(const double* x, std::int32_t count, std::int32_t lags,
                                          TEvaluationProgress* progress) {
  const std::int32_t length = count - 1;
  std::vector<double> c(Size(lags) + 1, 0.0);
  if (length < 1) return c;
  double sum = 0.0;
  for (std::int32_t i = 1; i < count; ++i) sum = sum + (x[i] - x[i - 1]);
  const double mean = sum / length;
  // The changes about their mean, d_1 at e[0], after kLagBlock zeros.
  std::vector<double> padded(Size(kLagBlock) + Size(length), 0.0);
  double* e = padded.data() + kLagBlock;
  for (std::int32_t i = 1; i < count; ++i) e[i - 1] = (x[i] - x[i - 1]) - mean;

  static const TLagSums lagSums = PickLagSums();
  const std::int32_t blocks = (lags + 1 + kLagBlock - 1) / kLagBlock;
  std::vector<double> out(Size(blocks) * Size(kLagBlock), 0.0);
  ForEachBlock(Size(blocks), [&](std::size_t block) {
    if (progress != nullptr && progress->Cancelled()) return;
    lagSums(e, length, static_cast<std::int32_t>(block) * kLagBlock,
            out.data() + block * Size(kLagBlock));
    if (progress != nullptr) progress->Advance(std::int64_t{kLagBlock} * length / 32);
  });
  std::copy_n(out.begin(), c.size(), c.begin());
  return c;
}

std::int32_t SeasonOf(const std::vector<double>& c, std::int32_t top) {
  top = std::min(top, static_cast<std::int32_t>(c.size()) - 1);
  if (top < 2 || c[0] == 0.0) return 1;
  const auto r = [&](std::int32_t k) {
    return k > top ? -std::numeric_limits<double>::infinity() : c[Size(k)] / c[0];
  };
  std::int32_t season = 1;
  double best = 0.0;
  for (std::int32_t k = 2; k <= top; ++k) {
    const double rk = r(k);
    if (!(rk >= 0.3 && rk >= r(k - 1) && rk >= r(k + 1))) continue;
    if (season == 1 || rk > best) {
      season = k;
      best = rk;
    }
  }
  return season;
}

namespace {

std::int32_t TopLag(std::int32_t count) { return std::min((count - 1) / 3, 400); }

}  // namespace

std::int64_t SeasonCost(std::int32_t count) {
  if (count < 16 || TopLag(count) < 2) return 0;
  const std::int32_t blocks = (TopLag(count) + kLagBlock) / kLagBlock;
  return std::int64_t{blocks} * kLagBlock * (count - 1) / 32;
}

std::int32_t FindSeason(const double* x, std::int32_t count, TEvaluationProgress* progress) {
  if (count < 16) return 1;
  const std::int32_t top = TopLag(count);
  if (top < 2) return 1;
  const std::vector<double> c = ChangeAutocovariances(x, count, top, progress);
  if (progress != nullptr && progress->Cancelled()) return 1;
  return SeasonOf(c, top);
}

}  // namespace fendrel
