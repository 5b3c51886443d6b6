#include "chart/series.h"

#include <gtest/gtest.h>

#include <memory>

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
  EXPECT_EQ(s.XValues().Capacity(), 0u);
  EXPECT_EQ(s.PointLabel(0), "");
  EXPECT_EQ(s.AddPoint(7, 7), 0);
  EXPECT_EQ(s.StoredColor(0), clDefault);
}

TEST(LineSeries, SharedPointsMatchAddedOnesAndCopyOnChange) {
  const auto keeper = std::shared_ptr<const double[]>(new double[6]{0, 1, 2, 5, -1, 3});
  const double* values = keeper.get();
  const auto same = [](const TLineSeries& a, const TLineSeries& b) {
    if (a.PointCount() != b.PointCount()) return false;
    for (int i = 0; i < a.PointCount(); ++i) {
      if (a.XValue(i) != b.XValue(i) || a.YValue(i) != b.YValue(i)) return false;
    }
    return a.YValues().Sum() == b.YValues().Sum();
  };
  // x in order (shown in place), then x out of order (added point by point).
  for (int first : {0, 1}) {
    const TSharedValues x{keeper, values + first, 4};
    const TSharedValues y{keeper, values + 2, 4};
    TLineSeries shared;
    shared.AddPoint(9, 9);
    shared.SharePoints(x, y);
    TLineSeries added;
    for (int i = 0; i < 4; ++i) added.AddPoint(x.Data[i], y.Data[i]);
    EXPECT_TRUE(same(shared, added));
    EXPECT_EQ(shared.XValues().Shared(), first == 0);
    shared.AddPoint(1.5, 7);  // copies first; the kept values stay as they were
    added.AddPoint(1.5, 7);
    EXPECT_TRUE(same(shared, added));
    EXPECT_FALSE(shared.YValues().Shared());
  }
  EXPECT_EQ(values[2], 2);
  EXPECT_EQ(values[3], 5);

  int adds = 0;
  TLineSeries hooked;
  hooked.Hooks().OnAfterAdd = [&](TChartSeries&, int) { ++adds; };
  hooked.SharePoints({keeper, values, 3}, {keeper, values + 3, 3});
  EXPECT_EQ(adds, 3);
  EXPECT_EQ(hooked.YValue(2), 3);
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
