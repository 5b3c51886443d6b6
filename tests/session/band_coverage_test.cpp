#include "session/band_coverage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sample/sample_data.h"
#include "wavelet/wavelet.h"

namespace fendrel {
namespace {

std::string TextOf(const TWavelet& packet) { return BandCoverageText(TBandCoverage::Of(packet)); }

void Forecast(TWavelet& packet) {
  packet.AppendToBands(std::vector<double>(static_cast<std::size_t>(packet.BandCount()), 1.0));
}

// The sunspot years, 309 values: where the bands are and where the forecast
// lands, step by step as a user goes.
TEST(BandCoverage, FollowsTheBandsAndTheForecastsDownAndUp) {
  TSampleData series(309);
  TWavelet packet;
  packet.Load(&series);
  EXPECT_EQ(TextOf(packet),
            "Level 0: the series holds all 309 samples (0–308).\n"
            "\"Do forecast\" here adds 1 sample after sample 308, the end of the series.");
  packet.SetLevel(3);
  const std::string replaces =
      "The forecast starts after sample 303 and replaces the last 5 samples; a level whose "
      "bands reach the end starts after sample 308. The deepest is level 0, stepped to right "
      "after loading.";
  EXPECT_EQ(
      TextOf(packet),
      "Level 3: the bands hold samples 0–303 of 309; 5 at the end are left out.\n" + replaces);
  Forecast(packet);
  EXPECT_EQ(TextOf(packet),
            "Level 3: the bands hold samples 0–303 of 309; 5 at the end are left out. Each band "
            "ends in 1 forecast: samples 304–311 at level 0.\n" +
                replaces);
  packet.SetLevel(0);
  EXPECT_EQ(TextOf(packet),
            "Level 0: the series holds samples 0–303 of 309; 5 at the end are left out. The last "
            "8 samples (from 304) are forecasts.\n" +
                replaces);
  // Down again: level 4 keeps 19 values a band, which the forecast never reached.
  packet.SetLevel(4);
  EXPECT_EQ(TBandCoverage::Of(packet).Forecasts(), 0);
  // A trip to level 7 and back leaves 256 samples; two forecasts at level 3 follow them.
  packet.Load(&series);
  packet.SetLevel(7);
  packet.SetLevel(3);
  Forecast(packet);
  Forecast(packet);
  EXPECT_EQ(TextOf(packet),
            "Level 3: the bands hold samples 0–255 of 309; 53 at the end are left out. Each band "
            "ends in 2 forecasts: samples 256–271 at level 0.\n"
            "The forecast starts after sample 255 and replaces the last 53 samples; a level whose "
            "bands reach the end starts after sample 308. The deepest is level 0, stepped to right "
            "after loading.");
  // A band lent out and grown counts as a forecast too.
  packet.Load(&series);
  packet.SetLevel(1);
  packet.GetBand(0)->Append(154, 2);
  packet.GetBand(1)->Append(154, 2);
  EXPECT_EQ(TBandCoverage::Of(packet).forecastFrom, 308);
  packet.SetLevel(0);
  EXPECT_EQ(TBandCoverage::Of(packet).forecastFrom, 308);
  EXPECT_EQ(TBandCoverage::Of(packet).rebuilt, 310);
}

TEST(BandCoverage, SmallSeriesAndWholeLevels) {
  TWavelet packet;
  EXPECT_EQ(TextOf(packet), "The series is empty: there are no samples to decompose.");
  TSampleData one(1);
  packet.Load(&one);
  Forecast(packet);
  EXPECT_EQ(TextOf(packet),
            "Level 0: the series holds its one sample (0). The last sample (1) is a forecast.\n"
            "\"Do forecast\" here adds 1 sample after sample 1, the last forecast.");
  // 100 samples: levels 0 to 2 hold them all, level 3 leaves 4 out.
  TSampleData hundred(100);
  packet.Load(&hundred);
  packet.SetLevel(2);
  EXPECT_EQ(TextOf(packet),
            "Level 2: the bands hold all 100 samples (0–99).\n"
            "\"Do forecast\" here adds 4 samples after sample 99, the end of the series.");
  packet.SetLevel(3);
  EXPECT_EQ(TBandCoverage::Of(packet).DeepestWhole(), 2);
  EXPECT_NE(TextOf(packet).find("left out.\nThe forecast starts after sample 95 and replaces the "
                                "last 4 samples;"),
            std::string::npos);
  EXPECT_EQ((TBandCoverage{0, 128, 128, 128}.DeepestWhole()), 6);
  EXPECT_EQ((TBandCoverage{5, 7, 0, 0}.LeftOut()), 7);
  EXPECT_EQ(BandCoverageText({5, 7, 0, 0}).substr(0, 52),
            "Level 5: the bands hold none of the 7 samples.\nThe f");
}

}  // namespace
}  // namespace fendrel
