#include <benchmark/benchmark.h>

#include <optional>

#include "support/workers.h"

// The benchmark programs' main: Google Benchmark's, plus --workers=N.
int main(int argc, char** argv) {
  std::optional<tbb::global_control> limit;
  if (!fendrel::bench::ApplyWorkersFlag(argc, argv, limit)) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
