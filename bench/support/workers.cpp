#include "support/workers.h"

#include <benchmark/benchmark.h>
#include <tbb/info.h>

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace fendrel::bench {

bool ApplyWorkersFlag(int& argc, char** argv, std::optional<tbb::global_control>& limit) {
  int workers = tbb::info::default_concurrency();
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    constexpr std::string_view kFlag = "--workers=";
    if (!arg.starts_with(kFlag)) {
      argv[kept++] = argv[i];
      continue;
    }
    const std::string_view value = arg.substr(kFlag.size());
    int n = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc{} || end != value.data() + value.size() || n < 1) {
      std::fprintf(stderr, "%s: --workers needs a whole number of at least 1\n", argv[0]);
      return false;
    }
    workers = n;
    limit.emplace(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(n));
  }
  argc = kept;
  argv[argc] = nullptr;
  benchmark::AddCustomContext("workers", std::to_string(workers));
  return true;
}

}  // namespace fendrel::bench
