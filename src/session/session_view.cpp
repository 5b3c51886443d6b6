#include "session/session_view.h"

#include <algorithm>

#include "core/parallel.h"
#include "sample/huge_page_allocator.h"
#include "sample/sample_data.h"

namespace fendrel {

TShownSeries TShownSeries::Of(const TSampleData& series) {
  const std::int32_t count = std::max(series.Count(), 0);
  const auto n = static_cast<std::size_t>(count);
  const std::shared_ptr<double[]> values = MakeSharedLarge(n);
  const double* from = series.YData();
  // In pieces of 2 MiB on every worker: the first touch of fresh pages costs
  // page faults, and those spread too.
  ForEachRange(n, std::size_t{1} << 18, [&](std::size_t begin, std::size_t end) {
    std::copy(from + begin, from + end, values.get() + begin);
  });
  return {values, count};
}

}  // namespace fendrel
