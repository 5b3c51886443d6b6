#include "core/parallel.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <algorithm>

#include "core/progress.h"

namespace fendrel {

void ForEachBlock(std::size_t count, void (*body)(void*, std::size_t), void* context) {
  if (count == 0) return;
  // The blocks work for the caller's job: they stop when it is cancelled,
  // and deeper code finds its progress as the caller would.
  TProgress* const progress = CurrentProgress();
  if (count == 1) {
    ThrowIfCancelled();
    body(context, 0);
    return;
  }
  // Blocks are sized by their callers to be worth a task each; the simple
  // partitioner keeps them one to a task, which spreads a few long blocks
  // evenly among the workers.
  tbb::this_task_arena::isolate([&] {
    tbb::parallel_for(
        tbb::blocked_range<std::size_t>(0, count, 1),
        [&](const tbb::blocked_range<std::size_t>& range) {
          const TProgressScope scope(progress);
          for (std::size_t i = range.begin(); i != range.end(); ++i) {
            ThrowIfCancelled();
            body(context, i);
          }
        },
        tbb::simple_partitioner());
  });
}

std::size_t WorkerCount() {
  return static_cast<std::size_t>(std::max(tbb::this_task_arena::max_concurrency(), 1));
}

}  // namespace fendrel
