#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "sample/sample_data.h"

namespace fendrel {

// The nearest-neighbour forecast written as plainly as it can be: every
// distance added in order, the whole candidate list sorted, the nearest values
// averaged. The fast forecaster must agree with it bit for bit.
inline double PlainForecastAt(const TSampleData& series, std::int32_t a, std::int32_t k,
                              bool average) {
  const std::int32_t b = a - k + 1;
  TSampleData candidates;
  for (std::int32_t n = 0; n < b; ++n) {
    double distance = 0.0;
    for (std::int32_t c = b; c <= a; ++c) {
      distance = distance + std::fabs(series.GetY(c) - series.GetY(c + n - b));
    }
    candidates.Append(distance, series.GetY(n + k));
  }
  candidates.Sort();
  if (!average) return candidates.GetY(0);
  const std::int32_t m = std::min(k, candidates.Count());
  double sum = 0.0;
  for (std::int32_t i = 0; i < m; ++i) sum = sum + candidates.GetY(i);
  return sum / m;
}

}  // namespace fendrel
