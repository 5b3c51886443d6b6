#pragma once

#include <cstdint>

namespace fendrel {

class TSampleData;
class TWavelet;

// What the session shows: the window renders each step's result when the
// session tells it to, so the order of what the user sees follows the order
// of the steps.
class TSessionView {
 public:
  virtual ~TSessionView() = default;

  // The level spin stands at `level`, without a click of its own.
  virtual void ShowLevelPosition(std::int16_t level) = 0;
  // The test series in the test grid and the test chart.
  virtual void ShowTestSeries(const TSampleData& series) = 0;
  // The spin maxima, then every band of the packet's current level in the
  // wavelet grid and the wavelet chart.
  virtual void ShowBands(const TWavelet& wavelet, std::int16_t levelMax,
                         std::int16_t windowMax) = 0;
};

}  // namespace fendrel
