#include "raster/rasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "raster/clip.h"
#include "raster/line.h"
#include "raster/pixel_buffer.h"
#include "support/pixel_set.h"

namespace fendrel {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kRed = 0xFFFF0000u;

Pixels Find(const TPixelBuffer& buffer, std::uint32_t color) {
  Pixels found;
  for (int y = 0; y < buffer.Height(); ++y)
    for (int x = 0; x < buffer.Width(); ++x)
      if (buffer.At(x, y) == color) found.insert({x, y});
  return found;
}

// A white picture and the rasterizer drawing into it, black solid ink.
struct TCanvas {
  explicit TCanvas(int width = 24, int height = 16, double scale = 1.0)
      : picture(width, height, kWhite) {
    raster.SetBuffer(TPixelBuffer::View(picture.Bits(), width, height, picture.Stride()));
    raster.SetScale(scale);
    Ink(TLinePattern{});
  }
  void Ink(const TLinePattern& pattern, bool opaqueGaps = false, bool notXor = false) {
    raster.SetLineInk({kBlack, kRed, pattern, opaqueGaps, notXor});
  }
  void Line(TPoint a, TPoint b) {
    int phase = 0;
    raster.Line(a, b, phase);
  }

  TPixelBuffer picture;
  TRasterizer raster;
};

TEST(RasterLine, CoversItsStartAndStopsShortOfItsEnd) {
  struct Case {
    TPoint a, b;
    Pixels expected;
  };
  const Case cases[] = {
      {{1, 1}, {5, 1}, Range(1, 4, 1, 1)},
      {{4, 1}, {1, 1}, Range(2, 4, 1, 1)},
      {{3, 9}, {3, 5}, Range(3, 3, 6, 9)},
      {{12, 0}, {18, 2}, {{12, 0}, {13, 0}, {14, 1}, {15, 1}, {16, 1}, {17, 2}}},
      {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
      {{5, 0}, {6, 4}, {{5, 0}, {5, 1}, {6, 2}, {6, 3}}},
      {{2, 2}, {2, 2}, {}},
      // Off the picture only the visible steps are laid, at their places.
      {{-1000, 500}, {1000, 600}, {}},
      {{-6, 3}, {30, 3}, Range(0, 23, 3, 3)},
  };
  for (const Case& c : cases) {
    TCanvas canvas;
    canvas.Line(c.a, c.b);
    EXPECT_EQ(Find(canvas.picture, kBlack), c.expected)
        << c.a.X << "," << c.a.Y << " to " << c.b.X << "," << c.b.Y;
  }
  // A far start walks into the picture on the same pixels as a near one.
  TCanvas far;
  TCanvas near;
  far.Line({-2000, -1000}, {20, 10});
  near.Line({0, 0}, {20, 10});
  EXPECT_EQ(Find(far.picture, kBlack), Find(near.picture, kBlack));
}

TEST(RasterLine, PatternsCarryTheirPhaseAndPaintGapsOnlyWhenOpaque) {
  TCanvas canvas;
  canvas.Ink(MakeLinePattern({1, 1}));
  int phase = 0;
  canvas.raster.Line({0, 0}, {3, 0}, phase);  // three pixels: the next one is off
  canvas.raster.Line({3, 0}, {9, 0}, phase);
  canvas.Ink(MakeLinePattern({3, 3}), true);
  phase = 0;
  canvas.raster.Line({0, 2}, {12, 2}, phase);
  EXPECT_EQ(
      Find(canvas.picture, kBlack),
      (Pixels{
          {0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}, {0, 2}, {1, 2}, {2, 2}, {6, 2}, {7, 2}, {8, 2}}));
  EXPECT_EQ(Find(canvas.picture, kRed), (Pixels{{3, 2}, {4, 2}, {5, 2}, {9, 2}, {10, 2}, {11, 2}}));
}

// Also on whole ratios of finer pixels, where strokes are stepped in
// device pixels.
TEST(RasterLine, ColumnRunLaysTheSamePixelsAsItsSteps) {
  for (const double scale : {1.0, 2.0, 3.0}) {
    SCOPED_TRACE(scale);
    const std::vector<TPoint> steps = {{7, 3}, {7, 12}, {7, 1}, {7, 9}, {7, 8}};
    const TDeviceScale device(scale);
    TCanvas one(device.Edge(24), device.Edge(16), scale);
    TCanvas each(device.Edge(24), device.Edge(16), scale);
    TColumnRun run;
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
      run.Add(steps[i], steps[i + 1]);
      each.Line(steps[i], steps[i + 1]);
    }
    ASSERT_TRUE(run.Pending());
    const auto [from, to] = run.Take();
    EXPECT_FALSE(run.Pending());
    one.Line(from, to);
    EXPECT_EQ(Find(one.picture, kBlack), Find(each.picture, kBlack));
  }
}

TEST(RasterMix, NotXorTwiceRestoresThePicture) {
  TCanvas canvas(24, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x)
      canvas.picture.Row(y)[x] = 0xFF000000u | static_cast<std::uint32_t>(x * 10 << 8 | y * 15);
  std::vector<std::uint32_t> before;
  for (int y = 0; y < 16; ++y)
    before.insert(before.end(), canvas.picture.Row(y), canvas.picture.Row(y) + 24);
  auto draw = [&canvas] {
    canvas.Ink(TLinePattern{}, false, true);
    canvas.Line({0, 15}, {23, 0});
    canvas.Ink(MakeLinePattern({1, 1}), false, true);
    canvas.Line({2, 2}, {20, 2});
    const TPoint ribbon[] = {{3, 12}, {18, 4}, {22, 9}, {8, 14}};
    canvas.raster.FillPolygon(ribbon, 0xFF808080u, true);
    canvas.raster.FillRect({1, 1, 6, 5}, 0xFF808080u, true);
  };
  draw();
  EXPECT_EQ(canvas.picture.At(0, 15), ~(before[15 * 24] ^ kBlack));
  draw();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x)
      ASSERT_EQ(canvas.picture.At(x, y), before[y * 24 + x]) << x << "," << y;
}

TEST(RasterFill, AlternateRuleWithLeftAndTopEdgesIn) {
  TCanvas canvas;
  const TPoint square[] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}};
  canvas.raster.FillPolygon(square, kBlack, false);
  EXPECT_EQ(Find(canvas.picture, kBlack), Range(1, 4, 1, 4));
  // The middle of a five-pointed star is crossed twice: left empty.
  TCanvas star;
  const TPoint points[] = {{16, 0}, {21, 15}, {8, 6}, {23, 6}, {11, 15}};
  star.raster.FillPolygon(points, kBlack, false);
  const Pixels ink = Find(star.picture, kBlack);
  EXPECT_FALSE(ink.count({16, 9}));
  EXPECT_TRUE(ink.count({16, 3}));
  EXPECT_TRUE(ink.count({10, 7}));
  TCanvas rect;
  rect.raster.FillRect({2, 3, 8, 7}, kBlack, false);
  EXPECT_EQ(Find(rect.picture, kBlack), Range(2, 7, 3, 6));
}

// Ribbons of every slant: the fill stays under the outline, never beside it,
// on coordinate pixels and on finer ones.
TEST(RasterFill, NeverLeaksPastTheOutline) {
  for (const double scale : {1.0, 1.5, 2.0, 2.25}) {
    SCOPED_TRACE(scale);
    const int size = TDeviceScale(scale).Edge(48);
    for (int dx = 1; dx <= 12; dx += 3) {
      for (int dy = -20; dy <= 20; dy += 3) {
        TCanvas canvas(size, size, scale);
        const TPoint ribbon[] = {{10 + dx, 24 + dy}, {10, 24}, {16, 18}, {16 + dx, 18 + dy}};
        canvas.raster.FillPolygon(ribbon, kRed, false);
        int phase = 0;
        for (int i = 0; i < 4; ++i) canvas.raster.Line(ribbon[i], ribbon[(i + 1) % 4], phase);
        for (const auto& [x, y] : Find(canvas.picture, kRed)) {
          for (const auto& [nx, ny] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
            // The steepest ribbons reach past the picture's top edge.
            if (nx < 0 || ny < 0 || nx >= canvas.picture.Width() || ny >= canvas.picture.Height()) {
              continue;
            }
            ASSERT_NE(canvas.picture.At(nx, ny), kWhite)
                << "fill at " << x << "," << y << " dx " << dx << " dy " << dy;
          }
        }
      }
    }
  }
}

TEST(RasterClip, SpansOfSeveralRectanglesKeepEveryPrimitiveInside) {
  // An L: the top band and the left column.
  const TRect rects[] = {{0, 0, 24, 4}, {0, 4, 6, 16}};
  auto inside = [](int x, int y) { return y < 4 || x < 6; };
  TCanvas canvas;
  canvas.raster.Clip().Set(rects);
  for (int y = 0; y < 16; y += 2) canvas.Line({0, y}, {24, y});
  canvas.Ink(MakeLinePattern({1, 1}), true);
  canvas.Line({0, 15}, {24, 3});
  const TPoint box[] = {{2, 2}, {22, 2}, {22, 14}, {2, 14}};
  canvas.raster.FillPolygon(box, kBlack, false);
  canvas.raster.FillRect({0, 0, 24, 16}, kBlack, false);
  canvas.raster.Pixel(20, 10, kBlack);
  EXPECT_EQ(canvas.raster.Clip().Bounds(), (TRect{0, 0, 24, 16}));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x)
      EXPECT_EQ(canvas.picture.At(x, y), inside(x, y) ? kBlack : kWhite) << x << "," << y;

  canvas.raster.Clip().Clear();
  canvas.raster.Pixel(20, 10, kRed);
  EXPECT_EQ(canvas.picture.At(20, 10), kRed);
}

TEST(RasterClip, FarPolygonsAreCutAndNearOnesKept) {
  const TRect device{0, 0, 100, 50};
  const std::vector<TPoint> near = {{-40, -40}, {140, 10}, {10, 90}};
  EXPECT_EQ(PolygonNearDevice(near, device), near);
  // A wall projected ten million pixels deep: cut at the reach, the part
  // over the device unchanged.
  const TPoint far[] = {{10, 10}, {10'000'000, 10}, {10'000'000, 40}, {10, 40}};
  const std::vector<TPoint> cut = PolygonNearDevice(far, device);
  EXPECT_EQ(cut, (std::vector<TPoint>{{10, 10}, {216, 10}, {216, 40}, {10, 40}}));
  EXPECT_EQ(CutPolygon(far, {0, 0, 50, 20}),
            (std::vector<TPoint>{{10, 10}, {50, 10}, {50, 20}, {10, 20}}));
}

// On finer pixels every coordinate edge lands on one device edge: figures
// that share an edge meet without a gap, and none is filled twice.
TEST(RasterScale, FiguresMeetWithoutGapsOrOverlaps) {
  for (const double scale : {1.25, 1.5, 2.0}) {
    SCOPED_TRACE(scale);
    const TDeviceScale device(scale);
    TCanvas canvas(device.Edge(40), device.Edge(30), scale);
    const TPoint left[] = {{3, 3}, {20, 3}, {14, 25}, {3, 25}};
    const TPoint right[] = {{20, 3}, {37, 3}, {37, 25}, {14, 25}};
    // Inverted: a pixel filled twice would be white again.
    canvas.raster.FillPolygon(left, kBlack, true);
    canvas.raster.FillPolygon(right, kBlack, true);
    canvas.raster.FillRect({3, 26, 11, 29}, kRed, false);
    canvas.raster.FillRect({11, 26, 37, 29}, kRed, false);
    canvas.raster.Pixel(38, 26, kRed);
    canvas.raster.Pixel(39, 26, kRed);
    auto edge = [&device](int v) { return device.Edge(v); };
    EXPECT_EQ(Find(canvas.picture, kBlack), Range(edge(3), edge(37) - 1, edge(3), edge(25) - 1));
    Pixels red = Range(edge(3), edge(37) - 1, edge(26), edge(29) - 1);
    const Pixels dots = Range(edge(38), edge(40) - 1, edge(26), edge(27) - 1);
    red.insert(dots.begin(), dots.end());
    EXPECT_EQ(Find(canvas.picture, kRed), red);

    // A one-pixel line covers whole coordinate pixels; on finer pixels it is
    // a whole number of device pixels wide.
    TCanvas line(device.Edge(40), device.Edge(30), scale);
    line.Line({2, 5}, {6, 5});
    const int across = scale >= 1.5 ? edge(5) + device.StrokeWidth() : edge(6);
    EXPECT_EQ(Find(line.picture, kBlack), Range(edge(2), edge(6) - 1, edge(5), across - 1));
  }
}

// From 1.5 device pixels per coordinate pixel, strokes step in device
// pixels with a pen of round(ratio) pixels: a slope is no staircase of
// blocks, yet lines along edges lie on the edges' pixels.
TEST(RasterScale, FineStrokesStepInDevicePixels) {
  {
    TCanvas canvas(16, 8, 2.0);
    canvas.Line({0, 0}, {4, 2});
    Pixels expected = Range(0, 1, 0, 1);  // the pen's square at the start
    for (int x = 0; x < 8; ++x) {
      const int y = (x + 1) / 2;  // the rounded half-steps of a slope of a half
      expected.insert({{x, y}, {x, y + 1}});
    }
    EXPECT_EQ(Find(canvas.picture, kBlack), expected);
  }
  for (const double scale : {1.5, 2.0, 2.25, 3.0}) {
    SCOPED_TRACE(scale);
    const TDeviceScale device(scale);
    auto edge = [&device](int v) { return device.Edge(v); };
    const int pen = device.StrokeWidth();
    EXPECT_EQ(pen, static_cast<int>(std::lround(scale)));
    // An outline as a rectangle lays it, in not-xor: a pixel laid twice, or
    // one left out, would show as white in the band.
    TCanvas canvas(edge(24), edge(16), scale);
    canvas.Ink(TLinePattern{}, false, true);
    int phase = 0;
    const TPoint corners[] = {{2, 3}, {19, 3}, {19, 12}, {2, 12}};
    for (int i = 0; i < 4; ++i) canvas.raster.Line(corners[i], corners[(i + 1) % 4], phase);
    Pixels ring = Range(edge(2), edge(19) + pen - 1, edge(3), edge(12) + pen - 1);
    for (const auto& p : Range(edge(2) + pen, edge(19) - 1, edge(3) + pen, edge(12) - 1))
      ring.erase(p);
    EXPECT_EQ(Find(canvas.picture, kBlack), ring);
    // On whole ratios the ring is the coordinate pixels' own.
    if (scale == std::round(scale)) {
      EXPECT_EQ(edge(19) + pen, edge(20));
    }

    // The alternate-pixel pen keeps its look: dots a pen wide, as far apart.
    TCanvas dots(edge(24), edge(16), scale);
    dots.Ink(MakeLinePattern({1, 1}));
    dots.Line({10, 4}, {2, 4});
    Pixels dotted;
    for (int x = edge(10) + pen - 1, k = 0; x > edge(2) + pen - 1; --x, ++k) {
      if ((k / pen) % 2 == 0) {
        for (int y = edge(4); y < edge(4) + pen; ++y) dotted.insert({x, y});
      }
    }
    EXPECT_EQ(Find(dots.picture, kBlack), dotted);
  }
}

}  // namespace
}  // namespace fendrel
