#include "sample/sample_data.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "sample/random.h"

namespace fendrel {

namespace {

// Strict weak order on doubles with NaN after every number; -0 and +0 are
// equal, as the plain comparisons of the exchange sort treat them.
bool LessNaNLast(double a, double b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a < b;
}

}  // namespace

TSampleData::TSampleData(std::int32_t count) { SetCount(count); }

void TSampleData::SetCount(std::int32_t count) {
  const auto n = static_cast<std::size_t>(std::max<std::int32_t>(count, 0));
  xs_.resize(n, 0.0);
  ys_.resize(n, 0.0);
}

void TSampleData::SetCountForOverwrite(std::int32_t count) {
  const auto n = static_cast<std::size_t>(std::max<std::int32_t>(count, 0));
  ResizeForOverwrite(xs_, n);
  ResizeForOverwrite(ys_, n);
}

void TSampleData::Reserve(std::int32_t count) {
  const auto n = static_cast<std::size_t>(std::max<std::int32_t>(count, 0));
  xs_.reserve(n);
  ys_.reserve(n);
}

void TSampleData::Append(double x, double y) {
  xs_.push_back(x);
  ys_.push_back(y);
}

void TSampleData::Sort() {
  const std::size_t n = ys_.size();
  if (n < 2) return;
  bool sorted = true;
  for (std::size_t i = 1; i < n && sorted; ++i) {
    const bool before = LessNaNLast(xs_[i], xs_[i - 1]) ||
                        (!LessNaNLast(xs_[i - 1], xs_[i]) && LessNaNLast(ys_[i], ys_[i - 1]));
    sorted = !before;
  }
  if (sorted) return;
  std::vector<std::uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
    if (LessNaNLast(xs_[a], xs_[b])) return true;
    if (LessNaNLast(xs_[b], xs_[a])) return false;
    return LessNaNLast(ys_[a], ys_[b]);
  });
  Values xs;
  Values ys;
  ResizeForOverwrite(xs, n);
  ResizeForOverwrite(ys, n);
  for (std::size_t i = 0; i < n; ++i) {
    xs[i] = xs_[order[i]];
    ys[i] = ys_[order[i]];
  }
  xs_.swap(xs);
  ys_.swap(ys);
}

void TSampleData::GenerateSine() {
  const std::int32_t frequency = RandomInt(50) + 1;
  for (std::int32_t i = 0; i < Count(); ++i) {
    SetX(i, i);
    SetY(i, std::sin(static_cast<double>(std::int64_t{i} * frequency)));
  }
}

void TSampleData::GenerateRandom() {
  for (std::int32_t i = 0; i < Count(); ++i) {
    SetX(i, i);
    SetY(i, RandomReal());
  }
  Sort();
}

}  // namespace fendrel
