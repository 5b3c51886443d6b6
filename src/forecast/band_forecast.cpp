#include "forecast/band_forecast.h"

#include <algorithm>
#include <span>
#include <vector>

#include "core/parallel.h"
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
    // A band of millions of values is copied in pieces, on every worker: a
    // cancel then stops it between two pieces.
    double* const xs = band.XData();
    double* const ys = band.YData();
    ForEachRange(values.size(), std::size_t{1} << 18, [&](std::size_t begin, std::size_t end) {
      for (std::size_t i = std::max(begin, static_cast<std::size_t>(had)); i < end; ++i) {
        xs[i] = static_cast<double>(i);
      }
      std::copy(values.begin() + static_cast<std::ptrdiff_t>(begin),
                values.begin() + static_cast<std::ptrdiff_t>(end), ys + begin);
    });
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
