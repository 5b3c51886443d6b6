#include "chart/axis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <vector>

#include "chart/axis_scale.h"
#include "chart/chart.h"
#include "chart/pixel_lanes.h"
#include "platform/locale.h"
#include "platform/recording_context.h"

namespace fendrel {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Range and pixel span of an axis, as a paint pass leaves them.
void Span(TChartAxis& axis, double minimum, double maximum, int start, int end) {
  axis.CurrentMinimum = minimum;
  axis.CurrentMaximum = maximum;
  axis.CurrentRange = maximum - minimum;
  axis.StartPixel = start;
  axis.EndPixel = end;
  axis.PixelLength = end - start;
  // In 64 bits: a span near the ends of int must not overflow here.
  axis.CenterPixel = static_cast<int>((std::int64_t{start} + end) / 2);
}

// A chart that measures text at 7 pixels a character and 13 a line, with a
// line series on its bottom and left axes.
struct AxisChart {
  AxisChart() {
    chart.Canvas().SetWindowCanvas(&recording);
    chart.AttachSeries(&series);
  }
  ~AxisChart() { chart.Canvas().SetWindowCanvas(nullptr); }
  TRecordingContext recording;
  TChart chart;
  TLineSeries series;
};

std::vector<double> Labels(double minimum, double maximum, double inc) {
  return ValueLabelValues(minimum, maximum, inc, true);
}

TEST(AxisScale, NextNiceStepLadder) {
  const double steps[][2] = {{1, 2}, {1.5, 2}, {2, 5}, {3, 5}, {5, 10}, {10, 20}, {50, 100}};
  for (const auto& s : steps) EXPECT_EQ(NextNiceStep(s[0]), s[1]) << s[0];
  EXPECT_NEAR(NextNiceStep(3e-12), 5e-12, 1e-24);
  // Nothing lies above these: they come back unchanged instead of recursing forever.
  EXPECT_EQ(NextNiceStep(0), 0);
  EXPECT_EQ(NextNiceStep(kInf), kInf);
  EXPECT_TRUE(std::isnan(NextNiceStep(kNaN)));
}

TEST(AxisScale, IncrementForCount) {
  EXPECT_EQ(IncrementForCount(27, 99, 0, 10), 5);   // 1 gives 99 labels, 2 gives 50, 5 gives 20
  EXPECT_EQ(IncrementForCount(1000, 2, 0, 10), 1);  // a range of 1 or more: never below 1
  EXPECT_NEAR(IncrementForCount(10, 0.35, 0, 10), 0.05, 1e-15);
  EXPECT_EQ(IncrementForCount(10, 0, 0, 10), 1e-12);
  EXPECT_EQ(IncrementForCount(5, 99, 3, 10), 20);  // from the given step: 3, 5, 10, 20
  EXPECT_EQ(IncrementForCount(1, 99, 0, 0), 1);    // no separation: no search
  // Ranges beyond the doubles end the search at once or at the last finite step.
  EXPECT_EQ(IncrementForCount(10, kInf, 0, 10), 1);
  EXPECT_EQ(IncrementForCount(10, kNaN, 0, 10), 1e-12);
  EXPECT_TRUE(std::isfinite(IncrementForCount(1, 1.7e308, 0, 10)));
}

TEST(AxisScale, LabelValuesFromTheTopDown) {
  const auto fractions = Labels(0, 0.95, 0.2);  // 4.75 cut to 4
  ASSERT_EQ(fractions.size(), 5u);
  EXPECT_DOUBLE_EQ(fractions[0], 0.8);
  EXPECT_NEAR(fractions[1], 0.6, 1e-15);
  EXPECT_EQ(Labels(-6, -3.5, 1), (std::vector<double>{-4, -5}));  // -3 lies above -3.5
  EXPECT_EQ(Labels(-5, 5, 1), (std::vector<double>{5, 4, 3, 2, 1, 0, -1, -2, -3, -4}));
  EXPECT_TRUE(Labels(-5, -5, 1e-12).empty());
  EXPECT_EQ(Labels(0, 0, 1e-12), (std::vector<double>{0}));
  for (const double v : Labels(5, 5, 1e-12)) EXPECT_NEAR(v, 5, 1e-10);
  EXPECT_EQ(ValueLabelValues(0, 2.5, 1, false), (std::vector<double>{2.5, 1.5, 0.5}));
  EXPECT_TRUE(Labels(0, 10000, 1).empty());
}

TEST(AxisScale, LabelValuesStayBoundedOnDegenerateRanges) {
  EXPECT_TRUE(Labels(-1e308, 1e308, 1e300).empty());  // the range overflows
  EXPECT_TRUE(Labels(kNaN, 1, 1).empty());
  // Around 1E17 doubles lie 16 apart: steps of 1 or 2 vanish in the rounding.
  EXPECT_EQ(Labels(1e17, 1e17 + 16, 1).size(), 1u);
  EXPECT_EQ(Labels(1e17, 1e17 + 16, 2).size(), 1u);
  // A step of 10 still moves, but the limit lies far below: the tick list caps it.
  EXPECT_EQ(Labels(1e17, 1e17 + 16, 10).size(), kMaxTicks);
}

TEST(AxisScale, FormatAxisValue) {
  const std::pair<double, const char*> cases[] = {{1234.5678, "1,234.568"},
                                                  {0.5, "0.5"},
                                                  {5, "5"},
                                                  {-0.25, "-0.25"},
                                                  {-2.8e-17, "0"},
                                                  {-0.0006, "-0.001"},
                                                  {0.0004, "0"},
                                                  {0.99951, "1"},
                                                  {999.9996, "1,000"},
                                                  {-1234567.1, "-1,234,567.1"},
                                                  {1e17 + 16, "100,000,000,000,000,016"},
                                                  {kInf, "INF"},
                                                  {kNaN, "NAN"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatAxisValue(value, ",", '.'), text);
  EXPECT_EQ(FormatAxisValue(1234567.25, "\xC2\xA0", ','),
            "1\xC2\xA0"
            "234\xC2\xA0"
            "567,25");
  EXPECT_EQ(FormatAxisValue(-1e308, ",", '.').size(), 1u + 309u + 102u);

  // Labels take the user's separators.
  TChartAxis axis(nullptr, false, false);
  ApplySeparators({',', QStringLiteral(".")});
  const std::string german = axis.FormatLabel(1234567.5);
  ApplySeparators({'.', QStringLiteral(",")});
  EXPECT_EQ(german, "1.234.567,5");
}

TEST(AxisScale, MinorTickPositions) {
  // Gaps of 40 in four; beyond the outer ticks while inside the span, never
  // on its end pixels 0 and 130.
  EXPECT_EQ(MinorTickPositions(std::vector<int>{20, 60, 100}, 3, 0, 130),
            (std::vector<int>{10, 110, 120, 50, 40, 30, 90, 80, 70}));
  // 10 / 4 = 2.5: halves to even (2, 5, 8).
  EXPECT_EQ(MinorTickPositions(std::vector<int>{0, 10}, 3, -100, 100),
            (std::vector<int>{-2, 12, -5, 15, -8, 18, 8, 5, 2}));
  EXPECT_TRUE(MinorTickPositions(std::vector<int>{50}, 3, 0, 100).empty());
}

TEST(AxisMapping, ValueToPixelHalvesToEvenAndInverse) {
  TChartAxis bottom(nullptr, true, false);
  Span(bottom, 0, 10, 100, 110);
  EXPECT_EQ(bottom.ValueToPixel(2.5), 102);
  EXPECT_EQ(bottom.ValueToPixel(3.5), 104);
  EXPECT_EQ(bottom.ValueToPixel(-1.5), 98);
  for (const double far : {3e9, kNaN, kInf}) EXPECT_EQ(bottom.ValueToPixel(far), 105);
  TChartAxis left(nullptr, false, false);
  Span(left, 0, 8, 20, 220);
  EXPECT_EQ(left.ValueToPixel(0.5), 208);  // 12.5 -> 12, counted up from the bottom
  EXPECT_EQ(left.ValueToPixel(1.5), 182);  // 37.5 -> 38

  Span(bottom, 0, 99, 40, 390);
  Span(left, -3, 7, 10, 190);
  for (TChartAxis* axis : {&bottom, &left}) {
    for (const bool inverted : {false, true}) {
      axis->SetInverted(inverted);
      for (int p = axis->StartPixel; p <= axis->EndPixel; ++p) {
        ASSERT_EQ(axis->ValueToPixel(axis->PixelToValue(p)), p) << p;
      }
    }
  }
  left.CurrentRange = 0;
  EXPECT_EQ(left.ValueToPixel(1e300), 100);
  left.PixelLength = 0;
  EXPECT_EQ(left.PixelToValue(100), 0);
}

// Every vector width the processor has, value by value against
// ValueToPixel: halves, both sides of the common case's reach, values off the
// axis or not numbers, pixels clamped to int, inverted axes, empty and
// infinite ranges, a factor, and counts that fill no whole vector.
TEST(AxisMapping, ValuesToPixelsGivesValueToPixelInEveryLaneWidth) {
  std::vector<double> values = {
      0,    0.5,   1.5,   2.5,          -0.5,       -2.5,          -0.0,        kNaN,
      kInf, -kInf, 1e300, -1e300,       3e9,        -3e9,          5e-324,      1.4,
      -1.4, 30,    -30,   2147483646.5, 2147483647, -2147483646.5, -2147483647, 2147483646.75};
  std::mt19937 random(3);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int i = 0; i < 400; ++i) values.push_back(unit(random) * std::pow(10.0, i % 12 - 2));
  TChartAxis bottom(nullptr, true, false);
  TChartAxis left(nullptr, false, false);
  const auto spans = [&](int k) {
    switch (k) {
      case 0:
        Span(bottom, 0, 10, 100, 110);
        Span(left, -3, 7, 10, 190);
        break;
      case 1:
        Span(bottom, 0, 1, 2000000000, 2100000000);
        Span(left, -1, 1, -2100000000, -2000000000);
        break;
      case 2:
        Span(bottom, 5, 5, 0, 400);
        Span(left, -1.7976931348623157e308, 1.7976931348623157e308, 0, 300);
        break;
      default:
        Span(bottom, -0.3, 1e-9, 7, 390);
        Span(left, 1e-3, 2e-3, 3, 251);
        break;
    }
  };
  for (const PixelLanesVariant& variant : PixelLanesVariants()) {
    SCOPED_TRACE(variant.name);
    for (int k = 0; k < 4; ++k) {
      spans(k);
      for (TChartAxis* axis : {&bottom, &left}) {
        for (const bool inverted : {false, true}) {
          axis->SetInverted(inverted);
          for (const double factor : {1.0, 2.5}) {
            for (const std::size_t count : {values.size(), values.size() - 3, std::size_t{5}}) {
              const std::span<const double> some(values.data(), count);
              std::vector<int> pixels(count);
              ValuesToPixels(*axis, some, factor, pixels.data(), variant.function);
              for (std::size_t i = 0; i < count; ++i) {
                ASSERT_EQ(pixels[i], axis->ValueToPixel(some[i] * factor))
                    << k << " " << axis->IsHorizontal << inverted << " " << factor << " "
                    << some[i];
              }
            }
          }
        }
      }
    }
  }
}

TEST(AxisMapping, WidenForMarginsAndSeriesMargins) {
  AxisChart c;
  c.chart.PlotRect = {0, 0, 100, 100};
  TChartAxis& bottom = c.chart.BottomAxis();
  TChartAxis& left = c.chart.LeftAxis();
  Span(bottom, 0, 100, 0, 100);
  bottom.WidenForMargins(10, 10);
  EXPECT_DOUBLE_EQ(bottom.CurrentMinimum, -12.5);
  EXPECT_DOUBLE_EQ(bottom.CurrentMaximum, 112.5);
  EXPECT_EQ(bottom.ValueToPixel(0), 10);
  // No margins: exactly the same range, where a pixel round trip would not be.
  Span(left, 0.1, 0.7, 0, 100);
  left.WidenForMargins(0, 0);
  EXPECT_EQ(left.CurrentMaximum, 0.7);

  // Pointers of 4 pixels ask for 5 on each side; on a vertical axis the top
  // margin goes with the maximum, and a fixed minimum keeps its end.
  c.series.Pointer().SetVisible(true);
  Span(left, 0, 90, 0, 100);
  left.SetAutomaticMinimum(false);
  c.chart.ApplySeriesMargins();
  EXPECT_DOUBLE_EQ(left.CurrentMaximum, 90 + 90.0 * 5 / 95);
  EXPECT_DOUBLE_EQ(left.CurrentMinimum, 0);
  EXPECT_EQ(left.PixelLength, 100);
}

TEST(AxisHit, BandCoversTicksAndThreePlotPixels) {
  AxisChart c;
  TChartAxis& bottom = c.chart.BottomAxis();
  Span(bottom, 0, 1, 10, 110);
  bottom.LinePosition = 100;
  bottom.LabelsPosition = 110;
  EXPECT_TRUE(bottom.HitsAxis(10, 97) && bottom.HitsAxis(109, 109));
  EXPECT_FALSE(bottom.HitsAxis(110, 100) || bottom.HitsAxis(50, 96) || bottom.HitsAxis(50, 110));
  TChartAxis& left = c.chart.LeftAxis();
  Span(left, 0, 1, 20, 200);
  left.LinePosition = 40;
  left.LabelsPosition = 20;
  EXPECT_TRUE(left.HitsAxis(20, 20) && left.HitsAxis(42, 199));
  EXPECT_FALSE(left.HitsAxis(43, 100));
  EXPECT_FALSE(c.chart.TopAxis().HitsAxis(50, 50));  // not shown
}

TEST(ChartAxes, ShownAxesAndSeriesExtremes) {
  TChart chart;
  chart.SetView3D(false);
  for (TChartAxis* axis : chart.AxisList()) EXPECT_EQ(chart.IsAxisShown(*axis), !axis->DepthFlag);
  TLineSeries a;
  TLineSeries empty;
  TLineSeries right;
  right.SetVertAxis(aRightAxis);
  for (TLineSeries* s : {&a, &empty, &right}) chart.AttachSeries(s);
  a.AddPoint(0, 3);
  a.AddPoint(4, -2);
  right.AddPoint(-1, 10);
  EXPECT_FALSE(chart.IsAxisShown(chart.TopAxis()));
  EXPECT_TRUE(chart.IsAxisShown(chart.RightAxis()));
  right.SetActive(false);
  EXPECT_FALSE(chart.IsAxisShown(chart.RightAxis()));
  EXPECT_EQ(chart.SeriesExtreme(chart.BottomAxis(), true), 0);
  // An inactive series counts only while no active series uses the axis.
  EXPECT_EQ(chart.SeriesExtreme(chart.RightAxis(), false), 10);
  chart.LeftAxis().SetAutomaticMaximum(false);
  chart.LeftAxis().SetMaximum(50);
  chart.LeftAxis().AutoRange();
  EXPECT_EQ(chart.LeftAxis().Minimum(), -2);  // written into the published end
  EXPECT_EQ(chart.LeftAxis().CurrentRange, 52);
}

// A paint pass gathers what the series give the axes once; the next pass
// must see every change made in between: values, axis, activity, pointer.
TEST(ChartAxes, EachPaintSeesTheSeriesAsTheyStandThen) {
  TChart chart;
  chart.resize(300, 200);
  chart.SetView3D(false);
  TLineSeries a;
  TLineSeries b;
  chart.AttachSeries(&a);
  chart.AttachSeries(&b);
  a.AddPoint(0, 1);
  a.AddPoint(10, 5);
  TRecordingContext recording;
  const auto paint = [&] { chart.RenderTo(recording, {0, 0, 300, 200}); };
  paint();
  EXPECT_EQ(chart.BottomAxis().Maximum(), 10);
  EXPECT_EQ(chart.LeftAxis().Maximum(), 5);
  const int rightWithoutRightAxis = chart.PlotRect.Right;

  a.AddPoint(20, 9);
  paint();
  EXPECT_EQ(chart.BottomAxis().Maximum(), 20);
  EXPECT_EQ(chart.LeftAxis().Maximum(), 9);

  a.SetVertAxis(aRightAxis);
  paint();
  EXPECT_EQ(chart.RightAxis().Maximum(), 9);
  EXPECT_EQ(chart.LeftAxis().Maximum(), 0);
  EXPECT_LT(chart.PlotRect.Right, rightWithoutRightAxis);

  b.AddPoint(0, -3);
  b.AddPoint(5, 4);
  a.SetActive(false);
  paint();
  EXPECT_EQ(chart.LeftAxis().Minimum(), -3);
  EXPECT_EQ(chart.BottomAxis().Maximum(), 5);
  EXPECT_EQ(chart.RightAxis().Maximum(), 9);  // no active series uses it
  EXPECT_EQ(chart.PlotRect.Right, rightWithoutRightAxis);

  b.Pointer().SetVisible(true);
  paint();
  EXPECT_LT(chart.LeftAxis().CurrentMinimum, -3);
  EXPECT_LT(chart.BottomAxis().CurrentMinimum, 0);
}

TEST(AxisLayout, IncrementAndReservedSpace) {
  AxisChart c;
  c.recording.SetTextMetric(6, 13);
  TChartAxis& bottom = c.chart.BottomAxis();
  Span(bottom, 0, 99, 0, 350);  // "99" is 12 wide: spacing 13, room for 27
  EXPECT_EQ(bottom.ComputeIncrement(), 5);

  c.recording.SetTextMetric(7, 13);
  c.series.AddPoint(0, -5);
  bottom.Title().SetCaption("Time");
  TRect rect{10, 30, 390, 240};
  bottom.ReserveSpace(rect);  // title line, labels line, axis 2 + ticks 4
  EXPECT_EQ(bottom.TitlePosition, 227);
  EXPECT_EQ(bottom.LabelsPosition, 214);
  EXPECT_EQ(rect.Bottom, 208);
  TChartAxis& left = c.chart.LeftAxis();
  left.Title().SetCaption("Values");
  Span(left, -5, 5, 0, 0);
  left.ReserveSpace(rect);  // turned title, then "-5" and a space
  EXPECT_EQ(left.TitlePosition, 23);
  EXPECT_EQ(left.LabelsPosition, 44);
  EXPECT_EQ(rect.Left, 50);
}

}  // namespace
}  // namespace fendrel
