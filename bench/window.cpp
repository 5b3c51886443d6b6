// The window's commands at scale: the plot step with its wavelet view redraw,
// and level changes down to the deepest level and back. The window is shown
// (offscreen). The second argument says whether the paints the command asked
// for run inside the timed step (1) or only the command itself is timed (0).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>

#include "chart/chart.h"
#include "chart/series.h"
#include "sample/sample_data.h"
#include "support/jobs.h"
#include "support/window_controls.h"
#include "support/workers.h"
#include "ui/main_window.h"
#include "ui/text_grid.h"
#include "ui/wavelet_view.h"
#include "wavelet/wavelet.h"

namespace {

using fendrel::TForm1;

std::unique_ptr<TForm1> form;
std::unique_ptr<fendrel::WindowControls> ui;

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

void Paint() { QApplication::processEvents(); }

void LoadSine(int count) {
  form->Session().TestData().SetCount(count);
  form->Session().TestData().GenerateSine();
  ui->UpDown1->SetPosition(0);
  form->btPlotClick(nullptr);
  Paint();
}

void SetLevel(int level, bool paint = true) {
  ui->UpDown1->SetPosition(static_cast<std::int16_t>(level));
  form->UpDown1Click(ui->UpDown1, fendrel::btNext);
  fendrel::bench::WaitForJob(*form);
  if (paint) Paint();
}

void SizesAndPainting(benchmark::internal::Benchmark* bench) {
  for (int paint : {0, 1}) {
    for (int count : {100, 65536, 1 << 20}) bench->Args({count, paint});
  }
}

// The wavelet view must list exactly the packet's bands.
bool WaveViewIsWhole() {
  fendrel::TWavelet& wavelet = form->Session().Wavelet();
  const int bands = wavelet.BandCount();
  const int length = wavelet.GetBand(0)->Count();
  if (ui->chWave->SeriesTotal() != bands || ui->sgWave->ColCount() != bands + 1 ||
      ui->sgWave->RowCount() != length + 1) {
    return false;
  }
  const int last = bands - 1;
  return ui->chWave->SeriesAt(last)->PointCount() == length &&
         ui->chWave->SeriesAt(last)->YValue(length - 1) == wavelet.GetBand(last)->GetY(length - 1);
}

// A new window (not shown) with a sine of count samples plotted at level 0.
std::unique_ptr<TForm1> PlottedWindow(int count) {
  auto window = std::make_unique<TForm1>();
  window->Session().TestData().SetCount(count);
  window->Session().TestData().GenerateSine();
  window->btPlotClick(nullptr);
  return window;
}

// The first visit to the deepest level in a new window: every band series is
// made on memory the process has not used before, as on a user's first
// descent. Registered first, so that no earlier benchmark of this program has
// left freed memory behind to reuse; one iteration, as a second would reuse
// the first one's memory.
void BM_FirstDescent(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TForm1> fresh = PlottedWindow(count);
    const fendrel::WindowControls freshUi(*fresh);
    state.counters["before_MiB"] = ResidentMiB();
    state.ResumeTiming();
    freshUi.UpDown1->SetPosition(freshUi.UpDown1->Max());
    fresh->UpDown1Click(freshUi.UpDown1, fendrel::btNext);
    fendrel::bench::WaitForJob(*fresh);
    state.PauseTiming();
    if (freshUi.chWave->SeriesTotal() != fresh->Session().Wavelet().BandCount()) {
      state.SkipWithError("not at the deepest level");
    }
    state.counters["bands"] = fresh->Session().Wavelet().BandCount();
    state.counters["after_MiB"] = ResidentMiB();
    fresh.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_FirstDescent)->MeasureProcessCPUTime()
    ->Arg(1 << 20)
    ->Iterations(1)
    ->Repetitions(1)
    ->Unit(benchmark::kMillisecond);

void BM_PlotStep(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const bool paint = state.range(1) != 0;
  LoadSine(count);
  for (auto _ : state) {
    form->btPlotClick(nullptr);
    if (paint) Paint();
  }
  if (ui->sgTest->RowCount() != count + 1 || ui->chTest->SeriesAt(0)->PointCount() != count ||
      !WaveViewIsWhole()) {
    state.SkipWithError("the views do not list the series");
  }
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_PlotStep)->MeasureProcessCPUTime()->Apply(SizesAndPainting)->Unit(benchmark::kMillisecond);

void BM_LevelToDeepest(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const bool paint = state.range(1) != 0;
  LoadSine(count);
  const int deepest = ui->UpDown1->Max();
  for (auto _ : state) {
    SetLevel(deepest, paint);
    state.PauseTiming();
    SetLevel(0);
    state.ResumeTiming();
  }
  SetLevel(deepest);
  if (form->Session().Wavelet().Level() != deepest || !WaveViewIsWhole())
    state.SkipWithError("wrong level");
  state.counters["bands"] = form->Session().Wavelet().BandCount();
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_LevelToDeepest)->MeasureProcessCPUTime()->Apply(SizesAndPainting)->Unit(benchmark::kMillisecond);

void BM_LevelBackToZero(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const bool paint = state.range(1) != 0;
  LoadSine(count);
  const int deepest = ui->UpDown1->Max();
  for (auto _ : state) {
    state.PauseTiming();
    SetLevel(deepest);
    state.ResumeTiming();
    SetLevel(0, paint);
  }
  if (form->Session().Wavelet().Level() != 0 || !WaveViewIsWhole())
    state.SkipWithError("wrong level");
  state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_LevelBackToZero)->MeasureProcessCPUTime()->Apply(SizesAndPainting)->Unit(benchmark::kMillisecond);

// One level step at the deepest levels, to the deepest and back in turn.
void BM_LevelStepAtDeepest(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadSine(count);
  const int deepest = ui->UpDown1->Max();
  int level = deepest - 1;
  SetLevel(level);
  for (auto _ : state) {
    level = level == deepest ? deepest - 1 : deepest;
    SetLevel(level);
  }
  if (form->Session().Wavelet().Level() != level || !WaveViewIsWhole())
    state.SkipWithError("wrong level");
}
BENCHMARK(BM_LevelStepAtDeepest)->MeasureProcessCPUTime()->Arg(65536)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// "Do forecast" at the deepest level with its redraw and paint, by moving
// average (0) or nearest neighbour (1). Each press starts from the packet
// as the level walk left it.
void BM_ForecastAtDeepest(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const bool nearest = state.range(1) != 0;
  LoadSine(count);
  (nearest ? ui->rbKNN : ui->rbMA)->setChecked(true);
  const int deepest = ui->UpDown1->Max();
  for (auto _ : state) {
    state.PauseTiming();
    form->Session().Wavelet().Load(&form->Session().TestData());
    SetLevel(deepest);
    state.ResumeTiming();
    form->Button2Click(nullptr);
    fendrel::bench::WaitForJob(*form);
    Paint();
  }
  const int length = count >> deepest;
  if (form->Session().Wavelet().GetBand(0)->Count() != length + 1 || !WaveViewIsWhole()) {
    state.SkipWithError("the bands were not forecast");
  }
  ui->rbMA->setChecked(true);
  state.counters["bands"] = form->Session().Wavelet().BandCount();
}
BENCHMARK(BM_ForecastAtDeepest)->MeasureProcessCPUTime()
    ->Args({65536, 0})
    ->Args({65536, 1})
    ->Args({1 << 20, 0})
    ->Args({1 << 20, 1})
    ->Unit(benchmark::kMillisecond);

// Closing the window at the deepest level: every band series goes with it.
void BM_CloseAtDeepestLevel(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TForm1> closing = PlottedWindow(count);
    const fendrel::WindowControls closingUi(*closing);
    closingUi.UpDown1->SetPosition(closingUi.UpDown1->Max());
    closing->UpDown1Click(closingUi.UpDown1, fendrel::btNext);
    fendrel::bench::WaitForJob(*closing);
    if (closingUi.chWave->SeriesTotal() != closing->Session().Wavelet().BandCount()) {
      state.SkipWithError("not at the deepest level");
      break;
    }
    state.ResumeTiming();
    closing.reset();
  }
}
BENCHMARK(BM_CloseAtDeepestLevel)->MeasureProcessCPUTime()->Arg(65536)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// A thousand redraws must not leave more memory behind than the first few.
void BM_ThousandRedraws(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadSine(count);
  const int deepest = ui->UpDown1->Max();
  for (int i = 0; i < 10; ++i) SetLevel(i % 2 == 0 ? deepest : 0);
  const double before = ResidentMiB();
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) SetLevel(i % 2 == 0 ? deepest : 0);
  }
  state.counters["rss_growth_MiB"] = ResidentMiB() - before;
  state.counters["series_alive"] = form->WaveView().SeriesCount();
}
BENCHMARK(BM_ThousandRedraws)->MeasureProcessCPUTime()->Arg(100)->Arg(4096)->Iterations(1)->Unit(benchmark::kMillisecond);

// "Do forecast" by nearest neighbour at level 0 of a big series runs for
// minutes as a job; it is cancelled after about 300 ms. Timed: from the
// cancel request until the runner is idle again, with nothing applied.
void BM_CancelToIdle(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadSine(count);
  ui->rbKNN->setChecked(true);
  const std::size_t length = form->Session().Wavelet().BandValues(0).size();
  double longest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    form->Button2Click(nullptr);
    if (!form->Session().Busy()) {
      state.SkipWithError("the forecast did not run as a job");
      state.ResumeTiming();
      break;
    }
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 10);
    QElapsedTimer cancelling;
    cancelling.start();
    state.ResumeTiming();
    form->Session().Cancel();
    fendrel::bench::WaitForJob(*form);
    state.PauseTiming();
    longest = std::max(longest, static_cast<double>(cancelling.nsecsElapsed()) / 1e6);
    Paint();
    state.ResumeTiming();
  }
  if (form->Session().Wavelet().Level() != 0 ||
      form->Session().Wavelet().BandValues(0).size() != length || !WaveViewIsWhole()) {
    state.SkipWithError("the cancelled forecast changed the bands");
  }
  ui->rbMA->setChecked(true);
  state.counters["longest_ms"] = longest;
}
BENCHMARK(BM_CancelToIdle)
    ->MeasureProcessCPUTime()
    ->Arg(1 << 20)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::optional<tbb::global_control> limit;
  if (!fendrel::bench::ApplyWorkersFlag(argc, argv, limit)) return 1;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  form = std::make_unique<TForm1>();
  ui = std::make_unique<fendrel::WindowControls>(*form);
  form->show();
  QApplication::processEvents();
  benchmark::RunSpecifiedBenchmarks();
  ui.reset();
  form.reset();
  benchmark::Shutdown();
  std::printf("peak resident memory: %.1f MiB\n", PeakMiB());
  return 0;
}
