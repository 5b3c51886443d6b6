#include "chart/canvas3d.h"

#include <gtest/gtest.h>

#include <QImage>

#include "chart/chart.h"
#include "platform/qpainter_context.h"
#include "platform/recording_context.h"

namespace fendrel {
namespace {

TView3DOptions Options(int zoom = 100, bool orthogonal = true) {
  TView3DOptions options(nullptr);
  options.SetZoom(zoom);
  options.SetOrthogonal(orthogonal);
  return options;
}

std::vector<TPoint> Points(const TDrawRecord& record) { return record.Points; }

// A canvas in an unbuffered pass over a recording, so that every call is seen.
struct Recorded {
  explicit Recorded(bool is3D, int zoom = 100) {
    canvas.SetBufferedDisplay(false);
    canvas.BeginFrame(target, Options(zoom), {0, 0, 400, 250}, is3D);
  }
  TRecordingContext target;
  TCanvas3D canvas;
};

TEST(Canvas3D, ProjectPoint) {
  Recorded flat(false);
  flat.canvas.SetProjectionCentre(0, {0, 0, 200, 200});
  EXPECT_EQ(flat.canvas.ProjectPoint(10, 20, 7), (TPoint{10, 20}));

  // Depth runs up and to the right at 45 degrees whatever the centre.
  Recorded deep(true);
  for (const TRect& plot : {TRect{0, 0, 200, 200}, TRect{37, 11, 398, 191}}) {
    deep.canvas.SetProjectionCentre(6, plot);
    EXPECT_EQ(deep.canvas.ProjectPoint(10, 20, 7), (TPoint{17, 13}));
  }

  Recorded zoomed(true, 200);
  zoomed.canvas.SetProjectionCentre(0, {50, 50, 150, 150});
  EXPECT_EQ(zoomed.canvas.Centre(), (TPoint{100, 100}));
  EXPECT_EQ(zoomed.canvas.ProjectPoint(110, 90, 5), (TPoint{130, 70}));

  // Halves go to the even neighbour: 2.5 -> 2, -0.5 -> 0, 1.5 -> 2.
  Recorded half(true, 50);
  half.canvas.SetProjectionCentre(0, {0, 0, 0, 0});
  EXPECT_EQ(half.canvas.ProjectPoint(5, -1, 0), (TPoint{2, 0}));
  EXPECT_EQ(half.canvas.ProjectPoint(3, 7, 0), (TPoint{2, 4}));
}

TEST(Canvas3D, ProjectionCentreTruncatesTowardZero) {
  Recorded r(true);
  r.canvas.SetProjectionCentre(-7, {-5, -3, 0, 0});
  EXPECT_EQ(r.canvas.Centre(), (TPoint{-2, -1}));
  EXPECT_EQ(r.canvas.CentreZ(), -3);
  EXPECT_DOUBLE_EQ(r.canvas.PerspectiveFactor(), 15 / 35000.0);
}

TEST(Canvas3D, FlatModeHidesThe3DFlagButKeepsTheProjection) {
  Recorded r(true);
  r.canvas.SetFlatMode(true);
  EXPECT_FALSE(r.canvas.Is3D());
  EXPECT_EQ(r.canvas.ProjectPoint(10, 20, 7), (TPoint{17, 13}));
  r.canvas.ClipToBox({10, 20, 110, 120}, 0, 6);
  EXPECT_EQ(r.target.Records().back().Op, TDrawOp::ClipRect);
  r.canvas.SetFlatMode(false);
  EXPECT_TRUE(r.canvas.Is3D());
}

TEST(Canvas3D, ClipToBox) {
  Recorded flat(false);
  flat.canvas.ClipToBox({10, 20, 110, 120}, 0, 0);
  const TDrawRecord& rect = flat.target.Records().back();
  EXPECT_EQ(rect.Op, TDrawOp::ClipRect);
  EXPECT_EQ(rect.Rect, (TRect{11, 21, 110, 119}));
  EXPECT_EQ(rect.Clip, coIntersect);

  Recorded deep(true);
  deep.canvas.SetProjectionCentre(6, {10, 20, 110, 120});
  deep.canvas.ClipToBox({10, 20, 110, 120}, 0, 6);
  const TDrawRecord& outline = deep.target.Records().back();
  EXPECT_EQ(outline.Op, TDrawOp::ClipPolygon);
  EXPECT_EQ(outline.Clip, coReplace);
  EXPECT_EQ(
      Points(outline),
      (std::vector<TPoint>{{10, 120}, {10, 20}, {16, 14}, {116, 14}, {116, 114}, {110, 120}}));
}

TEST(Canvas3D, ClipToBoxLetsThroughTheInsideOfThePlotFrame) {
  QImage image(130, 140, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    TQPainterContext target(image);
    TCanvas3D canvas;
    canvas.SetBufferedDisplay(false);
    canvas.BeginFrame(target, Options(), {0, 0, 130, 140}, false);
    canvas.ClipToBox({10, 20, 110, 120}, 0, 0);
    canvas.SetBrush({clBlack, bsSolid});
    canvas.FillRect({0, 0, 130, 140});
    canvas.PresentFrame(target, {0, 0, 130, 140});
  }
  for (int y = 0; y < 140; ++y) {
    for (int x = 0; x < 130; ++x) {
      const bool inside = x >= 11 && x <= 109 && y >= 21 && y <= 118;
      ASSERT_EQ(image.pixel(x, y) == qRgb(0, 0, 0), inside) << x << "," << y;
    }
  }
}

TEST(Canvas3D, DepthPrimitivesDrawProjectedFigures) {
  Recorded r(true);
  r.canvas.SetProjectionCentre(10, {0, 0, 100, 100});
  r.canvas.ExtrudedSegment({10, 50}, {20, 40}, 0, 4);
  r.canvas.RectangleAtDepth({10, 20, 30, 40}, 5);
  r.canvas.FloorPlane(10, 30, 80, 0, 6);
  r.canvas.SidePlane(10, 20, 80, 0, 6);
  const auto polygons = r.target.RecordsOf(TDrawOp::Polygon);
  ASSERT_EQ(polygons.size(), 4u);
  EXPECT_EQ(Points(polygons[0]), (std::vector<TPoint>{{10, 50}, {20, 40}, {24, 36}, {14, 46}}));
  EXPECT_EQ(Points(polygons[1]), (std::vector<TPoint>{{15, 15}, {35, 15}, {35, 35}, {15, 35}}));
  EXPECT_EQ(Points(polygons[2]), (std::vector<TPoint>{{10, 80}, {30, 80}, {36, 74}, {16, 74}}));
  EXPECT_EQ(Points(polygons[3]), (std::vector<TPoint>{{10, 20}, {16, 14}, {16, 74}, {10, 80}}));

  r.target.ClearRecords();
  r.canvas.HorizontalLineAtDepth(10, 30, 50, 3);
  r.canvas.VerticalLineAtDepth(10, 20, 60, 0);
  r.canvas.DepthLine(40, 50, 0, 6);
  const auto lines = r.target.RecordsOf(TDrawOp::LineTo);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Points(lines[0]), (std::vector<TPoint>{{13, 47}, {33, 47}}));
  EXPECT_EQ(Points(lines[1]), (std::vector<TPoint>{{10, 20}, {10, 60}}));
  EXPECT_EQ(Points(lines[2]), (std::vector<TPoint>{{40, 50}, {46, 44}}));
}

TEST(Canvas3D, TextTurnsAndZoomsWithoutChangingTheCanvasFont) {
  Recorded r(true, 150);
  r.canvas.SetProjectionCentre(0, {0, 0, 0, 0});
  TFontState font;
  font.Size = 8;
  r.canvas.SetFont(font);
  r.canvas.SetBackMode(bmOpaque);
  r.canvas.RotatedTextAtDepth(10, 20, 0, "Values", 450);
  r.canvas.TextAtDepth(10, 20, 2, "0");
  const auto texts = r.target.RecordsOf(TDrawOp::TextOut);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].Font.Angle, 90);
  EXPECT_EQ(texts[0].Font.Size, 12);
  EXPECT_EQ(texts[0].BackMode, bmTransparent);
  EXPECT_EQ(Points(texts[0]), (std::vector<TPoint>{{15, 30}}));
  EXPECT_EQ(texts[1].Font.Size, 12);
  EXPECT_EQ(texts[1].BackMode, bmOpaque);
  EXPECT_EQ(Points(texts[1]), (std::vector<TPoint>{{18, 27}}));
  EXPECT_EQ(r.target.Font(), font);
  EXPECT_EQ(r.target.BackMode(), bmOpaque);

  // Without the zoom-text flag, and in 2D, text keeps its size.
  TView3DOptions plain = Options(150);
  plain.SetZoomText(false);
  r.canvas.BeginFrame(r.target, plain, {0, 0, 10, 10}, true);
  r.canvas.TextAtDepth(0, 0, 0, "x");
  r.canvas.BeginFrame(r.target, Options(150), {0, 0, 10, 10}, false);
  r.canvas.RotatedText(0, 0, "y", 90);
  const auto more = r.target.RecordsOf(TDrawOp::TextOut);
  EXPECT_EQ(more[2].Font.Size, 8);
  EXPECT_EQ(more[3].Font.Size, 8);
}

TEST(Canvas3D, FrameBufferIsReusedAtTheSameSizeAndRenewedAtANewOne) {
  TRecordingContext window;
  TCanvas3D canvas;
  canvas.SetWindowCanvas(&window);
  EXPECT_TRUE(canvas.IsDirty());
  EXPECT_FALSE(canvas.CopyWhenClean());

  const TRect r{5, 6, 105, 56};
  EXPECT_EQ(canvas.BeginFrame(window, Options(), r, false), (TRect{0, 0, 100, 50}));
  canvas.MoveTo(1, 1);
  canvas.LineTo(9, 9);
  canvas.PresentFrame(window, r);
  EXPECT_FALSE(canvas.IsDirty());
  TFrameBuffer* first = canvas.FrameBuffer();
  auto* recorded = dynamic_cast<TRecordingFrameBuffer*>(first);
  ASSERT_NE(recorded, nullptr);
  EXPECT_EQ(recorded->Recording().RecordsOf(TDrawOp::LineTo).size(), 1u);
  EXPECT_FALSE(recorded->Painting());
  ASSERT_EQ(window.RecordsOf(TDrawOp::DrawFrame).size(), 1u);
  EXPECT_EQ(window.RecordsOf(TDrawOp::DrawFrame)[0].Rect, (TRect{5, 6, 105, 56}));
  EXPECT_TRUE(window.RecordsOf(TDrawOp::LineTo).empty());

  // A clean frame is copied to the window's origin; a dirty one is not.
  EXPECT_TRUE(canvas.CopyWhenClean());
  EXPECT_EQ(window.RecordsOf(TDrawOp::DrawFrame).back().Rect, (TRect{0, 0, 100, 50}));
  canvas.MarkDirty();
  EXPECT_FALSE(canvas.CopyWhenClean());
  EXPECT_EQ(window.RecordsOf(TDrawOp::DrawFrame).size(), 2u);

  canvas.BeginFrame(window, Options(), r, false);
  canvas.PresentFrame(window, r);
  EXPECT_EQ(window.FrameBuffersCreated(), 1);
  canvas.BeginFrame(window, Options(), {0, 0, 120, 50}, false);
  canvas.PresentFrame(window, {0, 0, 120, 50});
  EXPECT_EQ(window.FrameBuffersCreated(), 2);
  EXPECT_EQ(canvas.FrameBuffer()->Width(), 120);

  canvas.SetMonochrome(true);
  EXPECT_EQ(canvas.FrameBuffer(), nullptr);
  EXPECT_TRUE(canvas.IsDirty());
}

TEST(Canvas3D, UnbufferedDisplayDrawsStraightOnTheTarget) {
  TRecordingContext window;
  TRecordingContext picture;
  TCanvas3D canvas;
  canvas.SetWindowCanvas(&window);
  canvas.BeginFrame(window, Options(), {0, 0, 40, 30}, false);
  canvas.PresentFrame(window, {0, 0, 40, 30});
  ASSERT_NE(canvas.FrameBuffer(), nullptr);

  canvas.SetBufferedDisplay(false);
  EXPECT_EQ(canvas.FrameBuffer(), nullptr);
  EXPECT_TRUE(canvas.IsDirty());
  EXPECT_EQ(canvas.BeginFrame(picture, Options(), {3, 4, 40, 30}, false), (TRect{3, 4, 40, 30}));
  canvas.Rectangle(3, 4, 40, 30);
  canvas.PresentFrame(picture, {3, 4, 40, 30});
  EXPECT_EQ(picture.RecordsOf(TDrawOp::Rectangle).size(), 1u);
  EXPECT_TRUE(picture.RecordsOf(TDrawOp::DrawFrame).empty());
  EXPECT_TRUE(canvas.IsDirty());
  EXPECT_FALSE(canvas.CopyWhenClean());

  // Outside a pass the window canvas is drawn on.
  canvas.Line(0, 0, 5, 5);
  EXPECT_EQ(window.RecordsOf(TDrawOp::LineTo).size(), 1u);
}

TEST(Canvas3D, StateFollowsTheTargetAndResetRestoresDefaults) {
  TRecordingContext window;
  TCanvas3D canvas;
  TPenState pen;
  pen.Color = clRed;
  pen.Width = 2;
  canvas.SetPen(pen);
  canvas.SetBrushColor(clBlue);
  canvas.SetTextAlign({thRight, tvBottom});
  canvas.BeginFrame(window, Options(), {0, 0, 10, 10}, false);
  auto& frame = dynamic_cast<TRecordingFrameBuffer&>(*canvas.FrameBuffer()).Recording();
  EXPECT_EQ(frame.Pen(), pen);
  EXPECT_EQ(frame.Brush().Color, clBlue);
  EXPECT_EQ(frame.Align(), (TTextAlign{thRight, tvBottom}));

  TFontState font;
  font.Size = 8;
  font.Color = clBlue;
  font.Style = fsBold;
  canvas.SetFont(font);
  canvas.SetBackColor(clYellow);
  canvas.Reset();
  EXPECT_EQ(frame.Pen(), TPenState{});
  EXPECT_EQ(frame.Brush(), (TBrushState{clWhite, bsSolid}));
  EXPECT_EQ(frame.Font().Size, 10);
  EXPECT_EQ(frame.Font().Color, clBlack);
  EXPECT_EQ(frame.BackColor(), clWhite);
  EXPECT_EQ(frame.BackMode(), bmTransparent);
}

TEST(Canvas3D, BufferedPassPaintsAnImageAndCopiesItToTheWindow) {
  QImage window(60, 40, QImage::Format_RGB32);
  window.fill(Qt::white);
  TQPainterContext target(window);
  TCanvas3D canvas;
  canvas.SetWindowCanvas(&target);
  const TRect r{10, 5, 30, 25};
  canvas.BeginFrame(target, Options(), r, false);
  canvas.SetBrush({clGreen, bsSolid});
  canvas.FillRect({0, 0, 20, 20});
  canvas.PresentFrame(target, r);
  EXPECT_EQ(window.pixel(10, 5), qRgb(0, 128, 0));
  EXPECT_EQ(window.pixel(29, 24), qRgb(0, 128, 0));
  EXPECT_EQ(window.pixel(30, 24), qRgb(255, 255, 255));
  EXPECT_EQ(window.pixel(9, 5), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace fendrel
