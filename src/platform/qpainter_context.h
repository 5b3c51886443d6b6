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
#include <vector>

#include "platform/draw_context.h"
#include "raster/line.h"
#include "raster/rasterizer.h"

class QPaintDevice;

namespace fendrel {

// The drawing context over a QPainter: a frame-buffer image, a widget being
// painted, or a vector picture. On a 32-bit image the pixel rules of raster/
// lay one-pixel lines, pixels and solid fills straight into its memory, and
// a painter is open on it only while Qt draws text, hatches, wide pens and
// copied frames; the two never overlap. On other pixel devices one-pixel
// lines are laid by the same rules, pixel by pixel through Qt, so that ends,
// dots and not-xor come out alike. On vector devices lines stay lines.
// With a scale above 1 (images only) the device's pixels are that much finer
// than the coordinates: coordinate pixel edge x lies on device edge
// round(x * scale), so shapes that meet in coordinates meet on the device
// without gaps; below a scale of 1.5 a one-pixel line covers whole
// coordinate pixels, from 1.5 it is stepped in device pixels and
// round(scale) of them wide (a pen of width w: round(w * scale)); fills
// follow their edges and text is drawn at the device's resolution.
class TQPainterContext : public TDrawContext {
 public:
  // Paints on device until destroyed.
  explicit TQPainterContext(QPaintDevice& device, double scale = 1.0);
  // Paints with an active painter that stays the caller's; never writes the
  // device's memory itself.
  explicit TQPainterContext(QPainter& painter);
  ~TQPainterContext() override;

  TQPainterContext(const TQPainterContext&) = delete;
  TQPainterContext& operator=(const TQPainterContext&) = delete;

  // Lays any lines still gathered and ends Qt's drawing; needed before
  // reading the device while the context lives.
  void Flush();
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
  // The painter, open on the device: on an image it opens now, with the
  // context's background and clip.
  QPainter& QtPass();
  // The image's memory, ready to be written: any open painter ends first.
  TRasterizer& RasterPass();
  void PreparePainter();
  // Lays the gathered column steps.
  void LayColumn();
  // Draws in coordinates with Qt: the painter scaled while it lives.
  class TScaledScope;
  // The pixel line from a towards b (b excluded) for one-pixel pens on pixel
  // devices; phase counts pixels already styled along the same figure.
  void PixelLine(TPoint a, TPoint b, int& phase);
  void FlushPixels();
  void StrokeSegments(std::span<const TPoint> points, bool closed);
  bool DrawsPixelLines() const { return pixelDevice_ && pen_.Width <= 1; }
  bool PenVisible() const { return pen_.Style != psClear; }
  void UpdateLineInk();
  void UseQPen(const QPen& pen);
  void UseMix(bool notXor);
  QPen StrokePen() const;
  void ApplyClip();

  QPaintDevice* device_ = nullptr;
  std::unique_ptr<QPainter> ownPainter_;
  QPainter* painter_;
  // The image whose memory the raster rules write, when there is one.
  QImage* image_ = nullptr;
  TRasterizer raster_;
  // The painter is open on image_ for Qt's drawing.
  bool qtOpen_ = false;
  bool ready_ = false;
  bool pixelDevice_ = false;

  TPenState pen_;
  TBrushState brush_;
  TFontState font_;
  TColor backColor_ = clWhite;
  TBackMode backMode_ = bmOpaque;
  TTextAlign align_;
  TPoint penPos_;
  int linePhase_ = 0;
  TColumnRun columnRun_;

  QColor penColor_;
  QColor backQColor_;
  std::uint32_t brushArgb_ = 0;
  QBrush qbrush_;
  QFont qfont_;
  std::optional<QFontMetrics> metrics_;
  QPen currentQPen_;
  bool currentNotXor_ = false;

  // In device pixels, as the painter takes it.
  std::optional<QRegion> clip_;
  std::vector<TRect> clipRects_;
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
