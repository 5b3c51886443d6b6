#pragma once

#include <sys/resource.h>

#include <csignal>
#include <utility>
#include <vector>

#include "sample/sample_data.h"
#include "sample/text_format.h"

namespace fendrel {

// Sets the process-wide decimal separator for one test and restores it.
class DecimalSeparatorScope {
 public:
  explicit DecimalSeparatorScope(char separator) : saved_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
  DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;
  ~DecimalSeparatorScope() { SetDecimalSeparator(saved_); }

 private:
  char saved_;
};

// Limits the size of the files this process writes to 16 bytes for one test,
// so that a write fails part way ("File too large"), and restores the limit.
class SmallFileLimit {
 public:
  SmallFileLimit() {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    struct rlimit small = saved_;
    small.rlim_cur = 16;
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  SmallFileLimit(const SmallFileLimit&) = delete;
  SmallFileLimit& operator=(const SmallFileLimit&) = delete;
  ~SmallFileLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  struct rlimit saved_ {};
  void (*previousHandler_)(int) = nullptr;
};

using Samples = std::vector<std::pair<double, double>>;

inline Samples SamplesOf(const TSampleData& series) {
  Samples samples;
  for (std::int32_t i = 0; i < series.Count(); ++i)
    samples.emplace_back(series.GetX(i), series.GetY(i));
  return samples;
}

inline TSampleData SeriesOf(const Samples& samples) {
  TSampleData series;
  for (const auto& [x, y] : samples) series.Append(x, y);
  return series;
}

}  // namespace fendrel
