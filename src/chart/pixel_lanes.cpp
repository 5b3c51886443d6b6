#include "chart/pixel_lanes.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "chart/axis.h"
#include "core/portability.h"

namespace fendrel {

namespace {

// Inlined into one function per instruction set, so each gets its own
// vectors. The steps are those of ValueToPixel, in its order: the division
// stays a division, so every lane rounds as the scalar code does. Nothing
// here multiplies and then adds, so a build that may fuse the two (AVX-512
// brings FMA along) has nothing to fuse.
template <typename Vec, typename Bits, typename Ints>
[[gnu::always_inline]] inline int PixelLanesOf(const double* values, int count,
                                               const TPixelScale& scale, int* pixels, int* redo) {
  constexpr int kWidth = sizeof(Vec) / sizeof(double);
  // Adding and then taking away 1.5 * 2^52 rounds a double smaller than 2^51
  // to a whole number, halves to even, as rint does in the default mode.
  constexpr double kRound = 6755399441055744.0;
  const Bits magnitude = Bits{} + 0x7FFFFFFFFFFFFFFF;
  const Vec minimum = Vec{} + scale.Minimum;
  const Vec length = Vec{} + scale.Length;
  const Vec range = Vec{} + scale.Range;
  const Vec base = Vec{} + scale.Base;
  const Vec lowest = Vec{} + static_cast<double>(INT_MIN);
  const Vec highest = Vec{} + static_cast<double>(INT_MAX);
  const Vec reach = Vec{} + 2147483647.0;
  const Vec round = Vec{} + kRound;
  const bool fromStart = scale.FromStart;
  Bits far{};
  int i = 0;
  for (; i + kWidth <= count; i += kWidth) {
    Vec value;
    std::memcpy(&value, values + i, sizeof value);
    const Vec d = (value - minimum) * length / range;
    // False for NaN too.
    const Bits near = reinterpret_cast<Vec>(reinterpret_cast<Bits>(d) & magnitude) < reach;
    far |= ~near;
    const Vec n = (d + round) - round;
    // Whole numbers below 2^33 in size: the sum and the bounds are exact.
    Vec pixel = fromStart ? base + n : base - n;
    pixel = pixel < lowest ? lowest : pixel;
    pixel = pixel > highest ? highest : pixel;
    // Lanes left to the scalar code convert a harmless 0.
    pixel = near ? pixel : Vec{};
    const Ints whole = __builtin_convertvector(pixel, Ints);
    std::memcpy(pixels + i, &whole, sizeof whole);
  }
  bool anyFar = false;
  for (int lane = 0; lane < kWidth; ++lane) anyFar = anyFar || far[lane] != 0;
  int redone = 0;
  if (anyFar) {
    // Seldom: look again to find which lanes they were.
    for (int j = 0; j + kWidth <= count; j += kWidth) {
      Vec value;
      std::memcpy(&value, values + j, sizeof value);
      const Vec d = (value - minimum) * length / range;
      const Bits near = reinterpret_cast<Vec>(reinterpret_cast<Bits>(d) & magnitude) < reach;
      for (int lane = 0; lane < kWidth; ++lane) {
        if (near[lane] == 0) redo[redone++] = j + lane;
      }
    }
  }
  for (; i < count; ++i) redo[redone++] = i;
  return redone;
}

int PixelLanes2(const double* values, int count, const TPixelScale& scale, int* pixels, int* redo) {
  return PixelLanesOf<DoubleLanes2, BitLanes2, IntLanes2>(values, count, scale, pixels, redo);
}

// Wider vectors are picked at run time, so the shipped build stays portable.
#if defined(__x86_64__) && defined(__GNUC__)
#define FENDREL_WIDE_VECTORS 1

[[gnu::target("avx2")]] int PixelLanes4(const double* values, int count, const TPixelScale& scale,
                                        int* pixels, int* redo) {
  return PixelLanesOf<DoubleLanes4, BitLanes4, IntLanes4>(values, count, scale, pixels, redo);
}

[[gnu::target("avx512f")]] int PixelLanes8(const double* values, int count,
                                           const TPixelScale& scale, int* pixels, int* redo) {
  return PixelLanesOf<DoubleLanes8, BitLanes8, IntLanes8>(values, count, scale, pixels, redo);
}
#endif

}  // namespace

std::vector<PixelLanesVariant> PixelLanesVariants() {
  std::vector<PixelLanesVariant> variants;
#ifdef FENDREL_WIDE_VECTORS
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) variants.push_back({"avx512f", PixelLanes8});
  if (__builtin_cpu_supports("avx2")) variants.push_back({"avx2", PixelLanes4});
#endif
  variants.push_back({"baseline", PixelLanes2});
  return variants;
}

void ValuesToPixels(const TChartAxis& axis, std::span<const double> values, double factor,
                    int* pixels, PixelLanesFn lanes) {
  const auto count = static_cast<int>(values.size());
  const auto scalar = [&](int i) {
    pixels[i] = axis.ValueToPixel(values[static_cast<std::size_t>(i)] * factor);
  };
  if (axis.CurrentRange == 0 || !std::isfinite(axis.CurrentRange)) {
    for (int i = 0; i < count; ++i) scalar(i);
    return;
  }
  // Multiplying by 1 changes no number, and what is not a number goes to
  // the scalar code anyway.
  std::vector<double> scaled;
  const double* source = values.data();
  if (factor != 1) {
    scaled.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) scaled[i] = values[i] * factor;
    source = scaled.data();
  }
  TPixelScale scale;
  scale.Minimum = axis.CurrentMinimum;
  scale.Length = axis.PixelLength;
  scale.Range = axis.CurrentRange;
  scale.FromStart = axis.IsHorizontal != axis.Inverted();
  scale.Base = scale.FromStart ? axis.StartPixel : axis.EndPixel;
  static const PixelLanesFn picked = PixelLanesVariants().front().function;
  // Left unset: only the first `redone` are read.
  const auto redo = std::make_unique_for_overwrite<int[]>(values.size());
  const int redone = (lanes != nullptr ? lanes : picked)(source, count, scale, pixels, redo.get());
  for (int k = 0; k < redone; ++k) scalar(redo[static_cast<std::size_t>(k)]);
}

}  // namespace fendrel
