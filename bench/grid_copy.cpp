// Ctrl+C on a whole grid: the text of every cell of the test grid of a long
// series (one value column), and of the band grid at the deepest level
// (one column per band, two rows each).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "ui/grid_cells.h"

namespace {

using fendrel::TGridCells;

std::vector<double> Sine(std::int32_t count) {
  std::vector<double> values(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) values[static_cast<std::size_t>(i)] = std::sin(i * 7.0);
  return values;
}

// Times the text of the whole grid, as Ctrl+A and Ctrl+C copy it.
void TimeWholeGridText(benchmark::State& state, const TGridCells& cells) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = cells.TableText(0, 0, cells.ColCount(), cells.RowCount());
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void TestGridText(benchmark::State& state) {
  const auto count = static_cast<std::int32_t>(state.range(0));
  TGridCells cells(2, count + 1);
  cells.SetText(0, 0, "Time");
  cells.SetText(1, 0, "Value");
  cells.SetIndexColumn(0, 1, count);
  cells.SetValueColumns(1, 1, 1, count, Sine(count));
  TimeWholeGridText(state, cells);
  state.SetItemsProcessed(state.iterations() * 2 * (count + 1));
}
BENCHMARK(TestGridText)->Arg(100)->Arg(65536)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void DeepestBandGridText(benchmark::State& state) {
  const auto bands = static_cast<std::int32_t>(state.range(0));
  constexpr std::int32_t kRows = 2;
  TGridCells cells(bands + 1, kRows + 1);
  cells.SetText(0, 0, "Time");
  cells.SetNumberedRow(0, 1, bands, "Wave ");
  cells.SetIndexColumn(0, 1, kRows);
  cells.SetValueColumns(1, 1, bands, kRows, Sine(bands * kRows));
  TimeWholeGridText(state, cells);
  state.SetItemsProcessed(state.iterations() * (bands + 1) * (kRows + 1));
}
BENCHMARK(DeepestBandGridText)->Arg(1 << 19)->Unit(benchmark::kMillisecond);

}  // namespace
