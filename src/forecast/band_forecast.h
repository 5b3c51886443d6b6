#pragma once

#include <cstdint>
#include <vector>

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

// The forecast of the value after every band of the packet's current level,
// band 0 first, each from its own samples only; the packet is only read.
// The job it works for (CurrentProgress) counts the values read and may stop
// it with TCancelled.
std::vector<double> BandForecasts(const TWavelet& wavelet, const TForecastSettings& settings);

// Appends one forecast to every band of the packet's current level, band 0
// first, each from its own samples only. A failure appends nothing.
void ForecastBands(TWavelet& wavelet, const TForecastSettings& settings);

}  // namespace fendrel
