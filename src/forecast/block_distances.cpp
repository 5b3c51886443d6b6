#include "forecast/block_distances.h"

#include <cmath>
#include <cstring>

#include "core/portability.h"

namespace fendrel {

namespace {

// How many terms are added between two looks at the bound.
constexpr std::int32_t kCheckInterval = 256;

// Inlined into one function per instruction set, so each gets its own vectors.
template <typename Vec, typename Bits>
[[gnu::always_inline]] inline bool BlockDistancesOf(const double* target, const double* runs,
                                                    std::int32_t length, double bound,
                                                    double* out) {
  constexpr int kWidth = sizeof(Vec) / sizeof(double);
  constexpr int kVectors = kBlockLanes / kWidth;
  const Bits magnitude = Bits{} + 0x7FFFFFFFFFFFFFFF;
  const bool mayDrop = !std::isnan(bound);
  Vec sums[kVectors] = {};
  for (std::int32_t t0 = 0; t0 < length;) {
    const std::int32_t t1 = length - t0 > kCheckInterval ? t0 + kCheckInterval : length;
    for (std::int32_t t = t0; t < t1; ++t) {
      const double x = target[t];
#pragma GCC unroll 16
      for (int v = 0; v < kVectors; ++v) {
        Vec run;
        std::memcpy(&run, runs + t + v * kWidth, sizeof run);
        sums[v] += reinterpret_cast<Vec>(reinterpret_cast<Bits>(x - run) & magnitude);
      }
    }
    t0 = t1;
    if (mayDrop && t0 < length) {
      // A NaN sum compares false here, which is right: it ends after every number.
      Bits near{};
#pragma GCC unroll 16
      for (int v = 0; v < kVectors; ++v) near |= sums[v] <= bound;
      bool anyNear = false;
      for (int lane = 0; lane < kWidth; ++lane) anyNear = anyNear || near[lane] != 0;
      if (!anyNear) return false;
    }
  }
  std::memcpy(out, sums, sizeof sums);
  return true;
}

bool BlockDistances2(const double* target, const double* runs, std::int32_t length, double bound,
                     double* out) {
  return BlockDistancesOf<DoubleLanes2, BitLanes2>(target, runs, length, bound, out);
}

// Wider vectors are picked at run time, so the shipped build stays portable.
#if defined(__x86_64__) && defined(__GNUC__)
#define FENDREL_WIDE_VECTORS 1

[[gnu::target("avx2")]] bool BlockDistances4(const double* target, const double* runs,
                                             std::int32_t length, double bound, double* out) {
  return BlockDistancesOf<DoubleLanes4, BitLanes4>(target, runs, length, bound, out);
}

[[gnu::target("avx512f")]] bool BlockDistances8(const double* target, const double* runs,
                                                std::int32_t length, double bound, double* out) {
  return BlockDistancesOf<DoubleLanes8, BitLanes8>(target, runs, length, bound, out);
}
#endif

}  // namespace

std::vector<BlockDistancesVariant> BlockDistancesVariants() {
  std::vector<BlockDistancesVariant> variants;
#ifdef FENDREL_WIDE_VECTORS
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) variants.push_back({"avx512f", BlockDistances8});
  if (__builtin_cpu_supports("avx2")) variants.push_back({"avx2", BlockDistances4});
#endif
  variants.push_back({"baseline", BlockDistances2});
  return variants;
}

bool BlockDistances(const double* target, const double* runs, std::int32_t length, double bound,
                    double* out) {
  static const BlockDistancesFn picked = BlockDistancesVariants().front().function;
  return picked(target, runs, length, bound, out);
}

}  // namespace fendrel
