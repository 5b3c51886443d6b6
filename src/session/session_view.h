#pragma once

#include <cstdint>
#include <memory>

namespace fendrel {

class TSampleData;
struct TBandsSnapshot;

// The test series' values as the view shows them: a copy of their own, made
// where the command's work runs, so that the window only hands it on.
struct TShownSeries {
  std::shared_ptr<const double[]> values;
  std::int32_t count = 0;

  static TShownSeries Of(const TSampleData& series);
};

// What the session shows: the window renders each step's result when the
// session tells it to, so the order of what the user sees follows the order
// of the steps.
class TSessionView {
 public:
  virtual ~TSessionView() = default;

  // False for a front end that shows no values (a script's): the series is
  // then not copied for it.
  virtual bool ShowsValues() const { return true; }

  // The level spin stands at `level`, without a click of its own.
  virtual void ShowLevelPosition(std::int16_t level) = 0;
  // The test series in the test grid and the test chart.
  virtual void ShowTestSeries(const TShownSeries& series) = 0;
  // The spin maxima, then every band of the packet's current level in the
  // wavelet grid and the wavelet chart.
  virtual void ShowBands(const TBandsSnapshot& bands, std::int16_t levelMax,
                         std::int16_t windowMax) = 0;
};

}  // namespace fendrel
