#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"

namespace fendrel {
namespace {

std::unique_ptr<TLineSeries> Band(TChart& chart, int count, double scale) {
  auto series = std::make_unique<TLineSeries>();
  series->SetParentChart(&chart);
  for (int i = 0; i < count; ++i) series->AddPoint(i, scale * std::sin(i * 0.2));
  return series;
}

// A painted chart, so that the axes map pixels. The labels' room depends on
// the label step of the pass before, so the layout settles with the second.
struct TMouseChart : ::testing::Test {
  TChart Chart;
  std::vector<std::unique_ptr<TLineSeries>> Series;
  TMouseChart() {
    Chart.resize(398, 256);
    Chart.SetView3D(false);
    Series.push_back(Band(Chart, 100, 1.0));
    Paint();
    Paint();
  }
  QImage Paint() { return Chart.grab().toImage(); }
  void Drag(Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(&Chart, button, {}, from);
    QTest::mouseMove(&Chart, to);
    QTest::mouseRelease(&Chart, button, {}, to);
  }
  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, at, Chart.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&Chart, &event);
  }
  TAxisRange Range(const TChartAxis& axis) { return {axis.Minimum(), axis.Maximum()}; }
  bool Automatic() { return Chart.BottomAxis().Automatic() && Chart.LeftAxis().Automatic(); }
};

TEST_F(TMouseChart, DragRightDownZoomsAndTheOtherWayRestores) {
  TChartAxis& bottom = Chart.BottomAxis();
  TChartAxis& left = Chart.LeftAxis();
  ASSERT_TRUE(PointInRect(Chart.PlotRect, 100, 50) && PointInRect(Chart.PlotRect, 200, 150));
  const TAxisRange x{bottom.PixelToValue(100), bottom.PixelToValue(200)};
  const TAxisRange y{left.PixelToValue(150), left.PixelToValue(50)};
  Drag(Qt::LeftButton, {100, 50}, {200, 150});
  EXPECT_TRUE(Chart.Zoomed());
  EXPECT_EQ(Range(bottom), x);
  EXPECT_EQ(Range(left), y);
  Paint();
  // What lay under the rectangle now fills the plot.
  EXPECT_EQ(bottom.ValueToPixel(x.Minimum), Chart.PlotRect.Left);
  EXPECT_EQ(left.ValueToPixel(y.Maximum), Chart.PlotRect.Top);

  // A short drag back does nothing; a second zoom keeps the first saving.
  Drag(Qt::LeftButton, {200, 150}, {100, 134});
  EXPECT_EQ(Range(bottom), x);
  Drag(Qt::LeftButton, {120, 60}, {180, 120});
  Drag(Qt::LeftButton, {200, 150}, {100, 50});
  EXPECT_FALSE(Chart.Zoomed());
  EXPECT_TRUE(Automatic());
  Paint();
  EXPECT_EQ(Range(bottom), (TAxisRange{0, 99}));
}

TEST_F(TMouseChart, ScrollKeepsTheValueUnderThePointerUntilItLeavesThePlot) {
  TChartAxis& bottom = Chart.BottomAxis();
  const double under = bottom.PixelToValue(150);
  QTest::mousePress(&Chart, Qt::RightButton, {}, {150, 100});
  QTest::mouseMove(&Chart, {160, 100});
  EXPECT_TRUE(Chart.LeftAxis().Automatic()) << "no vertical move, no vertical scroll";
  Paint();
  EXPECT_EQ(bottom.ValueToPixel(under), 160);

  QTest::mouseMove(&Chart, {2, 2});
  const TAxisRange stopped = Range(bottom);
  QTest::mouseMove(&Chart, {120, 100});
  QTest::mouseRelease(&Chart, Qt::RightButton, {}, {120, 100});
  EXPECT_EQ(Range(bottom), stopped);
  Drag(Qt::LeftButton, {200, 150}, {100, 50});
  EXPECT_TRUE(Automatic());
}

TEST_F(TMouseChart, WheelScrollsTheVerticalAxesByThreePercentPerNotch) {
  const TAxisRange before = Range(Chart.LeftAxis());
  const double step = (before.Maximum - before.Minimum) * 0.03;
  for (const int units : {-120, 60}) {  // towards the user, then half a notch away
    QWheelEvent event({150, 100}, Chart.mapToGlobal(QPointF(150, 100)), {}, {0, units},
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Chart, &event);
  }
  EXPECT_DOUBLE_EQ(Chart.LeftAxis().Minimum(), before.Minimum + step);
  EXPECT_DOUBLE_EQ(Chart.LeftAxis().Maximum(), before.Maximum + step);
  EXPECT_TRUE(Chart.BottomAxis().Automatic());
  Drag(Qt::LeftButton, {200, 150}, {100, 50});
  EXPECT_TRUE(Chart.LeftAxis().Automatic());
}

TEST_F(TMouseChart, KeysZoomAboutTheCentreScrollByTheWheelShareAndHomeRestores) {
  const TAxisRange x = Range(Chart.BottomAxis());
  const TAxisRange y = Range(Chart.LeftAxis());
  QTest::keyClick(&Chart, Qt::Key_Plus);
  const double half = (x.Maximum - x.Minimum) / 2 * 0.97;
  EXPECT_DOUBLE_EQ(Chart.BottomAxis().Minimum(), (x.Minimum + x.Maximum) / 2 - half);
  EXPECT_DOUBLE_EQ(Chart.BottomAxis().Maximum(), (x.Minimum + x.Maximum) / 2 + half);
  QTest::keyClick(&Chart, Qt::Key_Minus);
  EXPECT_NEAR(Chart.BottomAxis().Minimum(), x.Minimum, 1e-12);
  EXPECT_NEAR(Chart.LeftAxis().Maximum(), y.Maximum, 1e-12);

  QTest::keyClick(&Chart, Qt::Key_Right);
  QTest::keyClick(&Chart, Qt::Key_Down);
  EXPECT_NEAR(Chart.BottomAxis().Minimum(), x.Minimum + 0.03 * (x.Maximum - x.Minimum), 1e-9);
  EXPECT_LT(Chart.LeftAxis().Maximum(), y.Maximum);

  // Home undoes keys and drags alike, back to the scales before the first.
  Drag(Qt::LeftButton, {100, 50}, {200, 150});
  QTest::keyClick(&Chart, Qt::Key_Home);
  EXPECT_TRUE(Automatic());
  EXPECT_FALSE(Chart.Zoomed());

  // Near the largest doubles a zoom out keeps the ends finite.
  SetAxisRange(Chart.LeftAxis(), {-1.7e308, 1.7e308});
  QTest::keyClick(&Chart, Qt::Key_Minus);
  EXPECT_TRUE(std::isfinite(Chart.LeftAxis().Minimum()) &&
              std::isfinite(Chart.LeftAxis().Maximum()));
}

TEST_F(TMouseChart, PressesStartDragsOnlyOverPlotSeriesAndAxes) {
  const int x = Chart.BottomAxis().ValueToPixel(15);
  const int y = Chart.LeftAxis().ValueToPixel(std::sin(3.0));
  EXPECT_EQ(Chart.ClickedPart(x, y - 2), cpSeries);
  EXPECT_EQ(Chart.ClickedPart(x + 12, y), cpChartRect);
  EXPECT_EQ(Chart.ClickedPart(150, Chart.PlotRect.Bottom + 4), cpAxis);
  Drag(Qt::LeftButton, {2, 2}, {200, 150});
  EXPECT_FALSE(Chart.Zoomed());

  // A press during a drag is ignored; a drag whose button went up unseen ends.
  QTest::mousePress(&Chart, Qt::LeftButton, {}, {100, 50});
  EXPECT_EQ(Chart.cursor().shape(), Qt::ArrowCursor);
  Send(QEvent::MouseButtonPress, {150, 100}, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
  QTest::mousePress(&Chart, Qt::LeftButton, {}, {300, 20});
  EXPECT_FALSE(Chart.MouseState().Scrolling);
  EXPECT_EQ(Chart.MouseState().ZoomAnchor, (TPoint{100, 50}));
  Send(QEvent::MouseMove, {200, 150}, Qt::NoButton, Qt::NoButton);
  QTest::mouseRelease(&Chart, Qt::LeftButton, {}, {200, 150});
  EXPECT_FALSE(Chart.Zoomed());

  // Over a series with a cursor of its own that cursor shows; leaving
  // brings back the one the chart was made with.
  Series[0]->SetCursor(Qt::CrossCursor);
  Send(QEvent::MouseMove, {x, y}, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(Chart.cursor().shape(), Qt::CrossCursor);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&Chart, &leave);
  EXPECT_EQ(Chart.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(TMouseChart, ZoomedScalesOutliveANewSetOfSeries) {
  Chart.SetView3D(true);
  Paint();
  Drag(Qt::LeftButton, {100, 50}, {200, 150});
  const TAxisRange x = Range(Chart.BottomAxis());
  // As the window's level change does: drop every band series, attach new ones.
  Chart.DetachAllSeries();
  Series.clear();
  for (int b = 0; b < 4; ++b) Series.push_back(Band(Chart, 25, 3.0 + b));
  Paint();
  EXPECT_EQ(Range(Chart.BottomAxis()), x);
  EXPECT_EQ(Chart.BottomAxis().CurrentMinimum, x.Minimum);
  Drag(Qt::LeftButton, {200, 150}, {100, 50});
  Paint();
  EXPECT_EQ(Range(Chart.BottomAxis()), (TAxisRange{0, 24}));
  EXPECT_DOUBLE_EQ(Chart.LeftAxis().Maximum(), Series.back()->HighestY());
}

TEST_F(TMouseChart, RubberBandIsNotXorAndLeavesTheFrameAsItWas) {
  const QImage before = Paint();
  QTest::mousePress(&Chart, Qt::LeftButton, {}, {100, 50});
  QTest::mouseMove(&Chart, {390, 130});
  const QImage band = Paint();
  const TColor pen = Chart.ZoomBandColor();
  const QRgb penRgb = qRgb(RedOf(pen), GreenOf(pen), BlueOf(pen));
  // Columns 100..389 and rows 50..129 carry the outline; column 389 lies on
  // the panel, whose colour is the pen's, so it turns white.
  ASSERT_GT(389, Chart.PlotRect.Right);
  EXPECT_EQ(band.pixel(389, 90) & 0xFFFFFFu, 0xFFFFFFu);
  for (const QPoint p : {QPoint(140, 50), QPoint(140, 129), QPoint(100, 90)}) {
    EXPECT_EQ(band.pixel(p) & 0xFFFFFFu, ~(penRgb ^ before.pixel(p)) & 0xFFFFFFu);
  }
  EXPECT_EQ(band.pixel(140, 90), before.pixel(140, 90));
  QTest::mouseRelease(&Chart, Qt::LeftButton, {}, {105, 55});
  EXPECT_EQ(Paint(), before);
}

}  // namespace
}  // namespace fendrel
