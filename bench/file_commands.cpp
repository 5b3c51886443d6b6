// The file and clipboard commands at scale, from the command to the redrawn
// window (shown offscreen). For Open and Paste Data the second argument says
// whether the paints the command asked for run inside the timed step (1) or
// only the command itself is timed (0). Dialogs and message boxes are answered without a
// person; the clipboard is the desktop's (the offscreen one keeps it in
// memory, so the figures leave out any other program's share).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/locale.h"
#include "sample/clipboard_text.h"
#include "sample/sample_data.h"
#include "support/dialogs.h"
#include "support/jobs.h"
#include "support/window_controls.h"
#include "ui/main_window.h"
#include "ui/popup_menu.h"
#include "ui/text_grid.h"

namespace {

namespace fs = std::filesystem;
using fendrel::TForm1;

using fendrel::bench::BenchDialogs;

std::unique_ptr<TForm1> form;
std::unique_ptr<fendrel::WindowControls> ui;
std::unique_ptr<BenchDialogs> dialogs;
std::unique_ptr<fendrel::TDesktop> desktop;
fs::path folder;

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Paint() { QApplication::processEvents(); }

void LoadSine(int count) {
  form->Session().TestData().SetCount(count);
  form->Session().TestData().GenerateSine();
  ui->UpDown1->SetPosition(0);
  form->btPlotClick(nullptr);
  Paint();
}

std::string SamplePath(int count) {
  return (folder / ("sine-" + std::to_string(count) + ".qls")).string();
}

bool ShowsSeries(int count) {
  return form->Session().TestData().Count() == count && ui->sgTest->RowCount() == count + 1 &&
         ui->chTest->SeriesAt(0)->PointCount() == count && ui->sgWave->RowCount() == count + 1 &&
         ui->chWave->SeriesAt(0)->PointCount() == count;
}

void Finish(benchmark::State& state, int count, const char* message) {
  if (!dialogs->errors.empty()) {
    state.SkipWithError(dialogs->errors.front().c_str());
  } else if (!ShowsSeries(count)) {
    state.SkipWithError("the window does not show the series");
  } else if (message != nullptr &&
             (dialogs->messages.empty() || dialogs->messages.back() != message)) {
    state.SkipWithError("no confirmation");
  }
  dialogs->messages.clear();
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["peak_MiB"] = PeakMiB();
}

void Sizes(benchmark::internal::Benchmark* bench) {
  for (int count : {100, 65536, 1 << 20}) bench->Arg(count);
}

void SizesAndPainting(benchmark::internal::Benchmark* bench) {
  for (int paint : {0, 1}) {
    for (int count : {100, 65536, 1 << 20}) bench->Args({count, paint});
  }
}

// Paints outside the timed step when the run leaves them out.
void PaintAfter(benchmark::State& state) {
  if (state.range(1) != 0) {
    Paint();
  } else {
    state.PauseTiming();
    Paint();
    state.ResumeTiming();
  }
}

void BM_Open(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadSine(count);
  form->Session().TestData().SaveToFile(SamplePath(count));
  LoadSine(1);
  for (auto _ : state) {
    dialogs->answer = SamplePath(count);
    form->Open1Click(ui->Open1);
    fendrel::bench::WaitForJob(*form);
    PaintAfter(state);
  }
  Finish(state, count, nullptr);
}
BENCHMARK(BM_Open)->MeasureProcessCPUTime()->Apply(SizesAndPainting)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadSine(count);
  for (auto _ : state) {
    dialogs->answer = SamplePath(count);
    form->Save1Click(ui->Save1);
    fendrel::bench::WaitForJob(*form);
  }
  if (static_cast<std::int64_t>(fs::file_size(SamplePath(count))) < count * 20LL) {
    state.SkipWithError("the file is short");
  }
  Finish(state, count, nullptr);
}
BENCHMARK(BM_Save)->MeasureProcessCPUTime()->Apply(Sizes)->Unit(benchmark::kMillisecond);

void BM_CopyData(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadSine(count);
  for (auto _ : state) {
    form->CopyData1Click(ui->CopyData1);
    fendrel::bench::WaitForJob(*form);
  }
  if (fendrel::OwnDesktop().clipboard.GetText() != fendrel::TestDataText(form->Session().TestData())) {
    state.SkipWithError("the clipboard does not hold the test data");
  }
  Finish(state, count, "Test data copied.");
}
BENCHMARK(BM_CopyData)->MeasureProcessCPUTime()->Apply(Sizes)->Unit(benchmark::kMillisecond);

void BM_PasteData(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  LoadSine(count);
  fendrel::OwnDesktop().clipboard.SetText(fendrel::TestDataText(form->Session().TestData()));
  LoadSine(1);
  for (auto _ : state) {
    form->PastData1Click(ui->PastData1);
    fendrel::bench::WaitForJob(*form);
    PaintAfter(state);
  }
  Finish(state, count, "Test data pasted.");
}
BENCHMARK(BM_PasteData)->MeasureProcessCPUTime()->Apply(SizesAndPainting)->Unit(benchmark::kMillisecond);

// The picture of the test chart (2D, second argument 0) and of the wavelet
// chart (3D, level 0, argument 1). Points that share a pixel column are
// recorded as a few strokes or ribbons, so the SVG grows with the chart's
// width, not with the samples.
void BM_CopyChart(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  fendrel::TChart* chart = state.range(1) != 0 ? ui->chWave : ui->chTest;
  LoadSine(count);
  ui->PopupMenu2->Popup(chart, QPoint(0, 0));
  ui->PopupMenu2->hide();
  for (auto _ : state) {
    form->CopyChart1Click(ui->CopyChart1);
    fendrel::bench::WaitForJob(*form);
  }
  state.counters["svg_MiB"] =
      static_cast<double>(QApplication::clipboard()->mimeData()->data("image/svg+xml").size()) /
      (1024.0 * 1024.0);
  Finish(state, count, "Chart copied.");
}
BENCHMARK(BM_CopyChart)->MeasureProcessCPUTime()
    ->ArgsProduct({{100, 65536, 1 << 20}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  fendrel::ApplySeparators({'.', ","});
  folder = fs::temp_directory_path() / ("fendrel-bench-files-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  dialogs = std::make_unique<BenchDialogs>();
  desktop = std::make_unique<fendrel::TDesktop>(fendrel::BenchDesktop(*dialogs));
  form = std::make_unique<TForm1>(nullptr, desktop.get());
  ui = std::make_unique<fendrel::WindowControls>(*form);
  form->show();
  Paint();
  benchmark::RunSpecifiedBenchmarks();
  ui.reset();
  form.reset();
  dialogs.reset();
  fs::remove_all(folder);
  benchmark::Shutdown();
  std::printf("peak resident memory: %.1f MiB\n", PeakMiB());
  return 0;
}
