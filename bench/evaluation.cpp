#include "forecast/evaluation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>

#include "forecast/season.h"
#include "sample/random.h"
#include "sample/sample_data.h"

namespace fendrel {
namespace {

using Clock = std::chrono::steady_clock;

TSampleData RandomSeries(std::int32_t count) {
  SetRandomState(2024);
  TSampleData series(count);
  series.GenerateRandom();
  return series;
}

TEvaluationSettings Defaults(TForecastMethod method, std::int32_t count) {
  return {{method, 0, true}, DefaultTestSpan(count), 50};
}

// Every level, automatic window, default test span and origins.
void BM_EvaluateAllLevels(benchmark::State& state) {
  const auto method = static_cast<TForecastMethod>(state.range(0));
  const auto count = static_cast<std::int32_t>(state.range(1));
  const TSampleData series = RandomSeries(count);
  const TEvaluationSettings settings = Defaults(method, count);
  for (auto _ : state) benchmark::DoNotOptimize(Evaluate(series, settings));
  state.SetLabel(method == fmMovingAverage ? "moving average" : "nearest neighbour");
}
BENCHMARK(BM_EvaluateAllLevels)
    ->ArgsProduct({{static_cast<int>(fmMovingAverage)}, {100, 65536, 1048576}})
    ->ArgsProduct({{static_cast<int>(fmNearestNeighbor)}, {100, 65536, 100000}})
    ->Unit(benchmark::kMillisecond);

// The season search alone, over the samples before the default test span:
// every lag up to 400 summed over the whole prefix.
void BM_FindSeason(benchmark::State& state) {
  const auto count = static_cast<std::int32_t>(state.range(0));
  const TSampleData series = RandomSeries(count);
  const std::int32_t before = count - DefaultTestSpan(count);
  for (auto _ : state) benchmark::DoNotOptimize(FindSeason(series.YData(), before));
}
BENCHMARK(BM_FindSeason)->Arg(1048576)->Unit(benchmark::kMillisecond);

// What a watching dialog sees: the longest wait between two moves of the
// progress, polled every millisecond, and how long a cancellation takes to
// end the work, asked for when a third of it is done.
void BM_EvaluateProgressAndCancel(benchmark::State& state) {
  const auto method = static_cast<TForecastMethod>(state.range(0));
  const auto count = static_cast<std::int32_t>(state.range(1));
  const TSampleData series = RandomSeries(count);
  const TEvaluationSettings settings = Defaults(method, count);
  double longestGap = 0;
  double longestCancel = 0;
  for (auto _ : state) {
    TEvaluationProgress progress;
    std::atomic<bool> done{false};
    std::thread work([&] {
      benchmark::DoNotOptimize(Evaluate(series, settings, &progress));
      done.store(true);
    });
    Clock::time_point moved = Clock::now();
    double seen = 0;
    Clock::time_point asked;
    bool cancelled = false;
    while (!done.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const Clock::time_point now = Clock::now();
      const double fraction = progress.Fraction();
      if (fraction != seen) {
        seen = fraction;
        moved = now;
      }
      if (!cancelled) {
        longestGap = std::max(longestGap, std::chrono::duration<double>(now - moved).count());
      }
      if (!cancelled && fraction >= 1.0 / 3) {
        progress.Cancel();
        asked = Clock::now();
        cancelled = true;
      }
    }
    work.join();
    if (cancelled) {
      longestCancel =
          std::max(longestCancel, std::chrono::duration<double>(Clock::now() - asked).count());
    }
  }
  state.counters["progress_gap_ms"] = longestGap * 1000;
  state.counters["cancel_ms"] = longestCancel * 1000;
  state.SetLabel(method == fmMovingAverage ? "moving average" : "nearest neighbour");
}
BENCHMARK(BM_EvaluateProgressAndCancel)
    ->Args({static_cast<int>(fmMovingAverage), 1048576})
    ->Args({static_cast<int>(fmNearestNeighbor), 100000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace fendrel
