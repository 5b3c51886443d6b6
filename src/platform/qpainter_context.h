#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRegion>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/draw_context.h"

class QPaintDevice;

namespace fendrel {

// The drawing context over a QPainter: a frame-buffer image, a widget being
// painted, or a vector picture. On pixel devices one-pixel lines are laid
// pixel by pixel so that ends, dots and not-xor follow the raster rules
// exactly; on a 32-bit image they and solid polygon fills are written
// straight into its memory. On vector devices lines stay lines.
// With a scale above 1 the device's pixels are that much finer than the
// coordinates: coordinate pixel edge x lies on device edge round(x * scale),
// so shapes that meet in coordinates meet on the device without gaps; a
// one-pixel line covers whole coordinate pixels; fills follow their edges
// and text is drawn at the device's resolution.
class TQPainterContext : public TDrawContext {
 public:
  // Paints on device until destroyed.
  explicit TQPainterContext(QPaintDevice& device, double scale = 1.0);
  // Paints with an active painter that stays the caller's.
  explicit TQPainterContext(QPainter& painter);
  ~TQPainterContext() override;

  TQPainterContext(const TQPainterContext&) = delete;
  TQPainterContext& operator=(const TQPainterContext&) = delete;

  // Lays any lines still gathered; needed before reading the device while
  // the context lives. Whoever paints with Painter() directly restores what
  // they change before the context draws again.
  void Flush();
  QPainter& Painter() {
    Flush();
    return *painter_;
  }
  // The font as Qt resolves it, e.g. to check which family stands for "Arial".
  const QFont& CurrentQFont() const { return qfont_; }

  void SetPen(const TPenState& pen) override;
  void SetBrush(const TBrushState& brush) override;
  void SetFont(const TFontState& font) override;
  void SetBackground(TColor color, TBackMode mode) override;
  void SetTextAlign(TTextAlign align) override { align_ = align; }

  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(std::span<const TPoint> points) override;
  void Polygon(std::span<const TPoint> points) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void FillRect(const TRect& rect) override;
  void Pixel(int x, int y, TColor color) override;

  void TextOut(int x, int y, std::string_view text) override;
  int TextWidth(std::string_view text) override;
  int TextHeight(std::string_view text) override;

  void ClipRect(const TRect& rect, TClipOp op) override;
  void ClipPolygon(std::span<const TPoint> points, TClipOp op) override;
  void RemoveClip() override;

  double PixelRatio() const override;
  std::unique_ptr<TFrameBuffer> CreateFrameBuffer(int width, int height, bool monochrome) override;
  void DrawFrame(int x, int y, TFrameBuffer& frame) override;

 private:
  void Init();
  // Coordinates to device pixels: an edge, and a rectangle of whole pixels.
  int DeviceEdge(int v) const;
  QRect DeviceRect(const QRect& r) const;
  // One coordinate pixel on a scaled image, within the clip.
  void PutPixel(int x, int y, std::uint32_t color, bool notXor);
  // Draws in coordinates with Qt: the painter scaled while it lives.
  class TScaledScope;
  // The pixel line from a towards b (b excluded) for one-pixel pens on pixel
  // devices; phase counts pixels already styled along the same figure.
  void PixelLine(TPoint a, TPoint b, int& phase);
  void FlushPixels();
  void StrokeSegments(std::span<const TPoint> points, bool closed);
  bool DrawsPixelLines() const { return pixelDevice_ && pen_.Width <= 1; }
  bool PenVisible() const { return pen_.Style != psClear; }
  void UseQPen(const QPen& pen);
  void UseMix(bool notXor);
  QPen StrokePen() const;
  void ApplyClip();
  bool ClipContains(int x, int y);
  void EnsureSpans();
  // Within the clip's spans on row y, which must lie on the device.
  bool InSpans(int x, int y) const;
  // Solid fills on a 32-bit image, scan line by scan line; false when the
  // fill is left to Qt.
  bool FillPolygonDirect(std::span<const TPoint> points);

  std::unique_ptr<QPainter> ownPainter_;
  QPainter* painter_;
  double scale_ = 1.0;
  bool scaled_ = false;
  // The coordinate pixels a line walk may reach: the device or the clip's
  // bounds, in coordinates.
  QRect walkBounds_;
  bool ready_ = false;
  bool pixelDevice_ = false;
  // The pixels of a 32-bit image, written directly by line walks and fills.
  std::uint32_t* bits_ = nullptr;
  qsizetype stride_ = 0;
  QRect deviceRect_;

  TPenState pen_;
  TBrushState brush_;
  TFontState font_;
  TColor backColor_ = clWhite;
  TBackMode backMode_ = bmOpaque;
  TTextAlign align_;
  TPoint penPos_;
  int linePhase_ = 0;
  // A run of one-column steps, not yet laid: the lowest and highest start
  // of a step and the end of the last one.
  bool columnPending_ = false;
  int columnLow_ = 0;
  int columnHigh_ = 0;
  TPoint columnEnd_;

  QColor penColor_;
  QColor backQColor_;
  std::uint32_t penArgb_ = 0;
  std::uint32_t backArgb_ = 0;
  std::uint32_t brushArgb_ = 0;
  std::uint32_t patternMask_ = 0;  // bit k set: pixel k of the period is drawn
  int patternPeriod_ = 0;          // 0 for a solid pen
  QBrush qbrush_;
  QFont qfont_;
  std::optional<QFontMetrics> metrics_;
  QPen currentQPen_;
  bool currentNotXor_ = false;

  std::optional<QRegion> clip_;
  QRect clipBounds_;
  bool clipIsRect_ = true;
  // Per-row spans of a clip region that is not a single rectangle, built when
  // the line walk first needs them.
  bool spansValid_ = false;
  std::vector<int> spanStart_;
  std::vector<std::pair<int, int>> spans_;

  std::vector<int> crossings_;
  std::vector<TPoint> devicePoints_;
  std::vector<QPoint> onPixels_;
  std::vector<QPoint> gapPixels_;
};

// The off-screen picture of the drawing surface: a 32-bit image, shown in
// black and white when monochrome. Width and Height are in coordinates; the
// image has pixelRatio device pixels per coordinate pixel.
class TImageFrameBuffer : public TFrameBuffer {
 public:
  TImageFrameBuffer(int width, int height, bool monochrome, double pixelRatio = 1.0);
  ~TImageFrameBuffer() override;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  double PixelRatio() const override { return pixelRatio_; }
  bool Monochrome() const { return monochrome_; }
  TDrawContext& BeginPaint() override;
  void EndPaint() override;

  // The picture as drawn so far; do not keep a copy while painting.
  const QImage& Image() const {
    if (context_) context_->Flush();
    return image_;
  }
  // What a copy to another context shows.
  QImage PresentedImage() const;

 private:
  int width_;
  int height_;
  double pixelRatio_;
  QImage image_;
  bool monochrome_;
  std::unique_ptr<TQPainterContext> context_;
};

}  // namespace fendrel
