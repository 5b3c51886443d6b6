#pragma once

#include <cstdint>
#include <string>

namespace fendrel {

class TWavelet;
struct TBandsSnapshot;

// Which samples of the loaded series the bands of the current level stand
// for, and which samples of the rebuilt series come from forecasts; every
// count is in samples of level 0.
struct TBandCoverage {
  std::int32_t level = 0;
  // The samples of the loaded (measured) series.
  std::int64_t loaded = 0;
  // How many samples the bands rebuild to at level 0.
  std::int64_t rebuilt = 0;
  // The first rebuilt sample that comes from a forecast; `rebuilt` when none.
  std::int64_t forecastFrom = 0;

  static TBandCoverage Of(const TWavelet& wavelet);
  static TBandCoverage Of(const TBandsSnapshot& bands);

  // Measured samples the bands still hold: 0 .. Held() - 1.
  std::int64_t Held() const;
  // Measured samples at the end that no band holds any more.
  std::int64_t LeftOut() const { return loaded - Held(); }
  // Rebuilt samples that come from forecasts.
  std::int64_t Forecasts() const { return rebuilt - forecastFrom; }
  // The deepest level whose bands, stepped to straight from the loaded series,
  // hold every sample of it.
  std::int32_t DeepestWhole() const;
};

// The status line's two lines, joined by a line feed: first where the bands
// are and which of their values are forecasts; then where "Do forecast" puts
// its values, and which measured samples they replace. For example:
//   Level 3: the bands hold samples 0–303 of 309; 5 at the end are left out.
//   The forecast starts after sample 303 and replaces the last 5 samples; ...
std::string BandCoverageText(const TBandCoverage& coverage);

}  // namespace fendrel
