#include "chart/series.h"

#include <gtest/gtest.h>

#include "chart/chart.h"
#include "chart/colors.h"

namespace fendrel {
namespace {

TEST(LineSeries, Defaults) {
  TLineSeries s;
  EXPECT_TRUE(s.Active());
  EXPECT_EQ(s.SeriesColor(), clDefault);
  EXPECT_EQ(s.HorizAxis(), aBottomAxis);
  EXPECT_EQ(s.VertAxis(), aLeftAxis);
  EXPECT_EQ(s.ValueFormat(), "#,##0.###");
  EXPECT_EQ(s.PercentFormat(), "##0.## %");
  EXPECT_EQ(s.XValues().Name(), "X");
  EXPECT_EQ(s.XValues().Order(), loAscending);
  EXPECT_EQ(s.YValues().Name(), "Y");
  EXPECT_EQ(s.YValues().Order(), loNone);
  EXPECT_EQ(&s.ValueList(1), &s.YValues());
  EXPECT_TRUE(s.DrawLine());
  EXPECT_FALSE(s.Pointer().Visible());
  EXPECT_EQ(s.Pointer().HorizSize(), 4);
  EXPECT_FALSE(s.Marks().Visible());
  EXPECT_EQ(s.Marks().ArrowLength(), 8);
  EXPECT_EQ(s.Marks().BackColor(), 0x0080FFFFu);
  EXPECT_EQ(s.Marks().Arrow().Color(), clWhite);
  EXPECT_EQ(s.LinePen().Color(), clBlack);
  EXPECT_EQ(s.LineBrush(), bsSolid);
  EXPECT_TRUE(s.Dark3D());
  EXPECT_EQ(s.GetHorizAxis(), nullptr);

  TCustomSeries custom;
  EXPECT_FALSE(custom.DrawLine());
  EXPECT_TRUE(custom.Pointer().Visible());
}

TEST(LineSeries, PointsFollowTheirX) {
  TLineSeries s;
  EXPECT_EQ(s.AddPoint(5, 50, "five", clBlue), 0);
  EXPECT_EQ(s.AddPoint(3, 30), 0);
  EXPECT_EQ(s.AddPoint(4, 40, "four"), 1);
  ASSERT_EQ(s.PointCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s.YValue(i), 10 * s.XValue(i));
  EXPECT_EQ(s.PointLabel(0), "");
  EXPECT_EQ(s.PointLabel(1), "four");
  EXPECT_EQ(s.PointLabel(2), "five");
  EXPECT_EQ(s.PointLabel(9), "");
  EXPECT_EQ(s.StoredColor(2), clBlue);
  EXPECT_EQ(s.StoredColor(0), clDefault);

  s.Delete(1);
  EXPECT_EQ(s.XValue(1), 5);
  EXPECT_EQ(s.PointLabel(1), "five");
  EXPECT_EQ(s.StoredColor(1), clBlue);
  try {
    s.YValue(2);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_THROW(s.XValue(-1), EListError);
}

TEST(LineSeries, PointColorRules) {
  TLineSeries s;
  s.SetSeriesColor(clRed);
  for (int i = 0; i < 4; ++i) s.AddPoint(i, i);
  s.AddPoint(4, 4, "", clNone);
  EXPECT_EQ(s.PointColor(2), clRed);
  EXPECT_EQ(s.PointColor(4), clNone);
  EXPECT_EQ(s.PointColor(99), clRed);

  s.SetColorEachPoint(true);
  EXPECT_EQ(s.PointColor(0), ColorOfIndex(0));
  EXPECT_EQ(s.PointColor(3), ColorOfIndex(3));
  EXPECT_EQ(s.PointColor(4), clNone);  // an own colour wins
  EXPECT_EQ(s.PointColor(5), clRed);

  s.SetColorEachPoint(false);  // resets the stored colours as well
  EXPECT_EQ(s.PointColor(4), clRed);
  EXPECT_EQ(s.StoredColor(4), clDefault);
}

TEST(LineSeries, BeforeAddHookCanRefuse) {
  TLineSeries s;
  int after = 0;
  s.Hooks().OnBeforeAdd = [](TChartSeries&, double x, double) { return x >= 0; };
  s.Hooks().OnAfterAdd = [&](TChartSeries&, int) { ++after; };
  EXPECT_EQ(s.AddPoint(-1, 1, "no", clBlue), -1);
  EXPECT_EQ(s.AddPoint(1, 1), 0);
  EXPECT_EQ(s.PointCount(), 1);
  EXPECT_EQ(s.YValues().Count(), 1);
  EXPECT_EQ(after, 1);
}

TEST(LineSeries, ClearReleasesStorage) {
  TLineSeries s;
  for (int i = 0; i < 100; ++i) s.AddPoint(i, i, "p", clGreen);
  s.ClearPoints();
  EXPECT_EQ(s.PointCount(), 0);
  EXPECT_EQ(s.XValues().Stored().capacity(), 0u);
  EXPECT_EQ(s.PointLabel(0), "");
  EXPECT_EQ(s.AddPoint(7, 7), 0);
  EXPECT_EQ(s.StoredColor(0), clDefault);
}

TEST(SeriesPointer, SizeBelowOneRefusedAndKept) {
  TLineSeries s;
  s.Pointer().SetHorizSize(6);
  for (int bad : {0, -3}) {
    try {
      s.Pointer().SetHorizSize(bad);
      FAIL();
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Pointer size must be greater than zero");
    }
    EXPECT_THROW(s.Pointer().SetVertSize(bad), std::runtime_error);
  }
  EXPECT_EQ(s.Pointer().HorizSize(), 6);
  EXPECT_EQ(s.Pointer().VertSize(), 4);
}

TEST(LineSeries, AxisAssociation) {
  TChart chart;
  TLineSeries s;
  s.SetParentChart(&chart);
  EXPECT_EQ(s.GetHorizAxis(), &chart.BottomAxis());
  EXPECT_TRUE(s.AssociatedToAxis(chart.BottomAxis()));
  EXPECT_TRUE(s.AssociatedToAxis(chart.LeftAxis()));
  EXPECT_FALSE(s.AssociatedToAxis(chart.TopAxis()));
  EXPECT_FALSE(s.AssociatedToAxis(chart.RightAxis()));
  EXPECT_FALSE(s.AssociatedToAxis(chart.DepthAxis()));
  s.SetHorizAxis(aBothHorizAxis);
  s.SetVertAxis(aRightAxis);
  EXPECT_TRUE(s.AssociatedToAxis(chart.TopAxis()));
  EXPECT_TRUE(s.AssociatedToAxis(chart.RightAxis()));
  EXPECT_FALSE(s.AssociatedToAxis(chart.LeftAxis()));
}

}  // namespace
}  // namespace fendrel
