#include "chart/chart.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <memory>
#include <vector>

#include "chart/colors.h"

namespace fendrel {
namespace {

std::vector<std::unique_ptr<TLineSeries>> AttachNew(TChart& chart, int count) {
  std::vector<std::unique_ptr<TLineSeries>> owned;
  for (int i = 0; i < count; ++i) {
    owned.push_back(std::make_unique<TLineSeries>());
    chart.AttachSeries(owned.back().get());
  }
  return owned;
}

TEST(ChartSeriesList, PaletteInAttachOrderThenRed) {
  TChart chart;
  auto owned = AttachNew(chart, 18);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(owned[i]->SeriesColor(), ColorPalette[i]) << i;
  EXPECT_EQ(owned[16]->SeriesColor(), clRed);
  EXPECT_EQ(owned[17]->SeriesColor(), clRed);
  EXPECT_EQ(chart.SeriesTotal(), 18);
  EXPECT_EQ(chart.SeriesAt(17), owned[17].get());
}

TEST(ChartSeriesList, FreedColourIsReusedPresetColourKept) {
  TChart chart;
  auto owned = AttachNew(chart, 3);
  chart.DetachSeries(owned[1].get());  // the green one
  TLineSeries next;
  chart.AttachSeries(&next);
  EXPECT_EQ(next.SeriesColor(), clGreen);

  TLineSeries preset;
  preset.SetSeriesColor(clRed);
  chart.AttachSeries(&preset);
  EXPECT_EQ(preset.SeriesColor(), clRed);

  // A colour changed while attached is taken into account at once.
  owned[2]->SetSeriesColor(clNavy);
  TLineSeries fourth;
  chart.AttachSeries(&fourth);
  EXPECT_EQ(fourth.SeriesColor(), clYellow);
}

TEST(ChartSeriesList, BackgroundColoursAreSkipped) {
  TChart chart;
  chart.SetBackColor(clWhite);
  chart.SetColor(clGreen);
  auto owned = AttachNew(chart, 5);
  EXPECT_EQ(owned[1]->SeriesColor(), clYellow);
  EXPECT_EQ(owned[3]->SeriesColor(), clGray);
  EXPECT_EQ(owned[4]->SeriesColor(), clFuchsia);
  EXPECT_TRUE(chart.IsColorFree(clWhite, false));
  EXPECT_FALSE(chart.IsColorFree(clWhite, true));
  EXPECT_TRUE(chart.IsColorFree(clBtnFace, false));
}

TEST(ChartSeriesList, AttachDetachAndMove) {
  TChart a;
  TChart b;
  TLineSeries s;
  s.SetActive(false);
  a.AttachSeries(&s);
  a.AttachSeries(&s);
  EXPECT_EQ(a.SeriesTotal(), 1);
  EXPECT_EQ(a.ActiveSeriesTotal(), 0);
  EXPECT_EQ(s.ParentChart(), &a);

  s.SetParentChart(&b);
  EXPECT_EQ(a.SeriesTotal(), 0);
  EXPECT_EQ(b.SeriesAt(0), &s);
  a.DetachSeries(&s);  // not attached there: nothing
  EXPECT_EQ(b.SeriesTotal(), 1);

  s.SetParentChart(nullptr);
  EXPECT_EQ(b.SeriesTotal(), 0);
  EXPECT_EQ(s.ParentChart(), nullptr);
  try {
    b.SeriesAt(0);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (0)");
  }
}

TEST(ChartSeriesList, DetachAllKeepsSeriesAlive) {
  TChart chart;
  const auto before = chart.InvalidateCount();
  chart.DetachAllSeries();
  EXPECT_EQ(chart.SeriesTotal(), 0);
  EXPECT_EQ(chart.InvalidateCount(), before);

  auto owned = AttachNew(chart, 3);
  owned[0]->AddPoint(1, 2);
  chart.DetachAllSeries();
  EXPECT_EQ(chart.SeriesTotal(), 0);
  for (auto& s : owned) EXPECT_EQ(s->ParentChart(), nullptr);
  EXPECT_EQ(owned[0]->YValue(0), 2);
  TLineSeries again;  // every colour is free again
  chart.AttachSeries(&again);
  EXPECT_EQ(again.SeriesColor(), clRed);
}

TEST(ChartSeriesList, DestroyingEitherSideLeavesNoDanglingLink) {
  auto chart = std::make_unique<TChart>();
  auto owned = AttachNew(*chart, 3);
  owned[1].reset();
  ASSERT_EQ(chart->SeriesTotal(), 2);
  EXPECT_EQ(chart->SeriesAt(1), owned[2].get());
  TLineSeries green;
  chart->AttachSeries(&green);
  EXPECT_EQ(green.SeriesColor(), clGreen);

  chart.reset();
  EXPECT_EQ(owned[0]->ParentChart(), nullptr);
  EXPECT_EQ(green.ParentChart(), nullptr);
  owned[0]->AddPoint(1, 1);  // still usable, no chart to notify
  owned[0]->SetSeriesColor(clBlue);
}

TEST(ChartSeriesList, FreeingInAnyOrderKeepsTheRestInAttachOrder) {
  TChart chart;
  auto owned = AttachNew(chart, 12);
  std::vector<TLineSeries*> expected;
  for (auto& s : owned) expected.push_back(s.get());
  const auto listed = [&] {
    std::vector<TLineSeries*> seen;
    for (TChartSeries* s : chart.SeriesList()) seen.push_back(static_cast<TLineSeries*>(s));
    return seen;
  };
  // Front, middle and back, with reads in between and without.
  for (int i : {0, 5, 6, 11, 3}) {
    std::erase(expected, owned[static_cast<std::size_t>(i)].get());
    owned[static_cast<std::size_t>(i)].reset();
    if (i == 6) continue;
    ASSERT_EQ(chart.SeriesTotal(), static_cast<int>(expected.size()));
    ASSERT_EQ(listed(), expected);
  }
  EXPECT_EQ(chart.SeriesList().IndexOf(owned[7].get()), 3);
  chart.DetachSeries(owned[1].get());
  chart.AttachSeries(owned[1].get());  // back in, at the end
  std::erase(expected, owned[1].get());
  expected.push_back(owned[1].get());
  EXPECT_EQ(listed(), expected);
  EXPECT_EQ(chart.SeriesAt(6), owned[1].get());
  // The colours of the freed series are free again, in palette order.
  TLineSeries next;
  chart.AttachSeries(&next);
  EXPECT_EQ(next.SeriesColor(), clRed);
  chart.DetachSeries(&next);

  for (auto& s : owned) s.reset();
  EXPECT_EQ(chart.SeriesTotal(), 0);
  EXPECT_EQ(chart.SeriesList().begin(), chart.SeriesList().end());
}

TEST(ChartRepaint, ChangesInvalidateWithinOneRequest) {
  TChart chart;
  TLineSeries s;
  chart.AttachSeries(&s);
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  QCoreApplication::processEvents();
  ASSERT_FALSE(chart.FrameDirty());

  const auto invalidated = chart.InvalidateCount();
  const auto requested = chart.UpdateRequestCount();
  for (int i = 0; i < 1000; ++i) s.AddPoint(i, i);
  EXPECT_EQ(chart.InvalidateCount(), invalidated + 1000);
  EXPECT_EQ(chart.UpdateRequestCount(), requested + 1);
  EXPECT_TRUE(chart.FrameDirty());

  QCoreApplication::processEvents();
  EXPECT_FALSE(chart.FrameDirty());
  s.ClearPoints();
  s.ClearPoints();  // empty, still a change request
  EXPECT_EQ(chart.InvalidateCount(), invalidated + 1002);
  EXPECT_EQ(chart.UpdateRequestCount(), requested + 2);

  s.SetActive(false);
  const auto inactive = chart.InvalidateCount();
  s.AddPoint(5, 5);
  s.ClearPoints();
  EXPECT_EQ(chart.InvalidateCount(), inactive);
  s.YValues().SetMultiplier(3);
  s.SetTitle("Sample");
  EXPECT_EQ(chart.InvalidateCount(), inactive + 2);
}

TEST(ChartSettings, DefaultsAndThreeDPercentRange) {
  TChart chart;
  EXPECT_EQ(chart.Color(), clBtnFace);
  EXPECT_EQ(chart.BevelOuter(), bvRaised);
  EXPECT_EQ(chart.MarginTop(), 4);
  EXPECT_EQ(chart.MarginLeft(), 3);
  EXPECT_TRUE(chart.View3D());
  EXPECT_EQ(chart.AllowPanning(), pmBoth);
  EXPECT_EQ(chart.AnimatedZoomSteps(), 8);
  EXPECT_EQ(chart.View3DOptions().Elevation(), 345);
  EXPECT_EQ(chart.View3DOptions().Zoom(), 100);
  EXPECT_EQ(chart.BackWall().Brush().Style(), bsClear);
  EXPECT_EQ(chart.BackColor(), clDefault);
  EXPECT_EQ(chart.LeftWall().Color(), 0x0080FFFFu);
  EXPECT_EQ(chart.BottomWall().Color(), clWhite);
  EXPECT_EQ(chart.BottomWall().Brush().Style(), bsSolid);
  EXPECT_TRUE(chart.Legend().Visible());
  EXPECT_EQ(chart.width(), 400);
  EXPECT_EQ(chart.height(), 250);

  for (int bad : {0, 101, -5}) {
    try {
      chart.SetChart3DPercent(bad);
      FAIL() << bad;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "3D effect percent must be between 1 and 100");
    }
  }
  EXPECT_EQ(chart.Chart3DPercent(), 15);
  chart.SetChart3DPercent(100);
  EXPECT_EQ(chart.Chart3DPercent(), 100);
}

TEST(ChartAxis, CreatedInListOrderWithTheirFlags) {
  TChart chart;
  const auto& axes = chart.AxisList();
  ASSERT_EQ(axes[0], &chart.BottomAxis());
  ASSERT_EQ(axes[4], &chart.DepthAxis());
  const int angles[] = {0, 0, 90, 270, 0};
  const bool horizontal[] = {true, true, false, false, false};
  const bool far[] = {false, true, false, true, true};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(axes[i]->Title().Angle(), angles[i]) << i;
    EXPECT_EQ(axes[i]->IsHorizontal, horizontal[i]) << i;
    EXPECT_EQ(axes[i]->IsFarSide, far[i]) << i;
    EXPECT_EQ(axes[i]->DepthFlag, i == 4) << i;
    EXPECT_EQ(axes[i]->Visible(), i != 4) << i;
    EXPECT_EQ(axes[i]->ParentChart(), &chart);
  }
  const TChartAxis& a = chart.LeftAxis();
  EXPECT_EQ(a.Axis().Width(), 2);
  EXPECT_EQ(a.Grid().Style(), psDot);
  EXPECT_FALSE(a.MinorGrid().Visible());
  EXPECT_EQ(a.Ticks().Color(), clGray);
  EXPECT_EQ(a.LabelsSeparation(), 10);
  EXPECT_EQ(a.AxisValuesFormat(), "#,##0.###");
  EXPECT_EQ(a.EndPosition(), 100);
  EXPECT_EQ(a.Title().Font().Color(), clBlack);
}

TEST(ChartAxis, AutomaticCoupling) {
  TChart chart;
  TChartAxis& a = chart.BottomAxis();
  a.SetAutomaticMinimum(false);
  EXPECT_FALSE(a.Automatic());
  EXPECT_TRUE(a.AutomaticMaximum());
  a.SetAutomaticMinimum(true);
  EXPECT_TRUE(a.Automatic());

  a.SetAutomatic(false);
  EXPECT_FALSE(a.AutomaticMinimum());
  EXPECT_FALSE(a.AutomaticMaximum());
  a.SetAutomaticMaximum(true);  // the other end is still off
  EXPECT_FALSE(a.Automatic());

  chart.SetLoading(true);
  a.SetAutomatic(true);
  EXPECT_FALSE(a.AutomaticMinimum());
}

TEST(ChartAxis, RefusedSettingsKeepTheirValue) {
  TChart chart;
  TChartAxis& a = chart.LeftAxis();
  a.SetMaximum(10);
  a.SetMinimum(2);
  auto expectRefused = [](auto set, const char* message) {
    try {
      set();
      ADD_FAILURE() << message;
    } catch (const AxisException& e) {
      EXPECT_STREQ(e.what(), message);
    }
  };
  expectRefused([&] { a.SetMinimum(11); }, "Axis Minimum Value must be <= Maximum");
  expectRefused([&] { a.SetMaximum(1); }, "Axis Maximum Value must be >= Minimum");
  expectRefused([&] { a.SetIncrement(-0.5); }, "Axis increment must be >= 0");
  expectRefused([&] { a.SetLabelsSeparation(-1); }, "Labels Separation % must be greater than 0");
  EXPECT_EQ(a.Minimum(), 2);
  EXPECT_EQ(a.Maximum(), 10);
  EXPECT_EQ(a.Increment(), 0);
  a.SetLabelsSeparation(0);
  EXPECT_EQ(a.LabelsSeparation(), 0);

  chart.SetLoading(true);
  a.SetMinimum(50);
  EXPECT_EQ(a.Minimum(), 50);
}

TEST(ChartAxis, FixedRangeAnywhereAtOnce) {
  TChart chart;
  TChartAxis& a = chart.BottomAxis();
  a.SetMinMax(200, 100);  // entirely above the old 0..0, reversed
  EXPECT_EQ(a.Minimum(), 100);
  EXPECT_EQ(a.Maximum(), 200);
  EXPECT_FALSE(a.Automatic());
  EXPECT_FALSE(a.AutomaticMinimum());
  EXPECT_FALSE(a.AutomaticMaximum());
  a.SetMinMax(-5, -5);
  EXPECT_EQ(a.Minimum(), -5);
  EXPECT_EQ(a.Maximum(), -5 + 1e-10);
}

}  // namespace
}  // namespace fendrel
