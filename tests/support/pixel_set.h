#pragma once

#include <set>
#include <utility>

namespace fendrel {

// Pixels as (x, y) pairs, so that a failing comparison lists them.
using Pixels = std::set<std::pair<int, int>>;

// Every pixel of columns x0..x1 and rows y0..y1, both ends included.
inline Pixels Range(int x0, int x1, int y0, int y1) {
  Pixels r;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) r.insert({x, y});
  return r;
}

}  // namespace fendrel
