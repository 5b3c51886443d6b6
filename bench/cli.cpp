// fendrel-cli as a script runs it: a whole process, from start to exit, beside
// the work it wraps done in this process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tbb/global_control.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "forecast/evaluation.h"
#include "sample/random.h"
#include "sample/sample_data.h"

extern char** environ;

namespace fendrel {
namespace {

namespace fs = std::filesystem;

TSampleData RandomSeries(std::int32_t count) {
  SetRandomState(2024);
  TSampleData series(count);
  series.GenerateRandom();
  return series;
}

// The files the benchmarks wrote, removed at exit.
struct Files {
  ~Files() {
    for (const fs::path& path : paths) fs::remove(path);
  }
  std::vector<fs::path> paths;
};

// A sample file of `count` random samples, written once per run.
std::string SampleFile(std::int32_t count) {
  static Files files;
  const fs::path path =
      fs::temp_directory_path() /
      ("fendrel-bench-cli-" + std::to_string(::getpid()) + "-" + std::to_string(count) + ".qls");
  if (!fs::exists(path)) {
    RandomSeries(count).SaveToFile(path.string());
    files.paths.push_back(path);
  }
  return path.string();
}

// The bench's own --workers, passed on.
std::string Workers() {
  return std::to_string(
      tbb::global_control::active_value(tbb::global_control::max_allowed_parallelism));
}

// Runs the program to its end, its output to /dev/null; false on a failure.
bool RunCli(std::vector<std::string> args) {
  std::vector<char*> argv;
  std::string program = FENDREL_CLI;
  argv.push_back(program.data());
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_CliReadStartToExit(benchmark::State& state) {
  const std::string file = SampleFile(10);
  for (auto _ : state) {
    if (!RunCli({"read", file, "--workers", Workers()})) state.SkipWithError("fendrel-cli failed");
  }
  state.SetLabel("10 lines");
}
BENCHMARK(BM_CliReadStartToExit)->Unit(benchmark::kMillisecond)->UseRealTime();

// Moving average, every level, the dialog's defaults, reading included.
void BM_CliEvaluate(benchmark::State& state) {
  const auto count = static_cast<std::int32_t>(state.range(0));
  const std::string file = SampleFile(count);
  for (auto _ : state) {
    if (!RunCli({"evaluate", file, "--workers", Workers()})) {
      state.SkipWithError("fendrel-cli failed");
    }
  }
  state.SetLabel("whole program");
}
BENCHMARK(BM_CliEvaluate)->Arg(1048576)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same evaluation alone, on the series in memory.
void BM_CliEvaluationAlone(benchmark::State& state) {
  const auto count = static_cast<std::int32_t>(state.range(0));
  const TSampleData series = RandomSeries(count);
  const TEvaluationSettings settings{{fmMovingAverage, 0, true}, DefaultTestSpan(count), 50};
  for (auto _ : state) benchmark::DoNotOptimize(Evaluate(series, settings));
  state.SetLabel("evaluation alone");
}
BENCHMARK(BM_CliEvaluationAlone)->Arg(1048576)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace fendrel
