#include "chart/zoom.h"

#include <gtest/gtest.h>

#include "chart/axis.h"

namespace fendrel {
namespace {

// An axis on its own, as a paint pass leaves it: values lo..hi over start..end.
void Place(TChartAxis& axis, int start, int end, double lo, double hi) {
  axis.SetMinMax(lo, hi);
  axis.StartPixel = start;
  axis.EndPixel = end;
  axis.PixelLength = end - start;
  axis.CurrentMinimum = lo;
  axis.CurrentMaximum = hi;
  axis.CurrentRange = hi - lo;
}

TEST(ZoomDrag, MoreThanSixteenPixelsBothWaysDecideZoomOrRestore) {
  EXPECT_EQ(ZoomDragResult({100, 50}, {117, 67}), zdZoom);
  EXPECT_EQ(ZoomDragResult({100, 50}, {116, 150}), zdNothing);
  EXPECT_EQ(ZoomDragResult({100, 50}, {200, 66}), zdNothing);
  // Anything but right and down restores.
  EXPECT_EQ(ZoomDragResult({100, 150}, {200, 50}), zdRestore);
  EXPECT_EQ(ZoomDragResult({200, 50}, {100, 150}), zdRestore);
}

TEST(ZoomRange, VerticalFromTheBottomEdgeAndReversedEndsSwapped) {
  TChartAxis left(nullptr, false, false);
  Place(left, 20, 220, 0, 100);
  EXPECT_EQ(ZoomedRange(left, OrderedRect(200, 170, 100, 70)), (TAxisRange{25, 75}));
  TChartAxis bottom(nullptr, true, false);
  Place(bottom, 50, 250, 0, 100);
  bottom.SetInverted(true);
  const TAxisRange reversed = ZoomedRange(bottom, {100, 70, 200, 170});
  EXPECT_EQ(reversed, (TAxisRange{75, 25}));
  SetAxisRange(bottom, reversed);
  EXPECT_EQ((TAxisRange{bottom.Minimum(), bottom.Maximum()}), (TAxisRange{25, 75}));
  SetAxisRange(bottom, {5, 5});
  EXPECT_EQ(bottom.Maximum(), 5 + 1e-10);
  EXPECT_EQ(AnimatedRange({0, 100}, {40, 60}, 4, 8), (TAxisRange{20, 80}));
  EXPECT_EQ(AnimatedRange({0, 100}, {40, 60}, 1, 0), (TAxisRange{40, 60}));
}

TEST(ZoomScale, RestoreKeepsAnEndThatWasAutomaticOnItsOwn) {
  TChartAxis axis(nullptr, true, false);
  axis.SetMinMax(1, 2);
  axis.SetAutomaticMinimum(true);
  const TAxisScale partial = SaveAxisScale(axis);
  axis.SetMinMax(30, 40);
  RestoreAxisScale(axis, partial);
  EXPECT_EQ(SaveAxisScale(axis), partial);
  EXPECT_TRUE(axis.AutomaticMinimum() && !axis.Automatic());
}

}  // namespace
}  // namespace fendrel
