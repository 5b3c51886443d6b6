#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>

#include "forecast/k_nearest_neighbor.h"
#include "sample/random.h"
#include "sample/sample_data.h"
#include "support/knn_reference.h"

namespace fendrel {
namespace {

enum Data { kRandom, kSine };

TSampleData MakeSeries(std::int32_t count, Data data) {
  SetRandomState(2024);
  TSampleData series(count);
  if (data == kRandom) {
    series.GenerateRandom();
  } else {
    series.GenerateSine();
  }
  return series;
}

// The plain computation is slow at the larger sizes; check each case once.
bool Checked(const TSampleData& series, std::int64_t count, Data data, bool average) {
  static std::map<std::pair<std::int64_t, int>, bool> verdicts;
  const auto key = std::make_pair(count, static_cast<int>(data) * 2 + (average ? 1 : 0));
  auto found = verdicts.find(key);
  if (found != verdicts.end()) return found->second;
  TKNearestNeighbor knn(series);
  knn.SetUseWindowAverage(average);
  const double fast = knn.Forecast();
  const double plain = PlainForecastAt(series, series.Count() - 1, knn.Window(), average);
  const bool same = std::memcmp(&fast, &plain, sizeof fast) == 0;
  verdicts.emplace(key, same);
  return same;
}

void BM_NearestNeighborForecast(benchmark::State& state) {
  const auto count = static_cast<std::int32_t>(state.range(0));
  const auto data = static_cast<Data>(state.range(1));
  const bool average = state.range(2) != 0;
  const TSampleData series = MakeSeries(count, data);
  if (!Checked(series, count, data, average)) {
    state.SkipWithError("forecast differs from the plain computation");
    return;
  }
  TKNearestNeighbor knn(series);
  knn.SetUseWindowAverage(average);
  for (auto _ : state) benchmark::DoNotOptimize(knn.Forecast());
  state.SetLabel(std::string(data == kRandom ? "random" : "sine") +
                 (average ? ", window average" : ", nearest only"));
}
BENCHMARK(BM_NearestNeighborForecast)
    ->ArgsProduct({{100, 10000, 100000}, {kRandom, kSine}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fendrel
