#include "ui/wavelet_view.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "chart/chart.h"
#include "sample/sample_data.h"
#include "ui/text_grid.h"
#include "wavelet/wavelet.h"

namespace fendrel {
namespace {

// Memory that runs out while the band series are made, on whichever worker
// makes band 2, must not leave the view counting series it never made.
TEST(WaveletView, AFailureWhileMakingTheBandSeriesLeavesNoneCounted) {
  TChart chart;
  TStringGrid grid;
  TSampleData data(16);
  for (int i = 0; i < 16; ++i) data.SetY(i, i * 0.5);
  TWavelet wavelet;
  wavelet.Load(&data);
  wavelet.SetLevel(2);
  bool failing = true;
  TWaveletView view(chart, grid, [&](TLineSeries& series, std::int32_t band) {
    TWaveletView::SetUpBandSeries(series, band);
    if (failing && band == 2) throw std::bad_alloc();
  });

  EXPECT_THROW(view.ShowBands(wavelet.Snapshot()), std::bad_alloc);
  EXPECT_EQ(view.SeriesCount(), 0);
  EXPECT_EQ(view.Series(0), nullptr);
  EXPECT_EQ(chart.SeriesTotal(), 0);

  failing = false;
  view.ShowBands(wavelet.Snapshot());
  ASSERT_EQ(view.SeriesCount(), 4);
  ASSERT_EQ(chart.SeriesTotal(), 4);
  for (std::int32_t b = 0; b < 4; ++b) {
    EXPECT_EQ(chart.SeriesAt(b), view.Series(b));
    EXPECT_EQ(view.Series(b)->Title(), "Wave " + std::to_string(b));
    EXPECT_EQ(view.Series(b)->PointCount(), 4);
  }
}

}  // namespace
}  // namespace fendrel
