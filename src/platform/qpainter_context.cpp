#include "platform/qpainter_context.h"

#include <QPaintDevice>
#include <QPolygon>
#include <QString>
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/color_qt.h"
#include "raster/clip.h"

namespace fendrel {

namespace {

// The styles of one-pixel desktop pens: a "dot" is three pixels long, which
// is why the chart has its own alternate-pixel pen for fine dotted lines.
TLinePattern PatternOf(const TPenState& pen) {
  if (pen.SmallDots && pen.Width <= 1) return MakeLinePattern({1, 1});
  switch (pen.Style) {
    case psDash:
      return MakeLinePattern({18, 6});
    case psDot:
      return MakeLinePattern({3, 3});
    case psDashDot:
      return MakeLinePattern({9, 6, 3, 6});
    case psDashDotDot:
      return MakeLinePattern({9, 3, 3, 3, 3, 3});
    default:
      return {};
  }
}

Qt::BrushStyle QtBrushStyle(TBrushStyle style) {
  switch (style) {
    case bsSolid:
      return Qt::SolidPattern;
    case bsClear:
      return Qt::NoBrush;
    case bsHorizontal:
      return Qt::HorPattern;
    case bsVertical:
      return Qt::VerPattern;
    case bsFDiagonal:
      return Qt::FDiagPattern;
    case bsBDiagonal:
      return Qt::BDiagPattern;
    case bsCross:
      return Qt::CrossPattern;
    case bsDiagCross:
      return Qt::DiagCrossPattern;
  }
  return Qt::SolidPattern;
}

// Texts are UTF-8; bytes that are not are taken as Latin-1 rather than lost.
QString ToQString(std::string_view text) {
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (s.contains(QChar::ReplacementCharacter) &&
      text.find("\xEF\xBF\xBD") == std::string_view::npos) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  }
  return s;
}

QPolygon ToQPolygon(std::span<const TPoint> points) {
  QPolygon polygon(static_cast<qsizetype>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    polygon[static_cast<qsizetype>(i)] = QPoint(points[i].X, points[i].Y);
  }
  return polygon;
}

QRect ToQRect(const TRect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return {};
  return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

TRect FromQRect(const QRect& r) {
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

TPixelBuffer PixelsOf(QImage& image) {
  return TPixelBuffer::View(reinterpret_cast<std::uint32_t*>(image.bits()), image.width(),
                            image.height(), image.bytesPerLine() / 4);
}

// The images whose memory the raster rules can write as they are.
bool IsRasterImage(const QPaintDevice& device) {
  if (device.devType() != QInternal::Image) return false;
  const auto& image = static_cast<const QImage&>(device);
  const QImage::Format format = image.format();
  return (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
         image.devicePixelRatio() == 1.0;
}

}  // namespace

TQPainterContext::TQPainterContext(QPaintDevice& device, double scale)
    : device_(&device), ownPainter_(std::make_unique<QPainter>()), painter_(ownPainter_.get()) {
  if (IsRasterImage(device)) {
    image_ = static_cast<QImage*>(&device);
    raster_.SetScale(scale);
  } else if (!painter_->begin(&device)) {
    throw std::runtime_error("Cannot paint on this device");
  }
  Init();
}

TQPainterContext::TQPainterContext(QPainter& painter)
    : device_(painter.device()), painter_(&painter) {
  painter_->save();
  Init();
}

TQPainterContext::~TQPainterContext() {
  LayColumn();
  if (ownPainter_) {
    if (ownPainter_->isActive()) ownPainter_->end();
  } else {
    painter_->restore();
  }
}

// Qt draws in coordinates, scaled to the device, while this lives; the
// painter's own state comes back after.
class TQPainterContext::TScaledScope {
 public:
  explicit TScaledScope(TQPainterContext& context)
      : context_(context), scaled_(context.raster_.Scale().Scaled()) {
    if (!scaled_) return;
    const double ratio = context_.raster_.Scale().Ratio();
    context_.painter_->save();
    context_.painter_->scale(ratio, ratio);
  }
  ~TScaledScope() {
    if (!scaled_) return;
    context_.painter_->restore();
    context_.currentQPen_ = context_.painter_->pen();
  }
  TScaledScope(const TScaledScope&) = delete;
  TScaledScope& operator=(const TScaledScope&) = delete;

 private:
  TQPainterContext& context_;
  bool scaled_;
};

double TQPainterContext::PixelRatio() const {
  const TDeviceScale& scale = raster_.Scale();
  return scale.Scaled() ? scale.Ratio() : device_->devicePixelRatio();
}

void TQPainterContext::Init() {
  const int type = device_->devType();
  pixelDevice_ = type == QInternal::Image || type == QInternal::Widget || type == QInternal::Pixmap;
  if (image_ != nullptr) {
    raster_.SetBuffer(PixelsOf(*image_));
  } else {
    raster_.SetDevice({0, 0, device_->width(), device_->height()});
    PreparePainter();
  }
  // Start from the state a fresh desktop context has.
  SetPen(TPenState{});
  SetBrush(TBrushState{});
  SetFont(TFontState{});
  SetBackground(clWhite, bmOpaque);
  ready_ = true;
}

void TQPainterContext::PreparePainter() {
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setRenderHint(QPainter::TextAntialiasing, false);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  currentNotXor_ = false;
  currentQPen_ = painter_->pen();
  painter_->setBackground(QBrush(backQColor_));
  painter_->setBackgroundMode(backMode_ == bmOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
  if (clip_) painter_->setClipRegion(*clip_);
}

QPainter& TQPainterContext::QtPass() {
  if (image_ != nullptr && !qtOpen_) {
    if (!painter_->begin(image_)) throw std::runtime_error("Cannot paint on this device");
    qtOpen_ = true;
    PreparePainter();
  }
  return *painter_;
}

TRasterizer& TQPainterContext::RasterPass() {
  if (qtOpen_) {
    painter_->end();
    qtOpen_ = false;
    // Qt may have given the image memory of its own while it drew.
    raster_.SetBuffer(PixelsOf(*image_));
  }
  return raster_;
}

void TQPainterContext::SetPen(const TPenState& pen) {
  if (ready_ && pen == pen_) return;
  LayColumn();
  pen_ = pen;
  penColor_ = ToQColor(pen.Color);
  UpdateLineInk();
  linePhase_ = 0;
}

void TQPainterContext::UpdateLineInk() {
  raster_.SetLineInk({penColor_.rgb(), backQColor_.rgb(), PatternOf(pen_), backMode_ == bmOpaque,
                      pen_.Mode == pmNotXor});
}

void TQPainterContext::SetBrush(const TBrushState& brush) {
  if (ready_ && brush == brush_) return;
  brush_ = brush;
  const QColor color = ToQColor(brush.Color);
  brushArgb_ = color.rgb();
  qbrush_ = brush.Style == bsClear ? QBrush(Qt::NoBrush) : QBrush(color, QtBrushStyle(brush.Style));
}

void TQPainterContext::SetFont(const TFontState& font) {
  if (ready_ && font == font_) return;
  font_ = font;
  QFont f(ToQString(font.Name));
  f.setPixelSize(std::max(1, FontPixelSize(font.Size)));
  f.setBold((font.Style & fsBold) != 0);
  f.setItalic((font.Style & fsItalic) != 0);
  f.setUnderline((font.Style & fsUnderline) != 0);
  f.setStrikeOut((font.Style & fsStrikeOut) != 0);
  f.setStyleStrategy(QFont::NoAntialias);
  qfont_ = f;
  metrics_.emplace(qfont_);
}

void TQPainterContext::SetBackground(TColor color, TBackMode mode) {
  if (ready_ && color == backColor_ && mode == backMode_) return;
  backColor_ = color;
  backMode_ = mode;
  backQColor_ = ToQColor(color);
  UpdateLineInk();
  if (image_ == nullptr || qtOpen_) {
    painter_->setBackground(QBrush(backQColor_));
    painter_->setBackgroundMode(mode == bmOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
  }
}

void TQPainterContext::UseQPen(const QPen& pen) {
  if (pen == currentQPen_) return;
  painter_->setPen(pen);
  currentQPen_ = pen;
}

void TQPainterContext::UseMix(bool notXor) {
  if (notXor == currentNotXor_ || !pixelDevice_) return;
  painter_->setCompositionMode(notXor ? QPainter::RasterOp_NotSourceXorDestination
                                      : QPainter::CompositionMode_SourceOver);
  currentNotXor_ = notXor;
}

QPen TQPainterContext::StrokePen() const {
  QPen pen(penColor_);
  if (pen_.Width <= 1) {
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
  } else {
    const TDeviceScale& scale = raster_.Scale();
    if (scale.FineStrokes()) {
      // Drawn in coordinates scaled to the device: as wide as the pixel lines
      // of the same width, a whole number of device pixels.
      pen.setWidthF(scale.StrokeWidth(pen_.Width) / scale.Ratio());
    } else {
      pen.setWidth(pen_.Width);
    }
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
  }
  const TLinePattern pattern = PatternOf(pen_);
  if (pattern.Period > 0) {
    QList<qreal> dashes;
    for (int k = 0; k < pattern.RunCount; ++k) {
      dashes.append(pattern.Runs[static_cast<std::size_t>(k)]);
    }
    pen.setDashPattern(dashes);
  }
  return pen;
}

void TQPainterContext::MoveTo(int x, int y) {
  LayColumn();
  penPos_ = {x, y};
  linePhase_ = 0;
}

void TQPainterContext::LineTo(int x, int y) {
  const TPoint from = penPos_;
  penPos_ = {x, y};
  if (!PenVisible() || from == penPos_) return;
  // Steps in one column, as a dense series makes them, are laid as one
  // line; on finer pixels only where a coordinate pixel is a whole number of
  // them, which keeps the pixels those steps would lay one by one.
  const TDeviceScale& scale = raster_.Scale();
  if (from.X == x && image_ != nullptr && DrawsPixelLines() && raster_.LineInk().Pattern.Solid() &&
      pen_.Mode == pmCopy && (!scale.Scaled() || (scale.FineStrokes() && scale.Whole()))) {
    columnRun_.Add(from, penPos_);
    return;
  }
  LayColumn();
  if (DrawsPixelLines()) {
    PixelLine(from, penPos_, linePhase_);
    FlushPixels();
  } else {
    QtPass();
    const TScaledScope scope(*this);
    UseQPen(StrokePen());
    UseMix(pen_.Mode == pmNotXor);
    painter_->drawLine(from.X, from.Y, x, y);
  }
}

void TQPainterContext::PixelLine(TPoint a, TPoint b, int& phase) {
  if (image_ != nullptr) {
    RasterPass().Line(a, b, phase);
    return;
  }
  const TLineInk& ink = raster_.LineInk();
  WalkStyledLine(
      a, b, raster_.WalkBounds(), ink.Pattern, ink.OpaqueGaps, phase,
      [this](int x, int y, bool on) { (on ? onPixels_ : gapPixels_).emplace_back(x, y); });
}

void TQPainterContext::LayColumn() {
  if (!columnRun_.Pending()) return;
  const auto [from, to] = columnRun_.Take();
  int phase = 0;
  RasterPass().Line(from, to, phase);
}

void TQPainterContext::Flush() {
  LayColumn();
  if (image_ != nullptr) RasterPass();
}

void TQPainterContext::FlushPixels() {
  if (onPixels_.empty() && gapPixels_.empty()) return;
  UseMix(pen_.Mode == pmNotXor);
  auto draw = [this](std::vector<QPoint>& pixels, const QColor& color) {
    if (pixels.empty()) return;
    if (painter_->device()->devicePixelRatio() != 1.0) {
      // Points would be one device pixel; a coordinate pixel is more.
      for (const QPoint& p : pixels) painter_->fillRect(QRect(p, QSize(1, 1)), color);
      pixels.clear();
      return;
    }
    QPen pen(color);
    pen.setWidth(1);
    pen.setCosmetic(true);
    UseQPen(pen);
    painter_->drawPoints(pixels.data(), static_cast<int>(pixels.size()));
    pixels.clear();
  };
  draw(gapPixels_, backQColor_);
  draw(onPixels_, penColor_);
}

void TQPainterContext::StrokeSegments(std::span<const TPoint> points, bool closed) {
  LayColumn();
  if (!PenVisible() || points.size() < 2) return;
  if (DrawsPixelLines()) {
    // Flushed per segment: where segments cross, the later one must win.
    int phase = 0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
      PixelLine(points[i], points[i + 1], phase);
      FlushPixels();
    }
    if (closed) {
      PixelLine(points.back(), points.front(), phase);
      FlushPixels();
    }
    return;
  }
  QtPass();
  const TScaledScope scope(*this);
  UseQPen(StrokePen());
  UseMix(pen_.Mode == pmNotXor);
  painter_->setBrush(Qt::NoBrush);
  const QPolygon polygon = ToQPolygon(points);
  if (closed) {
    painter_->drawPolygon(polygon);
  } else {
    painter_->drawPolyline(polygon);
  }
}

void TQPainterContext::Polyline(std::span<const TPoint> points) { StrokeSegments(points, false); }

void TQPainterContext::Polygon(std::span<const TPoint> points) {
  LayColumn();
  if (points.size() >= 3 && brush_.Style != bsClear) {
    if (image_ != nullptr && brush_.Style == bsSolid) {
      RasterPass().FillPolygon(points, brushArgb_, pen_.Mode == pmNotXor);
    } else {
      QtPass();
      const TScaledScope scope(*this);
      UseQPen(QPen(Qt::NoPen));
      UseMix(pen_.Mode == pmNotXor);
      painter_->setBrush(qbrush_);
      // Qt samples pixel (x, y) at (x + 0.5, y + 0.5), leaving a centre that
      // falls on a left edge out. Shifting the figure by a little less than a
      // half samples it at whole coordinates with left and top edges in, as
      // the raster fill does.
      constexpr qreal kShift = 0.5 - 1.0 / 16;
      QPolygonF shifted(static_cast<qsizetype>(points.size()));
      for (std::size_t i = 0; i < points.size(); ++i) {
        shifted[static_cast<qsizetype>(i)] = QPointF(points[i].X + kShift, points[i].Y + kShift);
      }
      if (pixelDevice_) {
        painter_->drawPolygon(shifted, Qt::OddEvenFill);
      } else {
        painter_->drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
      }
    }
  }
  StrokeSegments(points, true);
}

void TQPainterContext::Rectangle(int left, int top, int right, int bottom) {
  LayColumn();
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const int width = right - left;
  const int height = bottom - top;
  if (width == 0 || height == 0) return;
  if (brush_.Style != bsClear) {
    const TRect fill = PenVisible() ? TRect{left + 1, top + 1, right - 1, bottom - 1}
                                    : TRect{left, top, right - 1, bottom - 1};
    const TDeviceScale& scale = raster_.Scale();
    TRect deviceFill = scale.Rect(fill);
    if (PenVisible() && DrawsPixelLines() && scale.FineStrokes()) {
      // The outline is a whole number of device pixels wide, which a
      // coordinate pixel need not be: the fill starts where the outline ends.
      deviceFill.Left = scale.Edge(left) + scale.StrokeWidth();
      deviceFill.Top = scale.Edge(top) + scale.StrokeWidth();
    }
    if (fill.Right > fill.Left && fill.Bottom > fill.Top && !IsEmpty(deviceFill)) {
      if (image_ != nullptr && brush_.Style == bsSolid) {
        RasterPass().FillDeviceRect(deviceFill, brushArgb_, pen_.Mode == pmNotXor);
      } else {
        QtPass();
        UseQPen(QPen(Qt::NoPen));
        UseMix(pen_.Mode == pmNotXor);
        painter_->setBrush(qbrush_);
        painter_->drawRect(ToQRect(deviceFill));
      }
    }
  }
  if (!PenVisible()) return;
  if (!DrawsPixelLines()) {
    QtPass();
    const TScaledScope scope(*this);
    UseQPen(StrokePen());
    UseMix(pen_.Mode == pmNotXor);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawRect(QRect(left, top, width - 1, height - 1));
    return;
  }
  // One-pixel-thin rectangles are a single line, so that no pixel is drawn
  // twice (which not-xor would undo).
  int phase = 0;
  if (width == 1) {
    PixelLine({left, top}, {left, bottom}, phase);
  } else if (height == 1) {
    PixelLine({left, top}, {right, top}, phase);
  } else {
    const TPoint corners[] = {
        {left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
    for (int i = 0; i < 4; ++i) {
      PixelLine(corners[i], corners[(i + 1) % 4], phase);
      FlushPixels();
    }
  }
  FlushPixels();
}

void TQPainterContext::FillRect(const TRect& rect) {
  LayColumn();
  if (rect.Right <= rect.Left || rect.Bottom <= rect.Top || brush_.Style == bsClear) return;
  if (image_ != nullptr && brush_.Style == bsSolid) {
    RasterPass().FillRect(rect, brushArgb_, false);
    return;
  }
  QtPass();
  UseMix(false);
  painter_->fillRect(ToQRect(raster_.Scale().Rect(rect)), qbrush_);
}

void TQPainterContext::Pixel(int x, int y, TColor color) {
  LayColumn();
  const QColor qcolor = ToQColor(color);
  if (image_ != nullptr) {
    RasterPass().Pixel(x, y, qcolor.rgb());
    return;
  }
  UseMix(false);
  if (pixelDevice_) {
    QPen pen(qcolor);
    pen.setWidth(1);
    pen.setCosmetic(true);
    UseQPen(pen);
    painter_->drawPoint(x, y);
  } else {
    painter_->fillRect(QRect(x, y, 1, 1), qcolor);
  }
}

void TQPainterContext::TextOut(int x, int y, std::string_view text) {
  LayColumn();
  if (text.empty()) return;
  QtPass();
  const QString s = ToQString(text);
  const int width = metrics_->horizontalAdvance(s);
  const int ascent = metrics_->ascent();
  const int height = metrics_->height();
  const int dx = align_.Horz == thLeft ? 0 : align_.Horz == thCenter ? -(width / 2) : -width;
  const int dy = align_.Vert == tvTop ? 0 : align_.Vert == tvBaseline ? -ascent : -height;

  UseMix(false);
  const bool turned = font_.Angle % 360 != 0;
  int ox = x;
  int oy = y;
  // At a finer scale the glyphs are drawn at the device's resolution.
  const TScaledScope scope(*this);
  if (turned) {
    painter_->save();
    painter_->translate(x, y);
    painter_->rotate(-font_.Angle);
    ox = 0;
    oy = 0;
  }
  if (backMode_ == bmOpaque)
    painter_->fillRect(QRect(ox + dx, oy + dy, width, height), backQColor_);
  // The box is filled above; Qt's own opaque text background would differ.
  painter_->setBackgroundMode(Qt::TransparentMode);
  UseQPen(QPen(ToQColor(font_.Color)));
  painter_->setFont(qfont_);
  painter_->drawText(QPoint(ox + dx, oy + dy + ascent), s);
  if (turned) {
    painter_->restore();
    currentQPen_ = painter_->pen();
  }
  painter_->setBackgroundMode(backMode_ == bmOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
}

int TQPainterContext::TextWidth(std::string_view text) {
  return metrics_->horizontalAdvance(ToQString(text));
}

int TQPainterContext::TextHeight(std::string_view) { return metrics_->height(); }

void TQPainterContext::ClipRect(const TRect& rect, TClipOp op) {
  LayColumn();
  const QRegion region(ToQRect(raster_.Scale().Rect(rect)));
  clip_ = op == coIntersect && clip_ ? clip_->intersected(region) : region;
  ApplyClip();
}

void TQPainterContext::ClipPolygon(std::span<const TPoint> points, TClipOp op) {
  LayColumn();
  std::vector<TPoint> outline(points.begin(), points.end());
  for (TPoint& p : outline) p = {raster_.Scale().Edge(p.X), raster_.Scale().Edge(p.Y)};
  const QRegion region(ToQPolygon(PolygonNearDevice(outline, raster_.Device())), Qt::OddEvenFill);
  clip_ = op == coIntersect && clip_ ? clip_->intersected(region) : region;
  ApplyClip();
}

void TQPainterContext::RemoveClip() {
  LayColumn();
  clip_.reset();
  if (image_ == nullptr || qtOpen_) painter_->setClipping(false);
  raster_.Clip().Clear();
}

void TQPainterContext::ApplyClip() {
  if (image_ == nullptr || qtOpen_) painter_->setClipRegion(*clip_);
  clipRects_.clear();
  if (clip_->rectCount() <= 1) {
    clipRects_.push_back(FromQRect(clip_->boundingRect()));
  } else {
    for (const QRect& r : *clip_) clipRects_.push_back(FromQRect(r));
  }
  raster_.Clip().Set(clipRects_);
}

std::unique_ptr<TFrameBuffer> TQPainterContext::CreateFrameBuffer(int width, int height,
                                                                  bool monochrome) {
  // The finer pixels of a screen of high density, so that the frame is not
  // blown up when it is shown.
  return std::make_unique<TImageFrameBuffer>(width, height, monochrome, PixelRatio());
}

void TQPainterContext::DrawFrame(int x, int y, TFrameBuffer& frame) {
  LayColumn();
  auto* imageFrame = dynamic_cast<TImageFrameBuffer*>(&frame);
  if (imageFrame == nullptr) {
    throw std::runtime_error("Cannot copy a frame from another kind of drawing context");
  }
  QtPass();
  UseMix(false);
  if (imageFrame->Monochrome()) {
    painter_->drawImage(QPoint(x, y), imageFrame->PresentedImage());
  } else {
    painter_->drawImage(QPoint(x, y), imageFrame->Image());
  }
}

// A control of no size still gets a one-pixel picture to paint on.
namespace {
int DeviceSize(int size, double ratio) {
  return std::max(1, static_cast<int>(std::round(std::max(size, 1) * ratio)));
}
}  // namespace

TImageFrameBuffer::TImageFrameBuffer(int width, int height, bool monochrome, double pixelRatio)
    : width_(width),
      height_(height),
      pixelRatio_(pixelRatio > 0.0 ? pixelRatio : 1.0),
      image_(DeviceSize(width, pixelRatio_), DeviceSize(height, pixelRatio_), QImage::Format_RGB32),
      monochrome_(monochrome) {
  image_.fill(Qt::white);
  image_.setDevicePixelRatio(pixelRatio_);
}

TImageFrameBuffer::~TImageFrameBuffer() = default;

TDrawContext& TImageFrameBuffer::BeginPaint() {
  if (!context_) {
    // Painted pixel by pixel; shown at its ratio.
    image_.setDevicePixelRatio(1.0);
    context_ = std::make_unique<TQPainterContext>(image_, pixelRatio_);
  }
  return *context_;
}

void TImageFrameBuffer::EndPaint() {
  context_.reset();
  image_.setDevicePixelRatio(pixelRatio_);
}

QImage TImageFrameBuffer::PresentedImage() const {
  if (!monochrome_) return image_;
  return image_.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)
      .convertToFormat(QImage::Format_RGB32);
}

}  // namespace fendrel
