// Speed of the sample text formats. Every benchmark checks its own answer
// against a plain reference, so a fast wrong result reports an error.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "sample/clipboard_text.h"
#include "sample/foreign_text.h"
#include "sample/sample_data.h"
#include "sample/sample_file.h"
#include "sample/text_format.h"

namespace fendrel {
namespace {

namespace fs = std::filesystem;

constexpr int kValues = 65536;

std::vector<double> TestValues() {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> wide(-1e6, 1e6);
  std::vector<double> values(kValues);
  for (int i = 0; i < kValues; ++i) values[i] = i % 2 ? std::sin(i * 17.0) : wide(random);
  return values;
}

TSampleData TestSeries(std::int32_t count) {
  TSampleData series(count);
  for (std::int32_t i = 0; i < count; ++i) {
    series.SetX(i, i);
    series.SetY(i, std::sin(i * 23.0) * (1 + i % 1000));
  }
  return series;
}

// Reference: the library's own parse of the text, which is correctly rounded.
double LibraryRead(std::string_view text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

bool SameAsWritten(const TSampleData& loaded, const TSampleData& saved) {
  if (loaded.Count() != saved.Count()) return false;
  for (std::int32_t i = 0; i < saved.Count(); ++i) {
    if (loaded.GetX(i) != LibraryRead(FormatKept(saved.GetX(i)))) return false;
    if (loaded.GetY(i) != LibraryRead(FormatKept(saved.GetY(i)))) return false;
  }
  return true;
}

double PeakMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  }
  return 0;
}

class TempFolder {
 public:
  TempFolder()
      : path_(fs::temp_directory_path() / ("fendrel-bench-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~TempFolder() { fs::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgName("samples")->Arg(100)->Arg(65536)->Arg(1048576);
}

void BM_FormatFixed(benchmark::State& state) {
  SetDecimalSeparator('.');
  const std::vector<double> values = TestValues();
  char buffer[64];
  for (double v : values) {
    const std::size_t length = FormatFixedTo(buffer, v, 16, 8);
    const double back = LibraryRead(std::string_view(buffer, length));
    if (std::fabs(back - v) > 5.0000001e-9 + std::fabs(v) * 2.3e-16) {
      state.SkipWithError("fixed-point text does not read back within half a unit");
      return;
    }
  }
  std::size_t total = 0;
  for (auto _ : state) {
    for (double v : values) total += FormatFixedTo(buffer, v, 16, 8);
    benchmark::DoNotOptimize(buffer);
  }
  benchmark::DoNotOptimize(total);
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_FormatFixed);

void BM_ReadNumber(benchmark::State& state) {
  SetDecimalSeparator('.');
  std::vector<std::string> texts;
  double expectedSum = 0;
  for (double v : TestValues()) {
    texts.push_back(FormatFixed(v, 16, 8));
    expectedSum += LibraryRead(texts.back());
  }
  for (auto _ : state) {
    double sum = 0;
    for (const std::string& text : texts) sum += ReadNumberOrZero(text);
    if (sum != expectedSum) {
      state.SkipWithError("number reading differs from the library's conversion");
      return;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_ReadNumber);

void BM_SaveToFile(benchmark::State& state) {
  SetDecimalSeparator('.');
  const TempFolder folder;
  const std::string path = folder.File("save.qls");
  const TSampleData series = TestSeries(static_cast<std::int32_t>(state.range(0)));
  for (auto _ : state) series.SaveToFile(path);
  TSampleData loaded;
  loaded.LoadFromFile(path);
  if (!SameAsWritten(loaded, series)) state.SkipWithError("saved file does not load back");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveToFile)->Apply(Sizes)->Unit(benchmark::kMillisecond);

// Values near 1e-9, every one of which takes more than 8 decimals.
void BM_SaveSmallValues(benchmark::State& state) {
  SetDecimalSeparator('.');
  const TempFolder folder;
  const std::string path = folder.File("small.qls");
  TSampleData series = TestSeries(static_cast<std::int32_t>(state.range(0)));
  for (std::int32_t i = 0; i < series.Count(); ++i) series.SetY(i, series.GetY(i) * 1e-12);
  for (auto _ : state) series.SaveToFile(path);
  TSampleData loaded;
  loaded.LoadFromFile(path);
  if (!SameAsWritten(loaded, series)) state.SkipWithError("saved file does not load back");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveSmallValues)->Arg(1048576)->Unit(benchmark::kMillisecond);

void BM_LoadFromFile(benchmark::State& state) {
  SetDecimalSeparator('.');
  const TempFolder folder;
  const std::string path = folder.File("load.qls");
  const TSampleData series = TestSeries(static_cast<std::int32_t>(state.range(0)));
  series.SaveToFile(path);
  TSampleData loaded;
  for (auto _ : state) loaded.LoadFromFile(path);
  if (!SameAsWritten(loaded, series))
    state.SkipWithError("loaded series differs from the saved one");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadFromFile)->Apply(Sizes)->Unit(benchmark::kMillisecond);

void BM_TestDataText(benchmark::State& state) {
  SetDecimalSeparator('.');
  const TSampleData series = TestSeries(static_cast<std::int32_t>(state.range(0)));
  std::string text;
  for (auto _ : state) text = TestDataText(series);
  TSampleData pasted;
  if (!PasteTextToSeries(text, pasted) || pasted.Count() != series.Count() ||
      pasted.GetY(pasted.Count() - 1) != LibraryRead(FormatKept(series.GetY(series.Count() - 1)))) {
    state.SkipWithError("copied text does not paste back");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TestDataText)->Apply(Sizes)->Unit(benchmark::kMillisecond);

void BM_PasteText(benchmark::State& state) {
  SetDecimalSeparator('.');
  const TSampleData series = TestSeries(static_cast<std::int32_t>(state.range(0)));
  const std::string text = TestDataText(series);
  TSampleData pasted;
  for (auto _ : state) PasteTextToSeries(text, pasted);
  for (std::int32_t i = 0; i < series.Count(); ++i) {
    if (pasted.GetX(i) != i || pasted.GetY(i) != LibraryRead(FormatFixed(series.GetY(i), 16, 8))) {
      state.SkipWithError("pasted series differs from the copied one");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PasteText)->Apply(Sizes)->Unit(benchmark::kMillisecond);

// The largest series the window opens: a file of about 530 MB. Reports the
// peak memory of the whole benchmark program, the saved series included.
void BM_LoadLargeFile(benchmark::State& state) {
  SetDecimalSeparator('.');
  const TempFolder folder;
  const std::string path = folder.File("large.qls");
  TSampleData loaded;
  {
    const TSampleData series = TestSeries(static_cast<std::int32_t>(state.range(0)));
    series.SaveToFile(path);
  }
  for (auto _ : state) loaded.LoadFromFile(path);
  if (loaded.Count() != state.range(0)) state.SkipWithError("the large file lost lines");
  state.counters["peak_MiB"] = PeakMiB();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadLargeFile)
    ->ArgName("samples")
    ->Arg(16777216)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The same number of lines as another tool writes them, with an index column,
// a header line and a missing value in every thousand: its layout found, the
// question answered with the proposal, every line read and the gaps filled.
// The goal: at most 1.5 times BM_LoadLargeFile.
void BM_ImportLargeForeignFile(benchmark::State& state) {
  SetDecimalSeparator('.');
  const TempFolder folder;
  const std::string path = folder.File("large.csv");
  const auto count = static_cast<std::int32_t>(state.range(0));
  {
    const TSampleData series = TestSeries(count);
    std::ofstream file(path, std::ios::binary);
    file << ",YEAR,SUNACTIVITY\n";
    std::string piece;
    for (std::int32_t i = 0; i < count; ++i) {
      piece += std::to_string(i);
      piece += ',';
      piece += std::to_string(i);
      piece += ".0,";
      if (i % 1000 != 7) piece += FormatFixed(series.GetY(i), 16, 8);
      piece += '\n';
      if (piece.size() > (1u << 20)) {
        file << piece;
        piece.clear();
      }
    }
    file << piece;
  }
  TSampleData loaded;
  TTextImport import;
  for (auto _ : state) import = ImportFile(path, loaded, nullptr);
  if (loaded.Count() != count || !import.foreign || import.missing != (count + 992) / 1000) {
    state.SkipWithError("the foreign file lost lines or values");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportLargeForeignFile)
    ->ArgName("samples")
    ->Arg(16777216)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// A 100 MB line without a break: one (0, 0) sample, in time linear in its size.
void BM_ReadOneHugeLine(benchmark::State& state) {
  SetDecimalSeparator('.');
  const std::string text(100u << 20, '7');
  TSampleData loaded;
  for (auto _ : state) ReadSampleFileText(text, loaded);
  if (loaded.Count() != 1 || loaded.GetX(0) != 0 || loaded.GetY(0) != 0) {
    state.SkipWithError("a huge line must read as one (0, 0) sample");
  }
}
BENCHMARK(BM_ReadOneHugeLine)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace fendrel
