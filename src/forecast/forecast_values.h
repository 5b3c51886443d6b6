#pragma once

#include <cstdint>
#include <span>

#include "sample/sample_data.h"

namespace fendrel {

// The values a forecaster reads: a series' own, as they stand at each
// forecast, or values read in place, such as a band of the packet, which
// then need no copy into a series of their own.
class TForecastValues {
 public:
  // NOLINTNEXTLINE(google-explicit-constructor): a series is the usual source.
  TForecastValues(const TSampleData& series) : series_(&series) {}
  explicit TForecastValues(std::span<const double> values) : values_(values) {}

  std::int32_t Count() const {
    return series_ != nullptr ? series_->Count() : static_cast<std::int32_t>(values_.size());
  }
  const double* YData() const { return series_ != nullptr ? series_->YData() : values_.data(); }

 private:
  const TSampleData* series_ = nullptr;
  std::span<const double> values_;
};

}  // namespace fendrel
