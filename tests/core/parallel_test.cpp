#include "core/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <vector>

#include "support/worker_count.h"

namespace fendrel {
namespace {

// Named bodies, const or not, are called in place: each block writes into the
// same vector the caller reads afterwards.
TEST(ForEachBlock, TakesNamedAndConstBodies) {
  std::vector<int> hits(37, 0);
  auto mark = [&hits](std::size_t i) { ++hits[i]; };
  const auto markAgain = [&hits](std::size_t i) { ++hits[i]; };
  for (const int workers : kWorkerCounts) {
    WithWorkers(workers, [&] {
      ForEachBlock(hits.size(), mark);
      ForEachBlock(hits.size(), markAgain);
    });
  }
  for (const int count : hits) EXPECT_EQ(count, 2 * static_cast<int>(std::size(kWorkerCounts)));
}

// Every item lies in exactly one block, the last block short, for any count.
TEST(ForEachRange, CoversEveryItemOnce) {
  for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{7},
                                  std::size_t{8}, std::size_t{1001}}) {
    std::vector<std::atomic<int>> hits(count);
    WithWorkers(8, [&] {
      ForEachRange(count, 8, [&](std::size_t begin, std::size_t end) {
        EXPECT_LT(begin, end);
        EXPECT_LE(end - begin, 8u);
        EXPECT_EQ(begin % 8, 0u);
        for (std::size_t i = begin; i < end; ++i) ++hits[i];
      });
    });
    for (const std::atomic<int>& hit : hits) EXPECT_EQ(hit.load(), 1);
  }
}

}  // namespace
}  // namespace fendrel
