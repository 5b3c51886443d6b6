#pragma once

#include <cstdint>

namespace fendrel {

class TWavelet;

enum class TForecastMethod : std::uint8_t { fmMovingAverage, fmNearestNeighbor };
using enum TForecastMethod;

// What "Do forecast" reads from the window: the method, the window-size spin
// (0 keeps each forecaster's automatic window) and "Use window average".
struct TForecastSettings {
  TForecastMethod method = fmMovingAverage;
  std::int32_t window = 0;
  bool useWindowAverage = true;
};

// Appends one forecast to every band of the packet's current level, band 0
// first, each from its own samples only. A failure stops the step there: the
// bands forecast before it keep their new samples, and the failure goes on.
void ForecastBands(TWavelet& wavelet, const TForecastSettings& settings);

}  // namespace fendrel
