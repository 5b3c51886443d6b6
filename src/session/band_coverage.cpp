#include "session/band_coverage.h"

#include <algorithm>
#include <bit>

#include "wavelet/wavelet.h"

namespace fendrel {

namespace {

std::string Number(std::int64_t n) { return std::to_string(n); }

std::string Samples(std::int64_t n) { return Number(n) + (n == 1 ? " sample" : " samples"); }

// "samples a–b", or "sample a" when a = b.
std::string Range(std::int64_t first, std::int64_t last) {
  if (first == last) return "sample " + Number(first);
  return "samples " + Number(first) + "\u2013" + Number(last);
}

std::string WhereTheBandsAre(const TBandCoverage& c) {
  std::string text = "Level " + Number(c.level) + ": ";
  text += c.level == 0 ? "the series holds " : "the bands hold ";
  const std::int64_t held = c.Held();
  const std::int64_t left = c.LeftOut();
  if (left == 0) {
    text += c.loaded == 1 ? "its one sample (0)"
                          : "all " + Samples(c.loaded) + " (0\u2013" + Number(c.loaded - 1) + ")";
  } else if (held == 0) {
    text += "none of the " + Samples(c.loaded);
  } else {
    text += (held == 1 ? "sample 0" : "samples 0\u2013" + Number(held - 1)) + " of " +
            Number(c.loaded) + "; " + Number(left) +
            (left == 1 ? " at the end is left out" : " at the end are left out");
  }
  text += '.';
  const std::int64_t forecasts = c.Forecasts();
  if (forecasts <= 0) return text;
  if (c.level == 0) {
    text += forecasts == 1 ? " The last sample (" + Number(c.forecastFrom) + ") is a forecast."
                           : " The last " + Number(forecasts) + " samples (from " +
                                 Number(c.forecastFrom) + ") are forecasts.";
    return text;
  }
  // A band value that a forecast went into, even in part, counts as one.
  const std::int64_t values = (c.rebuilt >> c.level) - (c.forecastFrom >> c.level);
  text += " Each band ends in " + Number(values) + (values == 1 ? " forecast: " : " forecasts: ");
  text += Range(c.forecastFrom, c.rebuilt - 1) + " at level 0.";
  return text;
}

std::string WhereTheForecastGoes(const TBandCoverage& c) {
  const std::int64_t held = c.Held();
  const std::int64_t left = c.LeftOut();
  if (left == 0) {
    return "\"Do forecast\" here adds " + Samples(std::int64_t{1} << c.level) + " after sample " +
           Number(c.rebuilt - 1) +
           (c.Forecasts() > 0 ? ", the last forecast." : ", the end of the series.");
  }
  std::string text = held == 0
                         ? "The forecast starts at sample 0 and replaces all " + Samples(c.loaded)
                         : "The forecast starts after sample " + Number(held - 1) +
                               " and replaces the last " +
                               (left == 1 ? std::string("sample") : Samples(left));
  text += "; a level whose bands reach the end starts after sample " + Number(c.loaded - 1) +
          ". The deepest is level " + Number(c.DeepestWhole()) +
          ", stepped to right after loading.";
  return text;
}

}  // namespace

TBandCoverage TBandCoverage::Of(const TWavelet& wavelet) {
  return {wavelet.Level(), wavelet.LoadedCount(), wavelet.RebuiltCount(), wavelet.AppendedFrom()};
}

TBandCoverage TBandCoverage::Of(const TBandsSnapshot& bands) {
  return {bands.level, bands.loadedCount, bands.rebuiltCount, bands.appendedFrom};
}

std::int64_t TBandCoverage::Held() const {
  return std::clamp<std::int64_t>(std::min(forecastFrom, rebuilt), 0, loaded);
}

std::int32_t TBandCoverage::DeepestWhole() const {
  if (loaded < 4) return 0;
  // Levels below floor(log2 n) can be reached; a level keeps every sample
  // when 2^level divides n.
  const int reachable = std::bit_width(static_cast<std::uint64_t>(loaded)) - 2;
  return std::min(std::countr_zero(static_cast<std::uint64_t>(loaded)), reachable);
}

std::string BandCoverageText(const TBandCoverage& coverage) {
  if (coverage.loaded <= 0) return "The series is empty: there are no samples to decompose.";
  return WhereTheBandsAre(coverage) + '\n' + WhereTheForecastGoes(coverage);
}

}  // namespace fendrel
