#include "platform/qpainter_context.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontInfo>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "support/pixel_set.h"

namespace fendrel {
namespace {

QImage White(int w, int h, QImage::Format format = QImage::Format_RGB32) {
  QImage image(w, h, format);
  image.fill(Qt::white);
  return image;
}

// Pixels of one colour (or, by default, every pixel that is not white).
Pixels Find(const QImage& image, std::optional<QRgb> color = std::nullopt) {
  Pixels found;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y) | 0xFF000000u;
      if (color ? p == (*color | 0xFF000000u) : p != 0xFFFFFFFFu) found.insert({x, y});
    }
  }
  return found;
}

TPenState PenOf(TColor color, TPenStyle style = psSolid, TPenMode mode = pmCopy) {
  TPenState pen;
  pen.Color = color;
  pen.Style = style;
  pen.Mode = mode;
  return pen;
}

// 32-bit images are written directly, other pixel formats go through Qt: both
// must give the same pixels.
class PixelRules : public ::testing::TestWithParam<QImage::Format> {
 protected:
  QImage image_ = White(24, 16, GetParam());
};

TEST_P(PixelRules, LineCoversStartAndStopsShortOfEnd) {
  {
    TQPainterContext dc(image_);
    dc.MoveTo(1, 1);
    dc.LineTo(8, 1);  // horizontal
    dc.MoveTo(10, 9);
    dc.LineTo(10, 2);  // vertical, upwards
    dc.MoveTo(12, 0);
    dc.LineTo(18, 2);  // shallow: y = x / 3 rounded
  }
  Pixels expected = Range(1, 7, 1, 1);
  for (const auto& p : Range(10, 10, 3, 9)) expected.insert(p);
  for (const auto& p : Pixels{{12, 0}, {13, 0}, {14, 1}, {15, 1}, {16, 1}, {17, 2}})
    expected.insert(p);
  EXPECT_EQ(Find(image_), expected);
}

TEST_P(PixelRules, RectangleExcludesRightAndBottomAndFillsInside) {
  {
    TQPainterContext dc(image_);
    dc.SetBrush({clRed, bsSolid});
    dc.Rectangle(2, 3, 8, 7);
    dc.SetPen(PenOf(clBlack, psClear));
    dc.Rectangle(12, 3, 18, 7);
  }
  Pixels outline = Range(2, 7, 3, 6);
  for (const auto& p : Range(3, 6, 4, 5)) outline.erase(p);
  EXPECT_EQ(Find(image_, qRgb(0, 0, 0)), outline);
  Pixels red = Range(3, 6, 4, 5);
  for (const auto& p : Range(12, 16, 3, 5)) red.insert(p);  // no pen: one less each way
  EXPECT_EQ(Find(image_, qRgb(255, 0, 0)), red);
}

TEST_P(PixelRules, PolygonFillsByAlternateRule) {
  {
    TQPainterContext dc(image_);
    dc.SetPen(PenOf(clBlack, psClear));
    dc.SetBrush({clBlack, bsSolid});
    const TPoint square[] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}};
    dc.Polygon(square);
    // The middle of a five-pointed star is crossed twice: left empty.
    const TPoint star[] = {{16, 0}, {21, 15}, {8, 6}, {23, 6}, {11, 15}};
    dc.Polygon(star);
  }
  const Pixels ink = Find(image_);
  for (const auto& p : Range(1, 4, 1, 4)) EXPECT_TRUE(ink.count(p)) << p.first << "," << p.second;
  EXPECT_FALSE(ink.count({5, 3}));
  EXPECT_FALSE(ink.count({3, 5}));
  EXPECT_FALSE(ink.count({16, 9}));  // centre of the star
  EXPECT_TRUE(ink.count({16, 3}));   // its top arm
  EXPECT_TRUE(ink.count({10, 7}));   // its left arm
}

TEST_P(PixelRules, NotXorTwiceRestoresThePicture) {
  for (int y = 0; y < image_.height(); ++y)
    for (int x = 0; x < image_.width(); ++x) image_.setPixel(x, y, qRgb(x * 10, y * 15, 77));
  const QImage before = image_.copy();
  auto draw = [this] {
    TQPainterContext dc(image_);
    dc.SetPen(PenOf(clGray, psSolid, pmNotXor));
    dc.SetBrush({clWhite, bsClear});
    dc.Rectangle(2, 2, 20, 12);
    dc.MoveTo(0, 15);
    dc.LineTo(23, 0);
  };
  draw();
  EXPECT_NE(image_, before);
  // Each outline pixel is inverted once, corners included.
  const QRgb corner = before.pixel(19, 11);
  EXPECT_EQ(image_.pixel(19, 11) & 0xFFFFFFu, ~(corner ^ qRgb(128, 128, 128)) & 0xFFFFFFu);
  draw();
  EXPECT_EQ(image_.convertToFormat(QImage::Format_RGB32),
            before.convertToFormat(QImage::Format_RGB32));
}

TEST_P(PixelRules, StyledPensAndBackgroundMode) {
  {
    TQPainterContext dc(image_);
    TPenState alternate = PenOf(clBlack);
    alternate.SmallDots = true;
    dc.SetBackground(clRed, bmTransparent);
    dc.SetPen(alternate);
    dc.MoveTo(0, 0);
    dc.LineTo(10, 0);
    dc.SetPen(PenOf(clBlack, psDot));
    dc.MoveTo(0, 2);
    dc.LineTo(12, 2);
    dc.SetBackground(clRed, bmOpaque);
    dc.MoveTo(0, 4);
    dc.LineTo(12, 4);
  }
  EXPECT_EQ(Find(image_, qRgb(0, 0, 0)), (Pixels{{0, 0},
                                                 {2, 0},
                                                 {4, 0},
                                                 {6, 0},
                                                 {8, 0},
                                                 {0, 2},
                                                 {1, 2},
                                                 {2, 2},
                                                 {6, 2},
                                                 {7, 2},
                                                 {8, 2},
                                                 {0, 4},
                                                 {1, 4},
                                                 {2, 4},
                                                 {6, 4},
                                                 {7, 4},
                                                 {8, 4}}));
  // Gaps are painted only on an opaque background.
  EXPECT_EQ(Find(image_, qRgb(255, 0, 0)),
            (Pixels{{3, 4}, {4, 4}, {5, 4}, {9, 4}, {10, 4}, {11, 4}}));
}

TEST_P(PixelRules, ClipPolygonKeepsLinesInside) {
  {
    TQPainterContext dc(image_);
    const TPoint triangle[] = {{0, 0}, {16, 0}, {0, 16}};
    dc.ClipPolygon(triangle, coReplace);
    for (int y = 0; y < 16; ++y) {
      dc.MoveTo(0, y);
      dc.LineTo(24, y);
    }
  }
  for (const auto& [x, y] : Find(image_)) EXPECT_LT(x + y, 16) << x << "," << y;
  EXPECT_TRUE(Find(image_).count({14, 0}));
}

INSTANTIATE_TEST_SUITE_P(Formats, PixelRules,
                         ::testing::Values(QImage::Format_RGB32, QImage::Format_ARGB32));

TEST(QPainterContext, DirectAndQtPathsAgreeOnAScene) {
  QImage images[] = {White(64, 48), White(64, 48, QImage::Format_ARGB32)};
  for (QImage& image : images) {
    TQPainterContext dc(image);
    const TPoint clip[] = {{2, 40}, {2, 6}, {12, 1}, {60, 1}, {60, 36}, {50, 46}};
    dc.ClipPolygon(clip, coReplace);
    dc.SetBackground(clYellow, bmOpaque);
    for (int k = 0; k < 24; ++k) {
      dc.SetPen(
          PenOf(RGBColor(0, static_cast<std::uint8_t>(k * 10), 0), static_cast<TPenStyle>(k % 5)));
      dc.MoveTo(32, 24);
      dc.LineTo(32 + (k * 37) % 70 - 35, 24 + (k * 53) % 60 - 30);
    }
    // A dense series steps up and down single columns.
    dc.SetPen(PenOf(clRed));
    dc.MoveTo(20, 10);
    for (const TPoint& p : {TPoint{20, 30},
                            {20, 5},
                            {20, 20},
                            {21, 22},
                            {21, 3},
                            {21, 12},
                            {21, 14},
                            {22, 40},
                            {22, 39},
                            {22, 44}}) {
      dc.LineTo(p.X, p.Y);
    }
    // Slanted fills may differ where an edge passes exactly through a pixel
    // centre, so only the outline of a slanted figure is compared.
    dc.SetBrush({clBlue, bsClear});
    const TPoint ribbon[] = {{10, 30}, {40, 12}, {46, 6}, {16, 24}};
    dc.Polygon(ribbon);
    dc.SetBrush({clBlue, bsSolid});
    const TPoint box[] = {{4, 30}, {20, 30}, {20, 44}, {4, 44}};
    dc.Polygon(box);
  }
  EXPECT_EQ(images[0], images[1].convertToFormat(QImage::Format_RGB32));
}

TEST(QPainterContext, TextIsPlacedByAlignmentInItsTurnedFrame) {
  QImage image = White(120, 80);
  TQPainterContext dc(image);
  TFontState font;
  font.Size = 8;
  dc.SetFont(font);
  EXPECT_EQ(QFontInfo(dc.CurrentQFont()).family(), "Liberation Sans");
  EXPECT_EQ(QFontInfo(dc.CurrentQFont()).pixelSize(), 11);
  EXPECT_EQ(dc.TextHeight("W"), QFontMetrics(dc.CurrentQFont()).height());

  dc.SetBackground(clWhite, bmTransparent);
  dc.SetTextAlign({thRight, tvTop});
  dc.TextOut(50, 10, "W");
  Pixels ink = Find(image);
  ASSERT_FALSE(ink.empty());
  int minX = 999, maxX = -1, minY = 999;
  for (const auto& [x, y] : ink) {
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
  }
  EXPECT_LE(maxX, 49);
  EXPECT_GE(maxX, 47);
  EXPECT_GE(minX, 50 - dc.TextWidth("W"));
  EXPECT_GE(minY, 10);
  EXPECT_LE(minY, 13);

  // Turned a quarter to the left, left/top: the text runs upwards from the
  // point and its top edge lies on the point's column.
  image.fill(Qt::white);
  font.Angle = 90;
  dc.SetFont(font);
  dc.SetTextAlign({thLeft, tvTop});
  dc.TextOut(60, 70, "Values");
  ink = Find(image);
  ASSERT_FALSE(ink.empty());
  for (const auto& [x, y] : ink) {
    EXPECT_GE(x, 60);
    EXPECT_LE(x, 60 + dc.TextHeight("W"));
    EXPECT_LT(y, 70);
    EXPECT_GE(y, 70 - dc.TextWidth("Values"));
  }
}

TEST(QPainterContext, OpaqueTextAndHatchUseTheBackgroundColour) {
  QImage image = White(40, 20);
  {
    TQPainterContext dc(image);
    dc.SetBackground(clRed, bmOpaque);
    dc.TextOut(0, 0, "x");
    dc.SetBrush({clBlack, bsCross});
    dc.FillRect({20, 0, 36, 16});
  }
  EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(Find(image, qRgb(255, 255, 255)).count({25, 5}), 0u);
  for (const auto& p : Range(20, 35, 0, 15))
    EXPECT_NE(image.pixel(p.first, p.second), qRgb(255, 255, 255));
}

// Qt's drawing and the raster rules take turns on an image: no painter is
// open on it while its memory is written, and both leave their pixels.
TEST(QPainterContext, RasterWritesWaitUntilQtHasEndedOnTheImage) {
  QImage image = White(40, 20);
  TQPainterContext dc(image);
  dc.SetBackground(clRed, bmOpaque);
  dc.TextOut(0, 0, "x");
  dc.MoveTo(0, 18);
  dc.LineTo(30, 18);
  EXPECT_FALSE(image.paintingActive());
  dc.SetBrush({clBlack, bsCross});
  dc.FillRect({32, 0, 40, 8});
  dc.Pixel(35, 15, clBlue);
  EXPECT_FALSE(image.paintingActive());
  EXPECT_EQ(image.pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(Find(image, qRgb(0, 0, 0)).count({29, 18}), 1u);
  EXPECT_EQ(image.pixel(35, 15), qRgb(0, 0, 255));
  const Pixels hatch = Find(image, qRgb(0, 0, 0));
  EXPECT_TRUE(std::any_of(hatch.begin(), hatch.end(), [](const auto& p) { return p.first >= 32; }));
}

TEST(QPainterContext, FrameBufferIsCopiedAtItsPlace) {
  QImage window = White(30, 20);
  TQPainterContext dc(window);
  auto frame = dc.CreateFrameBuffer(10, 5, false);
  TDrawContext& fc = frame->BeginPaint();
  EXPECT_EQ(&fc, &frame->BeginPaint());
  fc.SetBrush({clBlue, bsSolid});
  fc.FillRect({0, 0, 10, 5});
  frame->EndPaint();
  dc.SetPen(PenOf(clBlack, psSolid, pmNotXor));  // copies ignore the mix mode
  dc.DrawFrame(7, 3, *frame);
  EXPECT_EQ(Find(window, qRgb(0, 0, 255)), Range(7, 16, 3, 7));
}

// On finer pixels every coordinate edge lands on one device edge: figures
// that share an edge meet without a gap, and none is filled twice.
TEST(QPainterContext, ScaledFiguresMeetWithoutGapsOrOverlaps) {
  for (const double scale : {1.25, 1.5, 2.0}) {
    SCOPED_TRACE(scale);
    TImageFrameBuffer frame(40, 30, false, scale);
    TDrawContext& dc = frame.BeginPaint();
    dc.SetPen({clBlack, 1, psClear, pmNotXor});  // inverts: twice is white again
    dc.SetBrush({clBlack, bsSolid});
    const TPoint left[] = {{3, 3}, {20, 3}, {14, 25}, {3, 25}};
    const TPoint right[] = {{20, 3}, {37, 3}, {37, 25}, {14, 25}};
    dc.Polygon(left);
    dc.Polygon(right);
    dc.SetPen({clBlack, 1, psSolid, pmCopy});
    dc.SetBrush({clBlue, bsSolid});
    dc.FillRect({3, 26, 11, 29});
    dc.FillRect({11, 26, 37, 29});
    dc.Pixel(38, 26, clBlue);
    dc.Pixel(39, 26, clBlue);
    frame.EndPaint();
    const QImage& image = frame.Image();
    const auto edge = [scale](int v) { return static_cast<int>(std::round(v * scale)); };
    ASSERT_EQ(image.width(), edge(40));
    EXPECT_EQ(Find(image, qRgb(0, 0, 0)), Range(edge(3), edge(37) - 1, edge(3), edge(25) - 1));
    EXPECT_EQ(Find(image, qRgb(0, 0, 255)), [&] {
      Pixels blue = Range(edge(3), edge(37) - 1, edge(26), edge(29) - 1);
      const Pixels dots = Range(edge(38), edge(40) - 1, edge(26), edge(27) - 1);
      blue.insert(dots.begin(), dots.end());
      return blue;
    }());

    // An outlined rectangle in not-xor: outline and fill meet with neither
    // a gap nor a pixel laid twice (white either way).
    TImageFrameBuffer boxFrame(40, 30, false, scale);
    TDrawContext& box = boxFrame.BeginPaint();
    box.SetPen({clBlack, 1, psSolid, pmNotXor});
    box.SetBrush({clBlack, bsSolid});
    box.Rectangle(3, 4, 31, 23);
    boxFrame.EndPaint();
    // Finer strokes are round(scale) device pixels wide, reaching past the
    // last coordinate pixel where that one is narrower.
    const auto outer = [&](int v) {
      return scale >= 1.5 ? edge(v - 1) + static_cast<int>(std::lround(scale)) : edge(v);
    };
    EXPECT_EQ(Find(boxFrame.Image()), Range(edge(3), outer(31) - 1, edge(4), outer(23) - 1));
  }
}

TEST(QPainterContext, VectorPictureKeepsLinesAndText) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(100, 50));
  {
    TQPainterContext dc(svg);
    dc.MoveTo(0, 0);
    dc.LineTo(90, 40);
    dc.TextOut(10, 10, "Time");
  }
  const QByteArray text = buffer.data();
  EXPECT_TRUE(text.contains("Time"));
  EXPECT_TRUE(text.contains("polyline") || text.contains("path") || text.contains("line"));
}

}  // namespace
}  // namespace fendrel
