#include "forecast/band_forecast.h"

#include <algorithm>
#include <span>
#include <vector>

#include "core/progress.h"
#include "forecast/forecaster.h"
#include "sample/sample_data.h"
#include "wavelet/wavelet.h"

namespace fendrel {

std::vector<double> BandForecasts(const TWavelet& wavelet, const TForecastSettings& settings) {
  const std::int32_t bandCount = wavelet.BandCount();
  // Each band is copied into one reused series for its forecaster: no band
  // is lent out, so nothing is made per band. The x of the copy is the
  // sample index, as in a band.
  TSampleData band;
  std::vector<double> forecasts;
  forecasts.reserve(static_cast<std::size_t>(std::max(bandCount, 0)));
  for (std::int32_t b = 0; b < bandCount; ++b) {
    ThrowIfCancelled();
    const std::span<const double> values = wavelet.BandValues(b);
    const std::int32_t had = band.Count();
    band.SetCount(static_cast<std::int32_t>(values.size()));
    for (std::int32_t i = had; i < band.Count(); ++i) band.SetX(i, i);
    std::copy(values.begin(), values.end(), band.YData());
    forecasts.push_back(ForecastAfter(band, band.Count(), settings));
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
