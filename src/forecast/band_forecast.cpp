#include "forecast/band_forecast.h"

#include <algorithm>
#include <span>
#include <vector>

#include "core/progress.h"
#include "forecast/forecaster.h"
#include "wavelet/wavelet.h"

namespace fendrel {

std::vector<double> BandForecasts(const TWavelet& wavelet, const TForecastSettings& settings) {
  const std::int32_t bandCount = wavelet.BandCount();
  // Every band is read in place: at level 0 of a long series a copy would
  // cost more than a moving average, and a cancel could not stop it.
  std::vector<double> forecasts;
  forecasts.reserve(static_cast<std::size_t>(std::max(bandCount, 0)));
  for (std::int32_t b = 0; b < bandCount; ++b) {
    ThrowIfCancelled();
    const std::span<const double> values = wavelet.BandValues(b);
    forecasts.push_back(ForecastAfter(values, static_cast<std::int32_t>(values.size()), settings));
    // A long nearest-neighbour forecast counts its own work as it goes.
    if (settings.method == fmMovingAverage) {
      AdvanceProgress(static_cast<std::int64_t>(values.size()));
    }
  }
  return forecasts;
}

void ForecastBands(TWavelet& wavelet, const TForecastSettings& settings) {
  wavelet.AppendToBands(BandForecasts(wavelet, settings));
}

}  // namespace fendrel
