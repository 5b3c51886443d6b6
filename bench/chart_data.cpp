#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"

namespace fendrel {
namespace {

// Charts are widgets: they need the application object, made once on first use.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "fendrel_bench_chart_data";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
  }
}

// Filling the test chart's series: clear it, then one point per sample in x order.
void BM_AddPointInOrder(benchmark::State& state) {
  EnsureApplication();
  TChart chart;
  TLineSeries series;
  chart.AttachSeries(&series);
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    series.ClearPoints();
    for (int i = 0; i < n; ++i) series.AddPoint(i, 0.5 * i, {}, clDefault);
    benchmark::DoNotOptimize(series.PointCount());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddPointInOrder)->Arg(100)->Arg(65536)->Arg(1048576)->Unit(benchmark::kMillisecond);

// The deepest wavelet level: one two-point series per band, attached, then all
// detached and freed again.
void BM_AttachManySeries(benchmark::State& state) {
  EnsureApplication();
  TChart chart;
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<std::unique_ptr<TLineSeries>> owned;
    owned.reserve(static_cast<std::size_t>(n));
    for (int b = 0; b < n; ++b) {
      owned.push_back(std::make_unique<TLineSeries>());
      TLineSeries& s = *owned.back();
      s.SetParentChart(&chart);
      s.AddPoint(0, b);
      s.AddPoint(1, -b);
    }
    chart.DetachAllSeries();
    owned.clear();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AttachManySeries)->Arg(32)->Arg(1024)->Arg(524288)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fendrel
