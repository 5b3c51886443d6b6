// A session with a series of 16,777,216 samples (a sample file of about
// 530 MB) through the real window, shown offscreen: open until painted, each
// level step from 0 to 10 with its redraw and paint, "Do forecast" at level
// 10, Save, and closing the window. Every step runs once: the benchmarks
// follow each other as one session, and each brings the window to the state
// it starts from when run alone. peak_MiB is the process's peak resident
// memory so far (writing the sample file beforehand needs less than the
// open). Each runs once even when more repetitions are asked for: a
// repetition would have to open the file anew.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "platform/dialogs.h"
#include "platform/locale.h"
#include "sample/sample_data.h"
#include "support/dialogs.h"
#include "support/jobs.h"
#include "support/window_controls.h"
#include "support/workers.h"
#include "ui/main_window.h"
#include "ui/text_grid.h"
#include "ui/up_down.h"
#include "ui/wavelet_view.h"
#include "wavelet/wavelet.h"

namespace {

namespace fs = std::filesystem;
using fendrel::TForm1;

constexpr std::int32_t kCount = std::int32_t{1} << 24;
constexpr std::int32_t kDeepest = 10;

using fendrel::bench::BenchDialogs;

std::unique_ptr<TForm1> form;
std::unique_ptr<fendrel::WindowControls> ui;
std::unique_ptr<BenchDialogs> dialogs;
std::unique_ptr<fendrel::TDesktop> desktop;
fs::path folder;

fs::path SamplePath() { return folder / "sine-16M.qls"; }
fs::path SavedPath() { return folder / "saved-16M.qls"; }

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Paint() { QApplication::processEvents(); }

// Written once, when the first benchmark that needs it runs: a filter that
// selects none of them costs nothing.
void EnsureSampleFile() {
  static bool written = false;
  if (written) return;
  fendrel::TSampleData series(kCount);
  series.GenerateSine();
  series.SaveToFile(SamplePath().string());
  written = true;
}

void MakeForm() {
  form = std::make_unique<TForm1>(nullptr, desktop.get());
  ui = std::make_unique<fendrel::WindowControls>(*form);
  form->show();
  Paint();
}

void Open() {
  EnsureSampleFile();
  dialogs->answer = SamplePath().string();
  form->Open1Click(ui->Open1);
  fendrel::bench::WaitForJob(*form);
  Paint();
}

void StepTo(std::int32_t level) {
  ui->UpDown1->SetPosition(static_cast<std::int16_t>(level));
  form->UpDown1Click(ui->UpDown1, fendrel::btNext);
  fendrel::bench::WaitForJob(*form);
  Paint();
}

// The window holding the big series at `level`, whatever ran before.
void Prepare(std::int32_t level) {
  if (!form) MakeForm();
  if (form->Session().TestData().Count() != kCount) Open();
  if (form->Session().Wavelet().Level() != level) StepTo(level);
}

bool ShowsLevel(std::int32_t level, std::int32_t extra) {
  const std::int32_t bands = std::int32_t{1} << level;
  const std::int32_t length = (kCount >> level) + extra;
  return form->Session().Wavelet().Level() == level &&
         form->Session().Wavelet().BandCount() == bands && ui->chWave->SeriesTotal() == bands &&
         ui->sgWave->ColCount() == bands + 1 && ui->sgWave->RowCount() == length + 1 &&
         form->WaveView().Series(bands - 1)->PointCount() == length;
}

void Finish(benchmark::State& state, bool shown) {
  if (!dialogs->errors.empty()) {
    state.SkipWithError(dialogs->errors.front().c_str());
    dialogs->errors.clear();
  } else if (!shown) {
    state.SkipWithError("the window does not show the series");
  }
  state.counters["peak_MiB"] = PeakMiB();
}

void BM_BigOpen(benchmark::State& state) {
  EnsureSampleFile();
  if (!form) MakeForm();
  for (auto _ : state) Open();
  Finish(state, form->Session().TestData().Count() == kCount &&
                    ui->sgTest->RowCount() == kCount + 1 &&
                    ui->chTest->SeriesAt(0)->PointCount() == kCount && ShowsLevel(0, 0));
}
BENCHMARK(BM_BigOpen)->MeasureProcessCPUTime()->Iterations(1)->Unit(benchmark::kMillisecond)->Repetitions(1);

// One step down from the level before, with its redraw and paint.
void BM_BigLevelStep(benchmark::State& state) {
  const auto level = static_cast<std::int32_t>(state.range(0));
  Prepare(level - 1);
  for (auto _ : state) StepTo(level);
  Finish(state, ShowsLevel(level, 0));
}
BENCHMARK(BM_BigLevelStep)->MeasureProcessCPUTime()
    ->DenseRange(1, kDeepest)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(1);

// "Do forecast" at the deepest level with its redraw and paint: moving
// average (0), then nearest neighbour (1), each adding one sample per band.
void BM_BigForecast(benchmark::State& state) {
  const bool nearest = state.range(0) != 0;
  Prepare(kDeepest);
  const std::int32_t before =
      static_cast<std::int32_t>(form->Session().Wavelet().BandValues(0).size()) -
      (kCount >> kDeepest);
  (nearest ? ui->rbKNN : ui->rbMA)->setChecked(true);
  for (auto _ : state) {
    form->Button2Click(ui->Button2);
    fendrel::bench::WaitForJob(*form);
    Paint();
  }
  Finish(state, ShowsLevel(kDeepest, before + 1));
}
BENCHMARK(BM_BigForecast)->MeasureProcessCPUTime()
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(1);

void BM_BigSave(benchmark::State& state) {
  Prepare(kDeepest);
  for (auto _ : state) {
    dialogs->answer = SavedPath().string();
    form->Save1Click(ui->Save1);
    fendrel::bench::WaitForJob(*form);
  }
  std::error_code error;
  const auto saved = fs::file_size(SavedPath(), error);
  const auto opened = fs::file_size(SamplePath(), error);
  fs::remove(SavedPath(), error);
  Finish(state, saved == opened);
}
BENCHMARK(BM_BigSave)->MeasureProcessCPUTime()->Iterations(1)->Unit(benchmark::kMillisecond)->Repetitions(1);

// Closing the window at the deepest level: the series, the packet, the band
// series and both grids go with it.
void BM_BigClose(benchmark::State& state) {
  Prepare(kDeepest);
  Finish(state, ShowsLevel(kDeepest, static_cast<std::int32_t>(
                                         form->Session().Wavelet().BandValues(0).size()) -
                                         (kCount >> kDeepest)));
  for (auto _ : state) {
    form->close();
    ui.reset();
    form.reset();
  }
}
BENCHMARK(BM_BigClose)->MeasureProcessCPUTime()->Iterations(1)->Unit(benchmark::kMillisecond)->Repetitions(1);

}  // namespace

int main(int argc, char** argv) {
  std::optional<tbb::global_control> limit;
  if (!fendrel::bench::ApplyWorkersFlag(argc, argv, limit)) return 1;
  folder = fs::temp_directory_path() / ("fendrel-bench-big-" + std::to_string(::getpid()));
  std::error_code error;
  // The sample file and its saved copy.
  constexpr std::uintmax_t kRoom = std::uintmax_t{2} << 30;
  if (fs::space(fs::temp_directory_path(), error).available < kRoom || error) {
    std::printf("skipped: less than 2 GiB free in %s\n", fs::temp_directory_path().c_str());
    return 0;
  }
  fs::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "%s: cannot make the folder %s\n", argv[0], folder.c_str());
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  fendrel::ApplySeparators({'.', ","});
  dialogs = std::make_unique<BenchDialogs>();
  desktop = std::make_unique<fendrel::TDesktop>(fendrel::BenchDesktop(*dialogs));
  benchmark::RunSpecifiedBenchmarks();
  ui.reset();
  form.reset();
  dialogs.reset();
  fs::remove_all(folder, error);
  benchmark::Shutdown();
  std::printf("peak resident memory: %.1f MiB\n", PeakMiB());
  return 0;
}
