#pragma once

#include <vector>

#include "sample/sample_data.h"

namespace fendrel {

// A series of these y values, with x = index, as a band has them.
inline TSampleData Series(const std::vector<double>& ys) {
  TSampleData series;
  for (double y : ys) series.Append(series.Count(), y);
  return series;
}

}  // namespace fendrel
