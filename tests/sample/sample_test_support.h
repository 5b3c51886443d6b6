#pragma once

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
