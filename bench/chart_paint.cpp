#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <memory>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "platform/qpainter_context.h"
#include "sample/sample_data.h"
#include "support/window_chart.h"
#include "wavelet/wavelet.h"

namespace fendrel {
namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "fendrel_bench_chart_paint";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
  }
}

// A few periods of a sine with some noise, so that dense columns span rows.
std::vector<double> Samples(int count) {
  std::vector<double> values(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    values[static_cast<std::size_t>(i)] =
        std::sin(i * 6.0 * M_PI / count) + 0.05 * std::sin(i * 1.7);
  }
  return values;
}

// One full paint pass onto an offscreen image of the chart's size.
void RenderPasses(benchmark::State& state, TChart& chart) {
  QImage image(chart.width(), chart.height(), QImage::Format_RGB32);
  TQPainterContext context(image);
  for (auto _ : state) {
    chart.RenderTo(context, {0, 0, chart.width(), chart.height()});
    benchmark::ClobberMemory();
  }
}

// The test chart as the window has it, holding `count` samples.
void SetUpTestChart(TChart& chart, TLineSeries& series, int count) {
  chart.resize(398, 191);
  SetUpLikeTheWindow(chart, "Test data");
  chart.SetView3D(false);
  series.SetParentChart(&chart);
  const std::vector<double> values = Samples(count);
  for (std::size_t i = 0; i < values.size(); ++i)
    series.AddPoint(static_cast<double>(i), values[i]);
}

void BM_PaintTestChart(benchmark::State& state) {
  EnsureApplication();
  TChart chart;
  TLineSeries series;
  SetUpTestChart(chart, series, static_cast<int>(state.range(0)));
  RenderPasses(state, chart);
}
BENCHMARK(BM_PaintTestChart)->Arg(100)->Arg(65536)->Arg(1048576)->Unit(benchmark::kMillisecond);
// The window's largest file, 2^24 samples: a few passes, each set-up taking seconds.
BENCHMARK(BM_PaintTestChart)->Arg(16777216)->Iterations(4)->Unit(benchmark::kMillisecond);

// Drawing alone (no frame buffer) onto pixels ratio / 100 times finer than
// the chart's coordinates, as on a screen of high density.
void BM_PaintTestChartAtRatio(benchmark::State& state) {
  EnsureApplication();
  TChart chart;
  TLineSeries series;
  SetUpTestChart(chart, series, static_cast<int>(state.range(0)));
  const double ratio = static_cast<double>(state.range(1)) / 100.0;
  chart.Canvas().SetBufferedDisplay(false);
  QImage image(static_cast<int>(std::round(chart.width() * ratio)),
               static_cast<int>(std::round(chart.height() * ratio)), QImage::Format_RGB32);
  TQPainterContext context(image, ratio);
  for (auto _ : state) {
    chart.RenderTo(context, {0, 0, chart.width(), chart.height()});
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PaintTestChartAtRatio)
    ->Args({65536, 100})
    ->Args({65536, 200})
    ->Args({1048576, 100})
    ->Args({1048576, 150})
    ->Args({1048576, 200})
    ->Unit(benchmark::kMillisecond);

// The wavelet chart at a level: one ribbon series per band in a 3D view. A
// third argument gives the chart the window's height (256) instead of 191.
void BM_PaintWaveletChart(benchmark::State& state) {
  EnsureApplication();
  const auto samples = static_cast<int>(state.range(0));
  const auto level = static_cast<std::int32_t>(state.range(1));
  TSampleData data;
  const std::vector<double> values = Samples(samples);
  for (int i = 0; i < samples; ++i) data.Append(i, values[static_cast<std::size_t>(i)]);
  TWavelet wavelet;
  wavelet.Load(&data);
  wavelet.SetLevel(level);

  TChart chart;
  chart.resize(398, 191);
  SetUpLikeTheWindow(chart, "Wavelet data (haars)");
  if (state.range(2) != 0) chart.resize(398, 256);
  chart.Foot().AddText("Level " + std::to_string(level));
  std::vector<std::unique_ptr<TLineSeries>> bands;
  for (std::int32_t b = 0; b < wavelet.BandCount(); ++b) {
    bands.push_back(std::make_unique<TLineSeries>());
    bands.back()->SetParentChart(&chart);
    const TSampleData& band = *wavelet.GetBand(b);
    for (std::int32_t i = 0; i < band.Count(); ++i) bands.back()->AddPoint(i, band.YData()[i]);
  }
  state.counters["slices"] = static_cast<double>(bands.size());
  RenderPasses(state, chart);
}
BENCHMARK(BM_PaintWaveletChart)
    ->Args({100, 5, 0})
    ->Args({65536, 10, 0})
    ->Args({65536, 0, 1})
    ->Args({1048576, 0, 1})
    ->Args({1048576, 19, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintWaveletChart)
    ->Args({16777216, 0, 1})
    ->Args({16777216, 10, 1})
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fendrel
