#pragma once

// Qt's emit macro would break oneTBB's headers in tests that include Qt first.
#pragma push_macro("emit")
#undef emit
#include <tbb/global_control.h>
#include <tbb/task_arena.h>
#pragma pop_macro("emit")

#include <cstddef>
#include <utility>

namespace fendrel {

// The worker counts a result must not depend on: one, the development
// machine's two, and more workers than it has cores.
inline constexpr int kWorkerCounts[] = {1, 2, 8};

// Runs work with exactly `workers` threads taking part and answers its result.
// The global limit alone only caps the pool; the arena of that many slots
// makes eight workers share even two cores. The calling thread joins the
// arena, so work that needs the user-interface thread can run this way too.
template <typename Work>
decltype(auto) WithWorkers(int workers, Work&& work) {
  tbb::global_control limit(tbb::global_control::max_allowed_parallelism,
                            static_cast<std::size_t>(workers));
  tbb::task_arena arena(workers);
  return arena.execute(std::forward<Work>(work));
}

}  // namespace fendrel
