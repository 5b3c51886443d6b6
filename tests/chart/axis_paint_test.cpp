#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "chart/axis.h"
#include "chart/axis_scale.h"
#include "chart/chart.h"
#include "platform/recording_context.h"

namespace fendrel {
namespace {

constexpr TColor kGray = RGBColor(128, 128, 128);

// A chart laid out as a paint pass does, drawing into a recording that
// measures 7 pixels a character and 13 a line.
struct PaintedChart {
  explicit PaintedChart(bool view3D = false) {
    chart.SetView3D(view3D);
    chart.BottomAxis().Title().SetCaption("Time");
    chart.LeftAxis().Title().SetCaption("Values");
    chart.Canvas().SetBufferedDisplay(false);
    chart.Canvas().SetWindowCanvas(&recording);
    chart.AttachSeries(&series);
  }
  ~PaintedChart() { chart.Canvas().SetWindowCanvas(nullptr); }

  // From a plot rectangle below a one-line title of a 398 x 191 chart.
  void Layout(const TRect& plot = {12, 26, 386, 183}) {
    chart.PanelBounds = chart.Canvas().BeginFrame(recording, chart.View3DOptions(),
                                                  {0, 0, 398, 191}, chart.View3D());
    chart.PlotRect = plot;
    chart.RecomputePlotSize();
    chart.PlaceAxes();
    chart.ApplySeriesMargins();
    chart.Canvas().SetProjectionCentre(chart.TotalDepth, chart.PlotRect);
  }
  void Paint() {
    recording.ClearRecords();
    chart.PaintAxes();
  }
  std::vector<TDrawRecord> Texts() const { return recording.RecordsOf(TDrawOp::TextOut); }
  std::vector<std::string> TextsAt(int y) const {
    std::vector<std::string> texts;
    for (const TDrawRecord& r : Texts()) {
      if (r.Points[0].Y == y) texts.push_back(r.Text);
    }
    return texts;
  }
  std::vector<TDrawRecord> Lines(int width, TPenStyle style, TColor color) const {
    std::vector<TDrawRecord> lines;
    for (const TDrawRecord& r : recording.RecordsOf(TDrawOp::LineTo)) {
      if (r.Pen.Width == width && r.Pen.Style == style && r.Pen.Color == color) lines.push_back(r);
    }
    return lines;
  }

  TRecordingContext recording;
  TChart chart;
  TLineSeries series;
};

TEST(AxisText, AlignmentAndMoves) {
  PaintedChart c;
  struct Case {
    TChartAxis* axis;
    int angle;
    TTextAlign align;
    TPoint at;
  };
  // One-line labels of vertical axes rise by half a text height (13 / 2);
  // every other text sits at its point.
  const Case cases[] = {{&c.chart.BottomAxis(), 0, {thCenter, tvTop}, {100, 50}},
                        {&c.chart.TopAxis(), 0, {thCenter, tvBottom}, {100, 50}},
                        {&c.chart.LeftAxis(), 0, {thRight, tvTop}, {100, 44}},
                        {&c.chart.RightAxis(), 0, {thLeft, tvTop}, {100, 44}},
                        {&c.chart.LeftAxis(), 90, {thCenter, tvBottom}, {100, 50}},
                        {&c.chart.RightAxis(), 270, {thCenter, tvBottom}, {100, 50}},
                        {&c.chart.LeftAxis(), 45, {thLeft, tvTop}, {100, 50}}};
  for (const Case& k : cases) {
    c.recording.ClearRecords();
    k.axis->DrawAxisText(100, 50, "12", k.angle);
    const auto texts = c.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Align, k.align) << k.angle;
    EXPECT_EQ(texts[0].Points[0], k.at) << k.angle;
    EXPECT_EQ(texts[0].Font.Angle, k.angle);
    EXPECT_EQ(c.recording.Align(), (TTextAlign{thLeft, tvTop}));
  }
  // Two lines: under the bottom axis from the point down; beside the left
  // axis centred on it as a block.
  c.recording.ClearRecords();
  c.chart.BottomAxis().DrawAxisText(100, 200, "1\r234", 0);
  c.chart.LeftAxis().DrawAxisText(40, 100, "1\r234", 0);
  const auto texts = c.Texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].Points[0], (TPoint{100, 200}));
  EXPECT_EQ(texts[1].Points[0], (TPoint{100, 213}));
  EXPECT_EQ(texts[2].Points[0], (TPoint{40, 87}));
  EXPECT_EQ(texts[3].Points[0], (TPoint{40, 100}));
}

TEST(AxisPlacement, PlotShrinksByEveryShownAxis) {
  PaintedChart c;
  c.series.AddPoint(0, -0.5);
  c.series.AddPoint(99, 10.25);
  c.Layout();
  EXPECT_EQ(c.chart.BottomAxis().TitlePosition, 170);
  EXPECT_EQ(c.chart.BottomAxis().LabelsPosition, 157);
  // The first pass measures the ends themselves: "10.25" and a space.
  EXPECT_EQ(c.chart.LeftAxis().LabelsPosition, 25 + 42);
  EXPECT_EQ(c.chart.PlotRect, (TRect{73, 26, 386, 151}));
  EXPECT_EQ(c.chart.BottomAxis().StartPixel, 73);
  // The next pass measures the labels of the step the last span gave ("0" and
  // "10" with step 2): narrower.
  c.Layout();
  EXPECT_EQ(c.chart.PlotRect.Left, 52);

  // An axis that would leave no plot is left out.
  c.Layout({100, 100, 130, 130});
  EXPECT_EQ(c.chart.PlotRect, (TRect{100, 100, 130, 130}));

  // In 3D the depth (one slice of 6 on 370 pixels) comes off the right and top first.
  PaintedChart deep(true);
  deep.series.AddPoint(0, 1);
  deep.Layout({12, 26, 382, 183});
  EXPECT_EQ(deep.chart.TotalDepth, 6);
  EXPECT_EQ(deep.chart.PlotRect.Right, 376);
  EXPECT_EQ(deep.chart.PlotRect.Top, 32);
}

TEST(AxisPaint, LabelsTicksGridAndMinorTicksIn2D) {
  PaintedChart c;
  for (int i = 0; i < 100; ++i) c.series.AddPoint(i, (i % 11) - 5);
  c.Layout();
  c.Paint();
  const TChartAxis& bottom = c.chart.BottomAxis();
  const TChartAxis& left = c.chart.LeftAxis();
  ASSERT_EQ(c.chart.PlotRect, (TRect{52, 26, 386, 151}));

  // 334 pixels, "99" 14 wide plus 10 percent: room for 22, a step of 5.
  std::vector<std::string> texts;
  std::vector<int> ticks;
  for (int v = 95; v >= 0; v -= 5) {
    texts.push_back(std::to_string(v));
    ticks.push_back(bottom.ValueToPixel(v));
  }
  EXPECT_EQ(c.TextsAt(bottom.LabelsPosition), texts);
  EXPECT_EQ(bottom.TickPositions(), ticks);
  // 125 pixels at 14 a label: room for 9, a step of 2 from 4 down to -4,
  // right-aligned against the labels edge and raised half a line.
  EXPECT_EQ(c.TextsAt(left.ValueToPixel(-4) - 6), (std::vector<std::string>{"-4"}));
  EXPECT_EQ(left.TickPositions().size(), 5u);
  const auto all = c.Texts();
  EXPECT_EQ(all.front().Text, "Time");
  EXPECT_EQ(all.front().Points[0], (TPoint{219, 170}));
  EXPECT_EQ(all.back().Points[0].X, 46);
  EXPECT_EQ(all.back().BackMode, bmTransparent);

  const auto axisLines = c.Lines(2, psSolid, clBlack);
  ASSERT_EQ(axisLines.size(), 2u);
  EXPECT_EQ(axisLines[0].Points, (std::vector<TPoint>{{52, 151}, {386, 151}}));
  EXPECT_EQ(axisLines[1].Points, (std::vector<TPoint>{{52, 26}, {52, 151}}));
  // Ticks start one pixel outside the axis line; grid lines cross the plot.
  const auto gray = c.Lines(1, psSolid, kGray);
  EXPECT_EQ(gray[0].Points, (std::vector<TPoint>{{373, 152}, {373, 156}}));
  const auto grid = c.Lines(1, psDot, kGray);
  ASSERT_EQ(grid.size(), ticks.size() + 5);
  EXPECT_EQ(grid[0].Points, (std::vector<TPoint>{{373, 26}, {373, 151}}));
  EXPECT_EQ(grid[0].BackMode, bmTransparent);

  // Minor ticks, 2 long: three per gap and two beyond the highest tick (377,
  // 381); 386 is the span's end pixel. The inner ticks (length 0) draw nothing.
  std::vector<int> minor;
  for (const TDrawRecord& r : gray) {
    if (r.Points[0].Y == 152 && r.Points[1].Y == 154) minor.push_back(r.Points[0].X);
  }
  EXPECT_EQ(minor.size(), 3u * 19u + 2u);
  EXPECT_EQ(minor[0], 377);
  EXPECT_EQ(gray.size(), 59u + 20u + 20u);  // bottom minor and major, left major and minor
}

TEST(AxisPaint, EmptySeriesOneLabelAtTheCentreNoSeriesNone) {
  PaintedChart c;
  c.Layout();
  c.Paint();
  for (const TChartAxis* axis : {&c.chart.BottomAxis(), &c.chart.LeftAxis()}) {
    EXPECT_EQ(axis->TickPositions(), (std::vector<int>{axis->CenterPixel}));
  }
  EXPECT_EQ(c.TextsAt(c.chart.BottomAxis().LabelsPosition), (std::vector<std::string>{"0"}));
  EXPECT_EQ(c.Lines(1, psDot, kGray).size(), 2u);
  EXPECT_EQ(c.Lines(1, psSolid, kGray).size(), 2u);  // a single tick has no gap to divide

  c.chart.DetachSeries(&c.series);
  c.Layout();
  c.Paint();
  EXPECT_EQ(c.Lines(2, psSolid, clBlack).size(), 4u);
  EXPECT_EQ(c.Texts().size(), 2u);  // the two titles
}

TEST(AxisPaint, GridOnTheBackWallJoinedAlongTheDepthIn3D) {
  PaintedChart c(true);
  for (int i = 0; i < 100; ++i) c.series.AddPoint(i, i % 9);
  c.Layout();
  c.Paint();
  const int d = c.chart.TotalDepth;
  ASSERT_GT(d, 0);
  const TRect plot = c.chart.PlotRect;
  const std::vector<int>& ticks = c.chart.BottomAxis().TickPositions();
  const auto grid = c.Lines(1, psDot, kGray);
  ASSERT_EQ(grid.size(), 2 * (ticks.size() + c.chart.LeftAxis().TickPositions().size()));
  for (std::size_t i = 0; i < ticks.size(); ++i) {
    const int p = ticks[i];
    EXPECT_EQ(grid[2 * i].Points,
              (std::vector<TPoint>{{p, plot.Bottom}, {p + d, plot.Bottom - d}}));
    EXPECT_EQ(grid[2 * i + 1].Points,
              (std::vector<TPoint>{{p + d, plot.Top - d}, {p + d, plot.Bottom - d}}));
  }
  const int p = c.chart.LeftAxis().TickPositions()[0];
  const std::size_t first = 2 * ticks.size();
  EXPECT_EQ(grid[first].Points, (std::vector<TPoint>{{plot.Left, p}, {plot.Left + d, p - d}}));
  EXPECT_EQ(grid[first + 1].Points,
            (std::vector<TPoint>{{plot.Left + d, p - d}, {plot.Right + d, p - d}}));
  // Labels stay at the front.
  EXPECT_EQ(c.TextsAt(c.chart.BottomAxis().LabelsPosition).size(), ticks.size());
}

TEST(AxisPaint, DegenerateRangesEndWithBoundedLabels) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<double>> cases = {
      {-1e308, 1e308}, {0, kInf}, {-kInf, kInf}, {kNaN, 1}, {1e17, 1e17 + 16}};
  for (const auto& values : cases) {
    PaintedChart c;
    for (std::size_t i = 0; i < values.size(); ++i) c.series.AddPoint(double(i), values[i]);
    c.Layout();
    c.Paint();
    EXPECT_LE(c.chart.LeftAxis().TickPositions().size(), 2u) << values[1];
  }
  // A given step that still moves at that magnitude: capped by the tick list.
  PaintedChart c;
  c.series.AddPoint(0, 1e17);
  c.series.AddPoint(1, 1e17 + 16);
  c.chart.LeftAxis().SetIncrement(10);
  c.Layout();
  c.Paint();
  EXPECT_EQ(c.chart.LeftAxis().TickPositions().size(), kMaxTicks);
}

}  // namespace
}  // namespace fendrel
