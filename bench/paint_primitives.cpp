#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <vector>

#include "platform/qpainter_context.h"

namespace fendrel {
namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "fendrel_bench_paint_primitives";
  static char* argv[] = {name, nullptr};
  if (QGuiApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
}

// The test chart's frame: 398 x 191, the series clipped to the plot inside it.
constexpr int kWidth = 398;
constexpr int kHeight = 191;
constexpr TRect kPlot{40, 30, 386, 160};

// Noisy points across the plot, swinging up to amplitude pixels about its middle.
std::vector<TPoint> SinePoints(std::int64_t count, int width = kPlot.Right - kPlot.Left,
                               int amplitude = 60) {
  std::vector<TPoint> points(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / static_cast<double>(count);
    points[static_cast<std::size_t>(i)] = {
        kPlot.Left + static_cast<int>(t * width),
        95 + static_cast<int>(amplitude * std::sin(t * 40.0) * std::cos(static_cast<double>(i)))};
  }
  return points;
}

// A dense series laid segment by segment; a second argument gives the
// device pixels per coordinate pixel, in hundredths.
void BM_LineToSeries(benchmark::State& state) {
  EnsureApplication();
  const std::vector<TPoint> points = SinePoints(state.range(0));
  const double ratio = state.range(1) / 100.0;
  TImageFrameBuffer frame(kWidth, kHeight, false, ratio);
  TDrawContext& dc = frame.BeginPaint();
  TPenState pen;
  pen.Color = clRed;
  dc.SetPen(pen);
  dc.ClipRect({kPlot.Left + 1, kPlot.Top + 1, kPlot.Right, kPlot.Bottom - 1}, coIntersect);
  for (auto _ : state) {
    dc.MoveTo(points[0].X, points[0].Y);
    for (const TPoint& p : points) dc.LineTo(p.X, p.Y);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LineToSeries)
    ->Args({100, 100})
    ->Args({65536, 100})
    ->Args({1048576, 100})
    ->Args({65536, 200})
    ->Args({1048576, 200})
    ->Unit(benchmark::kMillisecond);

// Ribbons of the 3D view: one filled, outlined quadrilateral per segment,
// clipped to the six-sided outline of the plot box. The second argument is
// the plot width: a thousand slices squeeze the plot to a few pixels.
void BM_Ribbons(benchmark::State& state) {
  EnsureApplication();
  const int width = static_cast<int>(state.range(1));
  const std::vector<TPoint> points =
      SinePoints(state.range(0) + 1, width, width < kPlot.Right - kPlot.Left ? 2 : 60);
  TImageFrameBuffer frame(kWidth, kHeight, false);
  TDrawContext& dc = frame.BeginPaint();
  const TPoint outline[] = {{40, 160}, {40, 30}, {46, 24}, {392, 24}, {392, 154}, {386, 160}};
  dc.ClipPolygon(outline, coReplace);
  dc.SetBrush({clGreen, bsSolid});
  for (auto _ : state) {
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
      const TPoint p0 = points[i];
      const TPoint p1 = points[i + 1];
      const TPoint quad[] = {p1, p0, {p0.X + 6, p0.Y - 6}, {p1.X + 6, p1.Y - 6}};
      dc.Polygon(quad);
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Ribbons)
    ->Args({100, 346})
    ->Args({65536, 346})
    ->Args({65536, 4})
    ->Unit(benchmark::kMillisecond);

// Every buffered paint pass begins a context on its frame.
void BM_BeginPaint(benchmark::State& state) {
  EnsureApplication();
  TImageFrameBuffer frame(kWidth, kHeight, false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(&frame.BeginPaint());
    frame.EndPaint();
  }
}
BENCHMARK(BM_BeginPaint)->Unit(benchmark::kMicrosecond);

void BM_FrameCopy(benchmark::State& state) {
  EnsureApplication();
  TImageFrameBuffer frame(kWidth, kHeight, false);
  QImage window(kWidth + 2, kHeight + 2, QImage::Format_RGB32);
  TQPainterContext dc(window);
  for (auto _ : state) dc.DrawFrame(1, 1, frame);
}
BENCHMARK(BM_FrameCopy)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace fendrel
