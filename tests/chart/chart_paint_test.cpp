#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "chart/series_paint.h"
#include "platform/qpainter_context.h"
#include "platform/recording_context.h"
#include "raster/line.h"
#include "support/window_chart.h"
#include "support/worker_count.h"

namespace fendrel {
namespace {

std::vector<double> Sine(int count) {
  std::vector<double> values;
  for (int i = 0; i < count; ++i) values.push_back(std::sin(i * 0.21) * 0.8 + 0.1);
  return values;
}

struct TTestChart {
  TChart Chart;
  TLineSeries Series;
  TTestChart() {
    Chart.resize(398, 191);
    SetUpLikeTheWindow(Chart, "Test data");
    Chart.SetView3D(false);
    Series.SetParentChart(&Chart);
    const std::vector<double> values = Sine(100);
    for (int i = 0; i < 100; ++i) Series.AddPoint(i, values[static_cast<std::size_t>(i)]);
  }
};

struct TWaveChart {
  TChart Chart;
  std::vector<std::unique_ptr<TLineSeries>> Bands;
  explicit TWaveChart(int level) {
    Chart.resize(398, 256);
    SetUpLikeTheWindow(Chart, "Wavelet data (haars)");
    Chart.Foot().ClearText();
    Chart.Foot().AddText("Level " + std::to_string(level));
    // Bands as a wavelet packet gives them: fewer samples, smaller from band to band.
    const int samples = 100 >> level;
    for (int b = 0; b < (1 << level); ++b) {
      Bands.push_back(std::make_unique<TLineSeries>());
      Bands.back()->SetParentChart(&Chart);
      for (int i = 0; i < samples; ++i) Bands.back()->AddPoint(i, std::sin(i * 1.3 + b) / (b + 1));
    }
  }
};

void SavePicture(const QImage& image, const char* name) {
  const char* dir = std::getenv("FENDREL_PICTURE_DIR");
  if (dir == nullptr) return;
  image.save(QString(dir) + "/" + name + ".png");
  image.scaled(image.size() * 3).save(QString(dir) + "/" + name + "_x3.png");
}

// The chart's pass straight onto a recording, without a frame buffer, so
// the records are the drawing calls of the pass.
const std::vector<TDrawRecord>& RecordPass(TChart& chart, TRecordingContext& recording) {
  chart.Canvas().SetBufferedDisplay(false);
  recording.ClearRecords();
  chart.RenderTo(recording, {0, 0, chart.width(), chart.height()});
  return recording.Records();
}

using TSegment = std::pair<TPoint, TPoint>;

std::vector<TSegment> LinesIn(const std::vector<TDrawRecord>& records, TColor color) {
  std::vector<TSegment> lines;
  for (const TDrawRecord& r : records) {
    if (r.Op == TDrawOp::LineTo && r.Pen.Color == color)
      lines.emplace_back(r.Points[0], r.Points[1]);
  }
  return lines;
}

std::vector<TDrawRecord> PolygonsFilledWith(const std::vector<TDrawRecord>& records, TColor fill) {
  std::vector<TDrawRecord> found;
  for (const TDrawRecord& r : records) {
    if (r.Op == TDrawOp::Polygon && r.Brush.Color == fill && r.Brush.Style != bsClear) {
      found.push_back(r);
    }
  }
  return found;
}

TPoint PixelOf(TChartSeries& series, int i) {
  return {series.GetHorizAxis()->ValueToPixel(series.XValue(i)),
          series.GetVertAxis()->ValueToPixel(series.YValue(i))};
}

// Remembers where the plot stood when the content pass began.
class TProbeChart : public TChart {
 public:
  TRect StartPlot;
  TRect StartPanel;
  void RenderContent(const TRect& bounds) override {
    StartPlot = PlotRect;
    StartPanel = bounds;
    TChart::RenderContent(bounds);
  }
};

TEST(ChartLayout, PlotStartsInsideTheMarginsAndTitleAndFootSitOnIt) {
  TProbeChart chart;
  chart.resize(398, 191);
  SetUpLikeTheWindow(chart, "Test data");
  chart.Foot().AddText("Level 3");
  TRecordingContext recording;
  const auto& records = RecordPass(chart, recording);
  EXPECT_EQ(chart.StartPlot, (TRect{12, 8, 386, 183}));
  EXPECT_EQ(chart.StartPanel, (TRect{0, 0, 398, 191}));

  // Centred on the plot: (12 + 386) div 2 less half the text width (7 per character).
  const auto texts = recording.RecordsOf(TDrawOp::TextOut);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0].Text, "Test data");
  EXPECT_EQ(texts[0].Points[0], (TPoint{168, 8}));
  EXPECT_EQ(texts[1].Text, "Level 3");
  EXPECT_EQ(texts[1].Points[0], (TPoint{175, 170}));
  EXPECT_EQ(records.front().Op, TDrawOp::FillRect);
}

struct TTitleFixture : ::testing::Test {
  TChart Chart;
  TRecordingContext Recording;
  TTitleFixture() {
    Chart.resize(398, 191);
    Chart.Canvas().SetWindowCanvas(&Recording);
    Chart.PanelBounds = {0, 0, 398, 191};
    Chart.PlotRect = {12, 8, 386, 183};
  }
  ~TTitleFixture() override { Chart.Canvas().SetWindowCanvas(nullptr); }
  std::vector<TPoint> TextPlaces() const {
    std::vector<TPoint> places;
    for (const TDrawRecord& r : Recording.RecordsOf(TDrawOp::TextOut))
      places.push_back(r.Points[0]);
    return places;
  }
};

TEST_F(TTitleFixture, EachLineTakesItsHeightPlusAGapOfFive) {
  Chart.Title().SetText({"One", "Two"});
  Chart.Foot().SetText({"Up", "Down"});
  Chart.PaintTitles();
  EXPECT_EQ(Chart.PlotRect.Top, 8 + 2 * 13 + 5);
  EXPECT_EQ(Chart.PlotRect.Bottom, 183 - 2 * 13 - 5);
  EXPECT_EQ(Chart.PlotHeight, Chart.PlotRect.Bottom - Chart.PlotRect.Top);
  // Title lines downwards from the top; foot lines upwards ending on the bottom.
  EXPECT_EQ(TextPlaces(), (std::vector<TPoint>{{189, 8}, {189, 21}, {192, 157}, {185, 170}}));
  for (const TDrawRecord& r : Recording.RecordsOf(TDrawOp::TextOut)) {
    EXPECT_EQ(r.Font.Color, clBlue);
    EXPECT_EQ(r.Align, (TTextAlign{thLeft, tvTop}));
  }
}

TEST_F(TTitleFixture, EmptyOrHiddenBlocksLeaveThePlot) {
  Chart.Foot().AddText("Hidden");
  Chart.Foot().SetVisible(false);
  Chart.PaintTitles();
  EXPECT_EQ(Chart.PlotRect, (TRect{12, 8, 386, 183}));
  EXPECT_TRUE(TextPlaces().empty());
}

TEST(ChartDepth, SlicesAndSizes) {
  TChart chart;
  TLineSeries a, b, off, c;
  for (TLineSeries* s : {&a, &b, &off, &c}) s->SetParentChart(&chart);
  off.SetActive(false);
  off.DepthOrder = 77;
  chart.AssignDepths();
  EXPECT_EQ(chart.MaxDepthOrder, 2);
  EXPECT_EQ((std::vector<int>{a.DepthOrder, b.DepthOrder, off.DepthOrder, c.DepthOrder}),
            (std::vector<int>{2, 1, 77, 0}));

  chart.PlotWidth = 370;
  chart.ComputeDepthSizes();
  EXPECT_EQ(chart.SeriesDepth, 6);  // 5.55 rounded
  EXPECT_EQ(chart.TotalDepth, 18);
  chart.AssignSliceRanges();
  EXPECT_EQ((std::vector<int>{a.StartDepth, a.EndDepth, a.MiddleDepth}),
            (std::vector<int>{12, 18, 15}));
  EXPECT_EQ((std::vector<int>{c.StartDepth, c.EndDepth, c.MiddleDepth}),
            (std::vector<int>{0, 6, 3}));

  chart.MaxDepthOrder = 31;
  chart.ComputeDepthSizes();
  EXPECT_EQ(chart.TotalDepth, 6 * 32);
  chart.MaxDepthOrder = -1;  // no active series: still one slice deep
  chart.ComputeDepthSizes();
  EXPECT_EQ(chart.TotalDepth, 6);
  chart.View3DOptions().SetOrthogonal(false);
  chart.ComputeDepthSizes();
  EXPECT_EQ(chart.SeriesDepth, 11);  // doubled factor: 11.1

  chart.SetView3D(false);
  chart.AssignDepths();
  chart.ComputeDepthSizes();
  EXPECT_EQ(chart.MaxDepthOrder, 0);
  EXPECT_EQ(a.DepthOrder + b.DepthOrder + c.DepthOrder, 0);
  EXPECT_EQ(chart.TotalDepth, 0);
}

// Few-point series whose ribbons would lie wholly off the picture may be
// left out; every other one is drawn, down to those that only graze it.
TEST(SeriesPaint, OnlyRibbonsWhollyOffThePictureAreLeftOut) {
  int leftOut = 0;
  for (const int bands : {40, 70, 120}) {
    SCOPED_TRACE(bands);
    TChart chart;
    chart.resize(398, 256);
    SetUpLikeTheWindow(chart, "Wavelet data (haars)");
    std::vector<std::unique_ptr<TLineSeries>> series;
    for (int b = 0; b < bands; ++b) {
      series.push_back(std::make_unique<TLineSeries>());
      series.back()->SetSeriesColor(RGBColor(static_cast<std::uint8_t>(100 + b), 200, 200));
      series.back()->SetParentChart(&chart);
      for (int i = 0; i < 3; ++i) series.back()->AddPoint(i, std::sin(b * 0.7 + i * 2.1) * b);
    }
    TRecordingContext recording;
    const std::vector<TDrawRecord>& records = RecordPass(chart, recording);
    for (const std::unique_ptr<TLineSeries>& s : series) {
      const TColor color = s->SeriesColor();
      const bool drawn = std::any_of(records.begin(), records.end(), [&](const TDrawRecord& r) {
        return r.Op == TDrawOp::Polygon &&
               (r.Brush.Color == color || r.Brush.Color == DarkenColor(color));
      });
      // At zoom 1 a point at depth z is drawn z pixels right and up.
      int x0 = 1 << 30, x1 = -x0, y0 = x0, y1 = -x0;
      for (int i = 0; i < 3; ++i) {
        const TPoint p = PixelOf(*s, i);
        x0 = std::min(x0, p.X + s->StartDepth);
        x1 = std::max(x1, p.X + s->EndDepth);
        y0 = std::min(y0, p.Y - s->EndDepth);
        y1 = std::max(y1, p.Y - s->StartDepth);
      }
      const bool off = x1 < 0 || x0 >= chart.width() || y1 < 0 || y0 >= chart.height();
      EXPECT_TRUE(drawn || off) << "band " << color;
      leftOut += drawn ? 0 : 1;
    }
  }
  EXPECT_GT(leftOut, 0);  // the slices reach far off the picture
}

TEST(SeriesPaint, SteepRisesAreDarkened) {
  EXPECT_TRUE(RisesSteeply({100, 200}, {110, 185}, 1.0));   // 1.5
  EXPECT_FALSE(RisesSteeply({100, 200}, {110, 195}, 1.0));  // 0.5
  EXPECT_FALSE(RisesSteeply({100, 200}, {110, 190}, 1.0));  // exactly 45 degrees
  EXPECT_FALSE(RisesSteeply({100, 200}, {100, 0}, 1.0));    // vertical
  EXPECT_FALSE(RisesSteeply({100, 185}, {110, 200}, 1.0));  // falling

  EXPECT_EQ(DarkenColor(clRed), RGBColor(191, 0, 0));
  EXPECT_EQ(DarkenColor(RGBColor(64, 65, 200)), RGBColor(0, 1, 136));
  EXPECT_EQ(DarkenColor(clBlack), clBlack);
  EXPECT_EQ(DarkenColor(clBtnFace), DarkenColor(ColorToRGB(clBtnFace)));

  TChart chart;
  chart.resize(300, 200);
  TLineSeries s;
  s.SetParentChart(&chart);
  s.SetSeriesColor(RGBColor(0, 200, 100));
  for (double y : {0.0, 100.0, 101.0, 0.0}) s.AddPoint(s.PointCount(), y);
  TRecordingContext recording;
  const auto& records = RecordPass(chart, recording);
  const auto plain = PolygonsFilledWith(records, RGBColor(0, 200, 100));
  const auto dark = PolygonsFilledWith(records, RGBColor(0, 136, 36));
  ASSERT_EQ(dark.size(), 1u);  // the steep rise only
  EXPECT_EQ(plain.size(), 2u);
  EXPECT_EQ(dark[0].Pen.Color, clBlack);

  s.SetDark3D(false);
  EXPECT_EQ(PolygonsFilledWith(RecordPass(chart, recording), RGBColor(0, 200, 100)).size(), 3u);
}

TEST(SeriesPaint, ClearLineBrushHidesRibbonsButNotLines) {
  TTestChart test;
  test.Series.SetLineBrush(bsClear);
  TRecordingContext recording;
  EXPECT_EQ(LinesIn(RecordPass(test.Chart, recording), clRed).size(), 99u);
  test.Chart.SetView3D(true);
  const auto& records = RecordPass(test.Chart, recording);
  EXPECT_TRUE(PolygonsFilledWith(records, clRed).empty());
  EXPECT_TRUE(PolygonsFilledWith(records, DarkenColor(clRed)).empty());
  test.Series.SetLineBrush(bsSolid);
  const auto& ribbons = RecordPass(test.Chart, recording);
  EXPECT_EQ(PolygonsFilledWith(ribbons, clRed).size() +
                PolygonsFilledWith(ribbons, DarkenColor(clRed)).size(),
            99u);
}

TEST(SeriesPaint, NullPointsBreakTheLineAndFarPointsAreSkipped) {
  TChart chart;
  chart.resize(300, 200);
  chart.SetView3D(false);
  chart.LeftAxis().SetMinMax(0, 10);
  TLineSeries s;
  s.SetParentChart(&chart);
  s.AddPoint(0, 1);
  s.AddPoint(1, 2);
  s.AddPoint(2, 3, {}, clNone);
  s.AddPoint(3, 4);
  s.AddPoint(4, 5);
  s.AddPoint(5, 1e7);  // hundreds of thousands of pixels above the plot
  s.AddPoint(6, 6);
  TRecordingContext recording;
  const auto lines = LinesIn(RecordPass(chart, recording), clRed);
  EXPECT_EQ(lines, (std::vector<TSegment>{{PixelOf(s, 0), PixelOf(s, 1)},
                                          {PixelOf(s, 3), PixelOf(s, 4)},
                                          {PixelOf(s, 4), PixelOf(s, 6)}}));

  // A far first point joins nothing, not even where the last pass ended.
  s.Delete(0);
  s.Delete(0);
  s.Delete(0);
  s.Delete(0);
  s.AddPoint(-1, -1e7);
  const auto again = LinesIn(RecordPass(chart, recording), clRed);
  EXPECT_EQ(again, (std::vector<TSegment>{{PixelOf(s, 1), PixelOf(s, 3)}}));
}

TEST(ChartLegend, TheSeriesStyleDrawsOneRowBelowThePlot) {
  TChart chart;
  chart.resize(300, 200);
  chart.SetView3D(false);
  TLineSeries a;
  TLineSeries b;
  TLineSeries hidden;
  a.SetTitle("Actual");
  b.SetTitle("Naive");
  hidden.SetTitle("Hidden");
  hidden.SetShowInLegend(false);
  for (TLineSeries* s : {&a, &b, &hidden}) {
    s->SetParentChart(&chart);
    s->AddPoint(0, 1);
    s->AddPoint(1, 2);
  }
  TRecordingContext recording;
  RecordPass(chart, recording);  // automatic style: nothing, no room
  const int bottom = chart.PlotRect.Bottom;
  chart.Legend().SetLegendStyle(lsSeries);
  const auto& records = RecordPass(chart, recording);
  // Below the plot and the bottom axis' labels.
  int lowestLabel = 0;
  int highestTitle = chart.height();
  std::vector<std::string> titles;
  for (const TDrawRecord& r : records) {
    if (r.Op != TDrawOp::TextOut) continue;
    if (r.Text == "Actual" || r.Text == "Naive" || r.Text == "Hidden") {
      titles.push_back(r.Text);
      highestTitle = std::min(highestTitle, r.Points.front().Y);
    } else {
      lowestLabel = std::max(lowestLabel, r.Points.front().Y);
    }
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"Actual", "Naive"}));
  EXPECT_GT(highestTitle, lowestLabel);
  EXPECT_LT(chart.PlotRect.Bottom, bottom);
  const auto samples = LinesIn(records, b.SeriesColor());
  ASSERT_FALSE(samples.empty());
  EXPECT_GT(samples.front().first.Y, chart.PlotRect.Bottom);
}

TEST(SeriesPaint, LargestDoublesDrawWhereTheyLie) {
  // Ranges near the largest double, one so wide that its span overflows.
  for (const double low : {1e308, -1e308}) {
    TChart chart;
    chart.resize(300, 200);
    chart.SetView3D(false);
    TLineSeries s;
    s.SetParentChart(&chart);
    for (const double y : {low, 1.5e308, 1.25e308, 1.75e308}) s.AddPoint(s.PointCount(), y);
    TRecordingContext recording;
    const auto lines = LinesIn(RecordPass(chart, recording), clRed);
    ASSERT_EQ(lines.size(), 3u);
    const TRect& plot = chart.PlotRect;
    const TChartAxis& left = chart.LeftAxis();
    for (int i = 0; i < 4; ++i) {
      const TPoint p = i < 3 ? lines[i].first : lines[2].second;
      EXPECT_TRUE(p.X >= plot.Left && p.X <= plot.Right && p.Y >= plot.Top && p.Y <= plot.Bottom);
      const double share = (s.YValue(i) / 2 - low / 2) / (1.75e308 / 2 - low / 2);
      EXPECT_NEAR(p.Y, left.EndPixel - share * left.PixelLength, 0.5) << low << " " << i;
      EXPECT_NEAR(left.PixelToValue(p.Y), s.YValue(i), 1e306);
    }
    // Scrolled past the first point: the line comes in from the left edge,
    // on the line through the first two points.
    chart.BottomAxis().SetMinMax(0.5, 3);
    const auto zoomed = LinesIn(RecordPass(chart, recording), clRed);
    ASSERT_FALSE(zoomed.empty());
    EXPECT_EQ(zoomed[0].first.X, plot.Left);
    const double f = chart.BottomAxis().PixelToValue(plot.Left);
    const double pixel = (left.CurrentMaximum / 2 - left.CurrentMinimum / 2) / left.PixelLength * 2;
    EXPECT_NEAR(left.PixelToValue(zoomed[0].first.Y), low * (1 - f) + s.YValue(1) * f, pixel)
        << low;
  }
}

TEST(SeriesPaint, VisibleRangeKeepsOnePointBeyondEachEdge) {
  TLineSeries s;
  for (int i = 0; i < 10; ++i) s.AddPoint(i, i);
  const auto range = [&](double lo, double hi) {
    const TVisibleRange r = VisibleRange(s.XValues(), lo, hi);
    return std::pair{r.First, r.Last};
  };
  EXPECT_EQ(range(2.5, 6.5), std::pair(3, 7));
  EXPECT_EQ(range(3, 6), std::pair(3, 6));
  EXPECT_EQ(range(-5, 8.5), std::pair(0, 9));
  EXPECT_EQ(range(9.5, 20), std::pair(-1, -1));
  s.XValues().SetOrder(loNone);
  EXPECT_EQ(range(9.5, 20), std::pair(0, 9));

  TTestChart test;
  test.Chart.BottomAxis().SetMinMax(19.5, 30.5);
  TRecordingContext recording;
  const auto lines = LinesIn(RecordPass(test.Chart, recording), clRed);
  EXPECT_EQ(test.Series.FirstVisible, 20);
  EXPECT_EQ(test.Series.LastVisible, 31);
  ASSERT_EQ(lines.size(), 12u);
  // The line comes in from the left edge, on the line through points 19 and 20.
  const double edgeY = (test.Series.YValue(19) + test.Series.YValue(20)) / 2;
  EXPECT_EQ(lines[0].first,
            (TPoint{test.Chart.PlotRect.Left, test.Chart.LeftAxis().ValueToPixel(edgeY)}));
  EXPECT_EQ(lines[0].second, PixelOf(test.Series, 20));
}

TEST(SeriesPaint, StairsTurnAtTheNextPointOrFirst) {
  TChart chart;
  chart.resize(300, 200);
  chart.SetView3D(false);
  TLineSeries s;
  s.SetParentChart(&chart);
  s.AddPoint(0, 0);
  s.AddPoint(1, 1);
  s.SetStairs(true);
  TRecordingContext recording;
  const auto lines = LinesIn(RecordPass(chart, recording), clRed);
  const TPoint a = PixelOf(s, 0);
  const TPoint b = PixelOf(s, 1);
  EXPECT_EQ(lines, (std::vector<TSegment>{{a, {b.X, a.Y}}, {{b.X, a.Y}, b}}));
  s.SetInvertedStairs(true);
  EXPECT_EQ(LinesIn(RecordPass(chart, recording), clRed),
            (std::vector<TSegment>{{a, {a.X, b.Y}}, {{a.X, b.Y}, b}}));
}

TEST(ChartBackground, PanelAndBevelRings) {
  TChart chart;
  chart.resize(100, 50);
  chart.SetBevelWidth(2);
  chart.SetBorderWidth(1);
  chart.SetBevelInner(bvLowered);
  TRecordingContext recording;
  chart.Canvas().SetWindowCanvas(&recording);
  chart.PaintBackground({0, 0, 100, 50});
  const auto fills = recording.RecordsOf(TDrawOp::FillRect);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].Rect, (TRect{0, 0, 100, 50}));
  EXPECT_EQ(fills[0].Brush, (TBrushState{clBtnFace, bsSolid}));
  const auto rings = recording.RecordsOf(TDrawOp::Polyline);
  ASSERT_EQ(rings.size(), 10u);  // two outer rings, the border, two inner rings
  EXPECT_EQ(rings[0].Points, (std::vector<TPoint>{{0, 49}, {0, 0}, {99, 0}}));
  EXPECT_EQ(rings[1].Points, (std::vector<TPoint>{{99, 0}, {99, 49}, {-1, 49}}));
  EXPECT_EQ(rings[2].Points, (std::vector<TPoint>{{1, 48}, {1, 1}, {98, 1}}));
  const std::vector<TColor> colours{clBtnHighlight, clBtnShadow,   clBtnHighlight, clBtnShadow,
                                    clBtnFace,      clBtnFace,     clBtnShadow,    clBtnHighlight,
                                    clBtnShadow,    clBtnHighlight};
  for (std::size_t i = 0; i < rings.size(); ++i) {
    EXPECT_EQ(rings[i].Pen.Color, colours[i]) << i;
    EXPECT_EQ(rings[i].Brush.Style, bsClear);
  }
  EXPECT_EQ(chart.PaintBevels({0, 0, 100, 50}), (TRect{5, 5, 95, 45}));
  chart.Canvas().SetWindowCanvas(nullptr);
}

TEST(ChartWalls, FrameIn2DAndThreeWallsIn3D) {
  TTestChart test;
  TRecordingContext recording;
  const auto& flat = RecordPass(test.Chart, recording);
  const TRect p = test.Chart.PlotRect;
  const auto frame = std::find_if(flat.begin(), flat.end(),
                                  [](const TDrawRecord& r) { return r.Op == TDrawOp::Rectangle; });
  ASSERT_NE(frame, flat.end());
  EXPECT_EQ(frame->Rect, (TRect{p.Left, p.Top, p.Right + 1, p.Bottom + 1}));
  EXPECT_EQ(frame->Brush.Style, bsClear);
  EXPECT_EQ(frame->Pen, TPenState{});
  EXPECT_EQ(frame->BackMode, bmOpaque);
  EXPECT_EQ(frame->BackColor, clWhite);
  EXPECT_EQ(recording.Pen(), TPenState{});  // the pass ends with the surface reset
  EXPECT_EQ(recording.BackMode(), bmTransparent);

  test.Chart.SetView3D(true);
  RecordPass(test.Chart, recording);
  const TRect q = test.Chart.PlotRect;
  const int d = test.Chart.TotalDepth;
  const auto at = [&](int x, int y, int z) { return test.Chart.Canvas().ProjectPoint(x, y, z); };
  std::vector<TDrawRecord> walls = recording.RecordsOf(TDrawOp::Polygon);
  ASSERT_GE(walls.size(), 3u);
  EXPECT_EQ(walls[0].Points,
            (std::vector<TPoint>{at(q.Left + 1, q.Top - 1, d), at(q.Right, q.Top - 1, d),
                                 at(q.Right, q.Bottom, d), at(q.Left + 1, q.Bottom, d)}));
  EXPECT_EQ(walls[0].Brush.Style, bsClear);
  EXPECT_EQ(walls[1].Points,
            (std::vector<TPoint>{at(q.Left, q.Top, 0), at(q.Left, q.Top, d + 1),
                                 at(q.Left, q.Bottom, d + 1), at(q.Left, q.Bottom, 0)}));
  EXPECT_EQ(walls[1].Brush, (TBrushState{0x0080FFFFu, bsSolid}));
  EXPECT_EQ(walls[2].Points,
            (std::vector<TPoint>{at(q.Left, q.Bottom, 0), at(q.Right, q.Bottom, 0),
                                 at(q.Right, q.Bottom, d), at(q.Left, q.Bottom, d)}));
  EXPECT_EQ(walls[2].Brush, (TBrushState{clWhite, bsSolid}));
  EXPECT_EQ(walls[2].BackMode, bmTransparent);
}

TEST(ChartRepaint, CleanFrameIsOnlyCopied) {
  TTestChart test;
  TChart& chart = test.Chart;
  TRecordingContext window;
  chart.PaintRequest(window);
  EXPECT_EQ(chart.RenderCount(), 1);
  EXPECT_FALSE(chart.FrameDirty());
  window.ClearRecords();
  chart.PaintRequest(window);
  EXPECT_EQ(chart.RenderCount(), 1);
  ASSERT_EQ(window.Records().size(), 1u);
  EXPECT_EQ(window.Records()[0].Op, TDrawOp::DrawFrame);
  EXPECT_EQ(window.Records()[0].Rect, (TRect{0, 0, 398, 191}));

  test.Series.AddPoint(100, 0);
  chart.PaintRequest(window);
  EXPECT_EQ(chart.RenderCount(), 2);
  EXPECT_EQ(window.FrameBuffersCreated(), 1);
  chart.resize(300, 150);
  chart.PaintRequest(window);
  EXPECT_EQ(chart.RenderCount(), 3);
  EXPECT_EQ(window.FrameBuffersCreated(), 2);
  EXPECT_EQ(window.Records().back().Rect, (TRect{0, 0, 300, 150}));
}

TEST(ChartRepaint, WidgetPaintsWithoutErasingAndOnlyWhenChanged) {
  TTestChart test;
  TChart& chart = test.Chart;
  EXPECT_TRUE(chart.testAttribute(Qt::WA_OpaquePaintEvent));
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  QCoreApplication::processEvents();
  const auto rendered = chart.RenderCount();
  EXPECT_GE(rendered, 1);
  chart.repaint();
  EXPECT_EQ(chart.RenderCount(), rendered);
  chart.SetColor(clWhite);
  QCoreApplication::processEvents();
  EXPECT_EQ(chart.RenderCount(), rendered + 1);
  chart.resize(200, 120);
  QCoreApplication::processEvents();
  EXPECT_EQ(chart.RenderCount(), rendered + 2);
  EXPECT_EQ(chart.Canvas().FrameBuffer()->Width(), 200);

  // What the widget shows is what a pass into an image draws (the focus
  // frame, drawn over it, aside).
  chart.clearFocus();
  chart.Invalidate();
  const QImage shown = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(chart.RenderCount(), rendered + 3);
  EXPECT_TRUE(shown == chart.RenderToImage());
}

bool IsRed(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60; }

TEST(ChartPixels, FrameAroundThePlotAndNothingOutsideTheClip) {
  TTestChart test;
  test.Chart.LeftAxis().SetMinMax(-0.2, 0.2);  // the sine runs far over the plot
  // Without axes nothing is drawn over the frame (the grid would be).
  test.Chart.SetAxisVisible(false);
  const QImage image = test.Chart.RenderToImage();
  const TRect p = test.Chart.PlotRect;
  const QRgb black = qRgb(0, 0, 0);
  for (int y = p.Top; y <= p.Bottom; ++y) {
    EXPECT_EQ(image.pixel(p.Left, y), black) << y;
    EXPECT_EQ(image.pixel(p.Right, y), black) << y;
    EXPECT_NE(image.pixel(p.Right + 1, y), black) << y;
  }
  for (int x = p.Left; x <= p.Right; ++x) {
    EXPECT_EQ(image.pixel(x, p.Top), black) << x;
    EXPECT_EQ(image.pixel(x, p.Bottom), black) << x;
    EXPECT_NE(image.pixel(x, p.Bottom + 1), black) << x;
  }
  int inside = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!IsRed(image.pixel(x, y))) continue;
      const bool clipped = x > p.Left && x < p.Right && y > p.Top && y < p.Bottom - 1;
      EXPECT_TRUE(clipped) << x << "," << y;
      inside += clipped ? 1 : 0;
    }
  }
  EXPECT_GT(inside, 100);
}

// Dense lines are drawn as one stroke per pixel column; the picture must be
// the one the segments give one by one.
TEST(ChartPixels, DenseLinesLookAsIfDrawnSegmentBySegment) {
  TTestChart test;
  test.Series.ClearPoints();
  std::srand(7);
  // Colour changes, null points (line breaks) and far points (skipped) among them.
  for (int i = 0; i < 20000; ++i) {
    const TColor colour = i % 997 == 0 ? clBlue : i % 301 == 0 ? clNone : clDefault;
    test.Series.AddPoint(i, std::rand() % 1000 + (i % 5000 == 0 ? 1e6 : 0), {}, colour);
  }
  for (const auto& [low, high] : {std::pair{0, 1000}, std::pair{100, 900}}) {
    test.Chart.LeftAxis().SetMinMax(low, high);
    const QImage collapsed = test.Chart.RenderToImage();
    test.Chart.Canvas().SetCollapseDense(false);
    const QImage plain = test.Chart.RenderToImage();
    test.Chart.Canvas().SetCollapseDense(true);
    EXPECT_TRUE(collapsed == plain) << low;
  }
}

// Short random walks over a few columns, with breaks, drawn with and without
// the column strokes: the same pixels must come out.
TEST(LinePath, ColumnStrokesCoverExactlyWhatTheSegmentsCover) {
  std::srand(11);
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<std::vector<TPoint>> runs(1 + std::rand() % 3);
    for (auto& run : runs) {
      TPoint at{std::rand() % 4, std::rand() % 16};
      run.push_back(at);
      for (int k = std::rand() % 12; k >= 0; --k) {
        at = {at.X + (std::rand() % 4 == 0 ? 1 : 0), std::rand() % 16};
        if (at != run.back()) run.push_back(at);
      }
    }
    QImage pictures[2];
    for (int collapse = 0; collapse < 2; ++collapse) {
      QImage& image = pictures[collapse];
      image = QImage(12, 16, QImage::Format_RGB32);
      image.fill(Qt::white);
      TQPainterContext context(image);
      TCanvas3D canvas;
      canvas.SetWindowCanvas(&context);
      canvas.SetPen(TPenState{});
      TLinePath path(canvas, collapse == 1);
      for (const auto& run : runs) {
        for (std::size_t i = 1; i < run.size(); ++i) path.Segment(run[i - 1], run[i]);
      }
      path.Flush();
      canvas.SetWindowCanvas(nullptr);
    }
    ASSERT_TRUE(pictures[0] == pictures[1]) << trial;
  }
}

// A band as dense as a million samples make it at level 0: thousands of
// points per pixel column, a slow wave with noise so that columns span rows.
struct TDenseWaveChart {
  TChart Chart;
  TLineSeries Band;
  explicit TDenseWaveChart(int count) {
    Chart.resize(398, 256);
    SetUpLikeTheWindow(Chart, "Wavelet data (haars)");
    Band.SetParentChart(&Chart);
    std::srand(5);
    for (int i = 0; i < count; ++i) {
      const double noise = (std::rand() % 1000) / 1000.0 - 0.5;
      Band.AddPoint(i, std::sin(i * 6.0 * M_PI / count) + 0.3 * noise * (i % 3000 < 1500));
    }
  }
};

std::size_t PolygonCount(const std::vector<TDrawRecord>& records, TColor fill) {
  return PolygonsFilledWith(records, fill).size();
}

// Dense ribbons are drawn as a few per pixel column; the picture must be the
// one the ribbons give one by one, and the steep ones between columns still
// come out darker.
TEST(ChartPixels, DenseRibbonsLookAsIfDrawnSegmentBySegment) {
  TDenseWaveChart wave(30000);
  TDenseWaveChart noisy(20000);
  noisy.Band.ClearPoints();
  noisy.Band.LinePen().SetColor(clBlue);
  for (int i = 0; i < 20000; ++i) {
    // Colour changes, null points (breaks) and far points (skipped).
    const TColor colour = i % 997 == 0 ? clGreen : i % 301 == 0 ? clNone : clDefault;
    noisy.Band.AddPoint(i, std::rand() % 1000 + (i % 5000 == 0 ? 1e6 : 0), {}, colour);
  }
  noisy.Chart.LeftAxis().SetMinMax(0, 1000);
  for (TDenseWaveChart* dense : {&wave, &noisy}) {
    TChart& chart = dense->Chart;
    chart.RenderToImage();  // the first pass sizes the labels for the next
    const QImage collapsed = chart.RenderToImage();
    chart.Canvas().SetCollapseDense(false);
    const QImage plain = chart.RenderToImage();
    TRecordingContext recording;
    const std::vector<TDrawRecord> every = RecordPass(chart, recording);
    chart.Canvas().SetCollapseDense(true);
    const std::vector<TDrawRecord> few = RecordPass(chart, recording);
    SavePicture(collapsed, dense == &wave ? "dense_ribbons" : "dense_noisy_ribbons");
    EXPECT_TRUE(collapsed == plain) << dense->Band.PointCount();

    const std::size_t columns = static_cast<std::size_t>(chart.PlotRect.Width());
    const std::size_t polygons = recording.RecordsOf(TDrawOp::Polygon).size();
    EXPECT_LT(polygons, 12 * columns);
    EXPECT_GT(PolygonCount(every, clRed), 10000u);
    // Only ribbons within a column are merged; those between columns stay.
    EXPECT_GT(PolygonCount(few, DarkenColor(clRed)), 50u);
    EXPECT_EQ(PolygonCount(few, DarkenColor(clRed)), PolygonCount(every, DarkenColor(clRed)));
  }
}

// Irregular data, dense enough for the workers' blocks, drawn both ways on
// the test chart (2D) and as wavelet ribbons (3D): flat and steep stretches,
// points beyond the plot's top and bottom, NaN, values too far off to draw
// and far enough to lose their place, with the series colour alone and with
// colours of their own (one of them none), on plain, inverted and zoomed
// axes.
TEST(ChartPixels, DensePathDrawsIrregularDataAsPointByPoint) {
  for (const bool view3D : {false, true}) {
    TChart chart;
    chart.resize(398, view3D ? 256 : 191);
    SetUpLikeTheWindow(chart, view3D ? "Wavelet data (haars)" : "Test data");
    chart.SetView3D(view3D);
    TLineSeries series;
    series.SetParentChart(&chart);
    for (const bool coloured : {false, true}) {
      series.ClearPoints();
      for (int i = 0; i < 24000; ++i) {
        const int kind = i / 2000 % 4;
        double y = kind == 0   ? 0.2 + (i % 700 == 0 ? 0.01 : 0)
                   : kind == 1 ? ((i * 37) % 1000) / 500.0 - 1
                   : kind == 2 ? std::sin(i * 0.002)
                               : (i % 2 ? 1.4 : -1.4);
        if (i % 4099 == 17) y = std::nan("");
        if (i % 3001 == 5) y = i % 2 ? 1e3 : -1e3;
        if (i % 5003 == 9) y = i % 2 ? 1e12 : -1e300;
        const TColor colour = !coloured       ? clDefault
                              : i % 1013 == 0 ? clBlue
                              : i % 2027 == 0 ? clNone
                                              : clDefault;
        series.AddPoint(i, y, {}, colour);
      }
      chart.LeftAxis().SetMinMax(-1.2, 1.2);
      chart.LeftAxis().SetInverted(false);
      chart.BottomAxis().SetAutomatic(true);
      chart.BottomAxis().SetInverted(false);
      for (int view = 0; view < 3; ++view) {
        if (view == 1) {
          chart.BottomAxis().SetMinMax(2500.5, 21000.25);
          chart.BottomAxis().SetInverted(true);
        }
        if (view == 2) chart.LeftAxis().SetInverted(true);
        chart.RenderToImage();  // the first pass sizes the labels for the next
        const QImage collapsed = chart.RenderToImage();
        chart.Canvas().SetCollapseDense(false);
        const QImage plain = chart.RenderToImage();
        chart.Canvas().SetCollapseDense(true);
        EXPECT_TRUE(collapsed == plain) << view3D << " " << coloured << " " << view;
      }
    }
  }
}

bool SameCalls(const std::vector<TDrawRecord>& a, const std::vector<TDrawRecord>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const TDrawRecord& x, const TDrawRecord& y) {
                      return x.Op == y.Op && x.Points == y.Points && x.Rect == y.Rect &&
                             x.Pen == y.Pen && x.Brush == y.Brush;
                    });
}

// Dense series are mapped to pixels by workers in blocks; the drawing calls
// and the picture must not depend on how many workers there are.
TEST(ChartPixels, DenseSeriesDrawTheSameWithAnyNumberOfWorkers) {
  TDenseWaveChart wave(60000);
  TTestChart flat;
  flat.Series.ClearPoints();
  std::srand(9);
  for (int i = 0; i < 60000; ++i) {
    const TColor colour = i % 997 == 0 ? clBlue : i % 301 == 0 ? clNone : clDefault;
    flat.Series.AddPoint(i, std::rand() % 1000 + (i % 5000 == 0 ? 1e6 : 0), {}, colour);
  }
  flat.Chart.LeftAxis().SetMinMax(0, 1000);
  for (TChart* chart : {&wave.Chart, &flat.Chart}) {
    chart->RenderToImage();  // the first pass sizes the labels for the next
    std::vector<QImage> pictures;
    std::vector<std::vector<TDrawRecord>> calls;
    for (int workers : kWorkerCounts) {
      WithWorkers(workers, [&] {
        pictures.push_back(chart->RenderToImage());
        TRecordingContext recording;
        calls.push_back(RecordPass(*chart, recording));
        chart->Canvas().SetBufferedDisplay(true);
      });
    }
    for (std::size_t k = 1; k < pictures.size(); ++k) {
      EXPECT_TRUE(pictures[k] == pictures[0]) << chart->View3D() << " " << kWorkerCounts[k];
      EXPECT_TRUE(SameCalls(calls[k], calls[0])) << chart->View3D() << " " << kWorkerCounts[k];
    }
  }
}

// Ribbons drawn straight onto a recording in the oblique view, one slice deep.
struct TRibbonRecording {
  TRecordingContext Recording;
  TCanvas3D Canvas;
  TRibbonRecording() {
    Canvas.SetWindowCanvas(&Recording);
    Canvas.SetBufferedDisplay(false);
    const TView3DOptions options(nullptr);
    Canvas.BeginFrame(Recording, options, {0, 0, 100, 100}, true);
  }
  ~TRibbonRecording() { Canvas.SetWindowCanvas(nullptr); }
  // Each ribbon as its rows at the front, top first, and its fill.
  std::vector<std::tuple<int, int, TColor>> Drawn() const {
    std::vector<std::tuple<int, int, TColor>> drawn;
    for (const TDrawRecord& r : Recording.RecordsOf(TDrawOp::Polygon)) {
      drawn.emplace_back(std::min(r.Points[0].Y, r.Points[1].Y),
                         std::max(r.Points[0].Y, r.Points[1].Y), r.Brush.Color);
    }
    return drawn;
  }
};

TEST(RibbonPath, RunsInAColumnBecomeStretchesOfLikeDiagonals) {
  using TDrawn = std::vector<std::tuple<int, int, TColor>>;
  const auto draw = [](bool collapse, const std::vector<std::vector<int>>& runs) {
    TRibbonRecording r;
    r.Canvas.SetPen({clBlue});
    TRibbonPath path(r.Canvas, collapse, bsSolid, 0, 6);
    for (const auto& rows : runs) {
      for (std::size_t i = 1; i < rows.size(); ++i)
        path.Segment({5, rows[i - 1]}, {5, rows[i]}, clRed);
      path.Flush();
    }
    return r.Drawn();
  };
  // Steps of one row leave only outline: one ribbon in the pen's colour.
  EXPECT_EQ(draw(true, {{10, 11, 12, 13}}), (TDrawn{{10, 13, clBlue}}));
  // The later, shorter ribbon keeps 12 as outline inside the earlier one.
  EXPECT_EQ(draw(true, {{10, 14, 12}}), (TDrawn{{10, 12, clRed}, {12, 14, clRed}}));
  // A long run ending on a wide ribbon: its fill hides what came before.
  EXPECT_EQ(draw(true, {{30, 31, 29, 32, 30, 20, 40}}), (TDrawn{{20, 40, clRed}}));
  // One segment, and runs broken by a flush, stay as they are.
  EXPECT_EQ(draw(true, {{10, 20}, {20, 15}}), (TDrawn{{10, 20, clRed}, {15, 20, clRed}}));
  EXPECT_EQ(draw(false, {{10, 11, 12}}).size(), 2u);

  // A new fill or a step to another column ends the run; the step itself is
  // drawn as it stands.
  TRibbonRecording r;
  {
    TRibbonPath path(r.Canvas, true, bsSolid, 0, 6);
    path.Segment({5, 10}, {5, 11}, clRed);
    path.Segment({5, 11}, {5, 12}, clGreen);
    path.Segment({5, 12}, {6, 30}, clRed);
    path.Segment({6, 30}, {6, 31}, clRed);
    path.Segment({6, 31}, {6, 32}, clRed);
  }
  EXPECT_EQ(r.Drawn(),
            (TDrawn{{10, 11, clRed}, {11, 12, clGreen}, {12, 30, clRed}, {30, 32, clBlack}}));
}

int CountPixels(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour ? 1 : 0;
  }
  return count;
}

// Set FENDREL_PICTURE_DIR to keep the pictures for a look.
// At a ratio of 2 a blown-up picture is made of 2 x 2 blocks of one colour
// each. The series' slopes are stepped in device pixels, so along every
// sloped segment some block is split; the plot's frame, along whole pixels,
// still covers its blocks exactly.
TEST(ChartPixels, SlopesAreFinerThanBlocksAtRatioTwo) {
  TTestChart test;
  const QImage image = test.Chart.RenderToImage(2.0);
  SavePicture(image, "test_chart_ratio2");
  const TRect p = test.Chart.PlotRect;
  std::vector<TSegment> lines;
  for (int i = 0; i + 1 < test.Series.PointCount(); ++i)
    lines.emplace_back(PixelOf(test.Series, i), PixelOf(test.Series, i + 1));
  auto split = [&image](int x, int y) {
    const QRgb c = image.pixel(2 * x, 2 * y);
    return image.pixel(2 * x + 1, 2 * y) != c || image.pixel(2 * x, 2 * y + 1) != c ||
           image.pixel(2 * x + 1, 2 * y + 1) != c;
  };
  int sloped = 0;
  for (const auto& [a, b] : lines) {
    if (a.X == b.X || a.Y == b.Y) continue;
    ++sloped;
    // The blocks around the segment, within the series' clip; the frame,
    // drawn after the series, may hide one along its edge.
    bool seen = false;
    bool anySplit = false;
    for (int y = std::max(std::min(a.Y, b.Y), p.Top + 1);
         y <= std::min(std::max(a.Y, b.Y), p.Bottom - 2); ++y) {
      for (int x = std::min(a.X, b.X); x <= std::max(a.X, b.X); ++x) {
        seen |= IsRed(image.pixel(2 * x, 2 * y)) || IsRed(image.pixel(2 * x + 1, 2 * y + 1));
        anySplit |= split(x, y);
      }
    }
    EXPECT_TRUE(anySplit || !seen) << a.X << "," << a.Y << " to " << b.X << "," << b.Y;
  }
  EXPECT_GT(sloped, 50);
  for (int y = p.Top; y <= p.Bottom; y += 7) {
    EXPECT_FALSE(split(p.Left, y)) << y;
    EXPECT_EQ(image.pixel(2 * p.Left, 2 * y), qRgb(0, 0, 0)) << y;
  }
}

TEST(ChartPicture, BothChartsOfTheWindow) {
  TTestChart test;
  const QImage testImage = test.Chart.RenderToImage();
  SavePicture(testImage, "test_chart");
  EXPECT_GT(CountPixels(testImage, qRgb(255, 0, 0)), 300);      // the line
  EXPECT_GT(CountPixels(testImage, qRgb(128, 128, 128)), 300);  // dotted grid

  for (const int level : {3, 5}) {
    TWaveChart wave(level);
    const QImage waveImage = wave.Chart.RenderToImage();
    SavePicture(waveImage, level == 3 ? "wave_chart" : "wave_chart_level5");
    EXPECT_GT(CountPixels(waveImage, qRgb(255, 255, 128)), 1000) << level;  // left wall
    EXPECT_GT(CountPixels(waveImage, qRgb(255, 255, 255)), 1000) << level;  // floor
    EXPECT_GT(CountPixels(waveImage, qRgb(255, 0, 0)), 50) << level;        // band 0
    // Its steep rises; at level 5 the 32 slices squeeze the plot flat.
    if (level == 3) {
      EXPECT_GT(CountPixels(waveImage, qRgb(191, 0, 0)), 10);
    }
  }
}

}  // namespace
}  // namespace fendrel
